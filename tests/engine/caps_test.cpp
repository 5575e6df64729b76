// The caps that bound what a hostile archive can make one load or one draw cost: each at its
// value and one step past it. (The background store's cap has its own test beside the
// background loader.)
#include "testsupport.h"
#include "vlmbackground.h"
#include "vlmcharacter.h"
#include "vlmscreen.h"
#include "vlmwallpaper.h"

#include <gtest/gtest.h>

using VLM::TBitmap;
using VLM::TCharacterBitmap;

TEST(Caps, BackGroundSidesUpToTheCapLoad) {
    constexpr int Cap = TBitmap::MaxSide;
    const struct {
        int width, height;
        bool loads;
    } cases[] = {
        {Cap, 8, true},
        {Cap + 8, 8, false},
        {8, Cap, true},
        {8, Cap + 8, false},
    };
    VLMT::TTempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        VLMW::TBackGroundRecord r;
        r.picture = VLMW::PatternPicture(c.width, c.height, 1);
        VLM::TBackGroundBitmap b;
        b.SetFileName(dir.Write("NBGFILE1.ALL", VLMW::BackGroundArchive({r})));
        EXPECT_EQ(b.Select(290), c.loads);
        EXPECT_EQ(b.Width, c.loads ? c.width : 288);
        EXPECT_EQ(b.Capacity, c.loads ? c.width * c.height : 288 * 144);
        if (c.loads) {
            EXPECT_EQ(b.Row(c.height - 1)[c.width - 1], r.picture.At(c.width - 1, c.height - 1));
        }
    }
}

TEST(Caps, CharacterElementSidesUpToTheCapLoad) {
    constexpr int Cap = TBitmap::MaxSide;
    const struct {
        int element, width, height;
        bool loads;
    } cases[] = {
        {0, Cap, 1, true},      {0, Cap + 1, 1, false}, {0, 1, Cap, true},
        {0, 1, Cap + 1, false}, {1, Cap + 1, 1, false}, {1, 1, Cap + 1, false},
    };
    VLMT::TTempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "element " << c.element << ", " << c.width << " x " << c.height);
        VLMW::TCharPlacement p;
        p.record = VLMW::PatternRecord(8, 8, 0, 0, 1, 2);
        p.record.elements[static_cast<size_t>(c.element)] =
            VLMW::PatternElement(c.width, c.height, 0, 0, 3);
        TCharacterBitmap ch;
        ch.SetFileName(dir.Write("NCDAT.ALL", VLMW::CharacterArchive({p})));
        EXPECT_EQ(ch.Select(144), c.loads);
        EXPECT_EQ(ch.Elems, c.loads ? 2 : 0);
        if (c.loads) {
            EXPECT_EQ(ch.Work.Width(), c.width);
            EXPECT_EQ(ch.Work.Height(), c.height);
        }
    }
}

TEST(Caps, RecordSearchesEndAfterTheCap) {
    // The first record a search may still read starts MaxSearchBytes - 16 after its start.
    constexpr int64_t Cap = TBitmap::MaxSearchBytes;
    constexpr int Records = static_cast<int>(Cap / 16);
    VLMT::TTempDir dir;
    {
        VLMW::TWallPaperEntry e;
        e.picture = VLMW::PatternPicture(320, 224, 4);
        e.fillers.assign(Records, VLMW::TFiller::Z); // the cells begin at Cap
        VLM::TWallPaperBitmap w;
        w.SetFileName(dir.Write("EYECATCH.ALL", VLMW::WallPaperArchive({e})));
        EXPECT_FALSE(w.LoadAt(0));
        ASSERT_TRUE(w.LoadAt(16));
        EXPECT_EQ(w.Offset, Cap - 64);
    }
    {
        VLMW::TBackGroundRecord r;
        r.picture = VLMW::PatternPicture(8, 8, 5);
        r.leadRecords = Records;
        VLM::TBackGroundBitmap b;
        b.SetFileName(dir.Write("NBGFILE1.ALL", VLMW::BackGroundArchive({r})));
        EXPECT_FALSE(b.LoadAt(0));
        ASSERT_TRUE(b.LoadAt(16));
        EXPECT_EQ(b.Offset, Cap);
    }
    {
        VLMW::TCharPlacement p;
        p.gapBlocks = Records;
        p.record = VLMW::PatternRecord(8, 8, 0, 0, 0, 6);
        TCharacterBitmap ch;
        ch.SetFileName(dir.Write("NCDAT.ALL", VLMW::CharacterArchive({p})));
        EXPECT_FALSE(ch.LoadAt(0));
        ASSERT_TRUE(ch.LoadAt(16));
        EXPECT_EQ(ch.Offset, Cap);
    }
}

namespace {

// 65535 elements, each 16 x 16 and as many of them in distinct places on the screen as fit,
// after a base of baseWidth x baseHeight. The elements share one set of pixels in the file,
// which stays small; the loader still gives each its own buffer.
VLMW::TBytes CrowdedRecord(int baseWidth, int baseHeight) {
    VLMW::TCharPlacement p;
    p.record = VLMW::PatternRecord(baseWidth, baseHeight, 0, 0, 0, 7);
    p.record.elements[0].dataOffset = 0;
    auto shared = VLMW::PatternElement(16, 16, 0, 0, 8);
    shared.dataOffset = static_cast<uint32_t>(baseWidth * baseHeight);
    for (int i = 1; i < 65535; ++i) {
        auto e = shared;
        e.left = static_cast<uint16_t>(i % 289);      // 16 + 288 + 16 = 320
        e.top = static_cast<uint16_t>(i / 289 % 201); // 8 + 200 + 16 = 224
        if (i > 1) e.pixels.clear();
        p.record.elements.push_back(std::move(e));
    }
    return VLMW::CharacterArchive({p});
}

} // namespace

TEST(Caps, ARecordOfTheLargestSizeLoadsAndDrawsWholeAndOneByteMoreIsRefused) {
    // Every element pixel is drawn at most once a draw, so this cap also bounds what one draw
    // of the compositor writes.
    static_assert(TCharacterBitmap::MaxRecordPixelBytes == 32 * 16 + 65534 * 256,
                  "the record below sits exactly at the cap");
    VLMT::TTempDir dir;
    const struct {
        const char* name;
        int baseWidth, baseHeight;
        bool loads;
    } cases[] = {{"at the cap", 32, 16, true}, {"one byte past it", 27, 19, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        VLMT::TRecordingCanvas canvas;
        VLM::TScreen s;
        s.target = &canvas;
        s.putchfn(dir.Write("NCDAT.ALL", CrowdedRecord(c.baseWidth, c.baseHeight)));
        s.DrawCharacter(144);
        EXPECT_EQ(s.getchloaded(), c.loads);
        EXPECT_EQ(s.getelcnt(), c.loads ? 65535 : 0);
        // The base and one element for each of the 289 x 201 places, all drawn.
        EXPECT_EQ(s.shownElements.size(), c.loads ? 1u + 289u * 201u : 0u);
        const uint16_t corner = s.GetOffscreen().ScanLine(8 + 200 + 15)[16 + 288 + 15];
        EXPECT_EQ(corner != 0, c.loads);
        ASSERT_EQ(canvas.calls.size(), 1u);
    }
}
