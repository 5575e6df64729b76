#include "vlmpng.h"

#include <spng.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace VLMX {

namespace {

// Deflate level of the files: zlib's 7, the level ImageMagick writes by default. Levels 8 and
// 9 cost twice the time for about one per cent.
constexpr int FileLevel = 7;
// Level of the trial encodings that choose a filter: the order of the sizes they give is the
// order the file level gives, at a fraction of the cost.
constexpr int TrialLevel = 1;
// The trials see one band of 8 rows in TrialStride of a taller picture: on the demo archives
// that makes them a third as costly and the files 0.4 per cent larger.
constexpr int TrialStride = 4;
constexpr int TrialAllBelow = 64; // rows; a smaller picture is tried whole
// Pixels; a smaller palette picture is written without a filter and without trials (TSmallPng).
// Its three trial encodings cost more than the few bytes they could save: on the demo
// characters' elements (the layers of a layered file) they save none.
constexpr int64_t TrialNoneBelow = 4096;

struct TCtxFree {
    void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};

void Check(int rc, const char* step) {
    if (rc != 0) throw EPngError(std::string("PNG encoder: ") + step + ": " + spng_strerror(rc));
}

int Append(spng_ctx*, void* user, void* data, size_t length) {
    auto& out = *static_cast<std::vector<uint8_t>*>(user);
    const auto* bytes = static_cast<const uint8_t*>(data);
    out.insert(out.end(), bytes, bytes + length);
    return 0;
}

std::vector<uint8_t> Encode(const TImage& image, int scale, int level, int filters) {
    std::unique_ptr<spng_ctx, TCtxFree> owner(spng_ctx_new(SPNG_CTX_ENCODER));
    if (!owner) throw std::bad_alloc();
    spng_ctx* ctx = owner.get();
    std::vector<uint8_t> out;
    Check(spng_set_png_stream(ctx, Append, &out), "output");
    Check(spng_set_option(ctx, SPNG_IMG_COMPRESSION_LEVEL, level), "level");
    Check(spng_set_option(ctx, SPNG_FILTER_CHOICE, filters), "filters");
    // A window no larger than the picture's rows: the same stream, and a deflate state a
    // small picture's size rather than a quarter MiB, which malloc would give back to the
    // system and fault in again for every element of a layered file.
    const int64_t rowBytes = int64_t{image.width} * scale * image.BytesPerPixel() + 1;
    const int64_t data = rowBytes * image.height * scale;
    int windowBits = 9;
    while (windowBits < 15 && (int64_t{1} << windowBits) < data)
        ++windowBits;
    Check(spng_set_option(ctx, SPNG_IMG_WINDOW_BITS, windowBits), "window");
    Check(spng_set_option(ctx, SPNG_IMG_MEM_LEVEL, std::max(5, windowBits - 7)), "memory");

    const bool indexed = image.format == TImage::TFormat::Indexed;
    spng_ihdr ihdr{};
    ihdr.width = static_cast<uint32_t>(image.width) * static_cast<uint32_t>(scale);
    ihdr.height = static_cast<uint32_t>(image.height) * static_cast<uint32_t>(scale);
    ihdr.bit_depth = 8;
    ihdr.color_type = indexed ? SPNG_COLOR_TYPE_INDEXED : SPNG_COLOR_TYPE_TRUECOLOR;
    Check(spng_set_ihdr(ctx, &ihdr), "header");
    if (indexed) {
        spng_plte plte{};
        plte.n_entries = static_cast<uint32_t>(image.palette.size());
        for (size_t i = 0; i < image.palette.size(); ++i)
            plte.entries[i] = {image.palette[i].r, image.palette[i].g, image.palette[i].b, 255};
        Check(spng_set_plte(ctx, &plte), "palette");
        if (image.transparentZero) {
            spng_trns trns{};
            trns.n_type3_entries = 1; // entry 0 alpha 0; the others stay opaque
            Check(spng_set_trns(ctx, &trns), "transparency");
        }
    }

    Check(spng_encode_image(ctx, nullptr, 0, SPNG_FMT_PNG,
                            SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE),
          "start");
    const int bpp = image.BytesPerPixel();
    std::vector<uint8_t> wide(scale > 1 ? image.RowBytes() * static_cast<size_t>(scale) : 0);
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* row = image.Row(y);
        if (scale > 1) {
            uint8_t* o = wide.data();
            for (int x = 0; x < image.width; ++x, row += bpp)
                for (int k = 0; k < scale; ++k, o += bpp)
                    for (int b = 0; b < bpp; ++b)
                        o[b] = row[b];
            row = wide.data();
        }
        for (int k = 0; k < scale; ++k) {
            const int rc = spng_encode_row(ctx, row, image.RowBytes() * static_cast<size_t>(scale));
            if (rc != SPNG_EOI) Check(rc, "row");
        }
    }
    return out;
}

// Small palette pictures (the elements of a layered file, a few hundred a character) written
// chunk by chunk through one deflate state a thread: setting up libspng's context and a fresh
// deflate state costs more than compressing such a picture. No filter, as the trials choose
// for these.
class TSmallPng {
public:
    TSmallPng() {
        // Every such picture's rows fit an 8 KB window; the smaller window and hash table are
        // what each reset clears.
        if (deflateInit2(&stream, FileLevel, Z_DEFLATED, 13, 6, Z_DEFAULT_STRATEGY) != Z_OK)
            throw std::bad_alloc();
    }
    ~TSmallPng() { deflateEnd(&stream); }
    TSmallPng(const TSmallPng&) = delete;
    TSmallPng& operator=(const TSmallPng&) = delete;

    std::vector<uint8_t> Encode(const TImage& image) {
        out.assign({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
        uint8_t header[13] = {};
        Put32(header, static_cast<uint32_t>(image.width));
        Put32(header + 4, static_cast<uint32_t>(image.height));
        header[8] = 8; // bits a sample
        header[9] = 3; // palette; compression, filter and interlace methods 0
        Chunk("IHDR", header, sizeof header);
        uint8_t palette[3 * 256];
        for (size_t i = 0; i < image.palette.size(); ++i)
            palette[3 * i] = image.palette[i].r, palette[3 * i + 1] = image.palette[i].g,
                        palette[3 * i + 2] = image.palette[i].b;
        Chunk("PLTE", palette, sizeof palette);
        const uint8_t clear = 0; // entry 0 alpha 0; the others stay opaque
        if (image.transparentZero) Chunk("tRNS", &clear, 1);
        rows.clear();
        for (int y = 0; y < image.height; ++y) {
            rows.push_back(0); // filter type None
            rows.insert(rows.end(), image.Row(y), image.Row(y) + image.width);
        }
        packed.resize(deflateBound(&stream, static_cast<uLong>(rows.size())));
        deflateReset(&stream);
        stream.next_in = rows.data();
        stream.avail_in = static_cast<uInt>(rows.size());
        stream.next_out = packed.data();
        stream.avail_out = static_cast<uInt>(packed.size());
        if (deflate(&stream, Z_FINISH) != Z_STREAM_END) throw EPngError("PNG encoder: deflate");
        Chunk("IDAT", packed.data(), stream.total_out);
        Chunk("IEND", nullptr, 0);
        return out;
    }

private:
    static void Put32(uint8_t* at, uint32_t v) {
        at[0] = uint8_t(v >> 24), at[1] = uint8_t(v >> 16), at[2] = uint8_t(v >> 8),
        at[3] = uint8_t(v);
    }
    void Chunk(const char* type, const uint8_t* data, size_t size) {
        uint8_t head[8];
        Put32(head, static_cast<uint32_t>(size));
        std::memcpy(head + 4, type, 4);
        out.insert(out.end(), head, head + 8);
        if (size > 0) out.insert(out.end(), data, data + size);
        uLong crc = crc32(crc32(0, nullptr, 0), head + 4, 4);
        if (size > 0) crc = crc32(crc, data, static_cast<uInt>(size));
        uint8_t tail[4];
        Put32(tail, static_cast<uint32_t>(crc));
        out.insert(out.end(), tail, tail + 4);
    }

    z_stream stream{};
    std::vector<uint8_t> out, rows, packed; // kept: their memory serves the next picture
};

} // namespace

std::vector<uint8_t> EncodePng(const TImage& image, int scale) {
    if (scale < 1 || scale > MaxScale) throw EPngError("scale out of range");
    if (image.width <= 0 || image.height <= 0) throw EPngError("the picture is empty");
    if (int64_t{image.width} * image.height * scale * scale > MaxWrittenPixels)
        throw EPngError("too large to write at scale " + std::to_string(scale));
    // An enlarged picture repeats every row: the per-row choice gives the repeats Up (all
    // zeros). On the demo archives it comes within 7 per cent of the best single filter at
    // any scale, and mostly under it.
    if (image.format == TImage::TFormat::Rgb || scale > 1)
        return Encode(image, scale, FileLevel, SPNG_FILTER_CHOICE_ALL);
    if (int64_t{image.width} * image.height < TrialNoneBelow) {
        thread_local TSmallPng small;
        return small.Encode(image);
    }
    // Palette indices are no samples, so the per-row filter guess (the smallest sum of
    // differences) picks badly at full size, and no filter at all wastes the smooth runs of
    // indices that gradients make. One filter for the whole picture, chosen by trial, makes
    // the demo archives' files a third smaller than no filter (the backgrounds' 40 per cent).
    TImage sample;
    const TImage* tried = &image;
    if (image.height >= TrialAllBelow) {
        sample = TImage::Indexed(image.width, 0);
        for (int y = 0; y < image.height; ++y)
            if (y / 8 % TrialStride == 0)
                sample.pixels.insert(sample.pixels.end(), image.Row(y), image.Row(y) + image.width);
        sample.height = static_cast<int>(sample.pixels.size() / image.RowBytes());
        tried = &sample;
    }
    int best = SPNG_FILTER_CHOICE_NONE;
    size_t bestSize = 0;
    for (int filter : {SPNG_FILTER_CHOICE_NONE, SPNG_FILTER_CHOICE_SUB, SPNG_FILTER_CHOICE_UP}) {
        const size_t size = Encode(*tried, 1, TrialLevel, filter).size();
        if (bestSize == 0 || size < bestSize) best = filter, bestSize = size;
    }
    return Encode(image, 1, FileLevel, best);
}

} // namespace VLMX
