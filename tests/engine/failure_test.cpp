// Every way a load can fail leaves its reason with the picture object, and a later success
// clears it.
#include "testsupport.h"
#include "vlmbackground.h"
#include "vlmcharacter.h"
#include "vlmnames.h"
#include "vlmwallpaper.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

constexpr int Bg0 = 290; // background table offset 0
constexpr int Ch0 = 144; // character table offset 0

VLMW::TBytes BackGround(uint32_t width, uint32_t height) {
    VLMW::TBackGroundRecord r;
    r.picture = VLMW::PatternPicture(16, 16, 1);
    r.headerWidth = width;
    r.headerHeight = height;
    return VLMW::BackGroundArchive({r});
}

VLMW::TBytes Character(int count) {
    VLMW::TCharRecord r = VLMW::PatternRecord(16, 16, 0, 0, 1, 2);
    r.count = static_cast<uint16_t>(count);
    return VLMW::CharacterArchive({{0, 0, false, r}});
}

} // namespace

TEST(LoadFailures, EachCarriesItsReason) {
    VLMT::TTempDir dir;
    for (const char* sub : {"dir", "dir/NBGFILE1.ALL", "b1", "b2", "c1", "c2"})
        ::mkdir(dir.File(sub).c_str(), 0700);
    VLMW::TBytes noise;
    for (int i = 0; i < 4096; ++i)
        noise.PutU8(i, static_cast<uint8_t>(i * 37 + 11));
    const VLMW::TBytes wallPaper = VLMW::WallPaperArchive({{0, VLMW::PatternPicture(320, 224, 3)}});

    const struct {
        const char* name;
        char kind; // w, b, c
        std::string path;
        int index;
        std::string text;
    } cases[] = {
        {"missing", 'b', dir.File("none/NBGFILE1.ALL"), Bg0,
         "cannot open (No such file or directory)"},
        {"a directory", 'b', dir.File("dir/NBGFILE1.ALL"), Bg0, "not a regular file"},
        {"empty", 'c', dir.Write("NCDAT.ALL", {}), Ch0,
         "no picture record found - not an archive of this kind"},
        {"noise", 'w', dir.Write("WPALL1.ALL", noise), 0, "record cut short at byte 4096"},
        {"cut in its cells", 'w', dir.Write("EYECATCH.ALL", wallPaper, 30000), 0,
         "record cut short at byte 30000"},
        {"width not of cells", 'b', dir.Write("b1/NBGFILE1.ALL", BackGround(12, 16)), Bg0,
         "header field out of range"},
        {"too wide", 'b', dir.Write("b2/NBGFILE1.ALL", BackGround(65536, 16)), Bg0,
         "too large (limit " + std::to_string(VLM::TBitmap::MaxSide) + ")"},
        {"no elements", 'c', dir.Write("c1/NCDAT.ALL", Character(0)), Ch0,
         "header field out of range"},
        {"past the names", 'c', dir.Write("c2/NCDAT.ALL", Character(2)), 152,
         "no picture 152 in this archive"},
        {"another name", 'c', dir.Write("NCDAT.BAK", Character(2)), Ch0,
         "not an archive name of this kind"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<VLM::TBitmap> picture;
        if (c.kind == 'w') picture = std::make_unique<VLM::TWallPaperBitmap>();
        if (c.kind == 'b') picture = std::make_unique<VLM::TBackGroundBitmap>();
        if (c.kind == 'c') picture = std::make_unique<VLM::TCharacterBitmap>();
        picture->SetFileName(c.path);
        EXPECT_FALSE(picture->Select(c.index));
        EXPECT_EQ(picture->LoadError.Text(), c.text);
    }
}

TEST(LoadFailures, ASuccessClearsTheReason) {
    VLMT::TTempDir dir;
    VLM::TCharacterBitmap ch;
    ch.SetFileName(dir.File("NCDAT.ALL"));
    EXPECT_FALSE(ch.Select(Ch0));
    dir.Write("NCDAT.ALL", Character(2));
    EXPECT_TRUE(ch.Select(Ch0));
    EXPECT_FALSE(ch.LoadError.Failed());
}
