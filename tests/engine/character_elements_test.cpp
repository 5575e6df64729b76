// Character elements: the queries, DrawElem and ComposeElem, the diagnostic dump, and the
// character's own Draw operations.
#include "testsupport.h"
#include "vlmcharacter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using VLM::TCharacterBitmap;
using VLM::TPicture;

namespace {

constexpr uint16_t Marker = 0x1234;

// Base picture 16 x 16 at (10, 20); element 1 is 4 x 3 at (12, 30) with index 0 at its corner.
VLMW::TCharRecord BaseRecord() {
    VLMW::TCharRecord r = VLMW::PatternRecord(16, 16, 10, 20, 0, 21);
    r.elements.push_back(VLMW::PatternElement(4, 3, 12, 30, 22));
    r.elements[1].pixels[0] = 0;
    return r;
}

// Dumps go to a file of the test's own, never to the real one.
struct TCharacterFixture : testing::Test {
    VLMT::TTempDir dir;
    VLMT::TRecordingInterface ui;
    TCharacterBitmap ch;
    std::string dump = dir.File("run.log");

    TCharacterFixture() { TCharacterBitmap::SetDumpPath(dump); }
    ~TCharacterFixture() override { TCharacterBitmap::SetDumpPath(""); }

    void Load(const VLMW::TCharRecord& record) {
        VLMW::TCharPlacement p;
        p.record = record;
        ch.SetFileName(dir.Write("NCDAT.ALL", VLMW::CharacterArchive({p})));
        ASSERT_TRUE(ch.Select(144));
    }
    std::string DumpFile() const {
        std::ifstream in(dump, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

TPicture Marked(int w, int h) {
    TPicture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.ScanLine(y)[x] = Marker;
    return p;
}

// The colour element e of ch gives its pixel (c, r), or Marker where it is transparent.
uint16_t Expected(const TCharacterBitmap& ch, int e, int c, int r) {
    const auto& el = *ch.elements[size_t(e)];
    const uint8_t b = el.pixels[size_t(r * el.width + c)];
    return b ? ch.Palette[b] : Marker;
}

} // namespace

using CharElemQueries = TCharacterFixture;

TEST_F(CharElemQueries, AnswerForElementsAndMinusOneOutside) {
    for (int i : {-1, 0, 1})
        EXPECT_EQ(ch.getElemLeft(i), -1);
    EXPECT_FALSE(ch.SameElemRect(0, 0));
    VLMW::TCharRecord r = BaseRecord();
    VLMW::AddAlternatives(r, 12, 30, 4, 3, 1, 23); // element 2: same spot as element 1
    r.elements.push_back(VLMW::PatternElement(4, 3, 12, 31, 24));
    Load(r);
    using Query = int (TCharacterBitmap::*)(int) const;
    const struct {
        Query query;
        int element1;
    } queries[] = {{&TCharacterBitmap::getElemLeft, 12},
                   {&TCharacterBitmap::getElemTop, 30},
                   {&TCharacterBitmap::getElemWidth, 4},
                   {&TCharacterBitmap::getElemHeight, 3}};
    for (const auto& q : queries) {
        EXPECT_EQ((ch.*q.query)(1), q.element1);
        EXPECT_EQ((ch.*q.query)(-1), -1);
        EXPECT_EQ((ch.*q.query)(ch.Elems), -1);
    }
    for (int i = 0; i < ch.Elems; ++i)
        EXPECT_TRUE(ch.SameElemRect(i, i)) << i;
    EXPECT_TRUE(ch.SameElemRect(1, 2));
    EXPECT_FALSE(ch.SameElemRect(1, 3)); // one row lower
    EXPECT_FALSE(ch.SameElemRect(0, 1));
    EXPECT_FALSE(ch.SameElemRect(1, ch.Elems));
    // Alternatives share their lowest element; the compositor first shows one of each spot.
    EXPECT_EQ(ch.ElemSpots(), (std::vector<int32_t>{0, 1, 1, 3}));
    EXPECT_EQ(ch.DefaultElems(), (std::vector<int32_t>{0, 1, 3}));
    ch.SetFileName(ch.FileName);
    EXPECT_FALSE(ch.SameElemRect(1, 1));
    EXPECT_TRUE(ch.ElemSpots().empty());
    EXPECT_TRUE(ch.DefaultElems().empty());
}

using CharDrawElem = TCharacterFixture;

TEST_F(CharDrawElem, PaintsThroughThePaletteAtTheOriginWithIndexZeroTransparent) {
    TPicture dst = Marked(64, 64);
    EXPECT_FALSE(ch.DrawElem(0, dst, 0, 0)); // nothing loaded
    VLMW::TCharRecord r = BaseRecord();
    r.elements[0].pixels[17] = 0;
    r.elements.push_back(VLMW::CharElement(VLMW::TIndexed(5, 5), 0, 0)); // all transparent
    Load(r);
    ASSERT_TRUE(ch.DrawElem(0, dst, 3, 4));
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const bool inside = x >= 13 && x < 29 && y >= 24 && y < 40;
            ASSERT_EQ(dst.ScanLine(y)[x], inside ? Expected(ch, 0, x - 13, y - 24) : Marker)
                << x << "," << y;
        }
    EXPECT_EQ(dst.ScanLine(25)[14], Marker); // pixel 17 of the base picture
    dst = Marked(64, 64);
    EXPECT_TRUE(ch.DrawElem(1, dst, 0, 0));
    EXPECT_EQ(dst.ScanLine(30)[12], Marker);
    EXPECT_EQ(dst.ScanLine(32)[15], Expected(ch, 1, 3, 2));
    const TPicture before = dst;
    EXPECT_TRUE(ch.DrawElem(2, dst, 0, 0));
    for (int bad : {-1, 3})
        EXPECT_FALSE(ch.DrawElem(bad, dst, 0, 0));
    for (int y = 0; y < 64; ++y)
        ASSERT_TRUE(std::equal(dst.ScanLine(y), dst.ScanLine(y) + 64, before.ScanLine(y)));
}

TEST_F(CharDrawElem, ClipsColumnsButLetsARowOutsideFail) {
    Load(BaseRecord());
    TPicture dst = Marked(20, 30);
    ASSERT_TRUE(ch.DrawElem(0, dst, -12, -20)); // columns -2 .. 13
    EXPECT_EQ(dst.ScanLine(0)[0], Expected(ch, 0, 2, 0));
    EXPECT_EQ(dst.ScanLine(15)[13], Expected(ch, 0, 15, 15));
    EXPECT_EQ(dst.ScanLine(0)[14], Marker);
    EXPECT_EQ(dst.ScanLine(0)[19], Marker); // where row 1's cut columns would wrap to
    dst = Marked(20, 30);
    ASSERT_TRUE(ch.DrawElem(0, dst, 0, -20)); // columns 10 .. 25
    EXPECT_EQ(dst.ScanLine(3)[19], Expected(ch, 0, 9, 3));
    EXPECT_EQ(dst.ScanLine(1)[0], Marker);

    dst = Marked(20, 30);
    EXPECT_THROW(ch.DrawElem(0, dst, -10, -5), VLM::ERowRange); // rows 15 .. 30 of 30
    EXPECT_EQ(dst.ScanLine(29)[0], Expected(ch, 0, 0, 14)) << "rows above the fault stay";
    EXPECT_THROW(ch.DrawElem(0, dst, -10, -21), VLM::ERowRange); // the first row is -1
    EXPECT_THROW(ch.DrawElem(0, dst, 0, 2147483647), VLM::ERowRange);
}

using CharComposeElem = TCharacterFixture;

TEST_F(CharComposeElem, DrawsIntoWorkRelativeToTheBasePicture) {
    VLMW::TCharRecord r = BaseRecord();
    r.elements.push_back(VLMW::PatternElement(4, 3, 24, 22, 25)); // columns 14 .. 17 of 16
    Load(r);
    const uint16_t under = ch.Work.ScanLine(10)[2];
    ch.SetFileName(ch.FileName); // composing does not ask for a loaded record
    ASSERT_TRUE(ch.ComposeElem(1));
    EXPECT_EQ(ch.Work.ScanLine(10)[2], under); // index 0 keeps the base picture
    EXPECT_EQ(ch.Work.ScanLine(12)[5], Expected(ch, 1, 3, 2));
    ASSERT_TRUE(ch.ComposeElem(2));
    EXPECT_EQ(ch.Work.ScanLine(4)[15], Expected(ch, 2, 1, 2));
    for (int bad : {-1, 3})
        EXPECT_FALSE(ch.ComposeElem(bad));
    EXPECT_TRUE(ui.dialogs.empty());
    EXPECT_EQ(ui.terminations, 0);
}

TEST_F(CharComposeElem, AnElementOutsideTheBaseIsDumpedAndEndsTheProgram) {
    VLMW::TCharRecord r = BaseRecord();
    r.elements[1].top = 35; // rows 15 .. 17 of a 16-row picture
    Load(r);
    const char* body = ":0\n\r"
                       "\tLeft:   10\n\r\tTop:    20\n\r\tWidth:  16\n\r\tHeight: 16\n\r"
                       "\tElems:  2\n\r"
                       "\n\r"
                       "elememts[0]->\n\r"
                       "\tleft:   10\n\r\ttop:    20\n\r\twidth:  16\n\r\theight: 16\n\r\n\r"
                       "elememts[1]->\n\r"
                       "\tleft:   12\n\r\ttop:    35\n\r\twidth:  4\n\r\theight: 3\n\r\n\r";
    const std::string text = ch.FileName + body;
    EXPECT_FALSE(ch.ComposeElem(1));
    EXPECT_EQ(ch.Work.ScanLine(15)[5], Expected(ch, 1, 3, 0)) << "the row that fits is drawn";
    EXPECT_EQ(DumpFile(), text);
    EXPECT_EQ(ui.dialogs, std::vector<std::string>{text});
    EXPECT_EQ(ui.terminations, 1);
    struct stat st {};
    ASSERT_EQ(::stat(dump.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 077, 0u) << "a new dump file is private";
    EXPECT_FALSE(ch.ComposeElem(1));
    EXPECT_EQ(DumpFile(), text + text);
    // The dump alone (as an export writes it): appended and handed back, nobody told.
    EXPECT_EQ(ch.AppendDump(), text);
    EXPECT_EQ(DumpFile(), text + text + text);
    EXPECT_EQ(ui.terminations, 2);
}

TEST_F(CharComposeElem, ADumpThatCannotBeWrittenReachesTheCallerAlone) {
    VLMW::TCharRecord r = BaseRecord();
    r.elements[1].top = 40;
    Load(r);
    const std::string target = dir.File("target");
    std::ofstream(target) << "keep";
    ASSERT_EQ(::symlink(target.c_str(), dir.File("link").c_str()), 0);
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    ASSERT_EQ(::mkdir(dir.File("folder").c_str(), 0700), 0);
    for (const char* name : {"missing/run.log", "link", "fifo", "folder"}) {
        SCOPED_TRACE(name);
        TCharacterBitmap::SetDumpPath(dir.File(name));
        EXPECT_THROW(ch.ComposeElem(1), std::runtime_error);
    }
    EXPECT_TRUE(ui.dialogs.empty());
    EXPECT_EQ(ui.terminations, 0);
    std::ifstream in(target);
    std::string kept;
    in >> kept;
    EXPECT_EQ(kept, "keep");
}

using CharDraw = TCharacterFixture;

TEST_F(CharDraw, CanvasOperationsShowWorkAsItStands) {
    VLMT::TRecordingCanvas canvas;
    EXPECT_FALSE(ch.Draw(canvas, 1, 2));
    EXPECT_FALSE(ch.Draw(canvas));
    EXPECT_FALSE(ch.Draw(canvas, VLM::TRect{0, 0, 9, 9}));
    Load(VLMW::PatternRecord(16, 16, 10, 20, 0, 31));
    EXPECT_TRUE(ch.Draw(canvas, VLM::TRect{0, 0, 32, 32})); // one element: nothing to show
    EXPECT_TRUE(canvas.calls.empty());
    ASSERT_TRUE(ch.Draw(canvas, 3, 4));
    ASSERT_TRUE(ch.Draw(canvas));
    ASSERT_EQ(canvas.calls.size(), 2u);
    EXPECT_EQ(canvas.calls[0].kind, VLMT::TCanvasCall::Draw);
    EXPECT_EQ(canvas.calls[0].dst.left, 3);
    EXPECT_EQ(canvas.calls[0].dst.top, 4);
    EXPECT_EQ(canvas.calls[1].dst.left, 10);
    EXPECT_EQ(canvas.calls[1].dst.top, 20);
    EXPECT_EQ(canvas.calls[1].picture.ScanLine(5)[6], ch.Work.ScanLine(5)[6]);
}

TEST_F(CharDraw, ComposingDrawStretchesOnceForEachElementDownToOne) {
    VLMW::TCharRecord r = VLMW::PatternRecord(16, 16, 10, 20, 0, 41);
    VLMW::AddAlternatives(r, 12, 22, 4, 4, 2, 42); // elements 1 and 2 share one spot
    Load(r);
    VLMT::TRecordingCanvas canvas;
    const VLM::TRect dst{5, 6, 69, 70};
    EXPECT_TRUE(ch.Draw(canvas, dst));
    ASSERT_EQ(canvas.calls.size(), 2u);
    for (const auto& call : canvas.calls) {
        EXPECT_EQ(call.kind, VLMT::TCanvasCall::StretchDraw);
        EXPECT_EQ(call.dst.left, 5);
        EXPECT_EQ(call.dst.bottom, 70);
    }
    // Composed 1, 2, shown; composed 1 again, shown.
    EXPECT_EQ(canvas.calls[0].picture.ScanLine(3)[3], Expected(ch, 2, 1, 1));
    EXPECT_EQ(canvas.calls[1].picture.ScanLine(3)[3], Expected(ch, 1, 1, 1));
    EXPECT_EQ(canvas.calls[1].picture.ScanLine(0)[0], Expected(ch, 0, 0, 0));
}

TEST_F(CharDraw, PartOfThePictureIsAMessageAndPictureTargetsAreNotImplemented) {
    VLMT::TRecordingCanvas canvas;
    EXPECT_TRUE(ch.Draw(canvas, VLM::TRect{0, 0, 4, 4}, VLM::TRect{0, 0, 2, 2}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Now building...");
    EXPECT_EQ(ui.messages[0].caption, ".\\vlmcharacter");
    EXPECT_TRUE(canvas.calls.empty());

    Load(BaseRecord());
    const char* expected = ".\\vlmcharacter:315 VLM::TCharacterBitmap::Draw(Graphics::TBitmap*, "
                           "int, int, int, int, int, int) \x82\xCD\x8E\xC0\x91\x95\x82\xB3\x82"
                           "\xEA\x82\xC4\x82\xA2\x82\xDC\x82\xB9\x82\xF1";
    TPicture dst = Marked(40, 40);
    const std::function<void()> calls[] = {
        [&] { ch.Draw(dst, 0, 0, 0, 0, 4, 4); },
        [&] { ch.Draw(dst); },
        [&] { ch.Draw(dst, 1, 1); },
        [&] {
            ch.Draw(dst, 1, 1, VLM::TRect{0, 0, 4, 4});
        },
    };
    for (const auto& call : calls) {
        try {
            call();
            ADD_FAILURE() << "no exception";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), expected);
        }
    }
    EXPECT_EQ(dst.ScanLine(20)[20], Marker);
}
