// Engine steps against their floors: Select + draw of each layer, the automatic display's tick
// and an element swap, each beside the least any implementation must do for the same picture.
#include "benchdata.h"
#include "benchregister.h"
#include "benchrun.h"
#include "benchtable.h"

#include "vlmscreen.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <string>

namespace VLMB {

namespace {

// A window surface that takes every copy and shows nothing.
class TNullCanvas : public VLM::TCanvas {
public:
    void Draw(int, int, const VLM::TPicture& picture) override { Keep(picture); }
    void StretchDraw(const VLM::TRect&, const VLM::TPicture& picture) override { Keep(picture); }
    void CopyRect(const VLM::TRect&, const VLM::TPicture& picture, const VLM::TRect&) override {
        Keep(picture);
    }
    void FillBlack(const VLM::TRect&) override {}

private:
    static void Keep(const VLM::TPicture& picture) { benchmark::DoNotOptimize(&picture); }
};

void KeepScreen(const void* pixels) {
    benchmark::DoNotOptimize(pixels);
    benchmark::ClobberMemory();
}

// A floor is only a floor if it draws the picture the engine draws: one step of each (on the
// same picture) must leave the same pixels in r. A failed check stops the benchmark.
bool SameDrawing(benchmark::State& state, const VLM::TPicture& engine, const TScreenPixels& floor,
                 const VLM::TRect& r) {
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (engine.ScanLine(y)[x] != floor[static_cast<size_t>(y) * ScreenWidth + x]) {
                state.SkipWithError("the floor draws another picture than the engine");
                return false;
            }
    return true;
}

constexpr VLM::TRect WholeScreen{0, 0, ScreenWidth, ScreenHeight};
constexpr VLM::TRect BackGroundArea{OriginLeft, OriginTop, OriginLeft + ShownWidth,
                                    OriginTop + ShownHeight};

// The compositor's default selection: the lowest-numbered element of each rectangle.
std::vector<int> DefaultElements(const VLM::TCharacterBitmap& ch) {
    std::vector<int> shown;
    for (int e = 0; e < ch.Elems; ++e)
        if (std::none_of(shown.begin(), shown.end(), [&](int s) { return ch.SameElemRect(s, e); }))
            shown.push_back(e);
    return shown;
}

// ---- Wallpaper -----------------------------------------------------------------------------

void WallPaper(benchmark::State& state) {
    const TDataSet& d = Data();
    VLM::TWallPaperBitmap wp;
    wp.SetFileName(d.wallPapers);
    VLM::TPicture screen(ScreenWidth, ScreenHeight);
    const int count = wp.GetCount();
    int i = 0;
    auto engine = [&] {
        wp.Select(i);
        wp.Draw(screen, 0, 0);
        KeepScreen(screen.ScanLine(0));
        i = i + 1 < count ? i + 1 : 0;
    };

    const TFloorFile file(d.wallPapers);
    std::vector<uint8_t> buffer;
    TScreenPixels floorScreen(ScreenWidth * ScreenHeight);
    size_t j = 0;
    auto floor = [&] {
        FloorWallPaper(file, d.wallPaperRecords[j], buffer, floorScreen);
        KeepScreen(floorScreen.data());
        j = j + 1 < d.wallPaperRecords.size() ? j + 1 : 0;
    };

    engine();
    floor();
    if (!SameDrawing(state, screen, floorScreen, WholeScreen)) return;
    RunPaired(state, engine, floor);
    if (!wp.Loaded) state.SkipWithError("wallpaper did not load");
}

// ---- Backgrounds ---------------------------------------------------------------------------

void BackGround(benchmark::State& state, const TSizedBackGround* size) {
    VLM::TBackGroundBitmap bg;
    bg.SetFileName(size->path);
    VLM::TPicture screen(ScreenWidth, ScreenHeight);
    auto engine = [&] {
        bg.Select(BackGroundAtZero);
        bg.Draw(screen, OriginLeft, OriginTop, 0, 0, ShownWidth, ShownHeight);
        KeepScreen(screen.ScanLine(0));
    };

    const TFloorFile file(size->path);
    std::vector<uint8_t> buffer;
    TScreenPixels floorScreen(ScreenWidth * ScreenHeight);
    auto floor = [&] {
        FloorBackGround(file, size->record, size->width, size->height, buffer, floorScreen);
        KeepScreen(floorScreen.data());
    };

    engine();
    floor();
    if (!SameDrawing(state, screen, floorScreen, WholeScreen)) return;
    RunPaired(state, engine, floor);
    if (!bg.Loaded || bg.Width != size->width) state.SkipWithError("background did not load");
}

// ---- Characters ----------------------------------------------------------------------------

void Character(benchmark::State& state, int entry) {
    const TDataSet& d = Data();
    VLM::TCharacterBitmap ch;
    ch.SetFileName(d.characters);
    VLM::TPicture screen(ScreenWidth, ScreenHeight);
    ch.Select(entry);
    const std::vector<int> shown = DefaultElements(ch);
    auto engine = [&] {
        ch.Select(entry);
        for (int e : shown)
            ch.DrawElem(e, screen, OriginLeft, OriginTop);
        KeepScreen(screen.ScanLine(0));
    };

    const TCharacterPlan& plan = d.characterPlans[static_cast<size_t>(entry)];
    const TFloorFile file(d.characters);
    std::vector<uint8_t> buffer;
    TScreenPixels floorScreen(ScreenWidth * ScreenHeight);
    auto floor = [&] {
        FloorCharacter(file, plan.record, plan.size, buffer, floorScreen);
        KeepScreen(floorScreen.data());
    };

    engine();
    floor();
    if (!SameDrawing(state, screen, floorScreen, WholeScreen)) return;
    RunPaired(state, engine, floor);
    if (!ch.Loaded) state.SkipWithError("character did not load");
}

// ---- The automatic display's tick ------------------------------------------------------------

// The three archives open and every layer at picture 0, as after the open commands.
void OpenAll(VLM::TScreen& s) {
    const TDataSet& d = Data();
    s.putwpfn(d.wallPapers);
    s.DrawWallPaper(0);
    s.putbgfn(d.backGrounds);
    s.DrawBackGround(0);
    s.putchfn(d.characters);
    s.DrawCharacter(0);
}

struct TWheels {
    int wp = 0, bg = 0, ch = 0;
};

// One timer tick of the automatic display and the caption's read-back, without the windows.
void Tick(VLM::TScreen& s, TWheels& w) {
    if (++w.ch >= s.getchcnt()) {
        w.ch = 0;
        if (++w.bg >= s.getbgcnt()) {
            w.bg = 0;
            if (++w.wp >= s.getwpcnt()) w.wp = 0;
            s.DrawWallPaper(w.wp);
        }
        s.DrawBackGround(w.bg);
    }
    s.DrawCharacter(w.ch);
    w.wp = s.getwp();
    w.bg = s.getbg();
    w.ch = s.getch();
    benchmark::DoNotOptimize(s.getwpcnt() + s.getbgcnt() + s.getchcnt());
}

void AutomaticTick(benchmark::State& state) {
    const TDataSet& d = Data();
    VLM::TScreen s;
    TNullCanvas canvas;
    s.target = &canvas;
    OpenAll(s);
    TWheels w;
    auto engine = [&] {
        Tick(s, w);
        KeepScreen(&s.GetOffscreen());
    };

    const TFloorFile backs(d.backGrounds), chars(d.characters);
    std::vector<uint8_t> buffer, base;
    uint16_t basePalette[256];
    TScreenPixels floorScreen(ScreenWidth * ScreenHeight);
    FloorBackGround(backs, d.backGroundRecords[0], ShownWidth, ShownHeight, buffer, floorScreen,
                    &base, basePalette);
    const int characters = static_cast<int>(d.characterPlans.size());
    const int backGrounds = static_cast<int>(d.backGroundRecords.size());
    int ch = 0, bg = 0;
    auto floor = [&] {
        if (++ch >= characters) {
            ch = 0;
            if (++bg >= backGrounds) bg = 0;
            FloorBackGround(backs, d.backGroundRecords[static_cast<size_t>(bg)], ShownWidth,
                            ShownHeight, buffer, floorScreen, &base, basePalette);
        }
        const TCharacterPlan& plan = d.characterPlans[static_cast<size_t>(ch)];
        FloorBase(base, basePalette, floorScreen);
        FloorCharacter(chars, plan.record, plan.size, buffer, floorScreen);
        KeepScreen(floorScreen.data());
    };

    // The floor redraws no wallpaper: only the background's area is the tick's to compare.
    engine();
    floor();
    if (!SameDrawing(state, s.GetOffscreen(), floorScreen, BackGroundArea)) return;
    RunPaired(state, engine, floor);
    if (!s.getchloaded() || !s.getbgloaded()) state.SkipWithError("a layer did not load");
}

// ---- An element swap -----------------------------------------------------------------------

// Elements 1 and 2 of the 10-element record are alternatives for one spot.
constexpr int SwapA = 1, SwapB = 2;

void Swap(benchmark::State& state) {
    VLM::TScreen s;
    TNullCanvas canvas;
    s.target = &canvas;
    OpenAll(s);
    s.DrawCharacter(Data().character10);
    if (!s.SameElementRect(SwapA, SwapB)) state.SkipWithError("no alternatives to swap");
    bool flip = false;
    auto engine = [&] {
        s.DrawElement(flip ? SwapA : SwapB);
        flip = !flip;
        KeepScreen(&s.GetOffscreen());
    };

    const VLMW::TCharRecord record = PlannedRecord(Data().character10);
    uint16_t palette[256];
    for (size_t i = 0; i < 256; ++i) {
        const uint16_t c = record.palette[i];
        palette[i] =
            VLM::ArchiveToScreenColor(static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c));
    }
    TScreenPixels floorScreen(ScreenWidth * ScreenHeight);
    bool floorFlip = false;
    auto floor = [&] {
        const VLMW::TCharElement& e = record.elements[floorFlip ? SwapA : SwapB];
        FloorElement(e.pixels.data(), e.width, e.height, palette, OriginLeft + e.left,
                     OriginTop + e.top, floorScreen);
        floorFlip = !floorFlip;
        KeepScreen(floorScreen.data());
    };

    // Where the new element is transparent the old one shows through on screen: only its own
    // pixels are the swap's to compare.
    engine();
    floor();
    const VLMW::TCharElement& b = record.elements[SwapB];
    for (int r = 0; r < b.height; ++r)
        for (int c = 0; c < b.width; ++c) {
            if (b.pixels[static_cast<size_t>(r) * b.width + c] == 0) continue;
            const int x = OriginLeft + b.left + c, y = OriginTop + b.top + r;
            if (!SameDrawing(state, s.GetOffscreen(), floorScreen, {x, y, x + 1, y + 1})) return;
        }
    RunPaired(state, engine, floor, 32); // one swap's pixels take well under a microsecond
}

void Register(const std::string& name, const std::string& label, double maxRatio, int64_t pixels,
              std::function<void(benchmark::State&)> fn) {
    benchmark::RegisterBenchmark(name.c_str(), std::move(fn))
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond);
    AddRow({label, name, true, maxRatio, 0, pixels});
}

} // namespace

void RegisterEngineBenchmarks() {
    const TDataSet& d = Data();
    constexpr double SelectDraw = 2, AutoTick = 3;

    Register("wallpaper", "wallpaper 320x224: Select + draw", SelectDraw, 0, WallPaper);
    for (const TSizedBackGround& size : d.sizes) {
        const std::string dims = std::to_string(size.width) + "x" + std::to_string(size.height);
        const TSizedBackGround* p = &size;
        Register("background" + dims, "background " + dims + ": Select + draw", SelectDraw,
                 int64_t{size.width} * size.height, [p](benchmark::State& s) { BackGround(s, p); });
    }
    const std::pair<int, int> characters[] = {
        {1, d.character1}, {10, d.character10}, {74, d.character74}};
    for (const auto& [elems, entry] : characters) {
        const int e = entry;
        Register("character" + std::to_string(elems),
                 "character, " + std::to_string(elems) + " element(s): Select + draw", SelectDraw,
                 0, [e](benchmark::State& s) { Character(s, e); });
    }
    Register("tick", "automatic display tick (TScreen)", AutoTick, 0, AutomaticTick);
    Register("swap", "DrawElement: one swap + Flush", 0, 0, Swap);
}

} // namespace VLMB
