#include "vlmscreen.h"

#include <algorithm>
#include <cstring>

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

// Drawing a layer rectangle hides the elements drawn there before.
void TScreen::ForgetElements(const TRect& r) {
    if (elementAt.empty()) return;
    const int left = std::max(r.left, 0), right = std::min(r.right, ScreenWidth);
    for (int y = std::max(r.top, 0); left < right && y < std::min(r.bottom, ScreenHeight); ++y)
        std::memset(&elementAt[static_cast<size_t>(y) * ScreenWidth + left], 0xFF,
                    static_cast<size_t>(right - left) * sizeof(uint16_t));
}

void TScreen::DrawWallPaperLayer() {
    wallPaper->Draw(*offscreen, 0, 0);
    wallPaperShown = wallPaper->Loaded;
    backGroundArea = backGroundShown = {};
    ForgetElements(DefaultRect);
}

void TScreen::DrawBackGroundLayer() {
    const TRect shown{originLeft, originTop, originLeft + BackGroundWidth,
                      originTop + BackGroundHeight};
    // A picture smaller than the shown area leaves black around it, never older pixels.
    if (backGround->Width < BackGroundWidth || backGround->Height < BackGroundHeight)
        offscreen->FillBlack(shown);
    backGround->Draw(*offscreen, originLeft, originTop, 0, 0, BackGroundWidth, BackGroundHeight);
    backGroundArea = shown;
    backGroundShown = {originLeft, originTop,
                       originLeft + std::min(backGround->Width, BackGroundWidth),
                       originTop + std::min(backGround->Height, BackGroundHeight)};
    ForgetElements(shown);
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
    ForgetElements(DefaultRect);
    DrawBackGroundLayer();
}

// Marks the pixels element e has drawn: its opaque ones, in the rows DrawElem reaches before
// a row outside the picture stops it.
void TScreen::NoteElement(int32_t e) {
    if (!character->Loaded || e < 0 || e >= character->Elems) return;
    const TCharacterBitmap::TElem& el = *character->elements[static_cast<size_t>(e)];
    const int64_t x0 = int64_t{originLeft} + el.left, y0 = int64_t{originTop} + el.top;
    if (y0 < 0) return;
    const int64_t rows = std::min<int64_t>(el.height, ScreenHeight - y0);
    const int64_t c0 = std::max<int64_t>(0, -x0), c1 = std::min<int64_t>(el.width, ScreenWidth - x0);
    if (rows <= 0 || c0 >= c1) return;
    if (elementAt.empty()) elementAt.assign(static_cast<size_t>(ScreenWidth) * ScreenHeight, NoElement);
    for (int64_t r = 0; r < rows; ++r) {
        const uint8_t* in = el.pixels.get() + r * el.width;
        uint16_t* out = elementAt.data() + (y0 + r) * ScreenWidth + x0;
        for (int64_t c = c0; c < c1; ++c)
            if (in[c] != 0) out[c] = static_cast<uint16_t>(e);
    }
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
    const uint16_t e = elementAt.empty() ? NoElement : elementAt[size_t(y) * ScreenWidth + x];
    if (e != NoElement && e < character->elements.size()) {
        const TCharacterBitmap::TElem& el = *character->elements[e];
        p.layer = TPixelSource::Element;
        p.element = e;
        p.paletteIndex = el.pixels[static_cast<size_t>(y - originTop - el.top) * el.width +
                                   static_cast<size_t>(x - originLeft - el.left)];
    } else if (Inside(backGroundShown, x, y)) {
        p.layer = TPixelSource::BackGround;
        p.paletteIndex = backGround->Row(y - originTop)[x - originLeft];
    } else if (!Inside(backGroundArea, x, y) && wallPaperShown) {
        p.layer = TPixelSource::WallPaper;
        p.paletteIndex = wallPaper->Row(y)[x];
    }
    return p;
}

void TScreen::DrawElem(int32_t element) {
    try {
        character->DrawElem(element, *offscreen, originLeft, originTop);
        NoteElement(element);
    } catch (const ERowRange& e) {
        // The rows above stay drawn; the failure goes on to the caller, now saying what failed.
        NoteElement(element);
        character->LoadError = {TFailure::ElementOutside, element};
        throw EElementOutside(character->GetIndex(), element, e.what());
    }
}

void TScreen::DrawShownElements() {
    for (int32_t e : shownElements) DrawElem(e);
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
    DrawElem(element);
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
