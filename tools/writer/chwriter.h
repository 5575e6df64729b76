// Character records of NCDAT.ALL.
//
// A record at R: the signature 00 00 01 00 00 00 02 00, N (16-bit) at R+10, P (32-bit) at
// R+72, the palette at R+128, N element entries of 16 bytes at R+640 (width, height, 4 unread,
// pixel offset o, 4 unread), 4N unread bytes, N position entries of 8 bytes (4 unread, left,
// top), and each element's width x height indices at R+P+o. Numbers are big-endian.
#pragma once

#include "vlmwriter.h"

#include <optional>

namespace VLMW {

constexpr uint8_t CharSignature[8] = {0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00};

struct TCharElement {
    uint16_t left = 0, top = 0;     // position table entry
    uint16_t width = 0, height = 0; // element table entry
    std::vector<uint8_t> pixels;    // written as given; normally width x height indices
    // From the pixel area; none: just after the previous element's pixels (the first at 0).
    // Give two elements the same offset to make them share pixels.
    std::optional<uint32_t> dataOffset;
};

// An element showing picture (its palette is not used).
TCharElement CharElement(const TIndexed& picture, int left, int top);
// A width x height element of seeded indices 1..255: nothing in it is transparent.
TCharElement PatternElement(int width, int height, int left, int top, uint32_t seed);

struct TCharRecord {
    std::array<uint16_t, 256> palette{}; // archive colours
    std::vector<TCharElement> elements;
    std::optional<uint32_t> pixelArea; // P; none: just after the position table
    std::optional<uint16_t> count;     // N in the header (and the table layout); none: the
                                       // number of elements. Entries exist only for elements.
};

// A record with a distinct palette: element 0 a width x height pattern at (left, top), then
// `more` 8 x 8 pattern elements.
TCharRecord PatternRecord(int width, int height, int left, int top, int more, uint32_t seed);
// Adds `count` elements of one rectangle, each with other pixels: alternatives for one spot.
void AddAlternatives(TCharRecord& record, int left, int top, int width, int height, int count,
                     uint32_t seed);

uint16_t CharCount(const TCharRecord& record);    // N as written
int64_t CharPixelArea(const TCharRecord& record); // P as written
// Where each element's pixels lie from the pixel area, with the automatic offsets resolved.
std::vector<uint32_t> CharDataOffsets(const TCharRecord& record);
// Bytes from R to the end of whatever the record writes.
int64_t CharRecordSize(const TCharRecord& record);
// Writes the record with its first byte at `record`.
void WriteCharRecord(TBytes& out, int64_t record, const TCharRecord& r);

// A record as it lies in the archive: the scan for it starts at `offset`.
struct TCharPlacement {
    int64_t offset = 0; // a table offset (or any start given to LoadAt)
    int gapBlocks = 0;  // 16-byte blocks without the signature between the scan start and R
    // Puts the signature 8 bytes into the first gap block, where an aligned scan must not see
    // it (needs gapBlocks >= 1).
    bool misalignedSignature = false;
    TCharRecord record;
};

// R: the offset rounded up to a multiple of 16, plus the gap.
int64_t CharRecordStart(const TCharPlacement& placement);
void PlaceCharRecord(TBytes& out, const TCharPlacement& placement);
// A whole NCDAT.ALL image holding the placed records (callers pass the table offsets).
// Placements that overlap throw std::invalid_argument.
TBytes CharacterArchive(const std::vector<TCharPlacement>& placements);

// The seven records the reader corrects, as the archive stores them.
struct TCorrectedRecord {
    int32_t offset, elems, left, top, width, height;
};
extern const TCorrectedRecord CorrectedRecords[7];
// Corrected record `which` (0-6) placed at its offset with no gap: element 0 a pattern of the
// stored size at the stored place, then 8 x 8 elements; extraElements adds elements to the
// count (or, negative, leaves some out).
TCharPlacement CorrectedPlacement(int which, int extraElements = 0);

} // namespace VLMW
