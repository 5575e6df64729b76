// The archive file's buffered reads: whatever the sizes and order of the loaders' reads (records,
// palettes, runs of bands, element pixels), every byte is the file's, and an end of file is a
// read failure, never stale or missing bytes.
#include "testsupport.h"
#include "vlmplatform.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

constexpr int64_t FileBytes = 400000;

// Every byte tells where it lies, with no period a window size could hide.
uint8_t At(int64_t i) {
    return static_cast<uint8_t>(i * 131 + (i >> 9) + (i >> 17));
}

std::string WriteNumbered(const VLMT::TTempDir& dir) {
    VLMW::TBytes bytes;
    bytes.Resize(FileBytes);
    for (int64_t i = 0; i < FileBytes; ++i)
        bytes.data[static_cast<size_t>(i)] = At(i);
    return dir.Write("numbered", bytes);
}

struct TRun {
    const char* what;
    int64_t from; // seek here first
    size_t size;  // bytes a read
    int reads;    // reads in a row
};

void ExpectRun(VLM::TFile& file, const TRun& run) {
    SCOPED_TRACE(run.what);
    ASSERT_TRUE(file.Seek(run.from));
    std::vector<uint8_t> buffer(run.size);
    for (int r = 0; r < run.reads; ++r) {
        const int64_t at = file.Position();
        file.Read(buffer.data(), buffer.size());
        for (size_t k = 0; k < buffer.size(); ++k)
            ASSERT_EQ(buffer[k], At(at + static_cast<int64_t>(k))) << "read " << r << " byte " << k;
        ASSERT_EQ(file.Position(), at + static_cast<int64_t>(run.size));
    }
}

} // namespace

TEST(FileReads, EveryPatternOfReadsGivesTheFilesBytes) {
    VLMT::TTempDir dir;
    VLM::TFile file(WriteNumbered(dir));
    // One file object through all of them, as a load uses it: each run starts where the last
    // left the buffer.
    const TRun runs[] = {
        {"a record search", 0, 16, 300},
        {"a palette far away", 300000, 512, 1},
        {"bands of a picture 1160 wide, past several refills", 96, 9280, 30},
        {"bands of a wallpaper", 100, 2560, 28},
        {"a large piece, then small ones running on from it", 5000, 17280, 1},
        {"small pieces after the large one", 22280, 700, 60},
        {"back to the start", 0, 16, 2},
        {"pieces straddling every refill", 16380, 24, 2000},
        {"the last bytes of the file", FileBytes - 9280 * 3, 9280, 3},
    };
    for (const TRun& run : runs)
        ExpectRun(file, run);
}

TEST(FileReads, AReadPastTheEndFailsAndLeavesThePosition) {
    VLMT::TTempDir dir;
    VLM::TFile file(WriteNumbered(dir));
    uint8_t buffer[32];
    for (const size_t n : {size_t{11}, size_t{20000}}) { // through the buffer, and straight
        ASSERT_TRUE(file.Seek(FileBytes - 10));
        EXPECT_THROW(file.Read(buffer, n), VLM::EReadError);
        EXPECT_EQ(file.Position(), FileBytes - 10);
    }
    file.Read(buffer, 10);
    EXPECT_EQ(buffer[9], At(FileBytes - 1));
}

TEST(FileReads, AFileCutShortWhileOpenFailsInsteadOfGivingBytesItNoLongerHas) {
    VLMT::TTempDir dir;
    const std::string path = WriteNumbered(dir);
    VLM::TFile file(path);
    uint8_t small[16];
    std::vector<uint8_t> band(9280);
    file.Read(small, sizeof small);
    std::filesystem::resize_file(path, 20000);

    ASSERT_TRUE(file.Seek(30000)); // a refill that finds nothing
    EXPECT_THROW(file.Read(small, sizeof small), VLM::EReadError);
    ASSERT_TRUE(file.Seek(50000)); // a large piece read straight
    EXPECT_THROW(file.Read(band.data(), band.size()), VLM::EReadError);
    ASSERT_TRUE(file.Seek(16384)); // a run of bands that crosses the new end
    EXPECT_THROW(
        {
            for (int r = 0; r < 4; ++r)
                file.Read(band.data(), band.size());
        },
        VLM::EReadError);
}
