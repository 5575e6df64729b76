// Exporting pictures: what the files hold (read back through a PNG decoder), file names, whole
// writes, and the batch with its threads, progress, failures and diagnostic dump.
#include "exportsupport.h"
#include "vlmexport.h"
#include "vlmnames.h"
#include "vlmnaming.h"
#include "vlmpng.h"
#include "vlmwrite.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using VLMT::ReadPng;
using VLMX::TExportOptions;

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Stem(int index, const VLM::TNameEntry* table) {
    return VLMX::PictureStem(index, table[index].name);
}

// Every pixel and every palette entry of file equals the picture's, widened.
void ExpectSamePicture(const std::string& file, const VLMW::TIndexed& p) {
    const VLMT::TPng png = ReadPng(file);
    ASSERT_EQ(png.colourType, 3);
    ASSERT_EQ(png.bitDepth, 8);
    ASSERT_EQ(png.width, p.width);
    ASSERT_EQ(png.height, p.height);
    ASSERT_EQ(png.palette.size(), 256u);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(png.palette[size_t(i)], VLMT::Widened(VLMT::Screen(p, i))) << "entry " << i;
    EXPECT_TRUE(png.alpha.empty());
    EXPECT_EQ(png.samples, p.pixels);
}

// A character: a 24 x 16 base at (10, 20) with index 0 in its first row, two alternatives for
// one spot (elements 1 and 2) and a single element 3 reaching past the base's right edge.
VLMW::TCharRecord Character() {
    VLMW::TCharRecord r = VLMW::PatternRecord(24, 16, 10, 20, 0, 70);
    for (int x = 0; x < 24; ++x)
        r.elements[0].pixels[size_t(x)] = 0;
    VLMW::AddAlternatives(r, 14, 22, 8, 4, 2, 71);
    r.elements[1].pixels[0] = 0; // a hole in element 1: the base shows through
    r.elements.push_back(VLMW::PatternElement(8, 8, 30, 26, 73));
    return r;
}

constexpr int Ch = 144; // character table offset 0

std::string CharacterArchive(const VLMT::TTempDir& dir, std::vector<VLMW::TCharRecord> records) {
    std::vector<VLMW::TCharPlacement> placements;
    const int indices[] = {Ch, 126}; // offsets 0 and 8 x 2048
    for (size_t i = 0; i < records.size(); ++i)
        placements.push_back({VLM::CharacterNames[indices[i]].offset, 0, false, records[i]});
    return dir.Write("NCDAT.ALL", VLMW::CharacterArchive(placements));
}

} // namespace

// ---- Images --------------------------------------------------------------------------------

TEST(ExportColours, FiveBitChannelsWidenToTheFullEightBitRange) {
    const struct {
        unsigned in;
        uint8_t out;
    } cases[] = {{0, 0}, {1, 8}, {15, 123}, {16, 132}, {30, 247}, {31, 255}};
    for (const auto& c : cases)
        EXPECT_EQ(VLMX::Widen5(c.in), c.out) << c.in;
    const VLMX::TRgb red = VLMX::ScreenToRgb(0x7C00), mixed = VLMX::ScreenToRgb(0x5224);
    EXPECT_EQ(red, (VLMX::TRgb{255, 0, 0}));
    EXPECT_EQ(mixed, (VLMX::TRgb{VLMX::Widen5(20), VLMX::Widen5(17), VLMX::Widen5(4)}));
}

TEST(ExportRoundTrip, WallPapersAndBackGroundsKeepTheirStoredIndicesAndPaletteWhole) {
    VLMT::TTempDir dir;
    std::vector<VLMW::TWallPaperEntry> entries(2);
    for (int i = 0; i < 2; ++i) {
        entries[size_t(i)].index = i;
        entries[size_t(i)].picture = VLMW::PatternPicture(320, 224, 50 + i);
    }
    const std::string wp = dir.Write("EYECATCH.ALL", VLMW::WallPaperArchive(entries));
    // Wider and taller than the part the compositor shows, narrower, and odd in shape.
    const auto bg = VLMT::SpacedBackGrounds({{296, 152}, {24, 16}, {464, 40}}, 60);
    const std::string bgPath = dir.Write("NBGFILE1.ALL", bg.bytes);

    for (int threads : {1, 3}) {
        SCOPED_TRACE(threads);
        const std::string out = dir.File("out" + std::to_string(threads));
        ASSERT_EQ(VLMX::MakeFolder(out), 0);
        TExportOptions options;
        options.threads = threads;
        auto r = VLMX::ExportPictures(wp, {0, 1}, out, options);
        EXPECT_EQ(r.written, 2);
        for (int i = 0; i < 2; ++i)
            ExpectSamePicture(out + "/" + Stem(i, VLM::EyeCatchNames) + ".png",
                              entries[size_t(i)].picture);
        r = VLMX::ExportPictures(bgPath, bg.indices, out, options);
        EXPECT_EQ(r.written, 3);
        EXPECT_TRUE(r.failures.empty());
        for (size_t i = 0; i < bg.indices.size(); ++i)
            ExpectSamePicture(out + "/" + Stem(bg.indices[i], VLM::BackGroundNames) + ".png",
                              bg.pictures[i]);
    }
}

TEST(ExportRoundTrip, ACharacterShowsItsFirstElementsOverATransparentGroundAndEachAlone) {
    VLMT::TTempDir dir;
    const VLMW::TCharRecord rec = Character();
    TExportOptions options;
    options.elements = true;
    const auto report =
        VLMX::ExportPictures(CharacterArchive(dir, {rec}), {Ch}, dir.Path(), options);
    ASSERT_EQ(report.written, 1);
    EXPECT_EQ(report.files, 1 + 4 + 1);

    const std::string stem = dir.File(Stem(Ch, VLM::CharacterNames));
    const VLMT::TPng png = ReadPng(stem + ".png");
    ASSERT_EQ(png.colourType, 3);
    EXPECT_EQ(png.width, 24); // the base picture frames it; element 3's overhang is cut
    EXPECT_EQ(png.height, 16);
    EXPECT_EQ(png.alpha, std::vector<uint8_t>{0}); // index 0 alone is transparent
    for (size_t i = 0; i < 256; ++i) {
        const uint16_t stored = rec.palette[i];
        ASSERT_EQ(png.palette[i],
                  VLMT::Widened(VLM::ArchiveToScreenColor(uint8_t(stored >> 8), uint8_t(stored))));
    }
    // Elements 0, 1 and 3 (element 2 is 1's alternative) at their places in the base; index 0
    // of an element leaves what is under it.
    std::vector<uint8_t> expected(24 * 16, 0);
    for (int e : {0, 1, 3}) {
        const auto& el = rec.elements[size_t(e)];
        for (int y = 0; y < el.height; ++y)
            for (int x = 0; x < el.width; ++x) {
                const int cx = el.left - 10 + x, cy = el.top - 20 + y;
                const uint8_t b = el.pixels[size_t(y * el.width + x)];
                if (b != 0 && cx < 24) expected[size_t(cy * 24 + cx)] = b;
            }
    }
    EXPECT_EQ(png.samples, expected);
    EXPECT_EQ(png.Row(2)[4], rec.elements[0].pixels[2 * 24 + 4]); // element 1's hole
    EXPECT_EQ(png.Row(2)[5], rec.elements[1].pixels[1]);          // element 1, not 2

    // Each element at its own size, and their list with the groups of alternatives.
    EXPECT_EQ(VLMT::FilesIn(stem),
              (std::vector<std::string>{"00.png", "01.png", "02.png", "03.png", "elements.json"}));
    for (int e = 0; e < 4; ++e) {
        const VLMT::TPng element = ReadPng(stem + "/" + VLMX::ElementFileName(e));
        EXPECT_EQ(element.width, rec.elements[size_t(e)].width);
        EXPECT_EQ(element.samples, rec.elements[size_t(e)].pixels) << e;
        EXPECT_EQ(element.alpha, std::vector<uint8_t>{0});
    }
    EXPECT_EQ(
        Slurp(stem + "/elements.json"),
        "[\n"
        "  {\"index\": 0, \"left\": 10, \"top\": 20, \"width\": 24, \"height\": 16, \"group\": "
        "0},\n"
        "  {\"index\": 1, \"left\": 14, \"top\": 22, \"width\": 8, \"height\": 4, \"group\": 1},\n"
        "  {\"index\": 2, \"left\": 14, \"top\": 22, \"width\": 8, \"height\": 4, \"group\": 1},\n"
        "  {\"index\": 3, \"left\": 30, \"top\": 26, \"width\": 8, \"height\": 8, \"group\": 3}\n"
        "]\n");
}

TEST(ExportScale, EveryPixelBecomesASquareBlockOfItself) {
    VLMT::TTempDir dir;
    const auto bg = VLMT::SpacedBackGrounds({{24, 16}}, 80);
    const std::string path = dir.Write("NBGFILE1.ALL", bg.bytes);
    const std::string rgb = dir.File("rgb.png");
    VLM::TPicture picture(5, 3);
    picture.ScanLine(2)[4] = 0x7C00;
    for (int scale : {1, 3, 16}) {
        SCOPED_TRACE(scale);
        TExportOptions options;
        options.scale = scale;
        options.overwrite = true;
        ASSERT_EQ(VLMX::ExportPictures(path, bg.indices, dir.Path(), options).written, 1);
        const VLMT::TPng png =
            ReadPng(dir.File(Stem(bg.indices[0], VLM::BackGroundNames) + ".png"));
        ASSERT_EQ(png.width, 24 * scale);
        ASSERT_EQ(png.height, 16 * scale);
        for (int y = 0; y < png.height; ++y)
            for (int x = 0; x < png.width; ++x)
                ASSERT_EQ(png.Row(y)[x], bg.pictures[0].At(x / scale, y / scale)) << x << "," << y;
        // The same enlargement for RGB, and in memory for the window's clipboard.
        ASSERT_TRUE(VLMX::WritePng(VLMX::ScreenPicture(picture), rgb, scale, true).Ok());
        const VLMT::TPng r = ReadPng(rgb);
        EXPECT_EQ(r.colourType, 2);
        EXPECT_EQ(r.Row(3 * scale - 1)[3 * (5 * scale - 1)], 255);
        EXPECT_EQ(r.Row(3 * scale - 1)[3 * (4 * scale - 1)], 0);
        EXPECT_EQ(VLMX::ScreenPicture(picture, scale).pixels, r.samples);
        EXPECT_EQ(VLMX::Scaled(VLMX::ScreenPicture(picture), scale).pixels, r.samples);
    }
    // Far past any real picture: refused before any work.
    const VLMX::TImage huge = VLMX::TImage::Indexed(4096, 4096);
    EXPECT_THROW(VLMX::EncodePng(huge, 5), VLMX::EPngError);
    EXPECT_THROW(VLMX::EncodePng(VLMX::TImage::Indexed(0, 3)), VLMX::EPngError);
}

// ---- Names ---------------------------------------------------------------------------------

TEST(ExportNames, IndexAndDisplayNameMakeASafeFileName) {
    const std::string longName(300, 'a');
    std::string longKana, cutKana; // あ: two bytes in code page 932, three in UTF-8
    for (int i = 0; i < 100; ++i)
        longKana += "\x82\xa0", cutKana += i < 82 ? "\xe3\x81\x82" : "";
    const struct {
        int index;
        std::string cp932, stem;
    } cases[] = {
        {7, "\x89\xd4!\x90\xd4", "007-\xe8\x8a\xb1!\xe8\xb5\xa4"}, // 花!赤
        {7, "(undefined)", "007"},
        {12, "", "012"},
        {1234, "a/b\tc\x7f", "1234-a_b_c_"},
        {0, "\x82", "000-\xef\xbf\xbd"}, // a lead byte with nothing after it
        {0,
         "x\xff"
         "y",
         "000-x\xef\xbf\xbdy"},
        {5, longName, "005-" + std::string(247, 'a')},
        {5, longKana, "005-" + cutKana},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stem);
        const std::string stem = VLMX::PictureStem(c.index, c.cp932);
        EXPECT_EQ(stem, c.stem);
        EXPECT_LE(stem.size() + 4, 255u);
    }
    EXPECT_EQ(VLMX::ElementFileName(3), "03.png");
    EXPECT_EQ(VLMX::ElementFileName(123), "123.png");
    EXPECT_EQ(VLMX::JsonString("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\n\\u0001\"");
}

// ---- Whole-file writes ---------------------------------------------------------------------

TEST(ExportWrite, AnExistingFileIsReplacedOnlyWhenAskedAndNeverByHalf) {
    VLMT::TTempDir dir;
    const std::string path = dir.File("a.png");
    std::ofstream(path) << "mine";
    auto r = VLMX::WriteFileAtomic(path, "new", 3, false);
    EXPECT_EQ(r.status, VLMX::TWriteResult::Exists);
    EXPECT_EQ(r.Text(), "exists (use --force to replace it)");
    EXPECT_EQ(Slurp(path), "mine");
    EXPECT_TRUE(VLMX::WriteFileAtomic(path, "new", 3, true).Ok());
    EXPECT_EQ(Slurp(path), "new");
    EXPECT_EQ(VLMT::FilesIn(dir.Path()), std::vector<std::string>{"a.png"});

    // A folder that is not there, or a file where the folder should be.
    r = VLMX::WriteFileAtomic(dir.File("none/b.png"), "x", 1, false);
    EXPECT_EQ(r.status, VLMX::TWriteResult::Failed);
    EXPECT_EQ(r.error, ENOENT);
    EXPECT_EQ(VLMX::MakeFolder(path), ENOTDIR);
    EXPECT_EQ(VLMX::MakeFolder(dir.File("x/y/z")), 0);
    EXPECT_EQ(VLMX::MakeFolder(dir.File("x/y/z")), 0);
}

TEST(ExportWrite, AWriteThatFailsPartWayLeavesNoFileBehind) {
    // A child process whose files may not grow past 1000 bytes: the write fails half done.
    VLMT::TTempDir dir;
    const std::string path = dir.File("big.png");
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const std::string bytes(5000, 'x');
        const auto r = VLMX::WriteFileAtomic(path, bytes.data(), bytes.size(), false);
        ::_exit(r.status == VLMX::TWriteResult::Failed && r.error == EFBIG ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(VLMT::FilesIn(dir.Path()).empty());
}

// ---- The batch -----------------------------------------------------------------------------

TEST(ExportBatch, UnreadablePicturesAreNamedWithTheirReasonAndTheOthersWritten) {
    VLMT::TTempDir dir;
    std::vector<VLMW::TWallPaperEntry> entries(3);
    for (int i = 0; i < 3; ++i) {
        entries[size_t(i)].index = i;
        entries[size_t(i)].picture = VLMW::PatternPicture(320, 224, 90 + i);
    }
    // The file ends inside picture 2; pictures 3 and up lie past it.
    const std::string wp =
        dir.Write("WPALL2.ALL", VLMW::WallPaperArchive(entries), 2 * 75776 + 40000);
    for (int threads : {1, 2}) {
        const std::string out = dir.File("t" + std::to_string(threads));
        VLMX::MakeFolder(out);
        TExportOptions options;
        options.threads = threads;
        const auto r = VLMX::ExportPictures(wp, {4, 0, 2, 1, 3}, out, options);
        EXPECT_EQ(r.total, 5);
        EXPECT_EQ(r.done, 5);
        EXPECT_EQ(r.written, 2);
        EXPECT_TRUE(r.Unreadable());
        EXPECT_FALSE(r.WriteFailed());
        ASSERT_EQ(r.failures.size(), 3u);
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(r.failures[i].index, int(i) + 2); // in picture order
            EXPECT_EQ(r.failures[i].kind, VLMX::TPictureFailure::Unreadable);
        }
        EXPECT_NE(r.failures[0].reason.find("cut short"), std::string::npos)
            << r.failures[0].reason;
        EXPECT_EQ(VLMT::FilesIn(out), (std::vector<std::string>{"000.png", "001.png"}));
    }
}

TEST(ExportBatch, ProgressIsReportedOnTheCallingThreadAndCanStopTheBatch) {
    VLMT::TTempDir dir;
    std::vector<std::pair<int, int>> sizes(12, {64, 32});
    const auto bg = VLMT::SpacedBackGrounds(sizes, 40);
    const std::string path = dir.Write("NBGFILE1.ALL", bg.bytes);
    const auto caller = std::this_thread::get_id();
    for (int threads : {1, 4}) {
        SCOPED_TRACE(threads);
        const std::string out = dir.File("t" + std::to_string(threads));
        VLMX::MakeFolder(out);
        int calls = 0, lastDone = 0;
        bool elsewhere = false;
        TExportOptions options;
        options.threads = threads;
        const auto r =
            VLMX::ExportPictures(path, bg.indices, out, options, [&](int done, int total) {
                elsewhere = elsewhere || std::this_thread::get_id() != caller;
                EXPECT_EQ(total, 12);
                EXPECT_GE(done, lastDone);
                lastDone = done;
                return ++calls > 1; // stop at the first report
            });
        EXPECT_FALSE(elsewhere);
        EXPECT_TRUE(r.cancelled);
        // One thread stops after the picture it reported; more finish what they began.
        if (threads == 1) {
            EXPECT_EQ(r.done, 1);
        }
        EXPECT_EQ(r.done, r.written);
        // Only whole pictures are left, and nothing else.
        const auto files = VLMT::FilesIn(out);
        EXPECT_EQ(int(files.size()), r.written);
        for (const auto& f : files)
            EXPECT_TRUE(VLMT::IsWholePng(out + "/" + f)) << f;
    }
}

TEST(ExportBatch, ExistingFilesAreKeptUnlessOverwritingAndNamedOncePerPicture) {
    VLMT::TTempDir dir;
    const std::string path = CharacterArchive(dir, {Character()});
    const std::string picture = dir.File(Stem(Ch, VLM::CharacterNames) + ".png");
    std::ofstream(picture) << "mine";
    TExportOptions options;
    options.elements = true;
    auto r = VLMX::ExportPictures(path, {Ch}, dir.Path(), options);
    ASSERT_EQ(r.failures.size(), 1u);
    EXPECT_EQ(r.failures[0].kind, VLMX::TPictureFailure::Exists);
    EXPECT_EQ(r.failures[0].file, picture);
    EXPECT_EQ(r.written, 0);
    EXPECT_EQ(r.files, 5); // the elements and their list were new
    EXPECT_EQ(Slurp(picture), "mine");
    // Again: now every file is there, and one failure names the picture's first.
    r = VLMX::ExportPictures(path, {Ch}, dir.Path(), options);
    ASSERT_EQ(r.failures.size(), 1u);
    EXPECT_NE(r.failures[0].reason.find("and 5 more files"), std::string::npos);
    options.overwrite = true;
    r = VLMX::ExportPictures(path, {Ch}, dir.Path(), options);
    EXPECT_TRUE(r.failures.empty());
    EXPECT_TRUE(VLMT::IsWholePng(picture));
}

TEST(ExportBatch, AnElementOutsideItsPictureIsDumpedOnTheCallingThreadAndTheBatchGoesOn) {
    VLMT::TTempDir dir;
    VLMT::TRecordingInterface ui;
    VLM::TCharacterBitmap::SetDumpPath(dir.File("run.log"));
    VLMW::TCharRecord bad = VLMW::PatternRecord(16, 16, 10, 20, 0, 5);
    bad.elements.push_back(VLMW::PatternElement(4, 8, 12, 30, 6)); // rows 10 to 17 of 16
    const std::string path = CharacterArchive(dir, {bad, Character()});
    const std::string out = dir.File("out");
    VLMX::MakeFolder(out);
    TExportOptions options;
    options.threads = 2;
    const auto r = VLMX::ExportPictures(path, {Ch, 126}, out, options);
    VLM::TCharacterBitmap::SetDumpPath("");

    ASSERT_EQ(r.failures.size(), 1u);
    EXPECT_EQ(r.failures[0].index, Ch);
    EXPECT_EQ(r.failures[0].reason, "element 1 reaches outside the picture");
    EXPECT_EQ(r.written, 1);
    EXPECT_EQ(VLMT::FilesIn(out),
              std::vector<std::string>{Stem(126, VLM::CharacterNames) + ".png"});
    // The dump the viewer writes, and the desktop told once; the ending is left to the caller.
    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(Slurp(dir.File("run.log")), ui.dialogs[0]);
    EXPECT_NE(ui.dialogs[0].find("\tElems:  2\n\r"), std::string::npos);
    EXPECT_EQ(ui.terminations, 1);

    // A listing tells what an export would, without a dump.
    const auto picture = VLMX::NewPicture(VLMX::TArchiveKind::Character, path);
    const VLMX::TPictureInfo outside = VLMX::Inspect(*picture, Ch);
    const VLMX::TPictureInfo good = VLMX::Inspect(*picture, 126);
    EXPECT_TRUE(outside.read && !outside.ok);
    EXPECT_EQ(outside.reason, "element 1 reaches outside the picture");
    EXPECT_TRUE(good.ok);
    EXPECT_EQ(good.width, 24);
    EXPECT_EQ(good.elements, 4);
    EXPECT_FALSE(VLMX::Inspect(*picture, 3).read);
    EXPECT_EQ(ui.dialogs.size(), 1u);
}
