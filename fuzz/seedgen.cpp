// Writes the fuzz targets' seed corpora: one valid picture per archive kind (and a few shapes
// the loaders treat apart), the seven records the character loader corrects, and compositor
// command sequences. Usage: vlm-fuzzseeds <folder>; the corpora go to <folder>/<target>/.
#include "bgwriter.h"
#include "chwriter.h"
#include "screencommands.h"
#include "vlmwriter.h"

#include <spng.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using namespace VLMF;

namespace {

std::string root;

void Seed(const std::string& target, const std::string& name, const VLMW::TBytes& bytes) {
    const fs::path folder = fs::path(root) / target;
    fs::create_directories(folder);
    bytes.Save((folder / name).string());
}

void WallPapers() {
    VLMW::TWallPaperEntry plain;
    plain.picture = VLMW::PatternPicture(320, 224, 1);
    Seed("wallpaper", "picture", VLMW::WallPaperArchive({plain}));
    VLMW::TWallPaperEntry text = plain;
    text.fillers = {VLMW::TFiller::A, VLMW::TFiller::B, VLMW::TFiller::Z,
                    VLMW::TFiller::A, VLMW::TFiller::B, VLMW::TFiller::Z};
    Seed("wallpaper", "text-fillers", VLMW::WallPaperArchive({text}));
}

void BackGrounds() {
    VLMW::TBackGroundRecord shown;
    shown.picture = VLMW::PatternPicture(288, 144, 2);
    Seed("background", "picture", VLMW::BackGroundArchive({shown}));
    VLMW::TBackGroundRecord small;
    small.picture = VLMW::PatternPicture(8, 8, 3);
    small.leadRecords = 3;
    small.palettePosition = 2000;
    Seed("background", "small-after-lead-records", VLMW::BackGroundArchive({small}));
    VLMW::TBackGroundRecord wide;
    wide.picture = VLMW::PatternPicture(1160, 8, 4); // a band larger than the shared buffer
    Seed("background", "wide", VLMW::BackGroundArchive({wide}));
}

VLMW::TBytes CharacterAtZero(const VLMW::TCharRecord& record) {
    VLMW::TCharPlacement p;
    p.record = record;
    return VLMW::CharacterArchive({p});
}

void Characters() {
    VLMW::TCharRecord r = VLMW::PatternRecord(47, 33, 5, 7, 2, 5);
    VLMW::AddAlternatives(r, 20, 10, 8, 4, 2, 6);
    r.elements[1].pixels[0] = 0;                                 // transparent
    r.elements.push_back(VLMW::PatternElement(4, 4, 50, 38, 7)); // reaches past the base
    Seed("character", "record", CharacterAtZero(r));
    // Many one-pixel elements, each on another pixel than the one before (a group each for the
    // tools window), and all on one pixel (one group of them all).
    for (bool onePixel : {false, true}) {
        VLMW::TCharRecord many;
        many.palette[1] = 0x7FFF;
        for (int e = 0; e < 2000; ++e) {
            VLMW::TCharElement element;
            element.left = static_cast<uint16_t>(onePixel ? 0 : e % 256);
            element.top = static_cast<uint16_t>(onePixel ? 0 : e / 256);
            element.width = element.height = 1;
            element.pixels = {1};
            many.elements.push_back(std::move(element));
        }
        Seed("character", onePixel ? "elements-on-one-pixel" : "elements-apart",
             CharacterAtZero(many));
    }
    // The fuzz target moves records of these shapes to the offsets where they are corrected.
    for (int i = 0; i < 7; ++i)
        Seed("character", "corrected-" + std::to_string(i),
             CharacterAtZero(VLMW::CorrectedPlacement(i).record));
}

// ---- PNG files for the import's reader ------------------------------------------------------

uint32_t Crc32(const uint8_t* p, size_t n) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k)
            c = c >> 1 ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}

// A PNG of samples as given, by libspng.
std::vector<uint8_t> Png(uint32_t w, uint32_t h, uint8_t colourType, uint8_t depth,
                         size_t plteEntries = 0) {
    spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
    spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
    spng_ihdr ihdr{w, h, depth, colourType, 0, 0, 0};
    spng_set_ihdr(ctx, &ihdr);
    spng_plte plte{};
    plte.n_entries = uint32_t(plteEntries);
    for (uint32_t i = 0; i < plte.n_entries; ++i)
        plte.entries[i] = {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7), 255};
    if (plteEntries) spng_set_plte(ctx, &plte);
    const size_t channels = colourType == 2 ? 3 : colourType == 6 ? 4 : colourType == 4 ? 2 : 1;
    std::vector<uint8_t> samples((size_t(w) * channels * depth + 7) / 8 * h);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = w * h > 4096 ? 0 : uint8_t(i * 13 % 16); // indices within any palette
    spng_encode_image(ctx, samples.data(), samples.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
    size_t size = 0;
    int error = 0;
    auto* bytes = static_cast<uint8_t*>(spng_get_png_buffer(ctx, &size, &error));
    std::vector<uint8_t> png(bytes, bytes + size);
    std::free(bytes);
    spng_ctx_free(ctx);
    return png;
}

// The chunk of type at or after from: its start (the length field), or npos.
size_t FindChunk(const std::vector<uint8_t>& png, const char* type) {
    for (size_t at = 8; at + 12 <= png.size();) {
        const size_t length = size_t(png[at]) << 24 | size_t(png[at + 1]) << 16 |
                              size_t(png[at + 2]) << 8 | png[at + 3];
        if (std::equal(type, type + 4, png.begin() + long(at) + 4)) return at;
        at += 12 + length;
    }
    return std::string::npos;
}

// Replaces the body of the chunk at `at` (of its old length) and writes a right CRC.
void Rewrite(std::vector<uint8_t>& png, size_t at, size_t oldLength,
             const std::vector<uint8_t>& body) {
    std::vector<uint8_t> chunk = {uint8_t(body.size() >> 24), uint8_t(body.size() >> 16),
                                  uint8_t(body.size() >> 8), uint8_t(body.size())};
    chunk.insert(chunk.end(), png.begin() + long(at) + 4, png.begin() + long(at) + 8);
    chunk.insert(chunk.end(), body.begin(), body.end());
    const uint32_t crc = Crc32(chunk.data() + 4, chunk.size() - 4);
    chunk.insert(chunk.end(),
                 {uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)});
    png.erase(png.begin() + long(at), png.begin() + long(at + 12 + oldLength));
    png.insert(png.begin() + long(at), chunk.begin(), chunk.end());
}

void SeedPng(const std::string& name, const std::vector<uint8_t>& png) {
    VLMW::TBytes bytes;
    bytes.data = png;
    Seed("import", name, bytes);
}

// Pictures the import reads, and the hostile shapes it must refuse without allocating for them.
void Imports() {
    SeedPng("indexed", Png(8, 8, 3, 8, 256));
    SeedPng("indexed-4bit", Png(24, 16, 3, 4, 16));
    SeedPng("rgb", Png(8, 8, 2, 8));
    SeedPng("rgba", Png(24, 16, 6, 8));
    SeedPng("grey", Png(8, 8, 0, 8));
    SeedPng("grey-16bit", Png(8, 8, 0, 16));
    SeedPng("grey-alpha", Png(8, 8, 4, 8));
    std::vector<uint8_t> crc = Png(8, 8, 3, 8, 256);
    crc[FindChunk(crc, "IDAT") + 9] ^= 0xFF; // a changed sample: the CRC no longer fits
    SeedPng("wrong-crc", crc);
    std::vector<uint8_t> huge = Png(8, 8, 3, 8, 256);
    std::vector<uint8_t> header(huge.begin() + 16, huge.begin() + 29);
    header[0] = header[4] = 0x7F; // about 2^31 x 2^31
    Rewrite(huge, FindChunk(huge, "IHDR"), 13, header);
    SeedPng("huge-header", huge);
    // The image data of a 4096 x 4096 picture of zeros under the header of an 8 x 8 one.
    std::vector<uint8_t> bomb = Png(8, 8, 3, 8, 256);
    const std::vector<uint8_t> big = Png(4096, 4096, 3, 8, 256);
    const size_t from = FindChunk(big, "IDAT"), to = FindChunk(big, "IEND");
    const size_t idat = FindChunk(bomb, "IDAT");
    bomb.erase(bomb.begin() + long(idat), bomb.begin() + long(FindChunk(bomb, "IEND")));
    bomb.insert(bomb.begin() + long(idat), big.begin() + long(from), big.begin() + long(to));
    SeedPng("deflate-bomb", bomb);
    for (size_t entries : {size_t(0), size_t(300)}) {
        std::vector<uint8_t> plte = Png(8, 8, 3, 8, 256);
        Rewrite(plte, FindChunk(plte, "PLTE"), 768, std::vector<uint8_t>(entries * 3, 0x40));
        SeedPng("palette-" + std::to_string(entries), plte);
    }
}

class TScript {
public:
    VLMW::TBytes bytes;
    TScript& U8(uint8_t v) {
        bytes.PutU8(bytes.Size(), v);
        return *this;
    }
    TScript& I32(int32_t v) {
        bytes.PutU32BE(bytes.Size(), static_cast<uint32_t>(v));
        return *this;
    }
    TScript& Raw(const VLMW::TBytes& archive) {
        I32(static_cast<int32_t>(archive.Size()));
        bytes.Put(bytes.Size(), archive.data.data(), archive.data.size());
        return *this;
    }
    TScript& Op(TOp op) { return U8(op); }
    TScript& Op(TOp op, int32_t a) { return U8(op).I32(a); }
    TScript& Op(TOp op, int32_t a, int32_t b) { return U8(op).I32(a).I32(b); }
    TScript& Rect(TOp op, int32_t l, int32_t t, int32_t r, int32_t b) {
        return U8(op).I32(l).I32(t).I32(r).I32(b);
    }
    TScript& Open(TOp op, TSource source) { return U8(op).U8(source); }
};

void Screens() {
    // Every layer from the small writer archives, every command at least once.
    TScript tour;
    tour.U8(0)
        .Open(OpOpenWallPaper, FromWriter)
        .Op(OpDrawWallPaper, 0)
        .Open(OpOpenBackGround, FromWriter)
        .Op(OpDrawBackGround, 290)
        .Open(OpOpenCharacter, FromWriter)
        .Op(OpDrawCharacter, 144)
        .Op(OpDrawElement, 2)
        .Op(OpDrawCharacterElement, 144, 3)
        .Op(OpDrawBackGround, 291)
        .Op(OpDrawBackGround, 93)
        .Op(OpDrawCharacter, 126)
        .Op(OpDrawCharacter, 128)
        .Rect(OpUpdate, 10, 10, 20, 20)
        .Rect(OpSetDestRect, 0, 0, 640, 448)
        .Op(OpFlush)
        .Op(OpRepaint)
        .Op(OpQuery, 1)
        .Op(OpToggleTarget)
        .Op(OpDrawWallPaper, 1)
        .Op(OpToggleTarget)
        .Op(OpDrawElement, 1);
    Seed("screen", "tour", tour.bytes);

    // A character archive from the input, the other layers missing or misnamed.
    VLMW::TCharRecord r = VLMW::PatternRecord(24, 16, 0, 0, 0, 8);
    VLMW::AddAlternatives(r, 8, 8, 8, 8, 2, 9);
    TScript raw;
    raw.U8(4)
        .Raw(CharacterAtZero(r))
        .Open(OpOpenCharacter, FromRaw)
        .Op(OpDrawCharacter, 144)
        .Op(OpDrawElement, 2)
        .Open(OpOpenWallPaper, FromMissing)
        .Op(OpDrawWallPaper, 0)
        .Open(OpOpenBackGround, FromOtherName)
        .Op(OpDrawBackGround, 290)
        .Op(OpDrawCharacter, 144);
    Seed("screen", "raw-character", raw.bytes);

    // All three archives from the input.
    VLMW::TWallPaperEntry w;
    w.picture = VLMW::PatternPicture(320, 224, 10);
    VLMW::TBackGroundRecord b;
    b.picture = VLMW::PatternPicture(16, 8, 11);
    TScript all;
    all.U8(7)
        .Raw(VLMW::WallPaperArchive({w}))
        .Raw(VLMW::BackGroundArchive({b}))
        .Raw(CharacterAtZero(r))
        .Open(OpOpenWallPaper, FromRaw)
        .Open(OpOpenBackGround, FromRaw)
        .Open(OpOpenCharacter, FromRaw)
        .Op(OpDrawCharacter, 144)
        .Op(OpDrawBackGround, 290)
        .Op(OpDrawWallPaper, 0)
        .Op(OpDrawElement, 1);
    Seed("screen", "raw-archives", all.bytes);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    root = argv[1];
    try {
        for (const char* target : {"wallpaper", "background", "character", "screen", "import"})
            fs::remove_all(fs::path(root) / target); // no seed of an older generator stays
        WallPapers();
        BackGrounds();
        Characters();
        Screens();
        Imports();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
