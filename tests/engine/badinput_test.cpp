// Hostile and broken input, file by file: every archive cut at every structural boundary of its
// record, things that are not archives under an archive's name, offsets that point nowhere, and
// elements that reach out of their pictures. Each case pins the sound result and checks that
// nothing beyond it changed.
#include "testsupport.h"
#include "vlmbackground.h"
#include "vlmcharacter.h"
#include "vlmnames.h"
#include "vlmscreen.h"
#include "vlmwallpaper.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Each boundary, the byte before it and the byte after it, inside [0, size].
std::vector<int64_t> Cuts(const std::vector<int64_t>& boundaries, int64_t size) {
    std::set<int64_t> cuts;
    for (int64_t b : boundaries)
        for (int64_t c : {b - 1, b, b + 1})
            if (c >= 0 && c <= size) cuts.insert(c);
    return {cuts.begin(), cuts.end()};
}

// The archive under its name in a folder of its own, beside the one under test.
std::string WriteOld(const VLMT::TTempDir& dir, const char* name, const VLMW::TBytes& bytes) {
    ::mkdir(dir.File("old").c_str(), 0700);
    return dir.Write(std::string("old/") + name, bytes);
}

bool SameRow(const uint8_t* row, const VLMW::TIndexed& p, int y) {
    return std::memcmp(row, &p.pixels[static_cast<size_t>(y) * p.width], p.width) == 0;
}

} // namespace

// ---- Truncation ----------------------------------------------------------------------------

TEST(BadInputTruncation, WallPaperCutAnywhereBeforeItsLastBandFailsKeepingOnlyWhatWasRead) {
    VLMT::TTempDir dir;
    VLMW::TWallPaperEntry oldEntry, newEntry;
    oldEntry.picture = VLMW::PatternPicture(320, 224, 1);
    newEntry.picture = VLMW::PatternPicture(320, 224, 2);
    const std::string oldPath = WriteOld(dir, "EYECATCH.ALL", VLMW::WallPaperArchive({oldEntry}));
    const VLMW::TBytes bytes = VLMW::WallPaperArchive({newEntry});
    const int64_t cells = 64, palette = 73728, needed = cells + 71680; // R = 0

    std::vector<int64_t> boundaries = {16, 32, 48, cells, cells + 16, palette, palette + 512};
    for (int b = 1; b <= 28; ++b)
        boundaries.push_back(cells + 2560 * b);
    // A second wallpaper, loaded before, must come through every failure intact.
    VLM::TWallPaperBitmap bystander;
    bystander.SetFileName(oldPath);
    ASSERT_TRUE(bystander.Select(0));

    for (int64_t cut : Cuts(boundaries, bytes.Size())) {
        SCOPED_TRACE(cut);
        VLM::TWallPaperBitmap w;
        w.SetFileName(oldPath);
        ASSERT_TRUE(w.Select(0));
        w.SetFileName(dir.Write("EYECATCH.ALL", bytes, cut));
        const bool loads = cut >= needed;
        EXPECT_EQ(w.Select(0), loads);
        EXPECT_EQ(w.Loaded, loads);
        EXPECT_EQ(w.GetIndex(), loads ? 0 : -1);
        // Bands read before the cut hold the new picture, the rest the old one.
        const int64_t bands = std::clamp<int64_t>((cut - cells) / 2560, 0, 28);
        for (int b : {0, 13, 27}) {
            const auto& expected = b < bands ? newEntry.picture : oldEntry.picture;
            ASSERT_TRUE(SameRow(w.Row(8 * b + 7), expected, 8 * b + 7)) << "band " << b;
        }
        // So does the palette, entry by entry, once the picture has loaded.
        const int64_t fresh = loads ? std::clamp<int64_t>((cut - palette) / 2, 0, 256) : 0;
        for (int64_t i : {int64_t{0}, fresh - 1, fresh, int64_t{255}}) {
            if (i < 0 || i > 255) continue;
            const auto& expected = i < fresh ? newEntry.picture : oldEntry.picture;
            ASSERT_EQ(w.Palette[i], VLMT::Screen(expected, static_cast<int>(i))) << i;
        }
        ASSERT_TRUE(bystander.Loaded);
        ASSERT_TRUE(SameRow(bystander.Row(100), oldEntry.picture, 100));
    }
}

TEST(BadInputTruncation, BackGroundCutAnywhereBeforeItsLastBandFailsKeepingOnlyWhatWasRead) {
    VLMT::TTempDir dir;
    VLMW::TBackGroundRecord oldRecord, newRecord;
    oldRecord.picture = VLMW::PatternPicture(288, 144, 3);
    newRecord.picture = VLMW::PatternPicture(24, 24, 4); // three bands of 192 bytes
    newRecord.leadRecords = 2;
    const std::string oldPath = WriteOld(dir, "NBGFILE1.ALL", VLMW::BackGroundArchive({oldRecord}));
    const VLMW::TBytes bytes = VLMW::BackGroundArchive({newRecord});
    const int64_t r = 32, cells = r + 96, palette = cells + 576;

    const std::vector<int64_t> boundaries = {16,          r,           r + 8,   r + 12,
                                             r + 16,      r + 20,      r + 32,  cells,
                                             cells + 192, cells + 384, palette, palette + 512};
    VLM::TBackGroundBitmap bystander;
    bystander.SetFileName(oldPath);
    ASSERT_TRUE(bystander.Select(290));

    for (int64_t cut : Cuts(boundaries, bytes.Size())) {
        SCOPED_TRACE(cut);
        VLM::TBackGroundBitmap b;
        b.SetFileName(oldPath);
        ASSERT_TRUE(b.Select(290));
        const uint8_t* store = b.Pixels.get();
        b.SetFileName(dir.Write("NBGFILE1.ALL", bytes, cut));
        const bool loads = cut >= palette;
        EXPECT_EQ(b.Select(290), loads);
        EXPECT_EQ(b.Loaded, loads);
        EXPECT_EQ(b.Pixels.get(), store) << "the smaller picture fits the store it has";
        EXPECT_EQ(b.Capacity, 288 * 144);
        if (cut < r + 16) { // the header never arrived: nothing of the record is taken
            EXPECT_EQ(b.Width, 288);
            EXPECT_EQ(b.Height, 144);
            EXPECT_EQ(b.Offset, 0);
        } else {
            EXPECT_EQ(b.Width, 24);
            EXPECT_EQ(b.Height, 24);
            EXPECT_EQ(b.Offset, r);
            const int64_t bands = std::clamp<int64_t>((cut - cells) / 192, 0, 3);
            for (int band = 0; band < 3; ++band) {
                // Rows of the new width laid over the old store: a band not read keeps old bytes.
                const bool fresh = band < bands;
                const bool same = SameRow(b.Row(8 * band + 7), newRecord.picture, 8 * band + 7);
                ASSERT_EQ(same, fresh) << "band " << band;
            }
        }
        const int64_t fresh = loads ? std::clamp<int64_t>((cut - palette) / 2, 0, 256) : 0;
        for (int64_t i : {int64_t{0}, fresh - 1, fresh, int64_t{255}}) {
            if (i < 0 || i > 255) continue;
            const auto& expected = i < fresh ? newRecord.picture : oldRecord.picture;
            ASSERT_EQ(b.Palette[i], VLMT::Screen(expected, static_cast<int>(i))) << i;
        }
        ASSERT_TRUE(bystander.Loaded);
        ASSERT_TRUE(SameRow(bystander.Row(143), oldRecord.picture, 143));
    }
}

TEST(BadInputTruncation, CharacterCutAnywhereInItsRecordFailsAndLeavesNoElements) {
    VLMT::TTempDir dir;
    VLMW::TCharRecord oldRecord = VLMW::PatternRecord(24, 16, 5, 6, 1, 5);
    VLMW::TCharRecord newRecord = VLMW::PatternRecord(16, 8, 2, 3, 0, 6);
    newRecord.elements.push_back(VLMW::PatternElement(8, 8, 1, 1, 7));
    newRecord.elements.push_back(VLMW::PatternElement(4, 2, 3, 3, 8));
    VLMW::TCharPlacement oldPlaced, newPlaced;
    oldPlaced.record = oldRecord;
    newPlaced.record = newRecord;
    const std::string oldPath = WriteOld(dir, "NCDAT.ALL", VLMW::CharacterArchive({oldPlaced}));
    const VLMW::TBytes bytes = VLMW::CharacterArchive({newPlaced});
    const int64_t n = 3, positions = 640 + 20 * n, pixels = VLMW::CharPixelArea(newRecord);
    ASSERT_EQ(VLMW::CharRecordSize(newRecord), bytes.Size());

    std::vector<int64_t> boundaries = {8, 10, 12, 16, 40, 44, 72, 76, 128, 640, positions};
    for (int64_t i = 1; i <= n; ++i) {
        boundaries.push_back(640 + 16 * i);
        boundaries.push_back(positions + 8 * i);
    }
    const auto offsets = VLMW::CharDataOffsets(newRecord);
    for (size_t i = 0; i < offsets.size(); ++i) {
        boundaries.push_back(pixels + offsets[i]);
        boundaries.push_back(pixels + offsets[i] + int64_t(newRecord.elements[i].pixels.size()));
    }

    for (int64_t cut : Cuts(boundaries, bytes.Size())) {
        SCOPED_TRACE(cut);
        VLM::TCharacterBitmap ch;
        ch.SetFileName(oldPath);
        ASSERT_TRUE(ch.Select(144));
        ch.SetFileName(dir.Write("NCDAT.ALL", bytes, cut));
        const bool loads = cut == bytes.Size();
        EXPECT_EQ(ch.Select(144), loads);
        EXPECT_EQ(ch.Loaded, loads);
        EXPECT_EQ(ch.GetIndex(), loads ? 144 : -1);
        if (loads) {
            EXPECT_EQ(ch.Elems, 3);
            EXPECT_EQ(ch.Left, 2);
            continue;
        }
        // The file was there, so the old record is gone; none of the new one was made.
        EXPECT_EQ(ch.Elems, 0);
        EXPECT_TRUE(ch.elements.empty());
        EXPECT_EQ(ch.getElemWidth(0), -1);
        EXPECT_FALSE(ch.SameElemRect(0, 0));
        VLM::TPicture dst(64, 64);
        EXPECT_FALSE(ch.DrawElem(0, dst, 0, 0));
        EXPECT_FALSE(ch.ComposeElem(0));
        // The place and size of the base picture are those of the last record that loaded.
        EXPECT_EQ(ch.Left, 5);
        EXPECT_EQ(ch.Top, 6);
        EXPECT_EQ(ch.Width, 24);
        EXPECT_EQ(ch.Height, 16);
    }
}

// ---- Things that are not archives under an archive's name -----------------------------------

namespace {

// One archive kind: a good archive of it and how the viewer selects its first picture.
struct TKind {
    const char* name;
    std::function<std::unique_ptr<VLM::TBitmap>()> make;
    VLMW::TBytes good;
    int index;
};

std::vector<TKind> Kinds() {
    VLMW::TWallPaperEntry w;
    w.picture = VLMW::PatternPicture(320, 224, 11);
    VLMW::TBackGroundRecord b;
    b.picture = VLMW::PatternPicture(32, 16, 12);
    VLMW::TCharPlacement c;
    c.record = VLMW::PatternRecord(16, 16, 1, 2, 2, 13);
    return {
        {"EYECATCH.ALL", [] { return std::make_unique<VLM::TWallPaperBitmap>(); },
         VLMW::WallPaperArchive({w}), 0},
        {"NBGFILE1.ALL", [] { return std::make_unique<VLM::TBackGroundBitmap>(); },
         VLMW::BackGroundArchive({b}), 290},
        {"NCDAT.ALL", [] { return std::make_unique<VLM::TCharacterBitmap>(); },
         VLMW::CharacterArchive({c}), 144},
    };
}

// What a picture object holds, to tell whether a failed load touched it.
struct TSnapshot {
    int32_t width, height, offset, elems;
    std::array<uint16_t, 256> palette;
    std::vector<uint8_t> pixels;

    explicit TSnapshot(VLM::TBitmap& b) : width(b.Width), height(b.Height), offset(b.Offset) {
        palette = b.Palette;
        auto* ch = dynamic_cast<VLM::TCharacterBitmap*>(&b);
        elems = ch ? ch->Elems : -1;
        if (b.Pixels) pixels.assign(b.Pixels.get(), b.Pixels.get() + int64_t{b.Width} * b.Height);
    }
    bool operator==(const TSnapshot& o) const {
        return width == o.width && height == o.height && offset == o.offset && elems == o.elems &&
               palette == o.palette && pixels == o.pixels;
    }
};

struct TFileCase {
    const char* what;
    std::function<void(const std::string& path, const std::string& good)> plant;
    bool exists; // something is there: a character forgets its record, as for any open
    bool loads;
};

// Plants the thing under each archive's name and selects a picture from it with an object
// that held a good picture before.
void ExpectFileCase(const TFileCase& c) {
    for (const TKind& kind : Kinds()) {
        SCOPED_TRACE(std::string(kind.name) + ", " + c.what);
        VLMT::TTempDir dir;
        const std::string good = dir.Write(kind.name, kind.good);
        const std::string other = dir.File("other");
        ASSERT_EQ(::mkdir(other.c_str(), 0700), 0);
        const std::string path = other + "/" + kind.name;
        c.plant(path, good);
        auto picture = kind.make();
        picture->SetFileName(good);
        ASSERT_TRUE(picture->Select(kind.index));
        const TSnapshot before(*picture);
        picture->SetFileName(path);
        EXPECT_EQ(picture->Select(kind.index), c.loads);
        EXPECT_EQ(picture->Loaded, c.loads);
        EXPECT_EQ(picture->GetIndex(), c.loads ? kind.index : -1);
        auto* ch = dynamic_cast<VLM::TCharacterBitmap*>(picture.get());
        if (c.loads) continue;
        if (ch && c.exists) {
            EXPECT_EQ(ch->Elems, 0);
            EXPECT_TRUE(ch->elements.empty());
        } else {
            EXPECT_TRUE(TSnapshot(*picture) == before) << "the failed load changed it";
        }
    }
}

} // namespace

TEST(BadInputFiles, OnlyRegularFilesAreReadAndAFailedOpenChangesNothing) {
    const TFileCase cases[] = {
        {"FIFO", [](auto& p, auto&) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }, true, false},
        {"directory", [](auto& p, auto&) { ASSERT_EQ(::mkdir(p.c_str(), 0700), 0); }, true, false},
        {"link to /dev/zero",
         [](auto& p, auto&) { ASSERT_EQ(::symlink("/dev/zero", p.c_str()), 0); }, true, false},
        {"dangling link",
         [](auto& p, auto&) { ASSERT_EQ(::symlink((p + ".gone").c_str(), p.c_str()), 0); }, false,
         false},
        {"link to an archive", // archives are only read, so a link to one is as good as it
         [](auto& p, auto& good) { ASSERT_EQ(::symlink(good.c_str(), p.c_str()), 0); }, true, true},
    };
    for (const auto& c : cases)
        ExpectFileCase(c);
}

TEST(BadInputFiles, AnUnreadableFileFailsToOpen) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
    ExpectFileCase({"unreadable file",
                    [](auto& p, auto& good) {
                        std::filesystem::copy_file(good, p);
                        ASSERT_EQ(::chmod(p.c_str(), 0), 0);
                    },
                    true, false});
}

// ---- Offsets that point nowhere -------------------------------------------------------------

TEST(BadInputOffsets, PixelOffsetsAreAddedWithoutWrappingBackIntoTheRecord) {
    VLMT::TTempDir dir;
    // Character pixel offsets whose sum with the pixel area wraps 32 bits back into the record:
    // the record's own bytes are there, but the element is not.
    const struct {
        const char* name;
        uint32_t pixelArea, dataOffset; // the record is 724 bytes up to its pixel area
    } cases[] = {
        {"offset wraps to the record start", 724, 0u - 724u},
        {"offset wraps into the palette", 724, 0u - 596u},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        VLMW::TCharPlacement p;
        p.record = VLMW::PatternRecord(8, 8, 0, 0, 2, 23);
        p.record.pixelArea = c.pixelArea;
        p.record.elements[0].dataOffset = 0;
        p.record.elements[1].dataOffset = 64;
        p.record.elements[2].dataOffset = c.dataOffset;
        p.record.elements[2].pixels.clear();
        VLM::TCharacterBitmap ch;
        ch.SetFileName(dir.Write("NCDAT.ALL", VLMW::CharacterArchive({p})));
        EXPECT_FALSE(ch.Select(144));
        EXPECT_EQ(ch.Elems, 0);
    }
}

// ---- Elements outside their pictures ------------------------------------------------------

namespace {

struct TElementScreen {
    VLMT::TTempDir dir;
    VLMT::TRecordingCanvas canvas;
    VLM::TScreen s;
    VLMW::TCharRecord record;

    // A 16 x 16 base at the origin and element 1 as given; picture 126 is a plain one.
    TElementScreen(int left, int top, int width, int height) {
        record = VLMW::PatternRecord(16, 16, 0, 0, 0, 31);
        record.elements.push_back(VLMW::PatternElement(width, height, left, top, 32));
        VLMW::TCharPlacement plain;
        plain.offset = VLM::CharacterNames[126].offset;
        plain.record = VLMW::PatternRecord(8, 8, 0, 0, 0, 33);
        VLMW::TCharPlacement p;
        p.record = record;
        s.target = &canvas;
        s.putchfn(dir.Write("NCDAT.ALL", VLMW::CharacterArchive({p, plain})));
    }
    uint16_t Pixel(int x, int y) const { return s.GetOffscreen().ScanLine(y)[x]; }
    uint16_t Element(int c, int r) const {
        const auto& e = record.elements[1];
        const uint16_t v = record.palette[e.pixels[static_cast<size_t>(r) * e.width + c]];
        return VLM::ArchiveToScreenColor(static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v));
    }
};

} // namespace

TEST(BadInputElements, TheScreenClipsColumnsAndAFailingRowReachesTheCallerAlone) {
    // The origin is (16, 8): the screen ends 304 columns and 216 rows from it.
    const struct {
        const char* name;
        int left, top, width, height;
        bool throws;
        int lastColumn, lastRow; // of the element, drawn on the screen; -1: none
        VLM::TRect copied;       // what DrawElement copies to the window; empty: nothing
    } cases[] = {
        {"partly right of the screen", 296, 0, 16, 8, false, 7, 7, {312, 8, 320, 16}},
        {"wholly right of the screen", 400, 20, 16, 8, false, -1, -1, {}},
        {"partly below the screen", 20, 210, 8, 16, true, 7, 5, {}},
        {"wholly below the screen", 20, 300, 8, 8, true, -1, -1, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TElementScreen t(c.left, c.top, c.width, c.height);
        if (c.throws) {
            EXPECT_THROW(t.s.DrawCharacter(144), VLM::ERowRange);
        } else {
            EXPECT_NO_THROW(t.s.DrawCharacter(144));
        }
        // The record loaded and keeps its default selection whatever its elements did.
        EXPECT_EQ(t.s.getch(), 144);
        EXPECT_EQ(t.s.shownElements, (std::vector<int32_t>{0, 1}));
        if (c.lastColumn >= 0) {
            const int x = 16 + c.left + c.lastColumn, y = 8 + c.top + c.lastRow;
            EXPECT_EQ(t.Pixel(x, y), t.Element(c.lastColumn, c.lastRow));
        }
        if (!c.throws) {
            t.canvas.calls.clear();
            t.s.DrawElement(1);
            const VLM::TRect& r = c.copied;
            const bool copies = r.right > r.left;
            ASSERT_EQ(t.canvas.calls.size(), copies ? 2u : 1u); // the full redraw first
            if (copies) {
                const auto& src = t.canvas.calls[1].src;
                EXPECT_EQ(src.left, r.left);
                EXPECT_EQ(src.top, r.top);
                EXPECT_EQ(src.right, r.right);
                EXPECT_EQ(src.bottom, r.bottom);
            }
        }
        // The viewer goes on: another character draws as usual.
        EXPECT_NO_THROW(t.s.DrawCharacter(126));
        EXPECT_EQ(t.s.getch(), 126);
        EXPECT_EQ(t.s.shownElements, (std::vector<int32_t>{0}));
    }
}

TEST(BadInputElements, ComposingClipsColumnsOutsideWorkAndDumpsRowsOutsideIt) {
    VLMT::TTempDir dir;
    VLMT::TRecordingInterface ui;
    VLM::TCharacterBitmap::SetDumpPath(dir.File("run.log"));
    const struct {
        const char* name;
        int baseLeft, baseTop, left, top;
        bool fits;
    } cases[] = {
        {"wholly right of the base", 0, 0, 40, 2, true},
        {"wholly above the base", 0, 8, 0, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        VLMW::TCharPlacement p;
        p.record = VLMW::PatternRecord(16, 16, c.baseLeft, c.baseTop, 0, 41);
        p.record.elements.push_back(VLMW::PatternElement(8, 4, c.left, c.top, 42));
        VLM::TCharacterBitmap ch;
        ch.SetFileName(dir.Write("NCDAT.ALL", VLMW::CharacterArchive({p})));
        ASSERT_TRUE(ch.Select(144));
        const size_t dialogs = ui.dialogs.size();
        EXPECT_EQ(ch.ComposeElem(1), c.fits);
        EXPECT_EQ(ui.dialogs.size(), dialogs + (c.fits ? 0 : 1));
        EXPECT_EQ(ch.Work.Width(), 16);
        EXPECT_EQ(ch.Work.Height(), 16);
    }
    VLM::TCharacterBitmap::SetDumpPath("");
}

TEST(BadInputElements, ElementsWithoutPixelsLoadAndOnlyTheirRowsCanFail) {
    // Element 1 lies at (5, 6), two rows below the base's top.
    const struct {
        const char* name;
        int baseWidth, baseHeight, width, height;
        bool drawFails, composes;
    } cases[] = {
        {"empty base and element", 0, 0, 0, 0, false, true},
        {"base without columns", 0, 16, 8, 8, false, true},
        {"base without rows", 16, 0, 8, 8, false, false},
        {"element without columns, rows past the screen", 16, 16, 0, 8000, true, false},
        {"element without rows, wider than the screen", 16, 16, 8000, 0, false, true},
    };
    VLMT::TTempDir dir;
    VLMT::TRecordingInterface ui;
    VLM::TCharacterBitmap::SetDumpPath(dir.File("run.log"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        VLMW::TCharPlacement p;
        p.record = VLMW::PatternRecord(1, 1, 3, 4, 0, 51);
        p.record.elements[0] = VLMW::PatternElement(c.baseWidth, c.baseHeight, 3, 4, 51);
        p.record.elements.push_back(VLMW::PatternElement(c.width, c.height, 5, 6, 52));
        VLM::TScreen s;
        s.putchfn(dir.Write("NCDAT.ALL", VLMW::CharacterArchive({p})));
        if (c.drawFails) {
            EXPECT_THROW(s.DrawCharacter(144), VLM::ERowRange);
        } else {
            EXPECT_NO_THROW(s.DrawCharacter(144));
        }
        ASSERT_TRUE(s.getchloaded());
        EXPECT_EQ(s.getelcnt(), 2);
        VLM::TCharacterBitmap ch;
        ch.SetFileName(s.getchfn());
        ASSERT_TRUE(ch.Select(144));
        EXPECT_EQ(ch.Work.Width(), c.baseWidth);
        EXPECT_EQ(ch.Work.Height(), c.baseHeight);
        const size_t dumps = ui.dialogs.size();
        EXPECT_EQ(ch.ComposeElem(1), c.composes);
        EXPECT_EQ(ui.dialogs.size(), dumps + (c.composes ? 0 : 1));
    }
    VLM::TCharacterBitmap::SetDumpPath("");
}

// ---- The dump path ------------------------------------------------------------------------

TEST(BadInputDumpPath, OnlyAPlainFileOfItsOwnIsWrittenAndAFailureLeavesTheViewerWorking) {
    VLMT::TTempDir dir;
    VLMT::TRecordingInterface ui;
    VLMW::TCharPlacement p;
    p.record = VLMW::PatternRecord(16, 16, 0, 0, 0, 61);
    p.record.elements.push_back(VLMW::PatternElement(4, 4, 2, 40, 62)); // below the base
    p.record.elements.push_back(VLMW::PatternElement(4, 4, 2, 2, 63));  // fits
    VLM::TCharacterBitmap ch;
    ch.SetFileName(dir.Write("NCDAT.ALL", VLMW::CharacterArchive({p})));
    ASSERT_TRUE(ch.Select(144));

    const std::string victim = dir.File("victim");
    std::ofstream(victim) << "keep";
    const struct {
        const char* name;
        std::function<void(const std::string&)> plant;
    } cases[] = {
        {"link to a file", [&](auto& at) { ASSERT_EQ(::symlink(victim.c_str(), at.c_str()), 0); }},
        {"link to nothing, where following it would create the file",
         [&](auto& at) { ASSERT_EQ(::symlink(dir.File("made").c_str(), at.c_str()), 0); }},
        {"second name of another file",
         [&](auto& at) { ASSERT_EQ(::link(victim.c_str(), at.c_str()), 0); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string at = dir.File(std::string("dump-") + std::to_string(&c - cases));
        c.plant(at);
        VLM::TCharacterBitmap::SetDumpPath(at);
        EXPECT_THROW(ch.ComposeElem(1), std::runtime_error);
        EXPECT_TRUE(ui.dialogs.empty());
        EXPECT_EQ(ui.terminations, 0);
        // The character stays usable.
        EXPECT_TRUE(ch.ComposeElem(2));
        VLM::TPicture screen(320, 224);
        EXPECT_TRUE(ch.DrawElem(2, screen, 16, 8));
    }
    std::ifstream in(victim);
    std::string kept;
    in >> kept;
    EXPECT_EQ(kept, "keep");
    EXPECT_FALSE(std::filesystem::exists(dir.File("made")));

    // A dump file the user already has is appended to and keeps its mode.
    const std::string own = dir.File("run.log");
    std::ofstream(own) << "earlier\n";
    ASSERT_EQ(::chmod(own.c_str(), 0644), 0);
    VLM::TCharacterBitmap::SetDumpPath(own);
    EXPECT_FALSE(ch.ComposeElem(1));
    struct stat st {};
    ASSERT_EQ(::stat(own.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    EXPECT_EQ(static_cast<size_t>(st.st_size), 8 + ch.DumpText().size());
    EXPECT_EQ(ui.dialogs.size(), 1u);
    VLM::TCharacterBitmap::SetDumpPath("");
}
