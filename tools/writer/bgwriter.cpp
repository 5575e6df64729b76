#include "bgwriter.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace VLMW {

namespace {

constexpr int64_t HeaderBytes = 96; // cells start at R + 96
// A stray palette position must not make the image eat memory.
constexpr int64_t LargestImage = int64_t{1} << 30;

int64_t Signed(uint32_t v) {
    return v <= 0x7FFFFFFFu ? int64_t{v} : int64_t{v} - (int64_t{1} << 32);
}

int64_t PaletteStart(const TBackGroundRecord& r) {
    return BackGroundRecordStart(r) + Signed(BackGroundPalettePosition(r));
}

// [first, last) of the bytes WriteBackGround touches.
std::pair<int64_t, int64_t> Extent(const TBackGroundRecord& r) {
    const int64_t record = BackGroundRecordStart(r);
    int64_t first = r.searchFrom;
    int64_t last = record + HeaderBytes + int64_t{r.picture.width} * r.picture.height;
    if (r.writePalette) {
        first = std::min(first, PaletteStart(r));
        last = std::max(last, PaletteStart(r) + 512);
    }
    return {first, last};
}

} // namespace

// Signature bytes at offsets 4, 8 and 12 catch a reader that tests more than record starts.
const uint8_t BackGroundLeadRecord[16] = {0x00, 0x00, 0x00, 0x21, 0x00, 0x00, 0x00, 0x20,
                                          0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0x20};

int64_t BackGroundRecordStart(const TBackGroundRecord& record) {
    return record.searchFrom + 16 * int64_t{record.leadRecords};
}

uint32_t BackGroundPalettePosition(const TBackGroundRecord& record) {
    if (record.palettePosition) return *record.palettePosition;
    return static_cast<uint32_t>(HeaderBytes +
                                 int64_t{record.picture.width} * record.picture.height);
}

void WriteBackGround(TBytes& out, const TBackGroundRecord& r) {
    const TIndexed& p = r.picture;
    if (p.width < 0 || p.height < 0 || p.width % 8 != 0 || p.height % 8 != 0)
        throw std::invalid_argument("background cells need sides that are multiples of 8");
    if (r.searchFrom < 0 || r.leadRecords < 0)
        throw std::invalid_argument("a background record cannot start before the file");
    const auto [first, last] = Extent(r);
    if (first < 0 || last > LargestImage)
        throw std::invalid_argument("palette position outside a writable image: leave it out");

    for (int i = 0; i < r.leadRecords; ++i)
        out.Put(r.searchFrom + 16 * int64_t{i}, BackGroundLeadRecord, 16);
    const int64_t record = BackGroundRecordStart(r);
    const uint8_t signature[4] = {0x00, 0x00, 0x00, 0x20};
    out.Put(record, signature, 4);
    out.PutU32BE(record + 4, 0xDEADBEEF); // unread parts of the header hold junk
    out.PutU32BE(record + 8, r.headerWidth.value_or(static_cast<uint32_t>(p.width)));
    out.PutU32BE(record + 12, r.headerHeight.value_or(static_cast<uint32_t>(p.height)));
    out.PutU32BE(record + 16, BackGroundPalettePosition(r));
    for (int64_t at = record + 20; at < record + HeaderBytes; ++at)
        out.PutU8(at, static_cast<uint8_t>(0xA0 + at % 16));

    const auto cells = EncodeCells(p);
    out.Put(record + HeaderBytes, cells.data(), cells.size());
    if (r.writePalette) {
        const auto palette = EncodePalette(p.palette);
        out.Put(PaletteStart(r), palette.data(), palette.size());
    }
}

TBytes BackGroundArchive(const std::vector<TBackGroundRecord>& records) {
    std::vector<std::pair<int64_t, int64_t>> extents;
    for (const auto& r : records)
        extents.push_back(Extent(r));
    std::sort(extents.begin(), extents.end());
    for (size_t i = 1; i < extents.size(); ++i)
        if (extents[i].first < extents[i - 1].second)
            throw std::invalid_argument("background records overlap");
    TBytes out;
    for (const auto& r : records)
        WriteBackGround(out, r);
    return out;
}

} // namespace VLMW
