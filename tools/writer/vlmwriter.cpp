#include "vlmwriter.h"

#include <cstring>
#include <fstream>
#include <stdexcept>

namespace VLMW {

TIndexed::TIndexed(int w, int h)
    : width(w), height(h), pixels(static_cast<size_t>(w) * static_cast<size_t>(h), 0) {}

TIndexed PatternPicture(int width, int height, uint32_t seed) {
    TIndexed p(width, height);
    uint32_t s = seed * 2654435761u + 12345u;
    for (auto& px : p.pixels) {
        s = s * 1103515245u + 12345u;
        px = static_cast<uint8_t>(1 + (s >> 16) % 255); // never 0: no pixel reads as filler
    }
    for (int i = 0; i < 256; ++i) p.palette[i] = static_cast<uint16_t>((i * 97 + seed * 31) & 0x7FFF);
    return p;
}

void TBytes::Put(int64_t at, const void* bytes, size_t n) {
    if (at < 0) throw std::invalid_argument("TBytes::Put at a negative offset");
    const size_t end = static_cast<size_t>(at) + n;
    if (data.size() < end) data.resize(end, 0);
    if (n) std::memcpy(data.data() + at, bytes, n);
}

void TBytes::PutU16BE(int64_t at, uint16_t v) {
    const uint8_t b[2] = {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
    Put(at, b, 2);
}

void TBytes::PutU32BE(int64_t at, uint32_t v) {
    const uint8_t b[4] = {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
                          static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
    Put(at, b, 4);
}

void TBytes::Save(const std::string& path, int64_t keepBytes) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + path);
    const size_t n = keepBytes < 0 ? data.size() : std::min(data.size(), static_cast<size_t>(keepBytes));
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(n));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<uint8_t> EncodeCells(const TIndexed& picture) {
    std::vector<uint8_t> out;
    out.reserve(picture.pixels.size());
    for (int b = 0; b * 8 < picture.height; ++b)
        for (int q = 0; q * 8 < picture.width; ++q)
            for (int r = 0; r < 8; ++r)
                for (int s = 0; s < 8; ++s) out.push_back(picture.At(q * 8 + s, b * 8 + r));
    return out;
}

std::vector<uint8_t> EncodePalette(const std::array<uint16_t, 256>& palette) {
    std::vector<uint8_t> out;
    out.reserve(512);
    for (uint16_t c : palette) {
        out.push_back(static_cast<uint8_t>(c >> 8));
        out.push_back(static_cast<uint8_t>(c));
    }
    return out;
}

// ---- Wallpapers ----------------------------------------------------------------------------

namespace {
constexpr uint8_t FillerBytes[3][16] = {
    {0x82, 0xA4, 0x82, 0xBB, 0x82, 0xCC, 0x95, 0xC7, 0x8E, 0x86, 0x0D, 0x0A, 0x82, 0xA6, 0x82, 0xD6},
    {0x82, 0xD6, 0x81, 0x42, 0x28, 0x5E, 0x5E, 0x29, 0x0D, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
    {}};
} // namespace

int64_t WallPaperHint(int index) {
    const int64_t base = int64_t{index} * 75776;
    return index <= 21 ? base : index <= 25 ? base + 47104 : base + 108544;
}

int64_t WallPaperRecordStart(const TWallPaperEntry& entry) {
    return WallPaperHint(entry.index) + 16 * static_cast<int64_t>(entry.fillers.size()) - 64;
}

void WriteWallPaper(TBytes& out, const TWallPaperEntry& entry) {
    if (entry.picture.width != 320 || entry.picture.height != 224)
        throw std::invalid_argument("a wallpaper is 320 x 224");
    int64_t at = WallPaperHint(entry.index);
    for (TFiller f : entry.fillers) {
        out.Put(at, FillerBytes[static_cast<int>(f)], 16);
        at += 16;
    }
    const int64_t record = WallPaperRecordStart(entry);
    const auto cells = EncodeCells(entry.picture);
    out.Put(record + 64, cells.data(), cells.size());
    const auto palette = EncodePalette(entry.picture.palette);
    out.Put(record + 73728, palette.data(), palette.size());
}

TBytes WallPaperArchive(const std::vector<TWallPaperEntry>& entries) {
    TBytes out;
    for (const auto& e : entries) WriteWallPaper(out, e);
    return out;
}

} // namespace VLMW
