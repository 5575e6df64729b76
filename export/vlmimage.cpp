#include "vlmimage.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace VLMX {

namespace {

size_t PixelCount(int width, int height) {
    if (width < 0 || height < 0) throw std::invalid_argument("negative image size");
    return static_cast<size_t>(width) * static_cast<size_t>(height);
}

std::array<TRgb, 256> PaletteOf(const VLM::TBitmap& picture) {
    std::array<TRgb, 256> palette;
    for (size_t i = 0; i < palette.size(); ++i)
        palette[i] = VLM::ScreenToRgb(picture.Palette[i]);
    return palette;
}

// Copies src into a row of scale times its pixels, bytesPerPixel bytes each.
void StretchRow(const uint8_t* src, int width, int bytesPerPixel, int scale, uint8_t* out) {
    for (int x = 0; x < width; ++x, src += bytesPerPixel)
        for (int k = 0; k < scale; ++k, out += bytesPerPixel)
            std::memcpy(out, src, static_cast<size_t>(bytesPerPixel));
}

void CheckScale(int scale) {
    if (scale < 1 || scale > MaxScale) throw std::invalid_argument("scale out of range");
}

} // namespace

TImage TImage::Indexed(int width, int height) {
    TImage image;
    image.format = TFormat::Indexed;
    image.width = width;
    image.height = height;
    image.pixels.assign(PixelCount(width, height), 0);
    return image;
}

TImage TImage::Rgb(int width, int height) {
    TImage image;
    image.format = TFormat::Rgb;
    image.width = width;
    image.height = height;
    image.pixels.assign(PixelCount(width, height) * 3, 0);
    return image;
}

TImage StoredPicture(const VLM::TBitmap& picture) {
    if (!picture.Loaded || !picture.Pixels) throw std::logic_error("no picture loaded");
    TImage image = TImage::Indexed(picture.Width, picture.Height);
    if (!image.pixels.empty())
        std::memcpy(image.pixels.data(), picture.Pixels.get(), image.pixels.size());
    image.palette = PaletteOf(picture);
    return image;
}

TCharacterPicture CharacterPicture(const VLM::TCharacterBitmap& character,
                                   const std::vector<int32_t>& elements) {
    if (!character.Loaded) throw std::logic_error("no character loaded");
    TCharacterPicture result{TImage::Indexed(character.Width, character.Height)};
    TImage& image = result.image;
    image.palette = PaletteOf(character);
    image.transparentZero = true;
    // Placed as the character composes into its work picture: columns beyond its edges are
    // dropped, rows beyond them are a failure.
    for (int32_t index : elements) {
        if (index < 0 || index >= character.Elems) continue;
        const auto& e = *character.elements[static_cast<size_t>(index)];
        const int64_t x0 = int64_t{e.left} - character.Left, y0 = int64_t{e.top} - character.Top;
        if (e.height > 0 && (y0 < 0 || y0 + e.height > image.height)) {
            result.outside = index;
            return result;
        }
        const int64_t c0 = std::max<int64_t>(0, -x0);
        const int64_t c1 = std::min<int64_t>(e.width, int64_t{image.width} - x0);
        for (int r = 0; r < e.height && c0 < c1; ++r) {
            uint8_t* out = image.Row(static_cast<int>(y0 + r)) + x0;
            const uint8_t* in = e.pixels.get() + int64_t{r} * e.width;
            for (int64_t c = c0; c < c1; ++c)
                if (in[c] != 0) out[c] = in[c];
        }
    }
    return result;
}

TImage ElementPicture(const VLM::TCharacterBitmap& character, int element) {
    if (!character.Loaded || element < 0 || element >= character.Elems)
        throw std::out_of_range("no such element");
    const auto& e = *character.elements[static_cast<size_t>(element)];
    TImage image = TImage::Indexed(e.width, e.height);
    if (!image.pixels.empty())
        std::memcpy(image.pixels.data(), e.pixels.get(), image.pixels.size());
    image.palette = PaletteOf(character);
    image.transparentZero = true;
    return image;
}

TImage ScreenPicture(const VLM::TPicture& picture, int scale) {
    CheckScale(scale);
    TImage image = TImage::Rgb(picture.Width() * scale, picture.Height() * scale);
    std::vector<uint8_t> row(static_cast<size_t>(picture.Width()) * 3);
    for (int y = 0; y < picture.Height(); ++y) {
        const uint16_t* in = picture.ScanLine(y);
        for (int x = 0; x < picture.Width(); ++x) {
            const TRgb c = VLM::ScreenToRgb(in[x]);
            row[3 * static_cast<size_t>(x)] = c.r;
            row[3 * static_cast<size_t>(x) + 1] = c.g;
            row[3 * static_cast<size_t>(x) + 2] = c.b;
        }
        for (int k = 0; k < scale; ++k)
            StretchRow(row.data(), picture.Width(), 3, scale, image.Row(y * scale + k));
    }
    return image;
}

TImage Scaled(const TImage& image, int scale) {
    CheckScale(scale);
    if (scale == 1) return image;
    TImage out = image;
    out.width = image.width * scale;
    out.height = image.height * scale;
    out.pixels.assign(PixelCount(out.width, out.height) * image.BytesPerPixel(), 0);
    for (int y = 0; y < image.height; ++y)
        for (int k = 0; k < scale; ++k)
            StretchRow(image.Row(y), image.width, image.BytesPerPixel(), scale,
                       out.Row(y * scale + k));
    return out;
}

} // namespace VLMX
