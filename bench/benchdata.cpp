#include "benchdata.h"

#include "vlmbitmap.h"
#include "vlmnames.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace VLMB {

namespace {

// ---- Characters ----------------------------------------------------------------------------
// Element 0 is a figure 144 rows high with transparent sides; the others are alternatives for
// three spots of it (eyes, mouth, hand), each run of alternatives kept together so that the
// tools window groups them as the archive's own records do.

constexpr int BaseHeight = 144;
constexpr int64_t HeaderBytes = 640; // up to the element table
constexpr int64_t TableBytesPerElement = 28;

struct TGroups {
    int eyes, mouths, hands;
};

TGroups Split(int elems) {
    const int more = elems - 1;
    return {(more + 2) / 3, (more + 1) / 3, more / 3};
}

int64_t RecordBytes(int elems, int baseWidth) {
    const TGroups g = Split(elems);
    return HeaderBytes + TableBytesPerElement * elems + int64_t{baseWidth} * BaseHeight +
           g.eyes * 32 * 16 + g.mouths * 24 * 16 + g.hands * 16 * 24;
}

// Pattern indices with a transparent frame: `sides` columns left and right, `edge` all round.
VLMW::TCharElement Figure(int width, int height, int left, int top, int sides, int edge,
                          uint32_t seed) {
    VLMW::TIndexed p = VLMW::PatternPicture(width, height, seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (x < sides || x >= width - sides || x < edge || x >= width - edge || y < edge ||
                y >= height - edge)
                p.At(x, y) = 0;
    return VLMW::CharElement(p, left, top);
}

VLMW::TCharRecord CharacterRecord(int elems, int baseWidth, uint32_t seed) {
    VLMW::TCharRecord r;
    r.palette = VLMW::PatternPicture(1, 1, seed).palette;
    const int baseLeft = (ShownWidth - baseWidth) / 2;
    r.elements.push_back(Figure(baseWidth, BaseHeight, baseLeft, 0, baseWidth / 8, 0, seed));
    const TGroups g = Split(elems);
    const int middle = baseLeft + baseWidth / 2;
    for (int i = 0; i < g.eyes; ++i)
        r.elements.push_back(Figure(32, 16, middle - 16, 24, 0, 2, seed + 100 + i));
    for (int i = 0; i < g.mouths; ++i)
        r.elements.push_back(Figure(24, 16, middle - 12, 56, 0, 2, seed + 200 + i));
    for (int i = 0; i < g.hands; ++i)
        r.elements.push_back(Figure(16, 24, baseLeft + 8, 80, 0, 2, seed + 300 + i));
    return r;
}

VLMW::TCharRecord RecordOf(const TCharacterPlan& p, int entry) {
    return CharacterRecord(p.elems, p.baseWidth, 5000 + 17 * static_cast<uint32_t>(entry));
}

// Room each character table entry has before the next record's offset.
std::vector<int64_t> CharacterRoom() {
    std::vector<int64_t> sorted;
    for (const auto& e : VLM::CharacterNames)
        sorted.push_back(e.offset);
    std::sort(sorted.begin(), sorted.end());
    std::vector<int64_t> room;
    for (const auto& e : VLM::CharacterNames) {
        const auto next = std::upper_bound(sorted.begin(), sorted.end(), int64_t{e.offset});
        room.push_back(next == sorted.end() ? int64_t{1} << 30 : *next - e.offset);
    }
    return room;
}

void PlanCharacters(TDataSet& d) {
    const std::vector<int64_t> room = CharacterRoom();
    const int n = VLM::CharacterNameCount;
    d.characterPlans.resize(n);
    // The three measured records share one figure width so that only the elements differ.
    constexpr int MeasuredWidth = 120;
    for (int i = 0; i < n; ++i) {
        if (room[i] < RecordBytes(74, MeasuredWidth)) continue;
        if (d.character74 < 0)
            d.character74 = i;
        else if (d.character10 < 0)
            d.character10 = i;
        else if (d.character1 < 0)
            d.character1 = i;
    }
    if (d.character1 < 0) Fail("no room in the character table for the measured records");
    // The rest: a spread of element counts like the archive's, shrunk to fit their room.
    constexpr int Mix[] = {1, 5, 10, 11, 20, 47, 74};
    for (int i = 0; i < n; ++i) {
        TCharacterPlan& p = d.characterPlans[i];
        p.baseWidth = MeasuredWidth;
        p.elems = i == d.character1    ? 1
                  : i == d.character10 ? 10
                  : i == d.character74 ? 74
                                       : Mix[i % 7];
        while (p.elems > 1 && RecordBytes(p.elems, p.baseWidth) > room[i])
            --p.elems;
        while (RecordBytes(p.elems, p.baseWidth) > room[i])
            p.baseWidth -= 8;
        p.record = VLM::CharacterNames[i].offset; // a multiple of 2048: the scan finds it at once
    }
}

void WriteAll(TDataSet& d) {
    namespace fs = std::filesystem;
    std::string templ = (fs::temp_directory_path() / "vlmbench-XXXXXX").string();
    if (!::mkdtemp(templ.data())) Fail("cannot make a temporary folder");
    d.folder = templ;

    std::vector<VLMW::TWallPaperEntry> walls;
    for (int i = 0; i < VLM::EyeCatchNameCount; ++i) {
        VLMW::TWallPaperEntry e;
        e.index = i;
        e.picture = VLMW::PatternPicture(ScreenWidth, ScreenHeight, 100 + i);
        d.wallPaperRecords.push_back(VLMW::WallPaperRecordStart(e));
        walls.push_back(std::move(e));
    }
    d.wallPapers = d.folder + "/EYECATCH.ALL";
    VLMW::WallPaperArchive(walls).Save(d.wallPapers);

    std::vector<VLMW::TBackGroundRecord> backs;
    for (int i = 0; i < VLM::BackGroundNameCount; ++i) {
        VLMW::TBackGroundRecord r;
        r.searchFrom = VLM::BackGroundNames[i].offset;
        r.picture = VLMW::PatternPicture(ShownWidth, ShownHeight, 1000 + i);
        d.backGroundRecords.push_back(VLMW::BackGroundRecordStart(r));
        backs.push_back(std::move(r));
    }
    d.backGrounds = d.folder + "/NBGFILE1.ALL";
    VLMW::BackGroundArchive(backs).Save(d.backGrounds);

    const int sizes[][2] = {{288, 144}, {576, 144}, {1152, 576}, {1160, 1024}};
    for (const auto& s : sizes) {
        const std::string sub =
            d.folder + "/bg" + std::to_string(s[0]) + "x" + std::to_string(s[1]);
        fs::create_directory(sub);
        VLMW::TBackGroundRecord r;
        r.searchFrom = VLM::BackGroundNames[BackGroundAtZero].offset;
        r.picture = VLMW::PatternPicture(s[0], s[1], 7000 + s[0]);
        TSizedBackGround sized{sub + "/NBGFILE1.ALL", s[0], s[1], VLMW::BackGroundRecordStart(r)};
        VLMW::BackGroundArchive({r}).Save(sized.path);
        d.sizes.push_back(sized);
    }

    PlanCharacters(d);
    std::vector<VLMW::TCharPlacement> placements;
    for (int i = 0; i < VLM::CharacterNameCount; ++i) {
        TCharacterPlan& p = d.characterPlans[i];
        VLMW::TCharPlacement placement;
        placement.offset = VLM::CharacterNames[i].offset;
        placement.record = RecordOf(p, i);
        p.size = VLMW::CharRecordSize(placement.record);
        placements.push_back(std::move(placement));
    }
    d.characters = d.folder + "/NCDAT.ALL";
    VLMW::CharacterArchive(placements).Save(d.characters);
}

struct TFolderOwner {
    TDataSet data;
    TFolderOwner() { WriteAll(data); }
    ~TFolderOwner() {
        std::error_code ec;
        std::filesystem::remove_all(data.folder, ec);
    }
};

uint16_t PaletteEntry(const uint8_t* p) {
    return VLM::ArchiveToScreenColor(p[0], p[1]);
}

uint32_t U32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

uint16_t U16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

} // namespace

VLMW::TCharRecord PlannedRecord(int entry) {
    return RecordOf(Data().characterPlans.at(static_cast<size_t>(entry)), entry);
}

void Fail(const std::string& what) {
    std::fprintf(stderr, "bench: %s\n", what.c_str());
    std::exit(2);
}

const TDataSet& Data() {
    static TFolderOwner owner;
    return owner.data;
}

// ---- Floors --------------------------------------------------------------------------------

TFloorFile::TFloorFile(const std::string& path) {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) Fail("cannot open " + path + ": " + std::strerror(errno));
}

TFloorFile::~TFloorFile() {
    ::close(fd);
}

void TFloorFile::ReadAt(int64_t at, uint8_t* buffer, size_t n) const {
    if (::pread(fd, buffer, n, static_cast<off_t>(at)) != static_cast<ssize_t>(n))
        Fail("short floor read");
}

void FloorWallPaper(const TFloorFile& file, int64_t record, std::vector<uint8_t>& buffer,
                    TScreenPixels& screen) {
    constexpr int64_t Cells = 64, Palette = 73728;
    constexpr size_t Span = Palette + 512 - Cells;
    buffer.resize(Span);
    file.ReadAt(record + Cells, buffer.data(), Span);
    uint16_t palette[256];
    for (int i = 0; i < 256; ++i)
        palette[i] = PaletteEntry(&buffer[Palette - Cells + 2 * i]);
    const uint8_t* in = buffer.data();
    for (int b = 0; b < ScreenHeight / 8; ++b)
        for (int q = 0; q < ScreenWidth / 8; ++q)
            for (int r = 0; r < 8; ++r, in += 8) {
                uint16_t* out = &screen[static_cast<size_t>(b * 8 + r) * ScreenWidth + q * 8];
                for (int s = 0; s < 8; ++s)
                    out[s] = palette[in[s]];
            }
}

void FloorBackGround(const TFloorFile& file, int64_t record, int width, int height,
                     std::vector<uint8_t>& buffer, TScreenPixels& screen,
                     std::vector<uint8_t>* indices, uint16_t* keptPalette) {
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    buffer.resize(pixels + 512);
    file.ReadAt(record + 96, buffer.data(), pixels + 512); // the palette follows the cells
    uint16_t local[256];
    uint16_t* palette = keptPalette ? keptPalette : local;
    for (int i = 0; i < 256; ++i)
        palette[i] = PaletteEntry(&buffer[pixels + 2 * i]);
    if (indices) indices->resize(ShownWidth * ShownHeight);
    const size_t band = static_cast<size_t>(width) * 8;
    for (int b = 0; b < ShownHeight / 8; ++b)
        for (int q = 0; q < ShownWidth / 8; ++q) {
            const uint8_t* in = &buffer[b * band + static_cast<size_t>(q) * 64];
            for (int r = 0; r < 8; ++r, in += 8) {
                const int y = b * 8 + r;
                uint16_t* out =
                    &screen[static_cast<size_t>(OriginTop + y) * ScreenWidth + OriginLeft + q * 8];
                for (int s = 0; s < 8; ++s)
                    out[s] = palette[in[s]];
                if (indices)
                    std::memcpy(&(*indices)[static_cast<size_t>(y) * ShownWidth + q * 8], in, 8);
            }
        }
}

void FloorBase(const std::vector<uint8_t>& indices, const uint16_t* palette,
               TScreenPixels& screen) {
    for (int y = 0; y < ShownHeight; ++y) {
        const uint8_t* in = &indices[static_cast<size_t>(y) * ShownWidth];
        uint16_t* out = &screen[static_cast<size_t>(OriginTop + y) * ScreenWidth + OriginLeft];
        for (int x = 0; x < ShownWidth; ++x)
            out[x] = palette[in[x]];
    }
}

void FloorElement(const uint8_t* pixels, int width, int height, const uint16_t* palette, int x,
                  int y, TScreenPixels& screen) {
    for (int r = 0; r < height; ++r) {
        const uint8_t* in = pixels + static_cast<size_t>(r) * width;
        uint16_t* out = &screen[static_cast<size_t>(y + r) * ScreenWidth + x];
        for (int c = 0; c < width; ++c)
            if (in[c] != 0) out[c] = palette[in[c]];
    }
}

void FloorCharacter(const TFloorFile& file, int64_t record, int64_t size,
                    std::vector<uint8_t>& buffer, TScreenPixels& screen) {
    buffer.resize(static_cast<size_t>(size));
    file.ReadAt(record, buffer.data(), static_cast<size_t>(size));
    const uint8_t* r = buffer.data();
    const int n = U16(r + 10);
    const uint8_t* area = r + U32(r + 72);
    uint16_t palette[256];
    for (int i = 0; i < 256; ++i)
        palette[i] = PaletteEntry(r + 128 + 2 * i);
    const uint8_t* table = r + 640;
    const uint8_t* positions = table + 20 * n;
    // The lowest-numbered element of each distinct rectangle (few rectangles: a short scan).
    struct TShown {
        int left, top, width, height;
        uint32_t offset;
    };
    TShown shown[16];
    int count = 0;
    for (int e = 0; e < n; ++e) {
        const TShown s{U16(positions + 8 * e + 4), U16(positions + 8 * e + 6), U16(table + 16 * e),
                       U16(table + 16 * e + 2), U32(table + 16 * e + 8)};
        bool taken = false;
        for (int i = 0; i < count && !taken; ++i)
            taken = shown[i].left == s.left && shown[i].top == s.top && shown[i].width == s.width &&
                    shown[i].height == s.height;
        if (!taken && count < 16) shown[count++] = s;
    }
    for (int i = 0; i < count; ++i)
        FloorElement(area + shown[i].offset, shown[i].width, shown[i].height, palette,
                     OriginLeft + shown[i].left, OriginTop + shown[i].top, screen);
}

} // namespace VLMB
