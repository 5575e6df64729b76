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

void TScreen::DrawWallPaperLayer() { wallPaper->Draw(*offscreen, 0, 0); }

void TScreen::DrawBackGroundLayer() {
    // A picture smaller than the shown area leaves black around it, never older pixels.
    if (backGround->Width < BackGroundWidth || backGround->Height < BackGroundHeight)
        offscreen->FillBlack({originLeft, originTop, originLeft + BackGroundWidth,
                              originTop + BackGroundHeight});
    backGround->Draw(*offscreen, originLeft, originTop, 0, 0, BackGroundWidth, BackGroundHeight);
}

void TScreen::DrawElem(int32_t element) {
    try {
        character->DrawElem(element, *offscreen, originLeft, originTop);
    } catch (const ERowRange& e) {
        // The rows above stay drawn; the failure goes on to the caller, now saying what failed.
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
    DrawWallPaperLayer();
    if (backGround->Loaded) DrawBackGroundLayer();
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
        DrawWallPaperLayer();
        if (backGround->Loaded) DrawBackGroundLayer();
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
