#include "vlmbackground.h"

#include "vlmnames.h"

#include <cstring>
#include <limits>
#include <vector>

namespace VLM {

namespace {

constexpr uint8_t Signature[4] = {0x00, 0x00, 0x00, 0x20}; // opens every picture record
constexpr size_t RecordBytes = 16;                         // the search steps in records
constexpr int64_t MaxOffset = std::numeric_limits<int32_t>::max();

int32_t Int32BE(const uint8_t* p) {
    const uint32_t v = uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
    // Header fields are signed: a huge unsigned width is a negative one.
    return v <= uint32_t{INT32_MAX} ? static_cast<int32_t>(v) : -static_cast<int32_t>(~v) - 1;
}

} // namespace

TBackGroundBitmap::TBackGroundBitmap() {
    Width = ShownWidth;
    Height = ShownHeight;
    Capacity = ShownWidth * ShownHeight;
    Pixels = std::make_unique<uint8_t[]>(static_cast<size_t>(Capacity));
}

TBackGroundBitmap::~TBackGroundBitmap() = default;

int64_t TBackGroundBitmap::PixelStoreSize() const {
    return Pixels ? Capacity : 0;
}

bool TBackGroundBitmap::IsArchive() const {
    return UpperAscii(FileNamePart(FileName)) == "NBGFILE1.ALL";
}

int TBackGroundBitmap::GetCount() {
    return IsArchive() ? BackGroundNameCount : 0;
}

const char* TBackGroundBitmap::GetName(int index) {
    if (index < 0 || index >= BackGroundNameCount || !IsArchive()) return UndefinedName;
    return BackGroundNames[index].name;
}

const char* TBackGroundBitmap::GetCurrentName() {
    if (!IsArchive()) return UndefinedName;
    return CurrentNameFrom(BackGroundNames, BackGroundNameCount);
}

bool TBackGroundBitmap::Select(int index) {
    // A refused index is no load: the picture held stays, only the reason is noted.
    if (!IsArchive()) return Fail({TFailure::UnknownArchive, 0});
    if (index < 0 || index >= GetCount()) return Fail({TFailure::NoSuchPicture, index});
    Index = index;
    return LoadAt(BackGroundNames[index].offset);
}

void TBackGroundBitmap::Reserve(int64_t bytes) {
    if (bytes <= Capacity) return;
    Pixels.reset();
    Capacity = 0; // stays honest should the allocation throw
    Pixels = std::make_unique<uint8_t[]>(static_cast<size_t>(bytes));
    Capacity = static_cast<int32_t>(bytes);
}

bool TBackGroundBitmap::LoadAt(int offset) {
    if (!BeginLoad()) return false;
    Loaded = Guarded([&] {
        TFile file(FileName);
        file.Seek(offset); // a negative offset cannot be reached: the search starts at 0

        // Only record starts count; the signature bytes inside other records are data.
        const int64_t record = SearchRecord(file, scratch, [](const uint8_t* r) {
            return std::memcmp(r, Signature, sizeof Signature) == 0;
        });
        if (record > MaxOffset) return Fail({TFailure::TooLarge, MaxOffset});

        const int32_t width = Int32BE(scratch + 8), height = Int32BE(scratch + 12);
        if (width <= 0 || height <= 0 || width % 8 != 0 || height % 8 != 0)
            return Fail({TFailure::BadHeader, 0});
        if (width > MaxSide || height > MaxSide) return Fail({TFailure::TooLarge, MaxSide});
        if (int64_t{width} * height > MaxPixelBytes) return Fail({TFailure::TooLarge, MaxPixelBytes});
        Reserve(int64_t{width} * int64_t{height});
        Width = width;
        Height = height;
        Offset = static_cast<int32_t>(record);

        file.Read(scratch, RecordBytes);
        const int64_t palette = record + Int32BE(scratch);
        // The palette position counts from the record start and may point before it. One that
        // no file offset can hold is treated like one past the end of the file: the old
        // entries stay.
        if (palette >= 0 && palette <= MaxOffset) {
            file.Seek(palette);
            ReadPalette(file);
        }

        file.Seek(record + RecordPixels);
        const size_t bandBytes = static_cast<size_t>(width) * 8;
        if (bandBytes <= ScratchBytes) {
            ReadCells(file, scratch);
        } else {
            std::vector<uint8_t> band(bandBytes);
            ReadCells(file, band.data());
        }
        return true;
    });
    return Loaded;
}

} // namespace VLM
