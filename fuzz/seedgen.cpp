// Writes the fuzz targets' seed corpora: one valid picture per archive kind (and a few shapes
// the loaders treat apart), the seven records the character loader corrects, and compositor
// command sequences. Usage: vlm-fuzzseeds <folder>; the corpora go to <folder>/<target>/.
#include "bgwriter.h"
#include "chwriter.h"
#include "screencommands.h"
#include "vlmwriter.h"

#include <cstdio>
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
        for (const char* target : {"wallpaper", "background", "character", "screen"})
            fs::remove_all(fs::path(root) / target); // no seed of an older generator stays
        WallPapers();
        BackGrounds();
        Characters();
        Screens();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
