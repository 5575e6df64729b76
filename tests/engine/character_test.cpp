// Character archive: the name table, recognition, the aligned signature scan, the record read,
// the position corrections and hostile records.
#include "testsupport.h"
#include "vlmcharacter.h"
#include "vlmnames.h"

#include <gtest/gtest.h>

#include <set>
#include <sys/stat.h>

using VLM::TCharacterBitmap;
using VLMW::TCharPlacement;

namespace {

// The record offsets of the 152 entries, divided by 2048, in index order.
constexpr int TableBlocks[152] = {
    2517, 2493, 2468, 2309, 2332, 287,  145,  3078, 182,  315,  331,  257,  3052, 3039, 3065, 108,
    220,  2935, 577,  531,  465,  3122, 384,  3137, 426,  561,  3093, 3110, 503,  344,  2897, 2948,
    2773, 2786, 3353, 1128, 1196, 1044, 3367, 3566, 1086, 3338, 1254, 1223, 1169, 3325, 1002, 2974,
    2991, 3280, 923,  817,  3302, 856,  3236, 974,  3218, 954,  3263, 895,  777,  2529, 2550, 738,
    640,  3206, 667,  3194, 3182, 756,  3169, 720,  3156, 613,  693,  1980, 3538, 1872, 2003, 3551,
    1913, 2045, 2055, 1954, 3525, 1831, 2252, 2288, 2215, 2683, 2875, 2645, 2629, 2605, 2571, 2659,
    3385, 1458, 3418, 1315, 3434, 1353, 1392, 1486, 1430, 3402, 1501, 3609, 1277, 3005, 3486, 1724,
    1572, 1654, 1752, 3509, 1612, 1807, 1791, 3451, 3468, 1694, 1531, 2916, 3026, 2755, 8,    75,
    41,   2396, 2418, 2438, 2701, 2198, 2076, 2118, 2158, 2728, 2355, 2375, 2831, 2814, 2799, 2844,
    0,    605,  769,  994,  1269, 1523, 1823, 2068};

TCharPlacement Placed(int64_t offset, VLMW::TCharRecord record, int gap = 0) {
    TCharPlacement p;
    p.offset = offset;
    p.gapBlocks = gap;
    p.record = std::move(record);
    return p;
}

struct TLoaded {
    VLMT::TTempDir dir;
    TCharacterBitmap ch;
    explicit TLoaded(const VLMW::TBytes& bytes, const std::string& name = "NCDAT.ALL") {
        ch.SetFileName(dir.Write(name, bytes));
    }
};

} // namespace

TEST(CharacterNames, TableMatchesTheArchiveAndNamesHaveTheirShape) {
    std::set<std::string> names;
    for (int i = 0; i < VLM::CharacterNameCount; ++i) {
        SCOPED_TRACE(i);
        const VLM::TNameEntry& e = VLM::CharacterNames[i];
        EXPECT_EQ(e.offset, TableBlocks[i] * 2048);
        const std::string name = e.name;
        EXPECT_TRUE(names.insert(name).second) << "duplicate";
        EXPECT_LE(name.size(), 44u);
        size_t components = 0, start = 0;
        for (size_t bang; (bang = name.find('!', start)) != std::string::npos; start = bang + 1) {
            EXPECT_GT(bang, start) << "empty component";
            ++components;
        }
        EXPECT_LT(start, name.size()) << "empty last component";
        EXPECT_LE(++components, 3u);
    }
    std::set<int> offsets(std::begin(TableBlocks), std::end(TableBlocks));
    EXPECT_EQ(offsets.size(), 152u);
    const std::string a = VLM::CharacterNames[144].name;
    ASSERT_FALSE(a.empty());
    const std::string stem = a.substr(0, a.size() - 1);
    for (int i = 144; i < 152; ++i)
        EXPECT_EQ(std::string(VLM::CharacterNames[i].name), stem + char('A' + i - 144)) << i;
}

TEST(CharacterArchive, IsRecognisedByFileNameAlone) {
    const auto bytes = VLMW::CharacterArchive({Placed(0, VLMW::PatternRecord(16, 8, 0, 0, 0, 1))});
    TLoaded lower(bytes, "ncdat.all");
    EXPECT_EQ(lower.ch.GetCount(), 152);
    EXPECT_STREQ(lower.ch.GetName(0), VLM::CharacterNames[0].name);
    EXPECT_STREQ(lower.ch.GetName(151), VLM::CharacterNames[151].name);
    EXPECT_STREQ(lower.ch.GetName(152), "(undefined)");
    EXPECT_STREQ(lower.ch.GetName(-1), "(undefined)");
    EXPECT_TRUE(lower.ch.Select(144));

    for (const char* other : {"NCDAT.ALL.BAK", "NCDAT2.ALL", "WPALL1.ALL"}) {
        SCOPED_TRACE(other);
        TLoaded o(bytes, other);
        EXPECT_EQ(o.ch.GetCount(), 0);
        for (int i : {-1, 0, 144, 151})
            EXPECT_STREQ(o.ch.GetName(i), "(undefined)");
        EXPECT_FALSE(o.ch.Select(144));
        EXPECT_STREQ(o.ch.GetCurrentName(), "(undefined)");
        EXPECT_TRUE(o.ch.LoadAt(0)); // loading by offset does not consult the name
    }
}

TEST(CharacterLoad, RecordReadsBackExactly) {
    // Odd sizes, a pixel area well past the tables, two elements sharing one set of pixels.
    VLMW::TCharRecord r = VLMW::PatternRecord(47, 33, 5, 7, 0, 3);
    r.elements[0].pixels[0] = 0;    // the base picture paints index 0 like any other
    r.elements[0].dataOffset = 300; // pixels need not follow one another
    r.elements.push_back(VLMW::PatternElement(9, 3, 60, 2, 4));
    r.elements.push_back(VLMW::PatternElement(9, 3, 61, 2, 5));
    r.elements[2].pixels = r.elements[1].pixels;
    r.elements[2].dataOffset = 0;
    r.elements[1].dataOffset = 0;
    r.pixelArea = 4000;
    r.palette[0] = 0x001F;
    const int index = 145;
    TCharPlacement p = Placed(VLM::CharacterNames[index].offset, r, 3);
    TLoaded t(VLMW::CharacterArchive({p}));
    TCharacterBitmap& ch = t.ch;
    ASSERT_TRUE(ch.Select(index));
    EXPECT_EQ(ch.Offset, VLMW::CharRecordStart(p));
    EXPECT_EQ(ch.GetIndex(), index);
    EXPECT_STREQ(ch.GetCurrentName(), VLM::CharacterNames[index].name);
    EXPECT_EQ(ch.Elems, 3);
    ASSERT_EQ(ch.elements.size(), 3u);
    EXPECT_EQ(ch.Pixels, nullptr);
    EXPECT_EQ(ch.Left, 5);
    EXPECT_EQ(ch.Top, 7);
    EXPECT_EQ(ch.Width, 47);
    EXPECT_EQ(ch.Height, 33);
    EXPECT_EQ(ch.Palette[0], 0x7C00);
    const auto offsets = VLMW::CharDataOffsets(r);
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const auto& e = *ch.elements[i];
        const auto& w = r.elements[i];
        EXPECT_EQ(e.left, w.left);
        EXPECT_EQ(e.top, w.top);
        EXPECT_EQ(e.width, w.width);
        EXPECT_EQ(e.height, w.height);
        EXPECT_EQ(e.dataOffset, offsets[i]);
        EXPECT_TRUE(std::equal(w.pixels.begin(), w.pixels.end(), e.pixels.get()));
    }
    ASSERT_EQ(ch.Work.Width(), 47);
    ASSERT_EQ(ch.Work.Height(), 33);
    for (int y : {0, 16, 32})
        for (int x : {0, 1, 23, 46})
            EXPECT_EQ(ch.Work.ScanLine(y)[x], ch.Palette[r.elements[0].pixels[size_t(y * 47 + x)]]);
    EXPECT_EQ(ch.Work.ScanLine(0)[0], 0x7C00);
}

TEST(CharacterLoad, ScanLooksOnlyAtAlignedBlocksFromTheRoundedUpStart) {
    VLMT::TTempDir dir;
    const auto first = Placed(0, VLMW::PatternRecord(16, 16, 0, 0, 1, 7));
    auto second = Placed(2048, VLMW::PatternRecord(24, 8, 0, 0, 0, 8), 2);
    second.misalignedSignature = true; // an unaligned scan would stop at 2048 + 8
    TCharacterBitmap ch;
    ch.SetFileName(dir.Write("NCDAT.ALL", VLMW::CharacterArchive({first, second})));
    const struct {
        int start;
        int64_t record;
    } cases[] = {{0, 0}, {-5, 0}, {-100, 0}, {5, 2048 + 32}, {16, 2048 + 32}, {2040, 2048 + 32}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.start);
        ASSERT_TRUE(ch.LoadAt(c.start));
        EXPECT_EQ(ch.Offset, c.record);
        EXPECT_EQ(ch.Width, c.record == 0 ? 16 : 24);
    }
    // A signature that lies only off the 16-byte grid is never found.
    VLMW::TBytes lone;
    lone.Put(40, VLMW::CharSignature, 8);
    lone.Resize(4096);
    ch.SetFileName(dir.Write("NCDAT.ALL", lone));
    EXPECT_FALSE(ch.LoadAt(0));
    EXPECT_FALSE(ch.Loaded);
}

namespace {

struct TCorrected {
    int entry, left;
    struct {
        int first, last, left, top;
    } ranges[3];
};
// Where the seven records' elements belong, by the record's table entry.
const TCorrected Expected[7] = {
    {5, 88, {{1, 15, 112, 24}, {16, 45, 136, 56}, {46, 46, 88, 0}}},
    {20, 84, {{1, 24, 100, 24}, {25, 73, 124, 56}, {1, 0, 0, 0}}},
    {74, 76, {{1, 24, 124, 32}, {25, 73, 148, 56}, {1, 0, 0, 0}}},
    {78, 72, {{1, 24, 112, 32}, {25, 72, 136, 56}, {73, 73, 72, 0}}},
    {140, 80, {{1, 3, 120, 32}, {4, 10, 136, 56}, {1, 0, 0, 0}}},
    {30, 40, {{1, 1, 128, 24}, {2, 4, 112, 40}, {1, 0, 0, 0}}},
    {47, 40, {{1, 3, 104, 24}, {4, 9, 120, 56}, {10, 10, 40, 0}}},
};

VLMW::TBytes AllCorrected(int extraElements, int moveBase) {
    std::vector<TCharPlacement> placements;
    for (int i = 0; i < 7; ++i) {
        placements.push_back(VLMW::CorrectedPlacement(i, extraElements));
        placements.back().record.elements[0].left += static_cast<uint16_t>(moveBase);
    }
    return VLMW::CharacterArchive(placements);
}

} // namespace

TEST(CharacterCorrections, TheSevenKnownRecordsGetTheirPlaces) {
    TLoaded t(AllCorrected(0, 0));
    for (int i = 0; i < 7; ++i) {
        const TCorrected& c = Expected[i];
        SCOPED_TRACE(c.entry);
        ASSERT_EQ(VLM::CharacterNames[c.entry].offset, VLMW::CorrectedRecords[i].offset);
        ASSERT_TRUE(t.ch.Select(c.entry));
        EXPECT_EQ(t.ch.Left, c.left);
        EXPECT_EQ(t.ch.Top, 0);
        EXPECT_EQ(t.ch.getElemLeft(0), c.left);
        EXPECT_EQ(t.ch.getElemTop(0), 0);
        EXPECT_EQ(t.ch.Width, VLMW::CorrectedRecords[i].width); // sizes stay
        int covered = 1;
        for (const auto& r : c.ranges)
            for (int e = r.first; e <= r.last; ++e, ++covered) {
                EXPECT_EQ(t.ch.getElemLeft(e), r.left) << e;
                EXPECT_EQ(t.ch.getElemTop(e), r.top) << e;
                EXPECT_EQ(t.ch.getElemWidth(e), 8) << e;
            }
        EXPECT_EQ(covered, t.ch.Elems); // every element has its place
    }
}

TEST(CharacterCorrections, NearCopiesKeepTheirStoredPlaces) {
    const struct {
        const char* name;
        int extra, move;
    } variants[] = {{"one element more", 1, 0}, {"one element fewer", -1, 0}, {"base moved", 0, 1}};
    for (const auto& v : variants) {
        SCOPED_TRACE(v.name);
        TLoaded t(AllCorrected(v.extra, v.move));
        for (int i = 0; i < 7; ++i) {
            SCOPED_TRACE(Expected[i].entry);
            ASSERT_TRUE(t.ch.Select(Expected[i].entry));
            EXPECT_EQ(t.ch.Left, VLMW::CorrectedRecords[i].left + v.move);
            EXPECT_EQ(t.ch.Top, VLMW::CorrectedRecords[i].top);
            EXPECT_EQ(t.ch.getElemLeft(1), 0); // the writer's own place for element 1
        }
    }
}

TEST(CharacterLoad, HostileOrShortRecordsFailWithoutLoading) {
    const VLMW::TCharRecord good = VLMW::PatternRecord(16, 16, 0, 0, 2, 11);
    const int64_t tables = 640 + 28 * 3, size = VLMW::CharRecordSize(good);
    auto with = [&](auto change) {
        VLMW::TCharRecord r = good;
        change(r);
        return r;
    };
    // Elements of 256 x 257 sharing one set of pixels: a small file asking for more than the
    // limit.
    VLMW::TCharRecord greedy = VLMW::PatternRecord(256, 257, 0, 0, 0, 12);
    greedy.elements[0].dataOffset = 0;
    while (int64_t(greedy.elements.size()) * 256 * 257 <= TCharacterBitmap::MaxRecordPixelBytes) {
        greedy.elements.push_back(greedy.elements[0]);
        greedy.elements.back().pixels.clear(); // written once, by element 0
    }
    const struct {
        const char* name;
        VLMW::TCharRecord record;
        int64_t keep;
    } cases[] = {
        {"no elements", with([](auto& r) { r.count = 0; }), -1},
        {"ends inside the header", good, 60},
        {"ends inside the palette", good, 500},
        {"ends inside the element table", good, 640 + 20},
        {"ends inside the position table", good, tables - 1},
        {"ends inside the last element", good, size - 1},
        {"count far past the file", with([](auto& r) {
             r.count = 65535;
             r.pixelArea = 800;
         }),
         2000},
        {"pixel area past the file", with([](auto& r) {
             r.pixelArea = 0xFFFFFFFF;
             for (auto& e : r.elements)
                 e.pixels.clear(); // the table alone points there
         }),
         -1},
        {"pixels at a huge offset", with([](auto& r) {
             r.elements[2].dataOffset = 0xFFFFFFF0;
             r.elements[2].pixels.clear();
         }),
         -1},
        {"size without pixels",
         with([](auto& r) { r.elements[2].width = r.elements[2].height = 65535; }), -1},
        {"total beyond the limit", greedy, -1},
    };
    VLMT::TTempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TCharacterBitmap ch;
        ch.SetFileName(dir.Write("NCDAT.ALL", VLMW::CharacterArchive({Placed(0, good)})));
        ASSERT_TRUE(ch.Select(144));
        ch.SetFileName(
            dir.Write("NCDAT.ALL", VLMW::CharacterArchive({Placed(0, c.record)}), c.keep));
        EXPECT_FALSE(ch.Select(144));
        EXPECT_FALSE(ch.Loaded);
        EXPECT_EQ(ch.GetIndex(), -1);
        // Everything is checked before the elements are made, so none are left behind.
        EXPECT_EQ(ch.Elems, 0);
        EXPECT_TRUE(ch.elements.empty());
        EXPECT_EQ(ch.getElemLeft(0), -1);
    }
    // The same record whole loads: the cases fail for what they change.
    TLoaded t(VLMW::CharacterArchive({Placed(0, good)}));
    EXPECT_TRUE(t.ch.Select(144));
}

TEST(CharacterLoad, AMissingFileKeepsThePreviousElements) {
    VLMT::TTempDir dir;
    TCharacterBitmap ch;
    EXPECT_STREQ(ch.GetCurrentName(), "(undefined)");
    ch.SetFileName(dir.Write(
        "NCDAT.ALL", VLMW::CharacterArchive({Placed(0, VLMW::PatternRecord(8, 8, 0, 0, 2, 1))})));
    ASSERT_TRUE(ch.Select(144));
    ch.SetFileName(dir.File("sub/NCDAT.ALL"));
    EXPECT_FALSE(ch.Select(144));
    EXPECT_EQ(ch.Elems, 3);
    EXPECT_EQ(ch.Width, 8);
    // Not loaded, yet named after the record it still holds: never "(none)".
    EXPECT_STREQ(ch.GetCurrentName(), VLM::CharacterNames[144].name);
    EXPECT_FALSE(ch.Select(152));
    EXPECT_FALSE(ch.Select(-1));
    ASSERT_EQ(::mkdir(dir.File("sub").c_str(), 0700), 0);
    ASSERT_EQ(::mkfifo(dir.File("sub/NCDAT.ALL").c_str(), 0600), 0);
    EXPECT_FALSE(ch.Select(144)); // must not wait for a writer
    EXPECT_EQ(ch.Elems, 0);       // the file was there, so the old record went
}
