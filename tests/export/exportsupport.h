// Helpers of the export tests: PNG files read back, and archives of several backgrounds.
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
// Throws when the file is missing or its image data cannot be decoded.
TPng ReadPng(const std::string& path);
// Decodes, and ends in the end chunk: nothing of the file is missing.
bool IsWholePng(const std::string& path);

// Backgrounds of the given sizes at directory offsets far enough apart not to overlap; picture
// i of the result is archive index indices[i].
struct TBackGrounds {
    std::vector<int> indices;
    std::vector<VLMW::TIndexed> pictures;
    VLMW::TBytes bytes;
};
TBackGrounds SpacedBackGrounds(const std::vector<std::pair<int, int>>& sizes, uint32_t seed);

// Files of a folder (names only, hidden ones too), sorted.
std::vector<std::string> FilesIn(const std::string& folder);
std::string Slurp(const std::string& path);

} // namespace VLMT
