// Helpers of the export tests: PNG files read back, and the archives they export.
#pragma once

#include "testsupport.h"
#include "vlmimage.h"
#include "vlmnames.h"

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

// Three wallpapers of WPALL2.ALL (pictures), whole and in cut/WPALL2.ALL, a file that ends
// inside the third, and EYECATCH.ALL with all of its 22 pictures.
struct TWallPapers {
    TTempDir dir;
    std::vector<VLMW::TIndexed> pictures;
    std::string whole, cut, full;
    TWallPapers();
};

// Backgrounds of the given sizes at directory offsets far enough apart not to overlap; picture
// i of the result is archive index indices[i].
struct TBackGrounds {
    std::vector<int> indices;
    std::vector<VLMW::TIndexed> pictures;
    VLMW::TBytes bytes;
};
TBackGrounds SpacedBackGrounds(const std::vector<std::pair<int, int>>& sizes, uint32_t seed);

// A character: a 24 x 16 base at (10, 20) with index 0 in its first row, two alternatives for
// one spot (elements 1 and 2, a hole in 1's first pixel) and an element 3 reaching past the
// base's right edge.
VLMW::TCharRecord Character();
// A 16 x 16 character at (10, 20) whose element 1 reaches below it.
VLMW::TCharRecord ReachingOut();
// NCDAT.ALL in dir with the records as characters 144 (table offset 0) and 126, in that order.
std::string CharacterArchive(const TTempDir& dir, const std::vector<VLMW::TCharRecord>& records);

// "NNN-NAME", the stem of the file picture index of table is exported as.
std::string Stem(int index, const VLM::TNameEntry* table);
// Files of a folder (names only, hidden ones too), sorted.
std::vector<std::string> FilesIn(const std::string& folder);
std::string Slurp(const std::string& path);

} // namespace VLMT
