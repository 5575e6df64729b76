// Wallpaper archives: recognition, names, hint offsets, the filler search and the record read.
#include "testsupport.h"
#include "vlmnames.h"
#include "vlmwallpaper.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <set>
#include <thread>
#include <sys/stat.h>

using VLM::TWallPaperBitmap;
using VLMW::TFiller;

namespace {

VLMW::TWallPaperEntry Entry(int index, uint32_t seed, std::vector<TFiller> fillers = {TFiller::Z, TFiller::Z, TFiller::Z, TFiller::Z}) {
    VLMW::TWallPaperEntry e;
    e.index = index;
    e.picture = VLMW::PatternPicture(320, 224, seed);
    e.fillers = std::move(fillers);
    return e;
}

void ExpectPicture(TWallPaperBitmap& w, const VLMW::TIndexed& p) {
    for (int i = 0; i < 256; ++i) ASSERT_EQ(w.Palette[i], VLMT::Screen(p, i)) << "palette " << i;
    for (int y = 0; y < 224; ++y)
        for (int x = 0; x < 320; ++x) ASSERT_EQ(w.Row(y)[x], p.At(x, y)) << x << "," << y;
}

} // namespace

TEST(WallPaperNames, ArchiveIsRecognisedByFileNameAlone) {
    TWallPaperBitmap w;
    EXPECT_EQ(w.GetCount(), 0);
    w.SetFileName("c:\\games\\eyecatch.all");
    EXPECT_EQ(w.GetCount(), 22);
    w.SetFileName("/home/u/disc/WPALL3.ALL");
    EXPECT_EQ(w.GetCount(), 34);
    w.SetFileName("d:Wpall1.all");
    EXPECT_EQ(w.GetCount(), 34);
    for (const char* other : {"WPALL4.ALL", "EYECATCH.ALL.BAK", "/x/EYECATCH.ALL/", ""}) {
        w.SetFileName(other);
        EXPECT_EQ(w.GetCount(), 0) << other;
    }
}

TEST(WallPaperNames, NamesComeFromTheArchivesTable) {
    TWallPaperBitmap w;
    w.SetFileName("EYECATCH.ALL");
    EXPECT_STREQ(w.GetName(21), VLM::EyeCatchNames[21].name);
    EXPECT_STREQ(w.GetName(22), "(undefined)");
    EXPECT_STREQ(w.GetName(-1), "(undefined)");
    w.SetFileName("WPALL1.ALL");
    EXPECT_STREQ(w.GetName(32), VLM::FirstWallPaperNames[32].name);
    EXPECT_STREQ(w.GetName(33), "(undefined)");
    EXPECT_STREQ(w.GetName(-1), "(undefined)");
    w.SetFileName("WPALL2.ALL");
    for (int i = -1; i < 34; ++i) EXPECT_STREQ(w.GetName(i), "(undefined)");
    EXPECT_STREQ(w.GetCurrentName(), "(none)");
}

TEST(WallPaperNames, TableOffsetsFollowTheArchiveLayout) {
    for (int i = 0; i < VLM::EyeCatchNameCount; ++i)
        EXPECT_EQ(VLM::EyeCatchNames[i].offset, i * 75776) << i;
    for (int i = 0; i < VLM::FirstWallPaperNameCount; ++i) {
        const int extra = i <= 19 ? 0 : i <= 24 ? 122880 : 184320;
        EXPECT_EQ(VLM::FirstWallPaperNames[i].offset, i * 75776 + extra) << i;
    }
    // From index 22 on, the search starts where the previous table entry lies.
    EXPECT_EQ(TWallPaperBitmap::HintOffset(22), VLM::FirstWallPaperNames[21].offset);
    EXPECT_EQ(TWallPaperBitmap::HintOffset(33), VLM::FirstWallPaperNames[32].offset);
}

TEST(WallPaperNames, EveryNameIsDistinctAndHasTheRightShape) {
    auto components = [](const char* s) { int n = 1; for (; *s; ++s) n += *s == '!'; return n; };
    std::set<std::string> seen;
    for (const auto& e : VLM::EyeCatchNames) {
        EXPECT_TRUE(seen.insert(e.name).second) << e.name;
        EXPECT_GE(components(e.name), 2);
        EXPECT_LE(components(e.name), 3);
    }
    for (const auto& e : VLM::FirstWallPaperNames) {
        EXPECT_TRUE(seen.insert(e.name).second) << e.name;
        EXPECT_LE(components(e.name), 2);
    }
}

TEST(WallPaperHint, IndexMapsToItsSearchStart) {
    EXPECT_EQ(TWallPaperBitmap::HintOffset(0), 0);
    EXPECT_EQ(TWallPaperBitmap::HintOffset(21), 1591296);
    EXPECT_EQ(TWallPaperBitmap::HintOffset(22), 1714176);
    EXPECT_EQ(TWallPaperBitmap::HintOffset(25), 1941504);
    EXPECT_EQ(TWallPaperBitmap::HintOffset(26), 2078720);
    EXPECT_EQ(TWallPaperBitmap::HintOffset(33), 2609152);
    EXPECT_EQ(TWallPaperBitmap::HintOffset(2147483647), int64_t{2147483647} * 75776 + 108544);
}

TEST(WallPaperLoad, EveryPictureOfAnArchiveReadsBackExactly) {
    VLMT::TTempDir dir;
    std::vector<VLMW::TWallPaperEntry> entries;
    for (int i = 0; i < 34; i += 11) entries.push_back(Entry(i, 100 + i));
    entries.push_back(Entry(23, 7, {TFiller::A, TFiller::B, TFiller::Z, TFiller::A, TFiller::B, TFiller::Z}));
    const auto path = dir.Write("WPALL1.ALL", VLMW::WallPaperArchive(entries));
    TWallPaperBitmap w;
    w.SetFileName(path);
    for (const auto& e : entries) {
        SCOPED_TRACE(e.index);
        ASSERT_TRUE(w.Select(e.index));
        EXPECT_TRUE(w.Loaded);
        EXPECT_EQ(w.GetIndex(), e.index);
        EXPECT_EQ(w.Offset, VLMW::WallPaperRecordStart(e));
        ExpectPicture(w, e.picture);
    }
    // Worked example: index 23 searches from 1789952; six fillers put the cells at +96.
    EXPECT_EQ(VLMW::WallPaperRecordStart(entries.back()), 1789952 + 32);
    EXPECT_STREQ(w.GetCurrentName(), VLM::FirstWallPaperNames[23].name);
}

TEST(WallPaperLoad, ObjectsOnSeveralThreadsLoadAtOnceWithoutDisturbingEachOther) {
    VLMT::TTempDir dir;
    std::vector<VLMW::TWallPaperEntry> entries;
    for (int i = 0; i < 4; ++i) entries.push_back(Entry(i, 200 + i));
    const auto path = dir.Write("EYECATCH.ALL", VLMW::WallPaperArchive(entries));
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            TWallPaperBitmap w;
            w.SetFileName(path);
            for (int round = 0; round < 200; ++round) {
                const auto& p = entries[static_cast<size_t>((t + round) % 4)].picture;
                if (!w.Select((t + round) % 4) || w.Palette[1] != VLMT::Screen(p, 1) ||
                    std::memcmp(w.Pixels.get(), p.pixels.data(), p.pixels.size()) != 0)
                    ++wrong;
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(wrong, 0);
}

TEST(WallPaperLoad, RecordStartIs64BytesBeforeTheFirstNonFillerRecord) {
    VLMT::TTempDir dir;
    for (size_t n : {0u, 1u, 4u, 9u}) {
        SCOPED_TRACE(n);
        auto e = Entry(1, 3, std::vector<TFiller>(n, TFiller::Z));
        const auto path = dir.Write("EYECATCH.ALL", VLMW::WallPaperArchive({e}));
        TWallPaperBitmap w;
        w.SetFileName(path);
        ASSERT_TRUE(w.Select(1));
        EXPECT_EQ(w.Offset, 75776 + 16 * static_cast<int>(n) - 64);
        ExpectPicture(w, e.picture);
    }
}

TEST(WallPaperLoad, AnIndexPastTheNamedRangeStillLoadsAndIsNamedByOffset) {
    VLMT::TTempDir dir;
    auto e = Entry(0, 5);
    const auto path = dir.Write("EYECATCH.ALL", VLMW::WallPaperArchive({e}));
    TWallPaperBitmap w;
    w.SetFileName(path);
    // A negative hint cannot be reached: the search starts at the top of the file.
    ASSERT_TRUE(w.Select(-1));
    EXPECT_EQ(w.Offset, 0);
    EXPECT_EQ(w.GetIndex(), -1);
    EXPECT_STREQ(w.GetCurrentName(), VLM::EyeCatchNames[0].name);
    // A hint beyond what a file offset holds behaves the same, without overflowing.
    for (int index : {2147483647, 30000, -30000, -2147483647 - 1}) {
        w.Offset = 12345;
        ASSERT_TRUE(w.Select(index)) << index;
        EXPECT_EQ(w.Offset, 0) << index;
    }
}

TEST(WallPaperLoad, BadFilesFailWithoutLoading) {
    VLMT::TTempDir dir;
    auto e = Entry(0, 9);
    const auto bytes = VLMW::WallPaperArchive({e});
    struct TCase {
        const char* name;
        int64_t keep;
        bool loads;
    } cases[] = {
        {"ends inside the search", 48, false},
        {"ends inside the pixels", 64 + 2560 * 5 + 100, false},
        {"ends before the last band", 64 + 71680 - 1, false},
        {"ends inside the palette", 73728 + 300, true},
        {"has no palette at all", 64 + 71680, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto path = dir.Write("EYECATCH.ALL", bytes, c.keep);
        TWallPaperBitmap w;
        w.SetFileName(path);
        EXPECT_EQ(w.Select(0), c.loads);
        EXPECT_EQ(w.Loaded, c.loads);
        EXPECT_EQ(w.GetIndex(), c.loads ? 0 : -1);
    }
}

TEST(WallPaperLoad, AShortPaletteKeepsTheEntriesItDidNotReach) {
    VLMT::TTempDir dir;
    auto first = Entry(0, 1);
    TWallPaperBitmap w;
    w.SetFileName(dir.Write("EYECATCH.ALL", VLMW::WallPaperArchive({first})));
    ASSERT_TRUE(w.Select(0));
    auto second = Entry(0, 2);
    w.SetFileName(dir.Write("EYECATCH.ALL", VLMW::WallPaperArchive({second}), 73728 + 200));
    ASSERT_TRUE(w.Select(0));
    EXPECT_EQ(w.Palette[99], VLMT::Screen(second.picture, 99));
    EXPECT_EQ(w.Palette[100], VLMT::Screen(first.picture, 100));
    EXPECT_EQ(w.Row(223)[319], second.picture.At(319, 223));
}

TEST(WallPaperLoad, FilesThatAreNotArchivesFailAtOnce) {
    VLMT::TTempDir dir;
    TWallPaperBitmap w;
    w.SetFileName(dir.File("EYECATCH.ALL")); // missing
    EXPECT_FALSE(w.Select(0));
    ASSERT_EQ(::mkfifo(dir.File("WPALL1.ALL").c_str(), 0600), 0);
    w.SetFileName(dir.File("WPALL1.ALL"));
    EXPECT_FALSE(w.Select(0)); // must not wait for a writer
    ASSERT_EQ(::mkdir(dir.File("WPALL2.ALL").c_str(), 0700), 0);
    w.SetFileName(dir.File("WPALL2.ALL"));
    EXPECT_FALSE(w.Select(0));
    w.SetFileName("/dev/zero");
    EXPECT_FALSE(w.Select(0)); // an endless stream of filler is refused, not searched
    VLMW::TBytes zeros;
    zeros.Resize(200000);
    w.SetFileName(dir.Write("WPALL3.ALL", zeros));
    EXPECT_FALSE(w.Select(0)); // all filler: the search ends at the end of the file
    EXPECT_FALSE(w.Loaded);
}

TEST(WallPaperLoad, SetFileNameForgetsTheLoadedPictureAtOnce) {
    VLMT::TTempDir dir;
    TWallPaperBitmap w;
    w.SetFileName(dir.Write("EYECATCH.ALL", VLMW::WallPaperArchive({Entry(2, 4)})));
    ASSERT_TRUE(w.Select(2));
    EXPECT_EQ(w.GetIndex(), 2);
    w.SetFileName(w.FileName);
    EXPECT_EQ(w.GetIndex(), -1);
    EXPECT_STREQ(w.GetCurrentName(), "(none)");
}
