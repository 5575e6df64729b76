// A long run of the automatic display over full-size archives with some damaged pictures: every
// wheel turns, the damaged pictures fail or misdraw as they must, nothing leaks (the sanitizer
// build runs this too) and the archives are never touched.
#include "testsupport.h"
#include "vlmnames.h"
#include "vlmscreen.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace {

constexpr int Ticks = 20000;

// Counts what reaches the window instead of keeping copies: 20 000 of them would not fit.
class TCountingCanvas : public VLM::TCanvas {
public:
    int copies = 0;
    void Draw(int, int, const VLM::TPicture&) override { ++copies; }
    void StretchDraw(const VLM::TRect&, const VLM::TPicture&) override { ++copies; }
    void CopyRect(const VLM::TRect&, const VLM::TPicture&, const VLM::TRect&) override { ++copies; }
    void FillBlack(const VLM::TRect&) override {}
};

struct TArchive {
    std::string path;
    VLMW::TBytes bytes;
    int64_t keep = -1;
    std::vector<bool> loads; // by picture index
    struct stat before {};

    void Write(const VLMT::TTempDir& dir, const char* name) {
        path = dir.Write(name, bytes, keep);
        ASSERT_EQ(::stat(path.c_str(), &before), 0);
    }
    void ExpectUntouched() const {
        struct stat after {};
        ASSERT_EQ(::stat(path.c_str(), &after), 0);
        EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec) << path;
        EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec) << path;
        std::ifstream in(path, std::ios::binary);
        const std::vector<uint8_t> now((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
        const size_t size = keep < 0 ? bytes.data.size() : static_cast<size_t>(keep);
        EXPECT_TRUE(now.size() == size && std::equal(now.begin(), now.end(), bytes.data.begin()))
            << path;
    }
};

// WPALL1.ALL: 34 pictures at their hint offsets. Picture 5 starts with a row of zeros, which the
// search takes for filler, so it loads shifted; the file ends inside picture 33.
TArchive WallPapers() {
    TArchive a;
    std::vector<VLMW::TWallPaperEntry> entries(34);
    for (int i = 0; i < 34; ++i) {
        entries[i].index = i;
        entries[i].picture = VLMW::PatternPicture(320, 224, 100 + i);
    }
    for (int x = 0; x < 8; ++x)
        for (int y = 0; y < 2; ++y)
            entries[5].picture.At(x, y) = 0;
    a.bytes = VLMW::WallPaperArchive(entries);
    a.keep = VLMW::WallPaperRecordStart(entries[33]) + 64 + 2560 * 10;
    a.loads.assign(34, true);
    a.loads[33] = false;
    return a;
}

// NBGFILE1.ALL: all 500 records at their directory offsets, small pictures, some refused
// (width 0, height not a multiple of 8) and some with their palette past the end of the file.
TArchive BackGrounds() {
    TArchive a;
    std::vector<VLMW::TBackGroundRecord> records(500);
    a.loads.assign(500, true);
    for (int i = 0; i < 500; ++i) {
        auto& r = records[i];
        r.searchFrom = VLM::BackGroundNames[i].offset;
        r.picture = VLMW::PatternPicture(i % 50 == 0 ? 32 : 8, 8, 200 + i);
        r.leadRecords = i % 3;
        if (i % 37 == 5) {
            r.headerWidth = 0;
            a.loads[i] = false;
        } else if (i % 41 == 3) {
            r.headerHeight = 12;
            a.loads[i] = false;
        } else if (i % 53 == 7) {
            r.palettePosition = 0x7FFF0000;
            r.writePalette = false;
        }
    }
    a.bytes = VLMW::BackGroundArchive(records);
    return a;
}

// NCDAT.ALL: all 152 records at their table offsets; some without elements, some whose pixels
// lie past the end of the file, and some with an element below the screen, which loads and
// then fails to draw.
constexpr bool ReachesBelow(int i) {
    return i % 23 == 6;
}

TArchive Characters() {
    TArchive a;
    std::vector<VLMW::TCharPlacement> placements(152);
    a.loads.assign(152, true);
    for (int i = 0; i < 152; ++i) {
        auto& p = placements[i];
        p.offset = VLM::CharacterNames[i].offset;
        p.gapBlocks = i % 2;
        p.record = VLMW::PatternRecord(16, 16, i % 4 * 8, i % 3 * 8, 1, 300 + i);
        VLMW::AddAlternatives(p.record, 4, 4, 8, 8, 2, 400 + i);
        if (i % 19 == 4) {
            p.record.count = 0;
            a.loads[i] = false;
        } else if (i % 29 == 8) {
            p.record.pixelArea = 0xFFFFFFF0;
            for (auto& e : p.record.elements)
                e.pixels.clear();
            a.loads[i] = false;
        } else if (ReachesBelow(i)) {
            p.record.elements[1].top = 300;
        }
    }
    a.bytes = VLMW::CharacterArchive(placements);
    return a;
}

} // namespace

TEST(Soak, AutomaticDisplayRunsLongOverDamagedArchivesAndNeverWritesThem) {
    VLMT::TTempDir dir;
    TArchive wp = WallPapers(), bg = BackGrounds(), ch = Characters();
    wp.Write(dir, "WPALL1.ALL");
    bg.Write(dir, "NBGFILE1.ALL");
    ch.Write(dir, "NCDAT.ALL");

    VLM::TScreen s;
    TCountingCanvas canvas;
    s.target = &canvas;
    s.putwpfn(wp.path);
    s.putbgfn(bg.path);
    s.putchfn(ch.path);
    ASSERT_EQ(s.getwpcnt(), 34);
    ASSERT_EQ(s.getbgcnt(), 500);
    ASSERT_EQ(s.getchcnt(), 152);

    // Where the user left the wheels: the last wallpaper, a background near the end, so that
    // both carries happen within the run.
    int wpIndex = 33, bgIndex = 440, chIndex = -1;
    s.DrawWallPaper(wpIndex);
    s.DrawBackGround(bgIndex);

    int errors = 0, wallPaperTurns = 0, backGroundTurns = 0, swaps = 0;
    for (int tick = 0; tick < Ticks; ++tick) {
        // One timer tick: the odometer of the automatic display. The window would read the
        // wheels back from the compositor, which pins a wheel on a damaged picture; the wheels
        // here keep turning so that every picture comes round.
        try {
            if (++chIndex >= s.getchcnt()) {
                chIndex = 0;
                if (++bgIndex >= s.getbgcnt()) {
                    bgIndex = 0;
                    if (++wpIndex >= s.getwpcnt()) wpIndex = 0;
                    s.DrawWallPaper(wpIndex);
                    ++wallPaperTurns;
                    EXPECT_EQ(s.getwploaded(), wp.loads[wpIndex]) << wpIndex;
                }
                s.DrawBackGround(bgIndex);
                ++backGroundTurns;
                EXPECT_EQ(s.getbgloaded(), bg.loads[bgIndex]) << bgIndex;
            }
            s.DrawCharacter(chIndex);
            // Now and then the user swaps an element in the tools window.
            if (tick % 7 == 0 && s.getchloaded()) {
                s.DrawElement(tick % 2 ? 2 : 3);
                ++swaps;
            }
        } catch (const VLM::ERowRange&) {
            ++errors; // the application's error box; the timer goes on
        }
        if (s.GetDrawnCharacter() == chIndex) {
            ASSERT_EQ(s.getchloaded(), ch.loads[chIndex]) << "tick " << tick;
            ASSERT_EQ(s.getch(), ch.loads[chIndex] ? chIndex : -1);
        }
    }

    EXPECT_EQ(wallPaperTurns, 1);
    EXPECT_EQ(backGroundTurns, Ticks / 152);
    EXPECT_GT(errors, 0) << "characters reaching below the screen report to the caller";
    EXPECT_GT(swaps, 1000);
    EXPECT_GT(canvas.copies, Ticks);
    EXPECT_EQ(s.getwp(), 0);
    wp.ExpectUntouched();
    bg.ExpectUntouched();
    ch.ExpectUntouched();
}
