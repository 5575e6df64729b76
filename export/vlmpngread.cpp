#include "vlmpngread.h"

#include <spng.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <memory>
#include <sys/stat.h>

namespace VLMX {

namespace {

constexpr uint8_t Signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr int ColourIndexed = 3, ColourGreyAlpha = 4;
constexpr size_t ChunkFrame = 12;      // length, type, CRC
constexpr size_t ExtraBytes = 1 << 16; // beyond the samples: chunks of text, a colour profile

uint32_t U32BE(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// What the chunk walk learns before the decoder sees the file.
struct THeader {
    uint32_t width = 0, height = 0;
    int depth = 0, colourType = 0;
    size_t paletteEntries = 0;
};

// Walks the chunks from the signature to IEND without decoding any: the header's fields, the
// palette's length, and whether the file is whole. CRCs are the decoder's to check.
std::string WalkChunks(const uint8_t* data, size_t size, THeader& header) {
    if (size < sizeof Signature || std::memcmp(data, Signature, sizeof Signature) != 0)
        return "not a PNG file";
    bool first = true;
    for (size_t at = sizeof Signature;;) {
        if (size - at < ChunkFrame) return "cut short (no end chunk)";
        const uint32_t length = U32BE(data + at);
        const uint8_t* type = data + at + 4;
        if (length > size - at - ChunkFrame) return "cut short (a chunk runs past the end)";
        const uint8_t* body = type + 4;
        if (first != (std::memcmp(type, "IHDR", 4) == 0) || (first && length != 13))
            return "damaged: the header chunk is missing or misplaced";
        if (first) {
            header.width = U32BE(body);
            header.height = U32BE(body + 4);
            header.depth = body[8];
            header.colourType = body[9];
        }
        if (std::memcmp(type, "PLTE", 4) == 0) header.paletteEntries = length / 3;
        if (std::memcmp(type, "IEND", 4) == 0) return {};
        first = false;
        at += ChunkFrame + length;
    }
}

// The size and sample format the import can use; the first problem found otherwise.
std::string CheckHeader(const THeader& h, int width, int height) {
    if (h.width != uint32_t(width) || h.height != uint32_t(height))
        return "is " + std::to_string(h.width) + " x " + std::to_string(h.height) +
               " pixels; it must be " + std::to_string(width) + " x " + std::to_string(height) +
               ", the stored size";
    if (h.depth == 16) return "16-bit samples cannot be mapped to the palette";
    if (h.colourType == ColourGreyAlpha) return "grey with alpha cannot be mapped to the palette";
    if (h.paletteEntries > 256)
        return "has " + std::to_string(h.paletteEntries) +
               " palette entries; a picture has at most 256";
    return {};
}

struct TCtxFree {
    void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};

std::string Damaged(int rc) {
    return std::string("damaged: ") + spng_strerror(rc);
}

// Indices of 1, 2 or 4 bits, rows padded to whole bytes, spread to a byte each.
std::vector<uint8_t> Unpacked(const std::vector<uint8_t>& packed, int width, int height,
                              int depth) {
    std::vector<uint8_t> out(size_t(width) * size_t(height));
    const size_t rowBytes = (size_t(width) * size_t(depth) + 7) / 8;
    const unsigned mask = (1u << depth) - 1;
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = packed.data() + size_t(y) * rowBytes;
        for (int x = 0; x < width; ++x) {
            const size_t bit = size_t(x) * size_t(depth);
            const unsigned shift = 8 - unsigned(depth) - unsigned(bit % 8);
            out[size_t(y) * size_t(width) + size_t(x)] = uint8_t(row[bit / 8] >> shift & mask);
        }
    }
    return out;
}

} // namespace

size_t MaxPngFileBytes(int width, int height) {
    const size_t samples = (size_t(width) * 4 + 1) * size_t(height);
    return 2 * samples + ExtraBytes;
}

TPngRead ReadPngBounded(const uint8_t* data, size_t size, int width, int height) {
    TPngRead r;
    if (width <= 0 || height <= 0) {
        r.reason = "the picture has no pixels";
        return r;
    }
    if (size > MaxPngFileBytes(width, height)) {
        r.reason = "holds " + std::to_string(size) + " bytes, more than a PNG of a " +
                   std::to_string(width) + " x " + std::to_string(height) + " picture needs";
        return r;
    }
    THeader header;
    r.reason = WalkChunks(data, size, header);
    if (r.reason.empty()) r.reason = CheckHeader(header, width, height);
    if (!r.reason.empty()) return r;

    std::unique_ptr<spng_ctx, TCtxFree> owner(spng_ctx_new(0));
    if (!owner) throw std::bad_alloc();
    spng_ctx* ctx = owner.get();
    // The limits hold the decoder to the picture even where the walk above could be wrong.
    spng_set_image_limits(ctx, uint32_t(width), uint32_t(height));
    spng_set_chunk_limits(ctx, size, size);
    if (const int rc = spng_set_png_buffer(ctx, data, size)) {
        r.reason = Damaged(rc);
        return r;
    }
    const bool indexed = header.colourType == ColourIndexed;
    const int format = indexed ? SPNG_FMT_PNG : SPNG_FMT_RGBA8;
    size_t bytes = 0;
    if (const int rc = spng_decoded_image_size(ctx, format, &bytes)) {
        r.reason = Damaged(rc);
        return r;
    }
    if (bytes > size_t(width) * size_t(height) * 4) {
        r.reason = "damaged: more samples than the picture has pixels";
        return r;
    }
    std::vector<uint8_t> samples(bytes);
    if (const int rc =
            spng_decode_image(ctx, samples.data(), bytes, format, indexed ? 0 : SPNG_DECODE_TRNS)) {
        r.reason = Damaged(rc);
        return r;
    }
    TPngPicture& p = r.picture;
    p.width = width;
    p.height = height;
    if (!indexed) {
        p.kind = TPngPicture::TKind::Rgba;
        p.pixels = std::move(samples);
        return r;
    }
    p.kind = TPngPicture::TKind::Indexed;
    p.pixels =
        header.depth == 8 ? std::move(samples) : Unpacked(samples, width, height, header.depth);
    spng_plte plte{};
    if (const int rc = spng_get_plte(ctx, &plte)) {
        r.reason = Damaged(rc);
        return r;
    }
    for (uint32_t i = 0; i < plte.n_entries && i < 256; ++i)
        p.palette.push_back({plte.entries[i].red, plte.entries[i].green, plte.entries[i].blue});
    return r;
}

TPngRead ReadPngFile(const std::string& path, int width, int height) {
    TPngRead r;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        r.reason = "cannot be read";
        return r;
    }
    const size_t cap = MaxPngFileBytes(std::max(width, 1), std::max(height, 1));
    if (uint64_t(st.st_size) > cap) {
        r.reason = "holds " + std::to_string(st.st_size) + " bytes, more than a PNG of a " +
                   std::to_string(width) + " x " + std::to_string(height) + " picture needs";
        return r;
    }
    std::ifstream in(path, std::ios::binary);
    // One byte past the cap, should the file have grown since it was looked at.
    std::vector<uint8_t> bytes(size_t(st.st_size) + 1);
    in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
    if (in.bad()) {
        r.reason = "cannot be read";
        return r;
    }
    bytes.resize(size_t(in.gcount()));
    return ReadPngBounded(bytes.data(), bytes.size(), width, height);
}

} // namespace VLMX
