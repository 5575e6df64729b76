// Pictures on their way out of the program: an 8-bit palette image or a 24-bit RGB image, made
// from a loaded picture object or from the compositor's off-screen picture. Colours leave the
// engine's 5-5-5 form here, once, through VLM::ScreenToRgb.
#pragma once

#include "vlmcharacter.h"
#include "vlmcolor.h"
#include "vlmplatform.h"

#include <array>
#include <cstdint>
#include <vector>

namespace VLMX {

using VLM::TRgb;

// Rows top-down, no padding. A window turns one into a QImage with Format_Indexed8 (a colour
// table from palette, entry 0 given alpha 0 when transparentZero) or Format_RGB888.
struct TImage {
    enum class TFormat : uint8_t { Indexed, Rgb };

    TFormat format = TFormat::Rgb;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;     // Indexed: one index a pixel; Rgb: r, g, b a pixel
    std::array<TRgb, 256> palette{}; // Indexed only
    bool transparentZero = false;    // Indexed only: entry 0 fully transparent

    static TImage Indexed(int width, int height); // every pixel index 0
    static TImage Rgb(int width, int height);     // black
    int BytesPerPixel() const { return format == TFormat::Indexed ? 1 : 3; }
    size_t RowBytes() const { return static_cast<size_t>(width) * BytesPerPixel(); }
    uint8_t* Row(int y) { return pixels.data() + static_cast<size_t>(y) * RowBytes(); }
    const uint8_t* Row(int y) const { return pixels.data() + static_cast<size_t>(y) * RowBytes(); }
};

constexpr int MaxScale = 16;

// The whole stored picture of a loaded wallpaper or background (a background at its full
// stored size, not only the part the compositor shows): its indices and its palette.
TImage StoredPicture(const VLM::TBitmap& picture);

// A character as its work picture frames it (element 0's rectangle), with the given elements
// composed in order over a transparent ground; index 0 of every element is transparent.
struct TCharacterPicture {
    TImage image;
    int outside = -1; // the first element whose rows leave the picture (nothing drawn then)
};
TCharacterPicture CharacterPicture(const VLM::TCharacterBitmap& character,
                                   const std::vector<int32_t>& elements);

// One element of a loaded character at its own size, index 0 transparent.
TImage ElementPicture(const VLM::TCharacterBitmap& character, int element);

// A 15-bit picture (the compositor's off-screen picture) as RGB, enlarged scale times.
TImage ScreenPicture(const VLM::TPicture& picture, int scale = 1);

// Nearest-neighbour enlargement by a whole factor (1 to MaxScale).
TImage Scaled(const TImage& image, int scale);

} // namespace VLMX
