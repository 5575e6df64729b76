// Exporting pictures: what the files hold (read back through a PNG decoder), file names, whole
// writes, and the batch with its threads, progress, failures and diagnostic dump.
#include "exportsupport.h"
#include "vlmexport.h"
#include "vlmjson.h"
#include "vlmnaming.h"
#include "vlmpng.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using VLMT::FilesIn;
using VLMT::ReadPng;
using VLMT::Slurp;
using VLMT::Stem;
using VLMX::TExportOptions;

namespace {

TExportOptions Options(int threads, bool elements = false, bool overwrite = false) {
    TExportOptions options;
    options.threads = threads;
    options.elements = elements;
    options.overwrite = overwrite;
    return options;
}

// Every pixel (an N x N block at scale N) and palette entry of file equals the picture's,
// widened; nothing in it is clear.
void ExpectSamePicture(const std::string& file, const VLMW::TIndexed& p, int scale) {
    const VLMT::TPng png = ReadPng(file);
    ASSERT_EQ(png.colourType, 3);
    ASSERT_EQ(png.bitDepth, 8);
    ASSERT_EQ(png.width, p.width * scale);
    ASSERT_EQ(png.height, p.height * scale);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(png.palette.at(size_t(i)), VLM::ScreenToRgb(VLMT::Screen(p, i))) << i;
    EXPECT_TRUE(png.alpha.empty());
    for (int y = 0; y < png.height; ++y)
        for (int x = 0; x < png.width; ++x)
            ASSERT_EQ(png.Row(y)[x], p.At(x / scale, y / scale)) << x << "," << y;
}

constexpr int Ch = 144; // character 126 is the second of an archive

} // namespace

// Stored pictures keep their indices and palette, a background its full stored size, at any
// scale; a picture that cannot be read is named with its reason, in picture order, and the
// others are written: on one thread and on several.
TEST(ExportRoundTrip, StoredPicturesComeOutWholeAndUnreadableOnesAreNamed) {
    const VLMT::TWallPapers wp; // WPALL2.ALL cut inside picture 2; pictures 3 and up lie past it
    // Wider and taller than the part the compositor shows, narrower, and odd in shape.
    const auto bg = VLMT::SpacedBackGrounds({{296, 152}, {24, 16}, {464, 40}}, 60);
    const std::string bgPath = wp.dir.Write("NBGFILE1.ALL", bg.bytes);

    for (const auto& [threads, scale] : {std::pair{1, 1}, std::pair{3, 3}}) {
        SCOPED_TRACE(threads);
        const std::string out = wp.dir.File("out" + std::to_string(threads) + "/made");
        ASSERT_EQ(VLMX::MakeFolder(out), 0);
        TExportOptions options = Options(threads);
        options.scale = scale;
        auto r =
            VLMX::ExportPictures(VLM::TLayerKind::WallPaper, wp.cut, {4, 0, 2, 1, 3}, out, options);
        EXPECT_EQ(r.done, 5);
        EXPECT_EQ(r.written, 2);
        ASSERT_EQ(r.failures.size(), 3u);
        for (size_t i = 0; i < 3; ++i)
            EXPECT_EQ(r.failures[i].index, int(i) + 2);
        EXPECT_EQ(r.failures[0].reason, "record cut short at byte 191552");
        for (size_t i = 0; i < 2; ++i)
            ExpectSamePicture(out + "/00" + std::to_string(i) + ".png", wp.pictures[i], scale);

        r = VLMX::ExportPictures(VLM::TLayerKind::BackGround, bgPath, bg.indices, out, options);
        EXPECT_TRUE(r.failures.empty());
        for (size_t i = 0; i < bg.indices.size(); ++i)
            ExpectSamePicture(out + "/" + Stem(bg.indices[i], VLM::BackGroundNames) + ".png",
                              bg.pictures[i], scale);
        EXPECT_EQ(FilesIn(out).size(), 2u + 3u);
    }
}

// A character's picture, its elements alone and their list, written around a file in the way
// (kept unless overwriting); a folder that refuses files stops the batch.
TEST(ExportRoundTrip, ACharacterAndEachElementComeOutAroundAFileInTheWay) {
    VLMT::TTempDir dir;
    const VLMW::TCharRecord rec = VLMT::Character();
    const std::string path = VLMT::CharacterArchive(dir, {rec, rec});
    const std::string stem = dir.File(Stem(Ch, VLM::CharacterNames));
    std::ofstream(stem + ".png") << "mine";
    auto r =
        VLMX::ExportPictures(VLM::TLayerKind::Character, path, {Ch}, dir.Path(), Options(1, true));
    ASSERT_EQ(r.failures.size(), 1u);
    EXPECT_EQ(r.failures[0].kind, VLMX::TPictureFailure::Exists);
    EXPECT_EQ(r.failures[0].file, stem + ".png");
    EXPECT_EQ(r.written, 0);
    EXPECT_EQ(r.files, 5); // the elements and their list were new
    EXPECT_EQ(Slurp(stem + ".png"), "mine");
    // Again: now every file is there, and one failure names the picture's first.
    r = VLMX::ExportPictures(VLM::TLayerKind::Character, path, {Ch}, dir.Path(), Options(1, true));
    ASSERT_EQ(r.failures.size(), 1u);
    EXPECT_NE(r.failures[0].reason.find("and 5 more files"), std::string::npos);
    r = VLMX::ExportPictures(VLM::TLayerKind::Character, path, {Ch}, dir.Path(),
                             Options(1, true, true));
    EXPECT_TRUE(r.failures.empty());
    ASSERT_EQ(r.written, 1);
    EXPECT_EQ(r.files, 1 + 4 + 1);
    EXPECT_EQ(FilesIn(dir.Path()).size(), 3u); // the archive, the picture, its folder

    const VLMT::TPng png = ReadPng(stem + ".png");
    ASSERT_EQ(png.colourType, 3);
    EXPECT_EQ(png.width, 24); // the base frames it; element 3's overhang is cut
    ASSERT_EQ(png.height, 16);
    EXPECT_EQ(png.alpha, std::vector<uint8_t>{0}); // index 0 alone is transparent
    for (size_t i = 0; i < 256; ++i)
        ASSERT_EQ(png.palette[i], VLM::ScreenToRgb(VLM::ArchiveToScreenColor(
                                      uint8_t(rec.palette[i] >> 8), uint8_t(rec.palette[i]))));
    const auto& e = rec.elements;
    const struct {
        int x, y;
        uint8_t index;
    } spots[] = {
        {0, 0, 0},                       // element 0's index 0: the ground
        {4, 2, e[0].pixels[2 * 24 + 4]}, // element 1's hole shows element 0
        {5, 2, e[1].pixels[1]},          // element 1, not its alternative 2
        {23, 6, e[3].pixels[3]},         // element 3 up to the right edge...
        {0, 7, e[0].pixels[7 * 24]},     // ...and not wrapped into the next row
    };
    for (const auto& s : spots)
        EXPECT_EQ(png.Row(s.y)[s.x], s.index) << s.x << "," << s.y;

    // Each element at its own size, and their list with the groups of alternatives.
    EXPECT_EQ(FilesIn(stem),
              (std::vector<std::string>{"00.png", "01.png", "02.png", "03.png", "elements.json"}));
    for (int i = 0; i < 4; ++i) {
        const VLMT::TPng element = ReadPng(stem + "/" + VLMX::ElementFileName(i));
        EXPECT_EQ(element.width, e[size_t(i)].width);
        EXPECT_EQ(element.samples, e[size_t(i)].pixels) << i;
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

    r = VLMX::ExportPictures(VLM::TLayerKind::Character, path, {Ch, 126}, dir.File("none"),
                             Options(1));
    ASSERT_EQ(r.failures.size(), 1u);
    EXPECT_EQ(r.failures[0].kind, VLMX::TPictureFailure::CannotWrite);
    EXPECT_EQ(r.failures[0].reason, "No such file or directory");
    EXPECT_EQ(r.done, 1);
}

// A screen colour's 5-bit channels (red in bits 10-14) widen to the full 8-bit range, and an
// RGB picture becomes blocks too; an image far past any real picture, or empty, is refused.
TEST(ExportImage, ColoursWidenRgbPicturesBecomeBlocksAndHugeOnesAreRefused) {
    VLM::TPicture picture(5, 3);
    picture.ScanLine(2)[4] = 31 << 10 | 1 << 5 | 16;
    for (int scale : {1, 3}) {
        const VLMX::TImage image = VLMX::ScreenPicture(picture, scale);
        ASSERT_EQ(image.width, 5 * scale);
        ASSERT_EQ(image.height, 3 * scale);
        const uint8_t* block = image.Row(2 * scale) + 3 * 4 * scale;
        EXPECT_EQ((VLMX::TRgb{block[0], block[1], block[2]}), (VLMX::TRgb{255, 8, 132}));
        EXPECT_EQ(image.Row(3 * scale - 1)[3 * (5 * scale - 1)], 255); // to its far corner
        EXPECT_EQ(image.Row(3 * scale - 1)[3 * (4 * scale - 1)], 0);   // and no further
        EXPECT_EQ(VLMX::Scaled(VLMX::ScreenPicture(picture), scale).pixels, image.pixels);
    }
    EXPECT_THROW(VLMX::EncodePng(VLMX::TImage::Indexed(4096, 4096), 5), VLMX::EPngError);
    EXPECT_THROW(VLMX::EncodePng(VLMX::TImage::Indexed(0, 3)), VLMX::EPngError);
}

TEST(ExportNames, IndexAndDisplayNameMakeASafeFileName) {
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
        {0, "x\xffy", "000-x\xef\xbf\xbdy"},
        {5, std::string(300, 'a'), "005-" + std::string(247, 'a')},
        {5, longKana, "005-" + cutKana},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VLMX::PictureStem(c.index, c.cp932), c.stem);
    EXPECT_EQ(VLMX::JsonLine({{"name", "a\"b\\c\n\x01"}, {"elements", nullptr}}),
              "{\"name\": \"a\\\"b\\\\c\\n\\u0001\", \"elements\": null}");
}

TEST(ExportWrite, AWriteThatFailsPartWayLeavesNoFileBehindAndTheOldOneWhole) {
    // A child process whose files may not grow past 1000 bytes: each write fails half done.
    VLMT::TTempDir dir;
    std::ofstream(dir.File("old.png")) << "mine";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const std::string bytes(5000, 'x');
        bool failed = true;
        for (const char* name : {"new.png", "old.png"}) {
            const auto r = VLMX::WriteFileAtomic(dir.File(name), bytes.data(), bytes.size(), true);
            failed = failed && r.status == VLMX::TWriteResult::Failed && r.error == EFBIG;
        }
        ::_exit(failed ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"old.png"});
    EXPECT_EQ(Slurp(dir.File("old.png")), "mine");
}

// The batch's threads each load through picture objects of their own, side by side; progress
// is reported on the calling thread and can stop the batch.
TEST(ExportBatch, ThreadsLoadSideBySideAndProgressOnTheCallingThreadCanStopThem) {
    VLMT::TTempDir dir;
    const auto bg = VLMT::SpacedBackGrounds(std::vector<std::pair<int, int>>(12, {160, 96}), 20);
    const std::string path = dir.Write("NBGFILE1.ALL", bg.bytes);
    std::atomic<int> ready{0}, wrong{0};
    std::vector<std::thread> threads;
    for (size_t t = 0; t < 2; ++t)
        threads.emplace_back([&, t] {
            const auto picture = VLM::NewPicture(VLM::TLayerKind::BackGround, path);
            for (++ready; ready < 2;) // both at once
                std::this_thread::yield();
            for (size_t k = 0; k < 10000; ++k) {
                const size_t i = t + 2 * (k % 2);
                const auto& p = bg.pictures[i];
                if (!picture->Select(bg.indices[i]) ||
                    !std::equal(p.pixels.begin(), p.pixels.end(), picture->Pixels.get()))
                    ++wrong;
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(wrong, 0);

    const auto caller = std::this_thread::get_id();
    for (int n : {1, 4}) {
        SCOPED_TRACE(n);
        const std::string out = dir.File("t" + std::to_string(n));
        VLMX::MakeFolder(out);
        int calls = 0, lastDone = 0;
        bool elsewhere = false;
        const auto r = VLMX::ExportPictures(VLM::TLayerKind::BackGround, path, bg.indices, out,
                                            Options(n), [&](int done, int total) {
                                                elsewhere |= std::this_thread::get_id() != caller;
                                                EXPECT_EQ(total, 12);
                                                EXPECT_GE(done, lastDone);
                                                lastDone = done;
                                                return ++calls > 1; // stop at the first report
                                            });
        EXPECT_FALSE(elsewhere);
        EXPECT_TRUE(r.cancelled);
        // One thread stops after the picture it reported; more finish what they began.
        EXPECT_EQ(r.done, r.written);
        EXPECT_TRUE(n > 1 || r.done == 1) << r.done;
        EXPECT_EQ(int(FilesIn(out).size()), r.written); // and nothing else
    }
}
