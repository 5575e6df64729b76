// The compositor: layer order and places, the default element selection, element swaps and
// what is copied to the window when.
#include "testsupport.h"
#include "vlmnames.h"
#include "vlmscreen.h"

#include <gtest/gtest.h>

using VLM::TScreen;
using VLMT::TCanvasCall;

namespace {

// Pictures with small table offsets keep the written archives small.
constexpr int Bg0 = 290; // background table offset 0
constexpr int Bg1 = 291; // 21 x 2048
constexpr int Ch0 = 144; // character table offset 0
constexpr int Ch1 = 126; // 8 x 2048

struct TArchives {
    VLMT::TTempDir dir;
    std::vector<VLMW::TIndexed> wallPapers;
    VLMW::TBackGroundRecord bg0, bg1;
    VLMW::TCharRecord ch0, ch1;
    std::string wp, bg, ch;

    TArchives() {
        std::vector<VLMW::TWallPaperEntry> entries;
        for (int i = 0; i < 4; ++i) {
            VLMW::TWallPaperEntry e;
            e.index = i;
            e.picture = VLMW::PatternPicture(320, 224, 10 + i);
            wallPapers.push_back(e.picture);
            entries.push_back(e);
        }
        wp = dir.Write("EYECATCH.ALL", VLMW::WallPaperArchive(entries));
        bg0.searchFrom = VLM::BackGroundNames[Bg0].offset;
        bg0.picture = VLMW::PatternPicture(288, 144, 20);
        bg1.searchFrom = VLM::BackGroundNames[Bg1].offset;
        bg1.picture = VLMW::PatternPicture(296, 152, 21);
        bg = dir.Write("NBGFILE1.ALL", VLMW::BackGroundArchive({bg0, bg1}));
        // Character 0: a base at (10, 20), two alternatives for one spot, one single element.
        ch0 = VLMW::PatternRecord(64, 80, 10, 20, 0, 30);
        VLMW::AddAlternatives(ch0, 30, 40, 16, 8, 2, 31); // elements 1, 2
        VLMW::AddAlternatives(ch0, 12, 24, 8, 8, 1, 32);  // element 3
        ch0.elements[1].pixels[0] = 0; // one transparent pixel in element 1
        ch1 = VLMW::PatternRecord(32, 32, 0, 0, 0, 40);
        VLMW::AddAlternatives(ch1, 4, 4, 8, 8, 3, 41);
        ch = dir.Write("NCDAT.ALL",
                       VLMW::CharacterArchive({{VLM::CharacterNames[Ch0].offset, 0, false, ch0},
                                               {VLM::CharacterNames[Ch1].offset, 0, false, ch1}}));
    }
};

uint16_t Colour(const std::array<uint16_t, 256>& palette, int index) {
    const uint16_t c = palette[static_cast<size_t>(index)];
    return VLM::ArchiveToScreenColor(static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c));
}

uint16_t Pixel(const TScreen& s, int x, int y) { return s.GetOffscreen().ScanLine(y)[x]; }

// The colour element e of a record shows at its pixel (c, r).
uint16_t ElemColour(const VLMW::TCharRecord& rec, int e, int c, int r) {
    const auto& el = rec.elements[static_cast<size_t>(e)];
    return Colour(rec.palette, el.pixels[static_cast<size_t>(r) * el.width + c]);
}

class ScreenTest : public ::testing::Test {
protected:
    TArchives a;
    TScreen s;
    VLMT::TRecordingCanvas canvas;
    void SetUp() override { s.target = &canvas; }
    void OpenAll() { Open(s); }
    void Open(TScreen& t) const {
        t.putwpfn(a.wp);
        t.DrawWallPaper(0);
        t.putbgfn(a.bg);
        t.DrawBackGround(Bg0);
        t.putchfn(a.ch);
        t.DrawCharacter(Ch0);
    }
};

} // namespace

TEST(ScreenFresh, NothingOpenShowsBlackAndAnswersEmpty) {
    TScreen s;
    EXPECT_EQ(s.getwpcnt() + s.getbgcnt() + s.getchcnt(), 0);
    EXPECT_EQ(s.getwp(), -1);
    EXPECT_EQ(s.getbg(), -1);
    EXPECT_EQ(s.getch(), -1);
    EXPECT_EQ(s.getwpfn(), "");
    EXPECT_EQ(s.getelcnt(), 0);
    EXPECT_FALSE(s.getchloaded());
    EXPECT_EQ(s.destRect.right, 320);
    VLMT::TRecordingCanvas canvas;
    s.Repaint(); // no target: nothing happens
    s.target = &canvas;
    s.Repaint();
    ASSERT_EQ(canvas.calls.size(), 1u);
    const auto& call = canvas.calls[0];
    EXPECT_EQ(call.kind, TCanvasCall::StretchDraw);
    EXPECT_EQ(call.dst.right, 320);
    EXPECT_EQ(call.dst.bottom, 224);
    EXPECT_EQ(call.picture.Width(), 320);
    EXPECT_EQ(call.picture.ScanLine(223)[319], 0);
}

TEST_F(ScreenTest, LayersStackInOrderAtTheirPlaces) {
    OpenAll();
    EXPECT_EQ(s.getwp(), 0);
    EXPECT_EQ(s.getbg(), Bg0);
    EXPECT_EQ(s.getch(), Ch0);
    EXPECT_EQ(s.getwpcnt(), 22);
    EXPECT_EQ(s.getbgcnt(), 500);
    EXPECT_EQ(s.getchcnt(), 152);
    EXPECT_STREQ(s.chmnes(Ch0), VLM::CharacterNames[Ch0].name);
    const auto& wp = a.wallPapers[0];
    const auto& bg = a.bg0.picture;
    EXPECT_EQ(Pixel(s, 0, 0), Colour(wp.palette, wp.At(0, 0)));
    EXPECT_EQ(Pixel(s, 15, 100), Colour(wp.palette, wp.At(15, 100)));
    EXPECT_EQ(Pixel(s, 16, 8), Colour(bg.palette, bg.At(0, 0)));
    EXPECT_EQ(Pixel(s, 303, 151), Colour(bg.palette, bg.At(287, 143)));
    EXPECT_EQ(Pixel(s, 304, 152), Colour(wp.palette, wp.At(304, 152)));
    // Base at (10, 20) from the origin (16, 8); element 1 over it at (30, 40), its first pixel
    // transparent so the base shows through.
    EXPECT_EQ(Pixel(s, 26, 28), ElemColour(a.ch0, 0, 0, 0));
    EXPECT_EQ(Pixel(s, 47, 48), ElemColour(a.ch0, 1, 1, 0));
    EXPECT_EQ(Pixel(s, 46, 48), ElemColour(a.ch0, 0, 20, 20));
    EXPECT_EQ(Pixel(s, 28, 32), ElemColour(a.ch0, 3, 0, 0));
    EXPECT_EQ(s.shownElements, (std::vector<int32_t>{0, 1, 3}));
    // Every draw ended in one whole copy.
    ASSERT_FALSE(canvas.calls.empty());
    EXPECT_EQ(canvas.calls.back().kind, TCanvasCall::StretchDraw);
    EXPECT_EQ(canvas.calls.back().picture.ScanLine(28)[26], Pixel(s, 26, 28));
}

TEST_F(ScreenTest, RepeatedDrawOfTheShownPictureCostsNothing) {
    s.putwpfn(a.wp);
    s.DrawWallPaper(3);
    const size_t copies = canvas.calls.size();
    s.DrawWallPaper(3);
    EXPECT_EQ(canvas.calls.size(), copies);
    // A new file name, even the same one, forces a fresh read and draw.
    s.putbgfn(a.bg);
    s.DrawBackGround(Bg1);
    const size_t afterBg = canvas.calls.size();
    s.DrawBackGround(Bg1);
    EXPECT_EQ(canvas.calls.size(), afterBg);
    // Replace the archive under the same name: the reload must show the new picture.
    VLMW::TBackGroundRecord other = a.bg1;
    other.picture = VLMW::PatternPicture(296, 152, 99);
    a.dir.Write("NBGFILE1.ALL", VLMW::BackGroundArchive({a.bg0, other}));
    s.putbgfn(a.bg);
    s.DrawBackGround(Bg1);
    EXPECT_GT(canvas.calls.size(), afterBg);
    EXPECT_EQ(Pixel(s, 16, 8), Colour(other.picture.palette, other.picture.At(0, 0)));
}

TEST_F(ScreenTest, FailedBackgroundLeavesTheWholeWallpaperAsBase) {
    OpenAll();
    s.putbgfn(a.dir.File("missing/NBGFILE1.ALL"));
    s.DrawBackGround(Bg0);
    EXPECT_FALSE(s.getbgloaded());
    EXPECT_EQ(s.getbg(), -1);
    const auto& wp = a.wallPapers[0];
    EXPECT_EQ(Pixel(s, 16, 8), Colour(wp.palette, wp.At(16, 8)));
    EXPECT_EQ(Pixel(s, 26, 28), ElemColour(a.ch0, 0, 0, 0)); // the character stays on top
    // No wallpaper either: black under the character.
    s.putwpfn(a.dir.File("missing/EYECATCH.ALL"));
    s.DrawWallPaper(0);
    EXPECT_EQ(Pixel(s, 0, 0), 0);
    EXPECT_EQ(Pixel(s, 26, 28), ElemColour(a.ch0, 0, 0, 0));
}

TEST_F(ScreenTest, ElementChoicesSurviveSceneryAndResetWithANewCharacter) {
    OpenAll();
    s.DrawElement(2);
    EXPECT_EQ(s.shownElements, (std::vector<int32_t>{0, 3, 2}));
    s.DrawBackGround(Bg1);
    s.DrawWallPaper(1);
    EXPECT_EQ(s.shownElements, (std::vector<int32_t>{0, 3, 2}));
    EXPECT_EQ(Pixel(s, 46, 48), ElemColour(a.ch0, 2, 0, 0));
    s.DrawCharacter(Ch1);
    EXPECT_EQ(s.shownElements, (std::vector<int32_t>{0, 1}));
    s.DrawCharacter(Ch0);
    EXPECT_EQ(s.shownElements, (std::vector<int32_t>{0, 1, 3}));
}

TEST_F(ScreenTest, SwappingAnElementCopiesOnlyItsRectangle) {
    OpenAll();
    s.destRect = {0, 0, 640, 448};
    canvas.calls.clear();
    s.DrawElement(2);
    // The full redraw of the character, then the element's rectangle alone, scaled.
    ASSERT_EQ(canvas.calls.size(), 2u);
    EXPECT_EQ(canvas.calls[0].kind, TCanvasCall::StretchDraw);
    const auto& copy = canvas.calls[1];
    EXPECT_EQ(copy.kind, TCanvasCall::CopyRect);
    EXPECT_EQ(copy.src.left, 46);
    EXPECT_EQ(copy.src.top, 48);
    EXPECT_EQ(copy.src.right, 62);
    EXPECT_EQ(copy.src.bottom, 56);
    EXPECT_EQ(copy.dst.left, 92);
    EXPECT_EQ(copy.dst.bottom, 112);
    EXPECT_EQ(s.GetDirtyRect().right, 0);
}

TEST_F(ScreenTest, DefaultSelectionKeepsTheLowestElementOfEachRectangle) {
    // Elements 0 and 3 share a rectangle, 1 and 2 share another.
    VLMW::TCharRecord rec = VLMW::PatternRecord(16, 16, 0, 0, 0, 50);
    VLMW::AddAlternatives(rec, 20, 0, 8, 8, 2, 51);
    rec.elements.push_back(VLMW::PatternElement(16, 16, 0, 0, 52));
    s.putchfn(a.dir.Write("NCDAT.ALL",
                          VLMW::CharacterArchive({{VLM::CharacterNames[Ch0].offset, 0, false, rec}})));
    s.DrawCharacter(Ch0);
    EXPECT_EQ(s.shownElements, (std::vector<int32_t>{0, 1}));
    EXPECT_TRUE(s.SameElementRect(0, 3));
    EXPECT_FALSE(s.SameElementRect(0, 1));
    s.DrawElement(3);
    EXPECT_EQ(s.shownElements, (std::vector<int32_t>{1, 3}));
}

TEST_F(ScreenTest, ElementBoundsAreLeftTopHeightWidth) {
    OpenAll();
    const auto b = s.getElemBounds(1);
    EXPECT_EQ(b.left, 30);
    EXPECT_EQ(b.top, 40);
    EXPECT_EQ(b.height, 8);
    EXPECT_EQ(b.width, 16);
    for (int e : {-1, s.getelcnt()}) {
        const auto none = s.getElemBounds(e);
        EXPECT_EQ(none.left, -1);
        EXPECT_EQ(none.top, -1);
        EXPECT_EQ(none.height, -1);
        EXPECT_EQ(none.width, -1);
    }
}

TEST_F(ScreenTest, DirtyRectanglesGrowAndMapIntoTheDestination) {
    s.Update(10, 10, 20, 20);
    s.Update(5, 30, 15, 40);
    EXPECT_EQ(s.GetDirtyRect().left, 5);
    EXPECT_EQ(s.GetDirtyRect().top, 10);
    EXPECT_EQ(s.GetDirtyRect().right, 20);
    EXPECT_EQ(s.GetDirtyRect().bottom, 40);
    s.destRect = {0, 0, 640, 448};
    s.Flush();
    ASSERT_EQ(canvas.calls.size(), 1u);
    EXPECT_EQ(canvas.calls[0].dst.left, 10);
    EXPECT_EQ(canvas.calls[0].dst.top, 20);
    EXPECT_EQ(canvas.calls[0].dst.right, 40);
    EXPECT_EQ(canvas.calls[0].dst.bottom, 80);
    EXPECT_EQ(s.GetDirtyRect().bottom, 0);
    s.Flush(); // empty: nothing copied
    EXPECT_EQ(canvas.calls.size(), 1u);
    // An odd window size truncates toward zero.
    s.destRect = {0, 0, 401, 300};
    s.Update(1, 1, 3, 3);
    s.Flush();
    EXPECT_EQ(canvas.calls[1].dst.left, 1);
    EXPECT_EQ(canvas.calls[1].dst.right, 3);
    EXPECT_EQ(canvas.calls[1].dst.bottom, 4);
}

TEST_F(ScreenTest, SmallBackgroundShowsBlackAroundItNotOlderPixels) {
    VLMW::TBackGroundRecord small;
    small.searchFrom = VLM::BackGroundNames[Bg1].offset;
    small.picture = VLMW::PatternPicture(64, 32, 60);
    s.putwpfn(a.wp);
    s.DrawWallPaper(0);
    s.putbgfn(a.dir.Write("NBGFILE1.ALL", VLMW::BackGroundArchive({a.bg0, small})));
    s.DrawBackGround(Bg0);
    s.DrawBackGround(Bg1);
    EXPECT_EQ(Pixel(s, 16 + 63, 8 + 31), Colour(small.picture.palette, small.picture.At(63, 31)));
    EXPECT_EQ(Pixel(s, 16 + 64, 8), 0);
    EXPECT_EQ(Pixel(s, 303, 151), 0);
    // The black there is nobody's; the wallpaper still shows outside the background's place.
    EXPECT_EQ(s.PixelSource(303, 151).layer, VLM::TPixelSource::Nothing);
    EXPECT_EQ(s.PixelSource(16 + 63, 8 + 31).layer, VLM::TPixelSource::BackGround);
    EXPECT_EQ(s.PixelSource(304, 151).layer, VLM::TPixelSource::WallPaper);
}

TEST_F(ScreenTest, ANewCharacterLeavesNothingOfTheLastOneOutsideTheBackground) {
    // Character 1 moved so that it reaches below the background, over the wallpaper.
    a.ch1.elements[0].left = 0;
    a.ch1.elements[0].top = 150;
    a.ch = a.dir.Write("NCDAT.ALL",
                       VLMW::CharacterArchive({{VLM::CharacterNames[Ch0].offset, 0, false, a.ch0},
                                               {VLM::CharacterNames[Ch1].offset, 0, false, a.ch1}}));
    OpenAll();
    s.DrawCharacter(Ch1);
    const auto& wp = a.wallPapers[0];
    ASSERT_NE(Pixel(s, 20, 165), Colour(wp.palette, wp.At(20, 165))); // character 1 shows there
    s.DrawCharacter(Ch0);
    // The same layers composed afresh give the same picture, and the window gets all of it.
    TScreen fresh;
    Open(fresh);
    for (int y = 0; y < 224; ++y)
        for (int x = 0; x < 320; ++x)
            ASSERT_EQ(Pixel(s, x, y), Pixel(fresh, x, y)) << x << "," << y;
    ASSERT_FALSE(canvas.calls.empty());
    EXPECT_EQ(canvas.calls.back().kind, TCanvasCall::StretchDraw);
    EXPECT_EQ(canvas.calls.back().picture.ScanLine(165)[20], Pixel(fresh, 20, 165));
}

TEST_F(ScreenTest, AnElementOutsideThePictureIsNamedAndNoted) {
    a.ch1.elements[1].top = 230; // below the 224 rows of the picture
    s.putchfn(a.dir.Write(
        "NCDAT.ALL", VLMW::CharacterArchive({{VLM::CharacterNames[Ch1].offset, 0, false, a.ch1}})));
    try {
        s.DrawCharacter(Ch1);
        FAIL() << "no failure";
    } catch (const VLM::EElementOutside& e) {
        EXPECT_EQ(e.picture, Ch1);
        EXPECT_EQ(e.element, 1);
        EXPECT_NE(std::string(e.what()).find("element 1"), std::string::npos);
    }
    EXPECT_TRUE(s.getchloaded()); // the record itself read well
    EXPECT_EQ(s.getcherr().kind, VLM::TFailure::ElementOutside);
}

TEST_F(ScreenTest, EveryPixelKnowsWhichLayerDrewIt) {
    OpenAll();
    const auto& wp = a.wallPapers[0];
    const auto& base = a.ch0.elements[0].pixels;
    struct {
        const char* name;
        int x, y;
        VLM::TPixelSource::TLayer layer;
        int element, index;
    } cases[] = {
        {"wallpaper corner", 0, 0, VLM::TPixelSource::WallPaper, -1, wp.At(0, 0)},
        {"background", 16, 8, VLM::TPixelSource::BackGround, -1, a.bg0.picture.At(0, 0)},
        {"base element", 26, 28, VLM::TPixelSource::Element, 0, base[0]},
        {"first alternative", 47, 48, VLM::TPixelSource::Element, 1, a.ch0.elements[1].pixels[1]},
        // Element 1's transparent pixel shows the base under it.
        {"through a hole", 46, 48, VLM::TPixelSource::Element, 0, base[20 * 64 + 20]},
        {"outside the picture", 320, 10, VLM::TPixelSource::Nothing, -1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const VLM::TPixelSource p = s.PixelSource(c.x, c.y);
        EXPECT_EQ(p.layer, c.layer);
        EXPECT_EQ(p.element, c.element);
        EXPECT_EQ(p.paletteIndex, c.index);
        if (c.x < 320) {
            EXPECT_EQ(p.colour, Pixel(s, c.x, c.y));
        }
    }
    // Element 2, drawn over the hole, is opaque; with no wallpaper loaded the ground is nothing.
    s.DrawElement(2);
    EXPECT_EQ(s.PixelSource(46, 48).element, 2);
    s.putwpfn(a.dir.File("missing/EYECATCH.ALL"));
    s.DrawWallPaper(0);
    EXPECT_EQ(s.PixelSource(0, 0).layer, VLM::TPixelSource::Nothing);
}
