// Background archive: recognition, the directory table, the signature search, headers of any
// size, the growing pixel store, the palette relative to the record, and short or hostile files.
#include "testsupport.h"
#include "vlmbackground.h"
#include "vlmnames.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <set>
#include <string>
#include <thread>

using VLM::TBackGroundBitmap;
using VLMW::TBackGroundRecord;

namespace {

// The directory of NBGFILE1.ALL in index order, in units of 2048 bytes.
constexpr int DirectoryBlocks[500] = {
    147,   189,   7303,  126,   168,   924,   945,   1029,  1008,  4296,  8588,  3801,  8268,
    6926,  11062, 11313, 4233,  7220,  4023,  6989,  8080,  8059,  6181,  6202,  10600, // 0-24
    7408,  2633,  1092,  1113,  6160,  11020, 7828,  7849,  7870,  966,   987,   2123,  2144,
    2165,  2186,  5006,  4964,  5027,  4985,  5090,  5048,  5111,  5069,  5342,  5300, // 25-49
    5363,  5321,  5258,  5216,  5279,  5237,  5174,  5132,  5195,  5153,  5594,  5552,  5615,
    5573,  1323,  1302,  5426,  5384,  5447,  5405,  5510,  5468,  5531,  5489,  1260, // 50-74
    1281,  9132,  9515,  3030,  9905,  8985,  8383,  8465,  5677,  7157,  7178,  8038,  6349,
    11125, 1850,  9090,  10747, 11209, 42,    63,    3885,  7094,  8184,  7199,  7115, // 75-99
    4463,  4442,  4610,  4379,  4400,  4484,  4421,  2466,  6696,  8818,  9473,  3427,  588,
    609,   6013,  1955,  7618,  7052,  6822,  3448,  3981,  4002,  4901,  7241,  4044, // 100-124
    2207,  2228,  6433,  6463,  6553,  6523,  6493,  6583,  7765,  6328,  6307,  1808,  1829,
    10705, 10726, 10113, 3343,  3238,  3051,  3072,  3217,  3301,  10092, 3175,  3196, // 125-149
    3259,  3280,  10425, 10134, 10363, 10384, 3322,  9968,  5992,  5971,  7387,  7954,  546,
    567,   10663, 10051, 8839,  10218, 10197, 10176, 10280, 10321, 10155, 10558, 9926, // 150-174
    3093,  903,   882,   4736,  7136,  2081,  2102,  5740,  5698,  5719,  10684, 6034,  8017,
    630,   651,   6055,  5761,  10831, 8734,  7366,  2445,  10852, 9556,  6968,  3906, // 175-199
    3948,  3927,  8289,  4505,  3635,  2321,  2342,  6613,  4778,  4819,  4860,  2279,  2300,
    3864,  9048,  8797,  9431,  8310,  8331,  11272, 1913,  9703,  4170,  4149,  9598, // 200-224
    9619,  9682,  3511,  4191,  7031,  4212,  10259, 10579, 10999, 1997,  7786,  7807,  3134,
    2258,  5950,  5929,  504,   525,   9069,  7912,  420,   441,   3469,  11041, 1976, // 225-249
    6286,  1682,  1703,  8713,  8880,  4338,  8964,  4086,  4107,  7010,  4128,  4065,  2018,
    6675,  5908,  8101,  294,   315,   4715,  2779,  2758,  10768, 9299,  9278,  2737, // 250-274
    10789, 2841,  2654,  9215,  2716,  2695,  2820,  9320,  7744,  336,   357,   10530, 4673,
    4275,  4254,  0,     21,    8671,  8650,  4631,  8692,  9452,  4652,  3553,  3780, // 275-299
    3759,  9661,  11251, 11230, 8943,  3717,  1871,  11083, 11188, 10873, 10894, 10957, 10936,
    11146, 10915, 10978, 11167, 9577,  777,   756,   6139,  1176,  1197,  819,   798, // 300-324
    6391,  6370,  1892,  4317,  7073,  3843,  8922,  5824,  5845,  5782,  5803,  5887,  7933,
    5866,  252,   210,   273,   231,   9173,  6634,  3594,  5636,  2363,  2404,  4922, // 325-349
    8122,  2487,  2528,  7262,  8226,  4589,  4526,  4547,  4568,  4757,  9257,  3532,  3385,
    3406,  3364,  10446, 10467, 10488, 10509, 6843,  3676,  4694,  6884,  3738,  7345, // 350-374
    105,   7891,  84,    6947,  10642, 9368,  9640,  8901,  8506,  8424,  9194,  9856,  9410,
    8352,  8547,  2570,  2591,  2612,  9494,  9341,  6118,  6097,  7975,  8755,  6076, // 375-399
    693,   735,   9111,  8776,  672,   714,   9389,  1239,  1218,  1344,  1365,  1386,  1407,
    1512,  1533,  1470,  1491,  1428,  1449,  1640,  1661,  1554,  1575,  1596,  1618, // 400-424
    6412,  7324,  2039,  7597,  7429,  7450,  7513,  7492,  7471,  7576,  7534,  7555,  1934,
    10810, 7660,  8247,  7639,  7723,  7681,  7702,  9006,  3822,  4943,  6905,  9027, // 425-449
    10342, 3490,  9236,  10621, 6223,  6244,  1134,  1155,  2862,  9947,  10009, 10030, 378,
    399,   2549,  6717,  9807,  6759,  2967,  6780,  6738,  2904,  9877,  3009,  2946, // 450-474
    9786,  2883,  2988,  9828,  2925,  9765,  9744,  8629,  6801,  8205,  1050,  1071,  7996,
    1766,  1787,  8163,  6265,  2060,  462,   840,   1724,  483,   861,   1745,  11104, // 475-499
};

TBackGroundRecord Record(int64_t searchFrom, int width, int height, uint32_t seed, int lead = 0) {
    TBackGroundRecord r;
    r.searchFrom = searchFrom;
    r.picture = VLMW::PatternPicture(width, height, seed);
    r.leadRecords = lead;
    return r;
}

std::string Write(const VLMT::TTempDir& dir, const std::vector<TBackGroundRecord>& records,
                  int64_t keep = -1, const char* name = "NBGFILE1.ALL") {
    return dir.Write(name, VLMW::BackGroundArchive(records), keep);
}

::testing::AssertionResult Holds(TBackGroundBitmap& b, const VLMW::TIndexed& p) {
    if (b.Width != p.width || b.Height != p.height)
        return ::testing::AssertionFailure() << "size " << b.Width << " x " << b.Height;
    for (int i = 0; i < 256; ++i)
        if (b.Palette[i] != VLMT::Screen(p, i))
            return ::testing::AssertionFailure() << "palette entry " << i;
    for (int y = 0; y < p.height; ++y)
        if (std::memcmp(b.Row(y), &p.pixels[static_cast<size_t>(y) * p.width], p.width) != 0)
            return ::testing::AssertionFailure() << "row " << y;
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(BackGroundNames, ArchiveIsRecognisedByFileNameAlone) {
    TBackGroundBitmap b;
    for (const char* name :
         {"c:\\velmora1\\nbgfile1.all", "/disc/NbgFile1.All", "d:NBGFILE1.ALL"}) {
        b.SetFileName(name);
        EXPECT_EQ(b.GetCount(), 500) << name;
    }
    EXPECT_STREQ(b.GetName(499), VLM::BackGroundNames[499].name);
    EXPECT_STREQ(b.GetName(500), "(undefined)");
    EXPECT_STREQ(b.GetName(-1), "(undefined)");
    for (const char* name : {"NBGFILE2.ALL", "NBGFILE1.ALL.BAK", "/x/NBGFILE1.ALL/", ""}) {
        b.SetFileName(name);
        EXPECT_EQ(b.GetCount(), 0) << name;
        EXPECT_STREQ(b.GetName(0), "(undefined)");
        EXPECT_STREQ(b.GetCurrentName(), "(undefined)");
    }
}

TEST(BackGroundNames, DirectoryMatchesTheArchiveAndNamesHaveTheirShape) {
    std::set<std::string> names;
    for (int i = 0; i < VLM::BackGroundNameCount; ++i) {
        const auto& e = VLM::BackGroundNames[i];
        EXPECT_EQ(e.offset, DirectoryBlocks[i] * 2048) << i;
        EXPECT_TRUE(names.insert(e.name).second) << "repeated name at " << i;
        int components = 1;
        for (const char* s = e.name; *s; ++s)
            components += *s == '!';
        EXPECT_LE(components, 4) << i;
        EXPECT_NE(*e.name, '\0') << i;
    }
}

TEST(BackGroundSelect, LoadsFromTheDirectoryAndRefusesOutOfRangeIndicesUntouched) {
    VLMT::TTempDir dir;
    // 290 lies at offset 0, 15 at the largest.
    const auto first = Record(VLM::BackGroundNames[290].offset, 288, 144, 1);
    const auto last = Record(VLM::BackGroundNames[15].offset, 296, 152, 2);
    TBackGroundBitmap b;
    b.SetFileName(Write(dir, {first, last}));
    ASSERT_TRUE(b.Select(15));
    EXPECT_EQ(b.Offset, 23169024);
    EXPECT_TRUE(Holds(b, last.picture));
    ASSERT_TRUE(b.Select(290));
    for (int index : {500, -1, INT32_MIN}) {
        EXPECT_FALSE(b.Select(index)) << index;
        EXPECT_EQ(b.GetIndex(), 290) << index;
    }
    EXPECT_EQ(b.Offset, 0);
    EXPECT_TRUE(Holds(b, first.picture));
    EXPECT_STREQ(b.GetCurrentName(), VLM::BackGroundNames[290].name);
    b.SetFileName(b.FileName); // nothing loaded: the record offset still names the picture
    EXPECT_STREQ(b.GetCurrentName(), VLM::BackGroundNames[290].name);
    b.SetFileName(Write(dir, {first}, -1, "NBGFILE2.ALL"));
    EXPECT_FALSE(b.Select(290)); // no directory for another file
    EXPECT_EQ(b.Index, 290);
}

TEST(BackGroundLoad, RecordIsTheFirstFromTheOffsetThatStartsWithTheSignature) {
    VLMT::TTempDir dir;
    for (int k : {0, 1, 7, 130}) {
        SCOPED_TRACE(k);
        // k = 0 is the worked example: R = 2048, palette at R + 41568, right after the cells.
        const auto r = Record(2048, 288, 144, 3 + k, k);
        ASSERT_EQ(VLMW::BackGroundPalettePosition(r), 41568u);
        TBackGroundBitmap b;
        const uint8_t* store = b.Pixels.get();
        b.SetFileName(Write(dir, {r}, 2048 + 16 * k + 41568 + 512));
        ASSERT_TRUE(b.LoadAt(2048));
        EXPECT_EQ(b.Offset, 2048 + 16 * k);
        EXPECT_EQ(b.Pixels.get(), store);
        EXPECT_TRUE(Holds(b, r.picture));
    }
}

TEST(BackGroundLoad, StoreGrowsOnlyForLargerPicturesAndAnyBandWidthReadsExactly) {
    const struct {
        int width, height;
        int32_t capacity;
        bool newStore;
    } steps[] = {
        {576, 144, 82944, true},  // 18 bands of 4608 bytes
        {288, 144, 82944, false}, // fits: the larger store stays
        {1160, 16, 82944, false}, // a band of 9280 bytes, past the scratch buffer
        {1152, 16, 82944, false}, // a band of exactly the scratch buffer
        {8, 16, 82944, false},    // smaller than the part shown: loads as declared
        {2048, 48, 98304, true},
    };
    std::vector<TBackGroundRecord> records;
    for (const auto& s : steps)
        records.push_back(Record(131072 * int64_t(records.size()), s.width, s.height, s.width));
    VLMT::TTempDir dir;
    TBackGroundBitmap b;
    b.SetFileName(Write(dir, records));
    for (size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE(steps[i].width);
        const uint8_t* store = b.Pixels.get();
        ASSERT_TRUE(b.LoadAt(static_cast<int>(records[i].searchFrom)));
        EXPECT_EQ(b.Capacity, steps[i].capacity);
        EXPECT_EQ(b.Pixels.get() != store, steps[i].newStore);
        EXPECT_TRUE(Holds(b, records[i].picture));
    }
}

TEST(BackGroundLoad, ObjectsOnSeveralThreadsLoadAtOnceWithoutDisturbingEachOther) {
    // Each object reads through buffers of its own; an export loads pictures on every core.
    std::vector<TBackGroundRecord> records;
    for (int i = 0; i < 4; ++i)
        records.push_back(Record(131072 * i, 288 + 8 * i, 144, 60 + i));
    VLMT::TTempDir dir;
    const std::string path = Write(dir, records);
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            TBackGroundBitmap b;
            b.SetFileName(path);
            for (int round = 0; round < 200; ++round) {
                const auto& r = records[static_cast<size_t>((t + round) % 4)];
                if (!b.LoadAt(static_cast<int>(r.searchFrom)) || !Holds(b, r.picture)) ++wrong;
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(wrong, 0);
}

TEST(BackGroundLoad, PaletteIsReadRelativeToTheRecordOrKeepsTheOldEntries) {
    const int64_t paletteStart = 4096 + 96 + 32 * 24;
    const struct {
        const char* name;
        int64_t position; // relative to R; -1: right after the cells
        bool written;
        int64_t keep;
        int fresh; // entries the load replaces
    } cases[] = {
        {"well after the cells", 20000, true, -1, 256},
        {"cut by the end of the file", -1, true, paletteStart + 201, 100},
        {"past the end of the file", 1000000, false, -1, 0},
        {"beyond any file offset", 0x7FFFFF00, false, -1, 0},
        {"before the record, still inside the file", -1024, true, -1, 256},
        {"before the start of the file", -8192, false, -1, 0},
    };
    VLMT::TTempDir dir;
    const auto old = Record(0, 8, 8, 10);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TBackGroundBitmap b;
        b.SetFileName(Write(dir, {old}));
        ASSERT_TRUE(b.LoadAt(0));
        auto r = Record(4096, 32, 24, 11);
        if (c.position != -1) r.palettePosition = static_cast<uint32_t>(c.position);
        r.writePalette = c.written;
        b.SetFileName(Write(dir, {r}, c.keep));
        ASSERT_TRUE(b.LoadAt(4096));
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(b.Palette[i], VLMT::Screen(i < c.fresh ? r.picture : old.picture, i)) << i;
        EXPECT_EQ(b.Row(23)[31], r.picture.At(31, 23));
    }
}

TEST(BackGroundLoad, ShortFilesFailUnlessOnlyThePaletteIsCutAndKeepWhatWasRead) {
    const auto r = Record(2048, 576, 80, 12, 3); // 46080 bytes: more than the first store
    const int64_t at = 2048 + 48, cells = at + 96, palette = cells + 576 * 80;
    const struct {
        const char* name;
        int64_t keep;
        bool loads;
    } cases[] = {
        {"ends among the lead records", at - 8, false},
        {"ends inside the signature record", at + 12, false},
        {"ends inside the palette position", at + 18, false},
        {"ends inside the first band", cells + 100, false},
        {"ends before the last band", palette - 1, false},
        {"ends inside the palette", palette + 300, true},
    };
    VLMT::TTempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TBackGroundBitmap b;
        b.SetFileName(Write(dir, {r}, c.keep));
        EXPECT_EQ(b.LoadAt(2048), c.loads);
        EXPECT_EQ(b.Loaded, c.loads);
        if (c.keep < at + 16) continue;
        // A header once read leaves its size, the grown store, the offset and the bands read.
        EXPECT_EQ(b.Width, 576);
        EXPECT_EQ(b.Capacity, 46080);
        EXPECT_EQ(b.Offset, at);
        if (c.keep == palette - 1) {
            EXPECT_EQ(b.Row(71)[575], r.picture.At(575, 71));
        }
    }
}

TEST(BackGroundLoad, HostileHeadersAreRefusedBeforeAnythingIsAllocated) {
    const struct {
        const char* name;
        uint32_t width, height;
        int32_t capacity; // after the load; 41472: refused
    } cases[] = {
        {"zero width", 0, 144, 41472},
        {"zero height", 288, 0, 41472},
        {"width not a multiple of 8", 292, 144, 41472},
        {"height not a multiple of 8", 288, 100, 41472},
        {"negative width", 0xFFFFFEE0, 144, 41472},
        {"both negative, positive product", 0xFFFFFFF8, 0xFFFFFFF8, 41472},
        {"width past the signed range", 0x80000000, 8, 41472},
        {"product wraps to 0 in 32 bits", 65536, 65536, 41472},
        {"one band over the largest store", 4096, 4104, 41472},
        {"exactly the largest store", 4096, 4096, 16 * 1024 * 1024},
    };
    VLMT::TTempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto r = Record(0, 8, 8, 14);
        r.headerWidth = c.width;
        r.headerHeight = c.height;
        TBackGroundBitmap b;
        const uint8_t* store = b.Pixels.get();
        b.SetFileName(Write(dir, {r}));
        EXPECT_FALSE(b.LoadAt(0)); // the accepted one runs out of cells
        EXPECT_EQ(b.Capacity, c.capacity);
        if (c.capacity != 41472) continue;
        EXPECT_EQ(b.Pixels.get(), store);
        EXPECT_EQ(b.Width, 288);
        EXPECT_EQ(b.Height, 144);
    }
}
