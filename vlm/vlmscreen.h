// The compositor: owns the three layers and the 320 x 224 off-screen picture, draws the layers
// in a fixed order at fixed places, and copies the result to the main window's surface.
#pragma once

#include "vlmbackground.h"
#include "vlmcharacter.h"
#include "vlmplatform.h"
#include "vlmwallpaper.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace VLM {

// A shown character element that does not fit the composed picture. Still a row failure, as
// the picture raised it, but one that names the character and the element.
class EElementOutside : public ERowRange {
public:
    EElementOutside(int picture, int element, const std::string& row);
    const char* what() const noexcept override { return text.c_str(); }
    const int picture, element;

private:
    std::string text;
};

// What shows at one pixel of the composed picture, and which layer put it there.
struct TPixelSource {
    enum TLayer : uint8_t { Nothing, WallPaper, BackGround, Element } layer = Nothing;
    int32_t element = -1;   // Element only
    int paletteIndex = -1;  // in the layer's palette; -1 for Nothing
    uint16_t colour = 0;    // the 15-bit pixel shown
};

class TScreen {
public:
    struct TElemBounds {
        int32_t left, top, height, width; // in this order
    };

    static const TRect DefaultRect; // (0, 0, 320, 224)

    TScreen();
    virtual ~TScreen();
    TScreen(const TScreen&) = delete;
    TScreen& operator=(const TScreen&) = delete;

    void DrawWallPaper(int index);
    void DrawBackGround(int index);
    void DrawCharacter(int index);
    void DrawCharacter(int index, int element);
    void DrawElement(int element);
    void Update(int left, int top, int right, int bottom);
    void Flush();
    void Repaint();

    void putwpfn(const std::string& fileName);
    void putbgfn(const std::string& fileName);
    void putchfn(const std::string& fileName);
    const std::string& getwpfn() const;
    const std::string& getbgfn() const;
    const std::string& getchfn() const;
    bool getwploaded() const;
    bool getbgloaded() const;
    bool getchloaded() const;
    int getwpcnt();
    int getbgcnt();
    int getchcnt();
    int getwp() const;
    int getbg() const;
    int getch() const;
    const char* wpmnes(int index);
    const char* bgmnes(int index);
    const char* chmnes(int index);
    // Why the layer's last load failed (None after a success).
    const TLoadError& getwperr() const;
    const TLoadError& getbgerr() const;
    const TLoadError& getcherr() const;

    int getelcnt() const;
    TElemBounds getElemBounds(int element) const;
    bool SameElementRect(int a, int b) const;

    // Read access for tests and tools; the compositor alone changes these.
    const TPicture& GetOffscreen() const { return *offscreen; }
    TRect GetDirtyRect() const { return dirtyRect; }
    // Which layer (and element) drew pixel (x, y) of the off-screen picture; Nothing outside it.
    TPixelSource PixelSource(int x, int y) const;
    int GetDrawnWallPaper() const { return drawnWallPaper; }
    int GetDrawnBackGround() const { return drawnBackGround; }
    int GetDrawnCharacter() const { return drawnCharacter; }

    TCanvas* target = nullptr; // the main window's surface, not owned
    TRect destRect = DefaultRect;
    std::vector<int32_t> shownElements; // drawn character elements, in drawing order

private:
    void DrawWallPaperLayer();
    void DrawBackGroundLayer();
    void DrawBase();
    void DrawShownElements();
    // Draws one element into the off-screen picture and notes it for PixelSource; copies
    // nothing to the window. A row outside the picture fails as EElementOutside.
    void DrawElementOffscreen(int32_t element);
    void NoteDrawn(int32_t what);

    std::unique_ptr<TPicture> offscreen;
    std::unique_ptr<TWallPaperBitmap> wallPaper;
    std::unique_ptr<TBackGroundBitmap> backGround;
    std::unique_ptr<TCharacterBitmap> character;
    int32_t originTop = 8;
    int32_t originLeft = 16;
    int32_t drawnWallPaper = -1;
    int32_t drawnBackGround = -1;
    int32_t drawnCharacter = -1;
    TRect dirtyRect{};
    // What lies over the wallpaper, oldest first, since it was last drawn whole: elements by
    // number and the background as BackGroundDrawn. Answers PixelSource without costing the
    // drawing anything per pixel.
    static constexpr int32_t BackGroundDrawn = -1;
    std::vector<int32_t> drawn;
    bool wallPaperShown = false;
    TRect backGroundShown{}; // the part of the background's place its pixels cover
};

} // namespace VLM
