// Archive writer: builds archives in the game's real formats from pictures given as palette
// indices plus a palette. Tests, fuzz seeds, benchmarks and the demo all make their data here.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace VLMW {

// Screen colour (red in bits 10-14) to the stored archive colour (red in bits 0-4).
constexpr uint16_t ScreenToArchive(uint16_t screen) {
    return static_cast<uint16_t>((screen >> 10 & 31) | (screen >> 5 & 31) << 5 | (screen & 31) << 10);
}

// An 8-bit indexed picture. palette holds archive colours (the 16-bit value stored big-endian).
struct TIndexed {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels; // width x height, row-major
    std::array<uint16_t, 256> palette{};

    TIndexed() = default;
    TIndexed(int w, int h);
    uint8_t& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    uint8_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// A picture whose every pixel differs from its neighbours (seeded), with a palette whose
// entries are all distinct; handy for exact checks.
TIndexed PatternPicture(int width, int height, uint32_t seed);

// A growable byte image of an archive file.
class TBytes {
public:
    std::vector<uint8_t> data;

    void Put(int64_t at, const void* bytes, size_t n); // grows with zeros as needed
    void PutU8(int64_t at, uint8_t v) { Put(at, &v, 1); }
    void PutU16BE(int64_t at, uint16_t v);
    void PutU32BE(int64_t at, uint32_t v);
    void Resize(int64_t n) { data.resize(static_cast<size_t>(n)); }
    int64_t Size() const { return static_cast<int64_t>(data.size()); }
    // Writes the bytes to path (replacing it); keepBytes >= 0 cuts the file to that length.
    void Save(const std::string& path, int64_t keepBytes = -1) const;
};

// Cells of a picture (width, height multiples of 8): bands top first, cells left first, each
// cell 8 rows of 8 indices.
std::vector<uint8_t> EncodeCells(const TIndexed& picture);
// 256 archive colours, big-endian, entry 0 first.
std::vector<uint8_t> EncodePalette(const std::array<uint16_t, 256>& palette);

// ---- Wallpaper archives (EYECATCH.ALL, WPALL1/2/3.ALL) -------------------------------------

enum class TFiller { A, B, Z }; // the three 16-byte filler records

struct TWallPaperEntry {
    int index = 0;                  // the record is placed at this index's hint offset
    TIndexed picture;               // 320 x 224
    std::vector<TFiller> fillers = {TFiller::Z, TFiller::Z, TFiller::Z, TFiller::Z};
    // The fillers stand at the hint offset; the cells follow them, so the record start is
    // hint + 16 x fillers - 64. Cells whose first 16 bytes look like a filler record are
    // passed over by a reader just as in real archives: avoid such pictures.
};

int64_t WallPaperHint(int index);
// The record start that a reader finds for the entry.
int64_t WallPaperRecordStart(const TWallPaperEntry& entry);
// Writes the entries into one archive image.
void WriteWallPaper(TBytes& out, const TWallPaperEntry& entry);
TBytes WallPaperArchive(const std::vector<TWallPaperEntry>& entries);

} // namespace VLMW

// Background (NBGFILE1.ALL) and character (NCDAT.ALL) records.
#include "bgwriter.h"
#include "chwriter.h"
