#include "vlmwallpaper.h"

#include "vlmnames.h"

#include <cstring>
#include <limits>

namespace VLM {

namespace {

// "うその壁紙" CR LF "えへへ。(^^)" CR LF and six zeros, in two records, pad the gaps between
// pictures, as do records of zeros.
constexpr uint8_t FillerA[16] = {0x82, 0xA4, 0x82, 0xBB, 0x82, 0xCC, 0x95, 0xC7,
                                 0x8E, 0x86, 0x0D, 0x0A, 0x82, 0xA6, 0x82, 0xD6};
constexpr uint8_t FillerB[16] = {0x82, 0xD6, 0x81, 0x42, 0x28, 0x5E, 0x5E, 0x29,
                                 0x0D, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
constexpr uint8_t FillerZ[16] = {};

constexpr int64_t PictureStride = 75776; // 37 x 2048

} // namespace

TWallPaperBitmap::TWallPaperBitmap() {
    Width = PictureWidth;
    Height = PictureHeight;
    Pixels = std::make_unique<uint8_t[]>(PictureWidth * PictureHeight);
}

TWallPaperBitmap::~TWallPaperBitmap() = default;

TWallPaperBitmap::TKind TWallPaperBitmap::Kind() const {
    const std::string name = UpperAscii(FileNamePart(FileName));
    if (name == "EYECATCH.ALL") return TKind::EyeCatch;
    if (name == "WPALL1.ALL") return TKind::WallPaper1;
    if (name == "WPALL2.ALL") return TKind::WallPaper2;
    if (name == "WPALL3.ALL") return TKind::WallPaper3;
    return TKind::Other;
}

int TWallPaperBitmap::GetCount() {
    switch (Kind()) {
    case TKind::EyeCatch:
        return 22;
    case TKind::WallPaper1:
    case TKind::WallPaper2:
    case TKind::WallPaper3:
        return 34;
    case TKind::Other:
        break;
    }
    return 0;
}

const char* TWallPaperBitmap::GetName(int index) {
    if (index < 0) return UndefinedName;
    const TKind kind = Kind();
    if (kind == TKind::EyeCatch && index < EyeCatchNameCount) return EyeCatchNames[index].name;
    if (kind == TKind::WallPaper1 && index < FirstWallPaperNameCount)
        return FirstWallPaperNames[index].name;
    return UndefinedName;
}

const char* TWallPaperBitmap::GetCurrentName() {
    if (!Loaded) return NoneName;
    const TNameEntry* table = nullptr;
    int count = 0;
    switch (Kind()) {
    case TKind::EyeCatch:
        table = EyeCatchNames, count = EyeCatchNameCount;
        break;
    case TKind::WallPaper1:
        table = FirstWallPaperNames, count = FirstWallPaperNameCount;
        break;
    default:
        return UndefinedName;
    }
    return CurrentNameFrom(table, count);
}

int64_t TWallPaperBitmap::HintOffset(int index) {
    const int64_t base = int64_t{index} * PictureStride;
    if (index <= 21) return base;
    if (index <= 25) return base + 47104;
    return base + 108544;
}

bool TWallPaperBitmap::IsFillerRecord(const uint8_t* record) {
    return std::memcmp(record, FillerA, 16) == 0 || std::memcmp(record, FillerB, 16) == 0 ||
           std::memcmp(record, FillerZ, 16) == 0;
}

bool TWallPaperBitmap::Select(int index) {
    Index = index;
    const int64_t hint = HintOffset(index);
    // A hint no file offset can hold is treated like a negative one: the search starts at 0.
    const bool representable =
        hint >= std::numeric_limits<int32_t>::min() && hint <= std::numeric_limits<int32_t>::max();
    return LoadAt(representable ? static_cast<int>(hint) : -1);
}

bool TWallPaperBitmap::LoadAt(int offset) {
    if (!BeginLoad()) return false;
    Loaded = Guarded([&] {
        TFile file(FileName);
        file.Seek(offset); // a negative offset cannot be reached: the search starts at 0

        const int64_t found =
            SearchRecord(file, scratch, [](const uint8_t* r) { return !IsFillerRecord(r); });
        // R lies 64 bytes before the first record that is not filler; a picture that starts
        // right at the top of the file gives a small negative R, which still reads correctly.
        const int64_t record = found - 64;
        if (record > std::numeric_limits<int32_t>::max())
            return Fail({TFailure::TooLarge, std::numeric_limits<int32_t>::max()});
        Offset = static_cast<int32_t>(record);

        file.Seek(record + RecordPalette);
        ReadPalette(file);

        file.Seek(record + RecordPixels);
        ReadCells(file, scratch);
        return true;
    });
    return Loaded;
}

} // namespace VLM
