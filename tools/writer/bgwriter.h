// Background records of NBGFILE1.ALL.
#pragma once

#include "vlmwriter.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace VLMW {

// One background record. The reader's search starts at searchFrom (a directory offset); the
// record follows leadRecords 16-byte records that do not start with the signature, so its start
// R is searchFrom + 16 x leadRecords. The header normally describes the picture; the overrides
// write other values (for hostile headers) while the cells still come from the picture.
struct TBackGroundRecord {
    int64_t searchFrom = 0;
    TIndexed picture; // width and height multiples of 8 (0 writes no cells)
    int leadRecords = 0;
    std::optional<uint32_t> headerWidth;
    std::optional<uint32_t> headerHeight;
    std::optional<uint32_t> palettePosition; // relative to R; default right after the pixels
    bool writePalette = true; // false leaves the palette out (a position past the file's end)
};

// The 16-byte record the lead records are made of: the signature bytes stand in it, but never
// at its start.
extern const uint8_t BackGroundLeadRecord[16];

int64_t BackGroundRecordStart(const TBackGroundRecord& record);
// The palette position written at R + 16 (a signed value in the file).
uint32_t BackGroundPalettePosition(const TBackGroundRecord& record);
void WriteBackGround(TBytes& out, const TBackGroundRecord& record);

// A whole NBGFILE1.ALL image with the records placed at their searchFrom offsets; pass
// VLM::BackGroundNames[i].offset for picture i. Throws std::invalid_argument when two records
// overlap. Everything between records is zeros, which never reads as a signature.
TBytes BackGroundArchive(const std::vector<TBackGroundRecord>& records);

} // namespace VLMW
