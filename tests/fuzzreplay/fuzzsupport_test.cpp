// The fuzz targets' shared parts: an input file rewritten in place must read as that input
// alone, whatever earlier inputs left, under a name the engine knows; and the draws a target
// leaves out are only the ones that would repeat.
#include "fuzzsupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

namespace {

std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(seed + i * 7 + 1); // never 0
    return bytes;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(FuzzSupport, InputFileHoldsTheLatestInputOnly) {
    // Each write follows the one before on the same file.
    const struct {
        const char* what;
        int64_t offset;
        size_t size;
    } writes[] = {
        {"first, long", 0, 70000},
        {"shorter: no tail of the long one", 0, 10},
        {"after a hole", 5000, 300},
        {"longer again, over the hole", 0, 9000},
        {"hole after a long input", 100, 16},
        {"empty", 0, 0},
    };
    uint8_t seed = 0;
    for (const char* relative : {"NCDAT.ALL", "r/NCDAT.ALL"}) {
        for (const auto& w : writes) {
            SCOPED_TRACE(std::string(relative) + ": " + w.what);
            const std::vector<uint8_t> data = Pattern(w.size, ++seed);
            const std::string path =
                VLMF::WriteFileAt(relative, w.offset, data.data(), data.size());
            std::vector<uint8_t> expected(static_cast<size_t>(w.offset), 0);
            expected.insert(expected.end(), data.begin(), data.end());
            EXPECT_EQ(ReadAll(path), expected);
            // A regular file, whose kind the engine knows by the last part of its name.
            VLM::TCharacterBitmap character;
            character.SetFileName(path);
            EXPECT_EQ(character.GetCount(), 152);
            EXPECT_EQ(VLM::TFile(path).Size(), static_cast<int64_t>(expected.size()));
        }
    }
}

TEST(FuzzSupport, DrawsLeftOutOnlyRepeat) {
    struct TSelect {
        bool selected, loaded, drawn;
    };
    const std::vector<std::vector<TSelect>> runs = {
        // Black once, however many selects fail.
        {{false, false, true}, {false, false, false}, {false, false, false}},
        // Every picture that loads is drawn, and black once after the first failure.
        {{true, true, true}, {false, false, true}, {true, true, true}, {false, false, false}},
        // A select that changed nothing (out of range) shows the picture already drawn.
        {{true, true, true}, {false, true, false}, {true, true, true}},
    };
    for (size_t r = 0; r < runs.size(); ++r) {
        SCOPED_TRACE("run " + std::to_string(r));
        VLMF::TDrawOnce draw;
        for (const TSelect& s : runs[r])
            EXPECT_EQ(draw(s.selected, s.loaded), s.drawn);
    }
}

} // namespace
