// Thumbnails: which layer an archive name belongs to, the block average, backgrounds reduced
// whole, characters on a transparent ground, and the reason when a picture cannot be read.
#include "testsupport.h"
#include "vlmthumbnail.h"

#include <gtest/gtest.h>

#include <vector>

using VLM::TLayerKind;
using VLM::TThumbnail;

namespace {

constexpr uint16_t T = TThumbnail::Transparent;
constexpr uint16_t Red = 0x7C00, Green = 0x03E0, Blue = 0x001F;

VLMW::TIndexed Filled(int w, int h, uint8_t index) {
    VLMW::TIndexed p(w, h);
    std::fill(p.pixels.begin(), p.pixels.end(), index);
    return p;
}

} // namespace

TEST(Thumbnail, ArchiveNamesGoToTheLayerThatReadsThem) {
    const struct {
        const char* name;
        std::optional<TLayerKind> kind;
    } cases[] = {
        {"/data/eyecatch.all", TLayerKind::WallPaper},
        {"c:\\games\\WPALL3.ALL", TLayerKind::WallPaper},
        {"/x/Nbgfile1.All", TLayerKind::BackGround},
        {"ncdat.all", TLayerKind::Character},
        {"NCDAT.ALL.BAK", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VLM::LayerKindOf(c.name), c.kind) << c.name;
}

TEST(Thumbnail, BlocksAreAveragedChannelByChannel) {
    constexpr uint16_t R = Red, G = Green, B = Blue, W = 0x7FFF;
    const struct {
        const char* name;
        int w, divisor; // of the picture in, whose height follows from its pixels
        std::vector<uint16_t> in;
        int ow;
        std::vector<uint16_t> out;
    } cases[] = {
        // Red and green each 15.5, rounded up; blue 3.
        {"channels apart", 2, 2, {R | 2, G | 4}, 1, {0x4203}},
        {"half covered keeps its colour", 2, 2, {T, G, T, G}, 1, {G}},
        {"less than half is transparent", 2, 2, {T, T, T, R}, 1, {T}},
        {"edge blocks cut short", 3, 2, {R, R, B, R, R, B, G, G, T}, 2, {R, B, G, T}},
        // A one-pixel line across a 4 x 4 block: a quarter of its colour.
        {"thin line fades", 4, 4, {0, 0, 0, 0, 0, 0, 0, 0, W, W, W, W, 0, 0, 0, 0}, 1, {0x2108}},
        {"empty picture", 0, 4, {}, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int h = c.w ? int(c.in.size()) / c.w : 0;
        VLM::TPicture in(c.w, h);
        for (int y = 0; y < h; ++y)
            std::copy_n(&c.in[size_t(y * c.w)], c.w, in.ScanLine(y));
        const VLM::TPicture out = VLM::Reduce(in, c.divisor);
        EXPECT_EQ(out.Width(), c.ow);
        std::vector<uint16_t> got;
        for (int y = 0; y < out.Height(); ++y)
            got.insert(got.end(), out.ScanLine(y), out.ScanLine(y) + out.Width());
        EXPECT_EQ(got, c.out);
    }
}

TEST(Thumbnail, BackGroundsShrinkToAQuarterOfTheirStoredSize) {
    VLMT::TTempDir dir;
    // 576 x 144, wider than the part the compositor shows: the whole picture is reduced.
    VLMW::TBackGroundRecord r;
    r.picture = Filled(576, 144, 1);
    r.picture.palette[1] = 0x0015;
    r.picture.palette[2] = 0x7C00;
    for (int y = 0; y < 4; ++y)
        std::fill_n(&r.picture.At(572, y), 4, uint8_t{2}); // the top-right block in another colour
    VLM::TThumbnailMaker maker(TLayerKind::BackGround,
                               dir.Write("NBGFILE1.ALL", VLMW::BackGroundArchive({r})));
    const TThumbnail t = maker.Make(290); // table offset 0
    ASSERT_FALSE(t.Failed()) << t.error.Text();
    EXPECT_EQ(t.picture.Width(), 144);
    EXPECT_EQ(t.picture.Height(), 36);
    EXPECT_EQ(t.picture.ScanLine(0)[0], VLMT::Screen(r.picture, 1));
    EXPECT_EQ(t.picture.ScanLine(0)[143], VLMT::Screen(r.picture, 2));
    EXPECT_EQ(t.picture.ScanLine(1)[143], VLMT::Screen(r.picture, 1));
}

TEST(Thumbnail, UnreadablePicturesSayWhy) {
    VLMT::TTempDir dir;
    VLMW::TBackGroundRecord bg;
    bg.picture = VLMW::PatternPicture(16, 16, 1);
    const std::string backGrounds = dir.Write("NBGFILE1.ALL", VLMW::BackGroundArchive({bg}));
    const VLMW::TBytes wallPaper = VLMW::WallPaperArchive({{0, VLMW::PatternPicture(320, 224, 3)}});
    const struct {
        const char* name;
        TLayerKind kind;
        std::string path;
        int index;
        VLM::TFailure failure;
    } cases[] = {
        {"no record at its offset", TLayerKind::BackGround, backGrounds, 0,
         VLM::TFailure::NoRecord},
        {"past the count", TLayerKind::BackGround, backGrounds, 500, VLM::TFailure::NoSuchPicture},
        {"negative", TLayerKind::WallPaper, dir.Write("WPALL2.ALL", wallPaper), -1,
         VLM::TFailure::NoSuchPicture},
        {"cut short", TLayerKind::WallPaper, dir.Write("WPALL1.ALL", wallPaper, 30000), 0,
         VLM::TFailure::CutShort},
        {"another archive's name", TLayerKind::Character, backGrounds, 0,
         VLM::TFailure::UnknownArchive},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TThumbnail t = VLM::TThumbnailMaker(c.kind, c.path).Make(c.index);
        EXPECT_EQ(t.error.kind, c.failure) << t.error.Text();
        EXPECT_EQ(t.picture.Width() * t.picture.Height(), 0);
    }
}

TEST(Thumbnail, CharactersShowTheirDefaultElementsOverATransparentGround) {
    VLMT::TTempDir dir;
    // Element 0: 15 x 7 at (10, 20), its left 8 columns index 0 (transparent), the rest index 1.
    VLMW::TIndexed base = Filled(15, 7, 1);
    for (int y = 0; y < 7; ++y)
        std::fill_n(&base.At(0, y), 8, uint8_t{0});
    VLMW::TCharPlacement p;
    VLMW::TCharRecord& r = p.record;
    r.palette[1] = VLMW::ScreenToArchive(Blue);
    r.palette[2] = VLMW::ScreenToArchive(Green);
    r.palette[3] = VLMW::ScreenToArchive(Red);
    r.elements = {VLMW::CharElement(base, 10, 20),
                  VLMW::CharElement(Filled(2, 2, 2), 10, 20),  // 1: shown
                  VLMW::CharElement(Filled(2, 2, 3), 10, 20),  // 2: its alternative
                  VLMW::CharElement(Filled(2, 4, 3), 12, 25)}; // 3: two rows below element 0
    VLM::TThumbnailMaker maker(TLayerKind::Character,
                               dir.Write("NCDAT.ALL", VLMW::CharacterArchive({p})));

    const TThumbnail t = maker.Make(144); // table offset 0
    ASSERT_FALSE(t.Failed()) << t.error.Text();
    ASSERT_EQ(t.picture.Width(), 8);
    ASSERT_EQ(t.picture.Height(), 4);
    const auto at = [&](int x, int y) { return t.picture.ScanLine(y)[x]; };
    EXPECT_EQ(at(0, 0), Green);
    EXPECT_EQ(at(1, 1), T);
    EXPECT_EQ(at(4, 1), Blue);
    EXPECT_EQ(at(7, 3), Blue); // a one-pixel edge block
    // Element 3's rows 25 and 26 (rows 5 and 6 of element 0) are drawn, then row 7 stops it.
    EXPECT_EQ(at(1, 2), Red);
    EXPECT_EQ(at(1, 3), Red);
    EXPECT_EQ(t.outsideElement, 3);
}
