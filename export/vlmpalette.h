// Palette files: a picture's 256 colours for a paint program, and back. Three formats, each
// with 256 entries in index order and every channel widened as the exported PNGs widen it:
//   gpl  GIMP palette: "GIMP Palette", "Name:", "Columns: 16", "#", then "  R   G   B\tIndex N"
//   pal  JASC palette: "JASC-PAL", "0100", "256", then "R G B", lines ended by CR LF
//   act  Adobe colour table: 768 bytes, r g b an entry (readers also take the 772-byte form,
//        whose last four bytes give the entry count and a transparent index)
#pragma once

#include "vlmcolor.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace VLMX {

enum class TPaletteFormat : uint8_t { Gpl, Pal, Act };

// "gpl", "pal", "act"; nothing for another word.
std::optional<TPaletteFormat> PaletteFormatNamed(const std::string& word);

// The file's bytes. name: the palette's title in a GIMP palette (ASCII or UTF-8, one line).
std::string PaletteFile(const std::array<VLM::TRgb, 256>& colours, TPaletteFormat format,
                        const std::string& name);

struct TPaletteRead {
    std::string reason;             // why the file was refused; empty when read
    std::vector<VLM::TRgb> colours; // 1 to 256, index order
    bool Ok() const { return reason.empty(); }
};
// Any of the three formats, told apart by the first line (gpl, pal) or by the size (act).
TPaletteRead ParsePaletteFile(const std::string& bytes);

} // namespace VLMX
