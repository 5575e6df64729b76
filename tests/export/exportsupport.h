// Helpers of the export and command-line tests: reading PNG files back, archives made by the
// writer, and running velmora-cli as a process.
#pragma once

#include "testsupport.h"
#include "vlmimage.h"

#include <string>
#include <vector>

namespace VLMT {

// A PNG file as it is stored: the header, the palette and tRNS entries, and the samples (an
// index a pixel for colour type 3, r g b for colour type 2).
struct TPng {
    int width = 0, height = 0, colourType = -1, bitDepth = 0;
    std::vector<VLMX::TRgb> palette;
    std::vector<uint8_t> alpha; // tRNS entries of a palette image
    std::vector<uint8_t> samples;
    const uint8_t* Row(int y) const;
};
// Fails the test (throws) when the file is missing or not a whole PNG.
TPng ReadPng(const std::string& path);
bool IsWholePng(const std::string& path);

// The widened colour the engine's screen colour becomes in a file.
VLMX::TRgb Widened(uint16_t screen);

// Backgrounds of the given sizes at directory offsets far enough apart not to overlap; picture
// i of the result is archive index indices[i].
struct TBackGrounds {
    std::vector<int> indices;
    std::vector<VLMW::TIndexed> pictures;
    VLMW::TBytes bytes;
};
TBackGrounds SpacedBackGrounds(const std::vector<std::pair<int, int>>& sizes, uint32_t seed);

// Files of a folder (names only), sorted; hidden ones too.
std::vector<std::string> FilesIn(const std::string& folder);

// velmora-cli run to its end with args; stdout and stderr kept apart.
struct TRun {
    int status = -1; // exit status, or 128 + signal
    std::string out, err;
};
TRun RunCli(const std::vector<std::string>& args);

} // namespace VLMT
