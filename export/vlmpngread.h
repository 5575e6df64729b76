// PNG files on their way back into an archive. Each file is read for one stored picture whose
// size is known, and everything is bounded by that size: the file's bytes, the header's width
// and height (checked before the decoder allocates anything), the ancillary chunks the decoder
// keeps and the decoded samples. A header claiming a huge picture, a deflate stream that would
// inflate without end or a palette of 300 entries is refused, never allocated for.
#pragma once

#include "vlmcolor.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace VLMX {

struct TPngPicture {
    // Indexed: one index a pixel as stored (lower bit depths unpacked) and the PLTE entries;
    // Rgba: r, g, b, a a pixel (grey and RGB widened, a tRNS colour key made alpha 0).
    enum class TKind : uint8_t { Indexed, Rgba } kind = TKind::Indexed;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
    std::vector<VLM::TRgb> palette; // Indexed only: 1 to 256 entries
};

struct TPngRead {
    std::string reason; // why the file was refused (ASCII); empty when it was read
    TPngPicture picture;
    bool Ok() const { return reason.empty(); }
};

// The most bytes a PNG file of a width x height picture is read from: twice its samples at
// four bytes a pixel, which no encoder's output reaches, plus room for a few chunks of text.
size_t MaxPngFileBytes(int width, int height);

// Reads data as a PNG of exactly width x height pixels: a palette image of up to 8 bits, or an
// RGB, RGBA or grey image of 8 bits. 16-bit samples and grey with alpha are refused; so is a
// file that does not reach its end chunk.
TPngRead ReadPngBounded(const uint8_t* data, size_t size, int width, int height);
// The same for the file at path, refused unread when it holds more than MaxPngFileBytes.
TPngRead ReadPngFile(const std::string& path, int width, int height);

} // namespace VLMX
