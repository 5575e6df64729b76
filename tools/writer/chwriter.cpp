#include "chwriter.h"

#include <algorithm>
#include <stdexcept>

namespace VLMW {

namespace {
constexpr int64_t PaletteAt = 128;
constexpr int64_t ElementTableAt = 640;
constexpr int64_t CountAt = 10;
constexpr int64_t PixelAreaAt = 72;
// Bytes of a gap block: never the signature.
constexpr uint8_t GapBlock[16] = {'-', 'g', 'a', 'p', '-', 'g', 'a', 'p',
                                  '-', 'g', 'a', 'p', '-', 'g', 'a', 'p'};
} // namespace

TCharElement CharElement(const TIndexed& picture, int left, int top) {
    TCharElement e;
    e.left = static_cast<uint16_t>(left);
    e.top = static_cast<uint16_t>(top);
    e.width = static_cast<uint16_t>(picture.width);
    e.height = static_cast<uint16_t>(picture.height);
    e.pixels = picture.pixels;
    return e;
}

TCharElement PatternElement(int width, int height, int left, int top, uint32_t seed) {
    return CharElement(PatternPicture(width, height, seed), left, top);
}

TCharRecord PatternRecord(int width, int height, int left, int top, int more, uint32_t seed) {
    TCharRecord r;
    r.palette = PatternPicture(1, 1, seed).palette;
    r.elements.push_back(PatternElement(width, height, left, top, seed));
    for (int i = 0; i < more; ++i)
        r.elements.push_back(PatternElement(8, 8, 8 * (i % 8), 8 * (i / 8 % 8), seed + 1 + i));
    return r;
}

void AddAlternatives(TCharRecord& record, int left, int top, int width, int height, int count,
                     uint32_t seed) {
    for (int i = 0; i < count; ++i)
        record.elements.push_back(PatternElement(width, height, left, top, seed + i));
}

uint16_t CharCount(const TCharRecord& record) {
    return record.count ? *record.count : static_cast<uint16_t>(record.elements.size());
}

int64_t CharPixelArea(const TCharRecord& record) {
    return record.pixelArea ? int64_t{*record.pixelArea}
                            : ElementTableAt + int64_t{CharCount(record)} * 28;
}

std::vector<uint32_t> CharDataOffsets(const TCharRecord& record) {
    std::vector<uint32_t> offsets;
    uint32_t next = 0;
    for (const TCharElement& e : record.elements) {
        const uint32_t o = e.dataOffset ? *e.dataOffset : next;
        offsets.push_back(o);
        next = o + static_cast<uint32_t>(e.pixels.size());
    }
    return offsets;
}

int64_t CharRecordSize(const TCharRecord& record) {
    int64_t end = ElementTableAt + int64_t{CharCount(record)} * 28;
    const auto offsets = CharDataOffsets(record);
    for (size_t i = 0; i < offsets.size(); ++i) {
        const auto& pixels = record.elements[i].pixels;
        if (!pixels.empty())
            end = std::max(end, CharPixelArea(record) + offsets[i] +
                                    static_cast<int64_t>(pixels.size()));
    }
    return end;
}

void WriteCharRecord(TBytes& out, int64_t record, const TCharRecord& r) {
    const int64_t n = CharCount(r);
    const int64_t pixelArea = CharPixelArea(r);
    out.Put(record, CharSignature, sizeof CharSignature);
    out.PutU16BE(record + CountAt, static_cast<uint16_t>(n));
    out.PutU32BE(record + PixelAreaAt, static_cast<uint32_t>(pixelArea));
    const auto palette = EncodePalette(r.palette);
    out.Put(record + PaletteAt, palette.data(), palette.size());
    const auto offsets = CharDataOffsets(r);
    const int64_t positions = record + ElementTableAt + 20 * n;
    for (int64_t i = 0; i < n && i < static_cast<int64_t>(r.elements.size()); ++i) {
        const TCharElement& e = r.elements[static_cast<size_t>(i)];
        const int64_t entry = record + ElementTableAt + 16 * i;
        out.PutU16BE(entry, e.width);
        out.PutU16BE(entry + 2, e.height);
        out.PutU32BE(entry + 8, offsets[static_cast<size_t>(i)]);
        out.PutU16BE(positions + 8 * i + 4, e.left);
        out.PutU16BE(positions + 8 * i + 6, e.top);
    }
    out.Resize(std::max(out.Size(), positions + 8 * n)); // an empty table still takes room
    for (size_t i = 0; i < r.elements.size(); ++i) {
        const auto& pixels = r.elements[i].pixels;
        if (pixels.empty()) continue; // a table entry may point anywhere without growing the file
        out.Put(record + pixelArea + offsets[i], pixels.data(), pixels.size());
    }
}

int64_t CharRecordStart(const TCharPlacement& placement) {
    return (placement.offset + 15) / 16 * 16 + 16 * int64_t{placement.gapBlocks};
}

void PlaceCharRecord(TBytes& out, const TCharPlacement& placement) {
    if (placement.offset < 0 || placement.gapBlocks < 0)
        throw std::invalid_argument("a character placement starts before the file");
    if (placement.misalignedSignature && placement.gapBlocks < 1)
        throw std::invalid_argument("a misaligned signature needs a gap block");
    const int64_t start = (placement.offset + 15) / 16 * 16;
    for (int i = 0; i < placement.gapBlocks; ++i)
        out.Put(start + 16 * i, GapBlock, 16);
    if (placement.misalignedSignature) out.Put(start + 8, CharSignature, sizeof CharSignature);
    WriteCharRecord(out, CharRecordStart(placement), placement.record);
}

TBytes CharacterArchive(const std::vector<TCharPlacement>& placements) {
    std::vector<std::pair<int64_t, int64_t>> spans;
    for (const auto& p : placements)
        spans.emplace_back(p.offset, CharRecordStart(p) + CharRecordSize(p.record));
    std::sort(spans.begin(), spans.end());
    for (size_t i = 1; i < spans.size(); ++i)
        if (spans[i].first < spans[i - 1].second)
            throw std::invalid_argument("character records overlap");
    TBytes out;
    for (const auto& p : placements)
        PlaceCharRecord(out, p);
    return out;
}

const TCorrectedRecord CorrectedRecords[7] = {
    {587776, 47, 0, 1, 112, 144},  {952320, 74, 0, 73, 120, 144}, {1419264, 74, 0, 1, 136, 144},
    {4102144, 74, 0, 1, 144, 144}, {5797888, 11, 0, 1, 128, 144}, {5933056, 5, 1, 6, 208, 144},
    {6090752, 11, 0, 1, 184, 144},
};

TCharPlacement CorrectedPlacement(int which, int extraElements) {
    if (which < 0 || which >= 7) throw std::out_of_range("no such corrected record");
    const TCorrectedRecord& c = CorrectedRecords[which];
    const int more = c.elems - 1 + extraElements;
    if (more < 0) throw std::invalid_argument("a record keeps its base picture");
    TCharPlacement p;
    p.offset = c.offset;
    p.record = PatternRecord(c.width, c.height, c.left, c.top, more, 1000 + which);
    return p;
}

} // namespace VLMW
