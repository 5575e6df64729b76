#include "vlmcharacter.h"

#include "vlmnames.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <map>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace VLM {

namespace {

constexpr uint8_t Signature[8] = {0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00};
constexpr int RecordPixelArea = 72; // P, 32-bit, from R
constexpr int PositionTableGap = 4; // bytes an element between the two tables, unread

constexpr char BuildingText[] = "Now building...";
constexpr char SourceName[] = ".\\vlmcharacter";
// The tail " は実装されていません" is code page 932, like every text shown to the user.
constexpr char NotImplementedText[] =
    ".\\vlmcharacter:315 VLM::TCharacterBitmap::Draw(Graphics::TBitmap*, int, int, int, int, "
    "int, int) \x82\xcd\x8e\xc0\x91\x95\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xdc\x82\xb9\x82\xf1";

// Seven records of the archive store their base picture one row down and at the left edge, and
// their elements where they do not line up with it. A correction fires only when everything
// the load produced matches, so any other record, even a near copy, keeps its stored places.
struct TRange {
    int first = 1, last = 0; // inclusive; the default is empty
    int32_t left = 0, top = 0;
};
struct TCorrection {
    int32_t offset, elems, left, top, width, height;
    int32_t baseLeft; // element 0 moves to (baseLeft, 0)
    TRange ranges[3];
};
constexpr TCorrection Corrections[] = {
    {587776, 47, 0, 1, 112, 144, 88, {{1, 15, 112, 24}, {16, 45, 136, 56}, {46, 46, 88, 0}}},
    {952320, 74, 0, 73, 120, 144, 84, {{1, 24, 100, 24}, {25, 73, 124, 56}, {}}},
    {1419264, 74, 0, 1, 136, 144, 76, {{1, 24, 124, 32}, {25, 73, 148, 56}, {}}},
    {4102144, 74, 0, 1, 144, 144, 72, {{1, 24, 112, 32}, {25, 72, 136, 56}, {73, 73, 72, 0}}},
    {5797888, 11, 0, 1, 128, 144, 80, {{1, 3, 120, 32}, {4, 10, 136, 56}, {}}},
    {5933056, 5, 1, 6, 208, 144, 40, {{1, 1, 128, 24}, {2, 4, 112, 40}, {}}},
    {6090752, 11, 0, 1, 184, 144, 40, {{1, 3, 104, 24}, {4, 9, 120, 56}, {10, 10, 40, 0}}},
};

std::string dumpPathOverride;

int SaturateInt(int64_t v) {
    return static_cast<int>(
        std::clamp<int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// Draws e with its top-left pixel at (x0, y0) of picture; index 0 is transparent. Columns
// outside the picture are dropped; a row outside it fails in ScanLine after the rows above it
// have been drawn, which is what the callers rely on.
void PaintElem(const TCharacterBitmap::TElem& e, const uint16_t* palette, TPicture& picture,
               int64_t x0, int64_t y0) {
    const int64_t c0 = std::max<int64_t>(0, -x0);
    const int64_t c1 = std::min<int64_t>(e.width, int64_t{picture.Width()} - x0);
    if (c0 >= c1) {
        // Nothing shows, so the rows are not walked (an element without columns may still have
        // thousands); the first row outside the picture fails all the same.
        if (e.height <= 0) return;
        if (y0 < 0) throw ERowRange(SaturateInt(y0));
        if (y0 + e.height > picture.Height())
            throw ERowRange(SaturateInt(std::max<int64_t>(y0, picture.Height())));
        return;
    }
    for (int r = 0; r < e.height; ++r) {
        uint16_t* out = picture.ScanLine(SaturateInt(y0 + r));
        const uint8_t* in = e.pixels.get() + int64_t{r} * e.width;
        for (int64_t c = c0; c < c1; ++c)
            if (in[c] != 0) out[x0 + c] = palette[in[c]];
    }
}

// The dump goes to a fixed, well-known path in a shared folder. Whatever else is planted there
// is left alone: a link (followed, it would write or create a file elsewhere), a second name of
// another file, a FIFO (the write would wait for a reader) or a device (opening one can have
// effects of its own). A new file is created exclusively, private to the user.
[[noreturn]] void DumpFailure(const char* what, const std::string& path, int error) {
    throw std::runtime_error(std::string(what) + " " + path + ": " + std::strerror(error));
}

void AppendToFile(const std::string& path, const std::string& text) {
    constexpr int Flags = O_WRONLY | O_APPEND | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC;
    struct stat before {};
    const bool existed = ::lstat(path.c_str(), &before) == 0;
    if (!existed && errno != ENOENT) DumpFailure("cannot look at", path, errno);
    if (existed && (!S_ISREG(before.st_mode) || before.st_nlink != 1))
        throw std::runtime_error("not a plain file of its own: " + path);
    // O_EXCL also refuses a link planted between the look and the open.
    const int fd = existed ? ::open(path.c_str(), Flags)
                           : ::open(path.c_str(), Flags | O_CREAT | O_EXCL, 0600);
    if (fd < 0) DumpFailure("cannot open", path, errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1 ||
        (existed && (st.st_dev != before.st_dev || st.st_ino != before.st_ino))) {
        ::close(fd);
        throw std::runtime_error("not a plain file of its own: " + path);
    }
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : EIO;
            ::close(fd);
            DumpFailure("cannot write", path, error);
        }
        done += static_cast<size_t>(n);
    }
    ::close(fd);
}

} // namespace

// ---- Elements ------------------------------------------------------------------------------

TCharacterBitmap::TElem::TElem(int32_t w, int32_t h, uint32_t offset)
    : width(w), height(h), dataOffset(offset) {
    if (w < 0 || h < 0) throw std::invalid_argument("element size is negative");
    pixels = std::make_unique<uint8_t[]>(static_cast<size_t>(w) * static_cast<size_t>(h));
}

TCharacterBitmap::TElem::~TElem() = default;

struct TCharacterBitmap::TElemEntry {
    uint16_t width, height;
    uint32_t dataOffset;
    uint16_t left, top;
};

// ---- Archive and names ---------------------------------------------------------------------

TCharacterBitmap::TCharacterBitmap() = default;

TCharacterBitmap::~TCharacterBitmap() {
    ClearElements();
}

bool TCharacterBitmap::IsArchive() const {
    return UpperAscii(FileNamePart(FileName)) == "NCDAT.ALL";
}

int TCharacterBitmap::GetCount() {
    return IsArchive() ? CharacterNameCount : 0;
}

const char* TCharacterBitmap::GetName(int index) {
    if (index < 0 || index >= CharacterNameCount || !IsArchive()) return UndefinedName;
    return CharacterNames[index].name;
}

const char* TCharacterBitmap::GetCurrentName() {
    if (!IsArchive()) return UndefinedName;
    return CurrentNameFrom(CharacterNames, CharacterNameCount);
}

bool TCharacterBitmap::Select(int index) {
    Loaded = false;
    if (!IsArchive()) return Fail({TFailure::UnknownArchive, 0});
    if (index < 0 || index >= GetCount()) return Fail({TFailure::NoSuchPicture, index});
    Index = index;
    return LoadAt(CharacterNames[index].offset);
}

// ---- Loading -------------------------------------------------------------------------------

void TCharacterBitmap::ClearElements() {
    while (!elements.empty())
        elements.pop_back(); // the last element goes first
    std::vector<std::unique_ptr<TElem>>().swap(elements);
    Elems = 0;
}

bool TCharacterBitmap::LoadAt(int offset) {
    if (!BeginLoad()) return false; // the elements of the last record stay
    ClearElements();
    Loaded = Guarded([&] {
        TFile file(FileName);
        // A negative start cannot be reached; the scan then begins at the top of the file.
        file.Seek((int64_t{offset} + 15) / 16 * 16);
        uint8_t block[16];
        const int64_t record = SearchRecord(file, block, [](const uint8_t* r) {
            return std::memcmp(r, Signature, sizeof Signature) == 0;
        });
        if (record > std::numeric_limits<int32_t>::max())
            return Fail({TFailure::TooLarge, std::numeric_limits<int32_t>::max()});
        Offset = static_cast<int32_t>(record);
        // A record without a base picture has nothing to show; no real record has one.
        const int count = block[10] << 8 | block[11];
        if (count == 0) return Fail({TFailure::BadHeader, 0});
        ReadRecord(file, record, count);
        return true;
    });
    if (Loaded) ApplyCorrections();
    return Loaded;
}

// Reads the record at R = record: the tables are read and checked against the file before the
// element buffers are allocated, so a short or hostile record fails without allocating for it.
void TCharacterBitmap::ReadRecord(TFile& file, int64_t record, int count) {
    file.Seek(record + RecordPixelArea);
    const int64_t pixelArea = record + file.ReadU32BE(); // R+40 holds another offset; unused
    ReadPalette(file, record);
    const std::vector<TElemEntry> entries = ReadTables(file, record, count);
    CheckEntries(entries, pixelArea, file.Size());
    AllocateElements(entries);
    ReadPixels(file, pixelArea);

    const TElem& base = *elements.front();
    Left = base.left;
    Top = base.top;
    Width = base.width;
    Height = base.height;
    FillWork();
}

void TCharacterBitmap::ReadPalette(TFile& file, int64_t record) {
    uint8_t colours[512];
    file.Seek(record + RecordPalette);
    file.Read(colours, sizeof colours);
    for (size_t i = 0; i < Palette.size(); ++i)
        Palette[i] = ArchiveToScreenColor(colours[2 * i], colours[2 * i + 1]);
}

// The element table and the position table, entry i of each making element i.
std::vector<TCharacterBitmap::TElemEntry> TCharacterBitmap::ReadTables(TFile& file, int64_t record,
                                                                       int count) {
    const int64_t elementTable = record + RecordElementTable;
    const int64_t positionTable =
        elementTable + int64_t{count} * (ElementEntryBytes + PositionTableGap);
    if (positionTable + int64_t{count} * PositionEntryBytes > file.Size())
        throw EReadError({TFailure::CutShort, file.Size()});
    // Each table in one read: an element's two entries lie a table apart, and reading them in
    // turn would refill the file's window twice an element (seconds for 65535 elements).
    std::vector<uint8_t> sizes(static_cast<size_t>(count) * ElementEntryBytes);
    file.Seek(elementTable);
    file.Read(sizes.data(), sizes.size());
    std::vector<uint8_t> places(static_cast<size_t>(count) * PositionEntryBytes);
    file.Seek(positionTable);
    file.Read(places.data(), places.size());
    const auto u16 = [](const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); };
    std::vector<TElemEntry> entries(static_cast<size_t>(count));
    for (size_t i = 0; i < entries.size(); ++i) {
        TElemEntry& e = entries[i];
        const uint8_t* size = sizes.data() + i * ElementEntryBytes;
        e.width = u16(size);
        e.height = u16(size + 2);
        e.dataOffset = uint32_t{u16(size + 8)} << 16 | u16(size + 10);
        const uint8_t* place = places.data() + i * PositionEntryBytes;
        e.left = u16(place + 4);
        e.top = u16(place + 6);
    }
    return entries;
}

// Every element's pixels lie inside the file, and all of them together within
// MaxRecordPixelBytes.
void TCharacterBitmap::CheckEntries(const std::vector<TElemEntry>& entries, int64_t pixelArea,
                                    int64_t fileSize) {
    int64_t total = 0;
    for (const TElemEntry& e : entries) {
        if (e.width > MaxSide || e.height > MaxSide)
            throw EReadError({TFailure::TooLarge, MaxSide});
        const int64_t bytes = int64_t{e.width} * e.height;
        if (bytes > 0 && pixelArea + e.dataOffset + bytes > fileSize)
            throw EReadError({TFailure::CutShort, fileSize});
        total += bytes;
        if (total > MaxRecordPixelBytes)
            throw EReadError({TFailure::TooLarge, MaxRecordPixelBytes});
    }
}

void TCharacterBitmap::AllocateElements(const std::vector<TElemEntry>& entries) {
    elements.reserve(entries.size());
    for (const TElemEntry& e : entries) {
        elements.push_back(std::make_unique<TElem>(e.width, e.height, e.dataOffset));
        elements.back()->left = e.left;
        elements.back()->top = e.top;
        Elems = static_cast<int32_t>(elements.size());
    }
}

void TCharacterBitmap::ReadPixels(TFile& file, int64_t pixelArea) {
    for (const auto& e : elements) {
        file.Seek(pixelArea + e->dataOffset);
        file.Read(e->pixels.get(), static_cast<size_t>(e->width) * static_cast<size_t>(e->height));
    }
}

// The base picture is opaque: index 0 is painted in its colour like any other.
void TCharacterBitmap::FillWork() {
    if (Work.Width() != Width || Work.Height() != Height) Work.SetSize(Width, Height);
    const TElem& base = *elements.front();
    for (int y = 0; y < Height; ++y) {
        uint16_t* out = Work.ScanLine(y);
        const uint8_t* in = base.pixels.get() + int64_t{y} * base.width;
        const uint16_t* palette = Palette.data();
        for (int x = 0; x < Width; ++x)
            out[x] = palette[in[x]];
    }
}

void TCharacterBitmap::ApplyCorrections() {
    for (const TCorrection& c : Corrections) {
        if (Offset != c.offset || Elems != c.elems || Left != c.left || Top != c.top ||
            Width != c.width || Height != c.height)
            continue;
        elements[0]->left = c.baseLeft;
        elements[0]->top = 0;
        Left = c.baseLeft;
        Top = 0;
        for (const TRange& range : c.ranges)
            for (int i = range.first; i <= range.last; ++i) {
                elements[static_cast<size_t>(i)]->left = range.left;
                elements[static_cast<size_t>(i)]->top = range.top;
            }
    }
}

// ---- Element queries -----------------------------------------------------------------------

const TCharacterBitmap::TElem* TCharacterBitmap::Elem(int i) const {
    if (i < 0 || i >= Elems || static_cast<size_t>(i) >= elements.size()) return nullptr;
    return elements[static_cast<size_t>(i)].get();
}

int TCharacterBitmap::getElemLeft(int i) const {
    const TElem* e = Elem(i);
    return e ? e->left : -1;
}

int TCharacterBitmap::getElemTop(int i) const {
    const TElem* e = Elem(i);
    return e ? e->top : -1;
}

int TCharacterBitmap::getElemWidth(int i) const {
    const TElem* e = Elem(i);
    return e ? e->width : -1;
}

int TCharacterBitmap::getElemHeight(int i) const {
    const TElem* e = Elem(i);
    return e ? e->height : -1;
}

bool TCharacterBitmap::SameElemRect(int i, int j) const {
    if (!Loaded || elements.empty()) return false;
    const TElem* a = Elem(i);
    const TElem* b = Elem(j);
    return a && b && a->top == b->top && a->left == b->left && a->width == b->width &&
           a->height == b->height;
}

std::vector<int32_t> TCharacterBitmap::ElemSpots() const {
    std::vector<int32_t> spots;
    if (!Loaded || elements.empty()) return spots;
    // A record may hold 65535 elements, so rectangles already seen are looked up, not compared
    // in turn.
    std::map<std::array<int32_t, 4>, int32_t> lowest;
    for (int e = 0; e < Elems; ++e) {
        const TElem* el = Elem(e);
        if (!el) break;
        spots.push_back(
            lowest.try_emplace({el->left, el->top, el->width, el->height}, e).first->second);
    }
    return spots;
}

std::vector<int32_t> TCharacterBitmap::DefaultElems() const {
    const std::vector<int32_t> spots = ElemSpots();
    std::vector<int32_t> shown;
    for (size_t e = 0; e < spots.size(); ++e)
        if (spots[e] == static_cast<int32_t>(e)) shown.push_back(spots[e]);
    return shown;
}

// ---- Element drawing -----------------------------------------------------------------------

bool TCharacterBitmap::DrawElem(int index, TPicture& dst, int x, int y) {
    if (!Loaded) return false;
    const TElem* e = Elem(index);
    if (!e) return false;
    PaintElem(*e, Palette.data(), dst, int64_t{x} + e->left, int64_t{y} + e->top);
    return true;
}

bool TCharacterBitmap::ComposeElem(int index) {
    const TElem* e = Elem(index);
    if (!e) return false;
    try {
        PaintElem(*e, Palette.data(), Work, int64_t{e->left} - Left, int64_t{e->top} - Top);
        return true;
    } catch (const ERowRange&) {
        // An element reaching outside the base picture: the record is not laid out as this
        // reader expects, and the dump shows what it found.
    }
    WriteDump();
    return false;
}

std::string TCharacterBitmap::DumpText() const {
    const auto line = [](std::string& text, const char* label, int32_t value) {
        text += label;
        text += std::to_string(value);
        text += "\n\r";
    };
    std::string text = FileName + ":" + std::to_string(Offset) + "\n\r";
    line(text, "\tLeft:   ", Left);
    line(text, "\tTop:    ", Top);
    line(text, "\tWidth:  ", Width);
    line(text, "\tHeight: ", Height);
    line(text, "\tElems:  ", Elems);
    text += "\n\r";
    for (int i = 0; i < Elems && static_cast<size_t>(i) < elements.size(); ++i) {
        const TElem& e = *elements[static_cast<size_t>(i)];
        text += "elememts[" + std::to_string(i) + "]->\n\r";
        line(text, "\tleft:   ", e.left);
        line(text, "\ttop:    ", e.top);
        line(text, "\twidth:  ", e.width);
        line(text, "\theight: ", e.height);
        text += "\n\r";
    }
    return text;
}

void TCharacterBitmap::SetDumpPath(const std::string& path) {
    dumpPathOverride = path;
}

std::string TCharacterBitmap::DumpPath() {
    return dumpPathOverride.empty() ? HostPath("c:\\tmp\\run.log") : dumpPathOverride;
}

std::string TCharacterBitmap::AppendDump() const {
    std::string text = DumpText();
    AppendToFile(DumpPath(), text);
    return text;
}

void TCharacterBitmap::WriteDump() {
    const std::string text = AppendDump(); // a failure here reaches the caller; no dialog then
    UserInterface().InformationDialog(text);
    UserInterface().Terminate();
}

// ---- The eight Draw operations ---------------------------------------------------------------

bool TCharacterBitmap::Draw(TCanvas& canvas, int x, int y) {
    if (Elems <= 0 || elements.empty()) return false;
    canvas.Draw(x, y, Work);
    return true;
}

bool TCharacterBitmap::Draw(TCanvas& canvas) {
    return Draw(canvas, Left, Top);
}

bool TCharacterBitmap::Draw(TCanvas& canvas, const TRect& dst) {
    if (Elems < 1 || elements.empty()) return false;
    ComposeElem(1);
    for (int n = Elems - 1; n >= 1; --n) {
        ComposeElem(n);
        canvas.StretchDraw(dst, Work);
    }
    return true;
}

bool TCharacterBitmap::Draw(TCanvas&, const TRect&, const TRect&) {
    UserInterface().MessageBox(BuildingText, SourceName);
    return true;
}

bool TCharacterBitmap::Draw(TPicture&, int, int, int, int, int, int) {
    throw std::runtime_error(NotImplementedText);
}

bool TCharacterBitmap::Draw(TPicture& dst) {
    return Draw(dst, Left, Top);
}

bool TCharacterBitmap::Draw(TPicture& dst, int x, int y) {
    return Draw(dst, SaturateInt(int64_t{x} + Left), SaturateInt(int64_t{y} + Top), 0, 0, Width,
                Height);
}

bool TCharacterBitmap::Draw(TPicture& dst, int x, int y, const TRect& src) {
    return Draw(dst, x, y, src.left, src.top, src.right, src.bottom);
}

} // namespace VLM
