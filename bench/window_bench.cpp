// The window's steps: the Qt canvas stretching the composed picture, a character step from the
// menu command to the end of its caption update, the tools window's refresh on its own, and a
// hostile character of 65,535 elements beside an ordinary one, in time and in memory.
#include "benchdata.h"
#include "benchregister.h"
#include "benchrun.h"
#include "benchtable.h"

#include "chwriter.h"
#include "mainfm.h"
#include "qtcanvas.h"
#include "qtui.h"
#include "toolsfm.h"
#include "vlmnames.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QProcess>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace VLMB {

const std::string& DemoFolder() {
    static const std::string folder = [] {
        const std::string path = Data().folder + "/demo";
        QProcess mkdemo;
        mkdemo.start(QStringLiteral(VLM_MKDEMO), {QString::fromStdString(path)});
        if (!mkdemo.waitForFinished(120000) || mkdemo.exitStatus() != QProcess::NormalExit ||
            mkdemo.exitCode() != 0)
            Fail("the demo generator failed");
        return path;
    }();
    return folder;
}

namespace {

// Picks path in the open dialog the command runs, as a person would.
void Open(QAction* command, const std::string& path) {
    VLMQ::DialogSeams().fileDialog = [&path](QFileDialog& dialog) {
        dialog.selectFile(QString::fromStdString(path));
        return true;
    };
    command->trigger();
    VLMQ::DialogSeams().fileDialog = nullptr;
}

// Both windows as the application holds them, shown, with the demo's first wallpaper archive,
// its background and its character archive open.
struct TWindows : TViewerWindows {
    TWindows() {
        form->show();
        QCoreApplication::processEvents();
        const std::string& demo = DemoFolder();
        Open(form->openWallPaperMenu, demo + "/EYECATCH.ALL");
        Open(form->openBackGroundMenu, demo + "/NBGFILE1.ALL");
        Open(form->openCharacterMenu, demo + "/NCDAT.ALL");
        QCoreApplication::processEvents();
    }
    bool AllOpen() const {
        return form->screen->getwploaded() && form->screen->getbgloaded() &&
               form->screen->getchloaded();
    }
};

// A 320 x 224 picture with something in every pixel.
VLM::TPicture Composed() {
    VLM::TPicture picture(ScreenWidth, ScreenHeight);
    for (int y = 0; y < ScreenHeight; ++y) {
        uint16_t* row = picture.ScanLine(y);
        for (int x = 0; x < ScreenWidth; ++x)
            row[x] = static_cast<uint16_t>((x * 97 + y * 31) & 0x7FFF);
    }
    return picture;
}

void Stretch(benchmark::State& state, int width, int height) {
    TQtCanvas canvas;
    canvas.resize(width, height);
    canvas.show();
    QCoreApplication::processEvents(); // the backing image takes the client size
    if (canvas.Backing().size() != QSize(width, height)) {
        state.SkipWithError("the canvas did not take its size");
        return;
    }
    const VLM::TPicture picture = Composed();
    const VLM::TRect dst{0, 0, width, height};
    RunSingle(state, [&] { canvas.StretchDraw(dst, picture); });
}

void CharacterStep(benchmark::State& state) {
    TWindows w;
    if (!w.AllOpen()) {
        state.SkipWithError("the demo archives did not open");
        return;
    }
    // Each step is followed, untimed, by what the event loop does next: the paint it asked for.
    RunSingle(
        state, [&] { w.form->nextCharacterMenu->trigger(); },
        [] { QCoreApplication::processEvents(); });
    if (!w.form->screen->getchloaded() || w.form->chIndex != w.form->screen->getch())
        state.SkipWithError("the steps did not show characters");
}

void ToolsRefresh(benchmark::State& state) {
    TWindows w;
    if (!w.AllOpen()) {
        state.SkipWithError("the demo archives did not open");
        return;
    }
    RunSingle(
        state, [&] { w.tools->UpdateControls(); },
        [&] {
            w.form->nextCharacterMenu->trigger();
            QCoreApplication::processEvents();
        });
    if (w.tools->combos[2]->currentIndex() != w.form->screen->getch())
        state.SkipWithError("the tools window does not follow the steps");
}

// ---- A hostile character beside an ordinary one ---------------------------------------------

// Table entries with room after them: an ordinary record (a figure and three groups of
// alternatives) and one of 65,535 one-pixel elements, each on another pixel than the one
// before, so that every element is a group of its own.
constexpr int OrdinaryEntry = 39;
constexpr int HostileEntry = 107;
constexpr int HostileElements = 65535;

const std::string& HostileArchive() {
    static const std::string path = [] {
        VLMW::TCharRecord hostile;
        hostile.palette[1] = 0x7FFF;
        for (int e = 0; e < HostileElements; ++e) {
            VLMW::TCharElement element;
            element.left = static_cast<uint16_t>(e % 256);
            element.top = static_cast<uint16_t>(e / 256 % 128);
            element.width = element.height = 1;
            element.pixels = {1};
            hostile.elements.push_back(std::move(element));
        }
        VLMW::TCharPlacement ordinary, many;
        ordinary.offset = VLM::CharacterNames[OrdinaryEntry].offset;
        ordinary.record = PlannedRecord(Data().character10);
        many.offset = VLM::CharacterNames[HostileEntry].offset;
        many.record = std::move(hostile);
        const std::string folder = Data().folder + "/hostile";
        std::filesystem::create_directories(folder);
        VLMW::CharacterArchive({ordinary, many}).Save(folder + "/NCDAT.ALL");
        return folder + "/NCDAT.ALL";
    }();
    return path;
}

// Bytes the heap holds now.
double HeapBytes() {
#if defined(__GLIBC__)
    const struct mallinfo2 m = mallinfo2();
    return static_cast<double>(m.uordblks + m.hblkhd);
#else
    return 0;
#endif
}

// A field of /proc/self/status in bytes (VmRSS, VmHWM); 0 where there is none.
double StatusBytes(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, key.size() + 1, key + ":") == 0)
            return std::stod(line.substr(key.size() + 1)) * 1024;
    return 0;
}

// Starts the peak resident size (VmHWM) afresh from the present one.
void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

void HostileCharacter(benchmark::State& state) {
    TWindows w;
    Open(w.form->openCharacterMenu, HostileArchive());
    const auto show = [&](int entry) {
        w.form->PictureChosen(VLM::TLayerKind::Character, entry);
        QCoreApplication::processEvents(); // the layout and paint that follow
    };
    show(OrdinaryEntry);
    if (!w.AllOpen() || w.form->screen->getelcnt() != 10) {
        state.SkipWithError("the ordinary character did not open");
        return;
    }
    // Each step goes from the other record to its own, as stepping between them would.
    RunPaired(
        state, [&] { show(HostileEntry); }, [&] { show(OrdinaryEntry); });

    // What the hostile record holds, and the peak its step reaches, over the ordinary one. The
    // heap first gives back what the timed steps left free, so that the peak is the step's own.
    show(OrdinaryEntry);
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
    const double heap = HeapBytes(), resident = StatusBytes("VmRSS");
    ResetPeak();
    show(HostileEntry);
    if (w.form->screen->getelcnt() != HostileElements || w.tools->GroupCount() != HostileElements) {
        state.SkipWithError("the hostile character did not open");
        return;
    }
    state.counters["held_mb"] = (HeapBytes() - heap) / (1 << 20);
    state.counters["peak_mb"] = (StatusBytes("VmHWM") - resident) / (1 << 20);
}

void Register(const std::string& name, const std::string& label, double maxMs,
              std::function<void(benchmark::State&)> fn) {
    benchmark::RegisterBenchmark(name.c_str(), std::move(fn))
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond);
    AddRow({label, name, false, 0, maxMs, 0});
}

} // namespace

void RegisterWindowBenchmarks() {
    const int sizes[][2] = {{320, 224}, {640, 448}, {1280, 896}};
    for (const auto& s : sizes) {
        const int width = s[0], height = s[1];
        const std::string dims = std::to_string(width) + "x" + std::to_string(height);
        Register("stretch" + dims, "Qt canvas StretchDraw 320x224 -> " + dims, 0,
                 [width, height](benchmark::State& st) { Stretch(st, width, height); });
    }
    Register("menustep", "next character: menu command to caption's end", 5, CharacterStep);
    Register("toolsrefresh", "UpdateControls after a step (no refill)", 2, ToolsRefresh);
    benchmark::RegisterBenchmark("hostilecharacter", HostileCharacter)
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond);
    // The floor: the same step to an ordinary character of ten elements.
    TRow hostile{"65,535-element character + tools update", "hostilecharacter", true, 0, 100, 0};
    hostile.maxMb = 50;
    AddRow(hostile);
}

} // namespace VLMB
