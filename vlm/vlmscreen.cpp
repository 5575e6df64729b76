#include "vlmscreen.h"

#include <algorithm>

namespace VLM {

namespace {
constexpr int ScreenWidth = 320;
constexpr int ScreenHeight = 224;
constexpr int BackGroundWidth = TBackGroundBitmap::ShownWidth;
constexpr int BackGroundHeight = TBackGroundBitmap::ShownHeight;

bool IsEmpty(const TRect& r) { return r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0; }
} // namespace

const TRect TScreen::DefaultRect{0, 0, ScreenWidth, ScreenHeight};

EElementOutside::EElementOutside(int picture, int element, const std::string& row)
    : ERowRange(0), picture(picture), element(element),
      text("character " + std::to_string(picture) + ": element " + std::to_string(element) +
           " reaches outside the picture (" + row + ")") {}

TScreen::TScreen()
    : offscreen(std::make_unique<TPicture>(ScreenWidth, ScreenHeight)),
      wallPaper(std::make_unique<TWallPaperBitmap>()),
      backGround(std::make_unique<TBackGroundBitmap>()),
      character(std::make_unique<TCharacterBitmap>()) {}

TScreen::~TScreen() {
    character.reset();
    backGround.reset();
    wallPaper.reset();
    offscreen.reset();
}

// ---- Layers --------------------------------------------------------------------------------

void TScreen::DrawWallPaperLayer() {
    wallPaper->Draw(*offscreen, 0, 0);
    wallPaperShown = wallPaper->Loaded;
    drawn.clear();
}

void TScreen::DrawBackGroundLayer() {
    const TRect shown{originLeft, originTop, originLeft + BackGroundWidth,
                      originTop + BackGroundHeight};
    // A picture smaller than the shown area leaves black around it, never older pixels.
    if (backGround->Width < BackGroundWidth || backGround->Height < BackGroundHeight)
        offscreen->FillBlack(shown);
    backGround->Draw(*offscreen, originLeft, originTop, 0, 0, BackGroundWidth, BackGroundHeight);
    backGroundShown = {originLeft, originTop,
                       originLeft + std::min(backGround->Width, BackGroundWidth),
                       originTop + std::min(backGround->Height, BackGroundHeight)};
    NoteDrawn(BackGroundDrawn);
}

// The wallpaper and the background over it. The background always covers its whole place
// (black around a smaller picture), so the wallpaper is drawn only around that place.
void TScreen::DrawBase() {
    if (!backGround->Loaded) {
        DrawWallPaperLayer();
        return;
    }
    const int right = originLeft + BackGroundWidth, bottom = originTop + BackGroundHeight;
    const TRect around[4] = {{0, 0, ScreenWidth, originTop},
                             {0, bottom, ScreenWidth, ScreenHeight},
                             {0, originTop, originLeft, bottom},
                             {right, originTop, ScreenWidth, bottom}};
    for (const TRect& r : around)
        wallPaper->Draw(*offscreen, r.left, r.top, r.left, r.top, r.right, r.bottom);
    wallPaperShown = wallPaper->Loaded;
    drawn.clear();
    DrawBackGroundLayer();
}

// A layer drawn again covers its older drawing exactly, so only the latest drawing of each
// counts; the older ones are dropped once they make up most of the list.
void TScreen::NoteDrawn(int32_t what) {
    drawn.push_back(what);
    if (drawn.size() < 4096 || drawn.size() < 4 * static_cast<size_t>(character->Elems)) return;
    std::vector<bool> seen(static_cast<size_t>(std::max(character->Elems, 0)) + 1);
    std::vector<int32_t> kept;
    for (auto i = drawn.rbegin(); i != drawn.rend(); ++i) {
        const size_t slot = static_cast<size_t>(*i + 1);
        if (slot < seen.size() && !seen[slot]) {
            seen[slot] = true;
            kept.push_back(*i);
        }
    }
    drawn.assign(kept.rbegin(), kept.rend());
}

namespace {
bool Inside(const TRect& r, int x, int y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}
} // namespace

TPixelSource TScreen::PixelSource(int x, int y) const {
    TPixelSource p;
    if (x < 0 || y < 0 || x >= ScreenWidth || y >= ScreenHeight) return p;
    p.colour = offscreen->ScanLine(y)[x];
    // The latest drawing that covers the pixel with something opaque shows there.
    for (auto i = drawn.rbegin(); i != drawn.rend(); ++i) {
        if (*i == BackGroundDrawn) {
            if (!Inside({originLeft, originTop, originLeft + BackGroundWidth,
                         originTop + BackGroundHeight},
                        x, y))
                continue;
            if (Inside(backGroundShown, x, y)) {
                p.layer = TPixelSource::BackGround;
                p.paletteIndex = backGround->Row(y - originTop)[x - originLeft];
            }
            return p;
        }
        if (static_cast<size_t>(*i) >= character->elements.size()) continue;
        const TCharacterBitmap::TElem& el = *character->elements[static_cast<size_t>(*i)];
        const int64_t c = int64_t{x} - originLeft - el.left, r = int64_t{y} - originTop - el.top;
        if (c < 0 || r < 0 || c >= el.width || r >= el.height) continue;
        const uint8_t index = el.pixels[static_cast<size_t>(r * el.width + c)];
        if (index == 0) continue;
        p.layer = TPixelSource::Element;
        p.element = *i;
        p.paletteIndex = index;
        return p;
    }
    if (wallPaperShown) {
        p.layer = TPixelSource::WallPaper;
        p.paletteIndex = wallPaper->Row(y)[x];
    }
    return p;
}

void TScreen::DrawElementOffscreen(int32_t element) {
    try {
        if (character->DrawElem(element, *offscreen, originLeft, originTop)) NoteDrawn(element);
    } catch (const ERowRange& e) {
        // The rows above stay drawn; the failure goes on to the caller, now saying what failed.
        // An element starting above the picture failed on its first row and drew nothing.
        if (originTop + int64_t{character->getElemTop(element)} >= 0) NoteDrawn(element);
        character->LoadError = {TFailure::ElementOutside, element};
        throw EElementOutside(character->GetIndex(), element, e.what());
    }
}

void TScreen::DrawShownElements() {
    for (int32_t e : shownElements)
        DrawElementOffscreen(e);
}

void TScreen::DrawWallPaper(int index) {
    if (wallPaper->Loaded && index == drawnWallPaper) return;
    drawnWallPaper = index;
    wallPaper->Select(index);
    DrawBase();
    DrawCharacter(drawnCharacter);
}

void TScreen::DrawBackGround(int index) {
    if (backGround->Loaded && index == drawnBackGround) return;
    drawnBackGround = index;
    backGround->Select(index);
    if (backGround->Loaded)
        DrawBackGroundLayer();
    else
        DrawWallPaperLayer();
    DrawCharacter(drawnCharacter);
}

void TScreen::DrawCharacter(int index) {
    if (!(character->Loaded && index == drawnCharacter)) {
        shownElements.clear();
        drawnCharacter = index;
        character->Select(index);
        // The last character may have reached past the background over the wallpaper, so the
        // whole base is drawn anew: the picture equals a fresh composition of its layers.
        DrawBase();
        // One element per distinct rectangle: the lowest-numbered one (none when not loaded).
        shownElements = character->DefaultElems();
    }
    DrawShownElements();
    Repaint();
}

void TScreen::DrawCharacter(int index, int element) {
    DrawCharacter(index);
    const auto same = std::find_if(shownElements.begin(), shownElements.end(), [&](int32_t s) {
        return character->SameElemRect(s, element);
    });
    if (same != shownElements.end()) shownElements.erase(same);
    shownElements.push_back(element);
    // The replaced element is not erased: it shows through the new one's transparent pixels
    // until the base is next redrawn.
    DrawElementOffscreen(element);
    const int left = originLeft + character->getElemLeft(element);
    const int top = originTop + character->getElemTop(element);
    Update(left, top, left + character->getElemWidth(element), top + character->getElemHeight(element));
}

void TScreen::DrawElement(int element) {
    DrawCharacter(drawnCharacter, element);
    Flush();
}

// ---- Copying to the window -----------------------------------------------------------------

void TScreen::Update(int left, int top, int right, int bottom) {
    if (IsEmpty(dirtyRect)) {
        dirtyRect = {left, top, right, bottom};
        return;
    }
    dirtyRect.left = std::min(dirtyRect.left, left);
    dirtyRect.top = std::min(dirtyRect.top, top);
    dirtyRect.right = std::max(dirtyRect.right, right);
    dirtyRect.bottom = std::max(dirtyRect.bottom, bottom);
}

void TScreen::Flush() {
    if (IsEmpty(dirtyRect)) return;
    const int64_t w = offscreen->Width(), h = offscreen->Height();
    const TRect& d = destRect;
    auto mapX = [&](int64_t x) { return static_cast<int32_t>(((w - x) * d.left + x * d.right) / w); };
    auto mapY = [&](int64_t y) { return static_cast<int32_t>(((h - y) * d.top + y * d.bottom) / h); };
    if (target) {
        // Elements may reach past the picture; only what lies inside it can be copied.
        const TRect src{std::clamp<int32_t>(dirtyRect.left, 0, static_cast<int32_t>(w)),
                        std::clamp<int32_t>(dirtyRect.top, 0, static_cast<int32_t>(h)),
                        std::clamp<int32_t>(dirtyRect.right, 0, static_cast<int32_t>(w)),
                        std::clamp<int32_t>(dirtyRect.bottom, 0, static_cast<int32_t>(h))};
        if (src.left < src.right && src.top < src.bottom)
            target->CopyRect({mapX(src.left), mapY(src.top), mapX(src.right), mapY(src.bottom)},
                             *offscreen, src);
    }
    dirtyRect = {};
}

void TScreen::Repaint() {
    if (!target) return;
    target->StretchDraw(destRect, *offscreen);
    dirtyRect = {};
}

// ---- Queries -------------------------------------------------------------------------------

void TScreen::putwpfn(const std::string& fileName) {
    wallPaper->SetFileName(fileName);
    drawnWallPaper = -1;
}
void TScreen::putbgfn(const std::string& fileName) {
    backGround->SetFileName(fileName);
    drawnBackGround = -1;
}
void TScreen::putchfn(const std::string& fileName) {
    character->SetFileName(fileName);
    drawnCharacter = -1;
}

const std::string& TScreen::getwpfn() const { return wallPaper->FileName; }
const std::string& TScreen::getbgfn() const { return backGround->FileName; }
const std::string& TScreen::getchfn() const { return character->FileName; }
bool TScreen::getwploaded() const { return wallPaper->Loaded; }
bool TScreen::getbgloaded() const { return backGround->Loaded; }
bool TScreen::getchloaded() const { return character->Loaded; }
int TScreen::getwpcnt() { return wallPaper->GetCount(); }
int TScreen::getbgcnt() { return backGround->GetCount(); }
int TScreen::getchcnt() { return character->GetCount(); }
int TScreen::getwp() const { return wallPaper->GetIndex(); }
int TScreen::getbg() const { return backGround->GetIndex(); }
int TScreen::getch() const { return character->GetIndex(); }
const char* TScreen::wpmnes(int index) { return wallPaper->GetName(index); }
const char* TScreen::bgmnes(int index) { return backGround->GetName(index); }
const char* TScreen::chmnes(int index) { return character->GetName(index); }

const TLoadError& TScreen::getwperr() const { return wallPaper->LoadError; }
const TLoadError& TScreen::getbgerr() const { return backGround->LoadError; }
const TLoadError& TScreen::getcherr() const { return character->LoadError; }

int TScreen::getelcnt() const { return character->Elems; }

TScreen::TElemBounds TScreen::getElemBounds(int element) const {
    return {character->getElemLeft(element), character->getElemTop(element),
            character->getElemHeight(element), character->getElemWidth(element)};
}

bool TScreen::SameElementRect(int a, int b) const { return character->SameElemRect(a, b); }

} // namespace VLM
