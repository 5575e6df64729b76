// Edited pictures back into an archive. The import writes a new archive: a copy of the old one
// in which the pixels and palettes of the pictures that changed are replaced in place. Records
// never move (the name tables and the wallpapers' hint rule fix where each one lies), so every
// other byte stays as it was.
//
// It reads the folder export writes, matching each file by its number (the name part may be
// anything):
//   wallpaper, background  DIR/NNN-NAME.png     the whole stored picture
//   character              DIR/NNN-NAME/EE.png  element EE (the composed DIR/NNN-NAME.png is
//                                               not read back)
// A palette PNG gives its indices as they are and its PLTE as the palette (channels narrowed
// to 5 bits; entries past the PLTE keep the archive's colour). An RGB or RGBA PNG is mapped
// onto the record's palette. A changed palette entry keeps the stored colour's bit 15; an
// unchanged one keeps its two stored bytes.
#pragma once

#include "vlmcolor.h"
#include "vlmlayers.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace VLMX {

// Why one file (or folder, or picture) keeps the import from writing anything.
struct TImportProblem {
    std::string file;
    std::string reason; // ASCII
};

struct TImportOptions {
    std::string folder; // the export folder; unused when palette is given
    // Only these pictures (archive indices); none: every picture the folder has files for.
    std::optional<std::vector<int>> pictures;
    // Not empty: these colours become the palette of every picture listed in pictures (the
    // pixels stay), as a palette PNG's PLTE would; paletteFile names them in messages.
    std::vector<VLM::TRgb> palette;
    std::string paletteFile;
};

// Bytes the new archive holds instead of the old ones.
struct TPatch {
    int64_t at = 0;
    std::vector<uint8_t> bytes;
    std::string file; // what asked for them
};

// What a replaced picture must read back as from the new archive.
struct TExpected {
    int index = 0;
    std::string file;
    int32_t offset = 0;
    std::array<uint16_t, 256> palette{};      // screen colours
    std::vector<std::vector<uint8_t>> pixels; // the picture, or each character element
};

struct TImportPlan {
    VLM::TLayerKind kind = VLM::TLayerKind::WallPaper;
    std::string archive;
    std::vector<TImportProblem> refusals; // any: nothing may be written
    std::vector<int> replaced;            // ascending
    std::vector<TPatch> patches;
    std::vector<TExpected> expected;
};

// Reads the archive (never writing it) and the folder, and works out the new archive.
TImportPlan PlanImport(VLM::TLayerKind kind, const std::string& archive,
                       const TImportOptions& options);

struct TImportResult {
    enum TStatus {
        Written,
        SameFile, // out is the archive itself
        Exists,   // out is there and overwrite is off
        Failed,   // error: the system's reason
        Refused   // refusals: replaced pictures the engine would not read back as planned
    } status = Written;
    int error = 0;
    std::vector<TImportProblem> refusals;
    std::string Text() const; // SameFile, Exists, Failed
};

// The checks on out that need no work: SameFile, Exists, or Written when out may be written.
TImportResult CheckOutput(const std::string& archive, const std::string& out, bool overwrite);

// Writes the planned archive to out, whole or not at all: a copy with the patches goes to a
// temporary folder beside out, every replaced picture is read back through the engine and
// compared, and only then is the copy renamed to out.
TImportResult WriteImport(const TImportPlan& plan, const std::string& out, bool overwrite);

} // namespace VLMX
