#include "vlmbitmap.h"

#include "vlmnames.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace VLM {

const char* const UndefinedName = "(undefined)";
const char* const NoneName = "(none)";

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() = default;

const char* TBitmap::CurrentNameFrom(const TNameEntry* table, int count) const {
    const int index = GetIndex();
    if (index >= 0 && index < count) return table[index].name;
    const char* name = NameAtOffset(table, count, Offset);
    return name ? name : UndefinedName;
}

bool TBitmap::BeginLoad() {
    Loaded = false;
    LoadError = {};
    if (FileExists(FileName)) return true;
    return Fail({TFailure::CannotOpen, ENOENT});
}

void TBitmap::SetFileName(const std::string& name) {
    FileName = name;
    Loaded = false;
}

int64_t TBitmap::PixelStoreSize() const {
    return Pixels ? int64_t{Width} * int64_t{Height} : 0;
}

void TBitmap::ReadPalette(TFile& file) {
    try {
        for (uint16_t& entry : Palette) {
            uint8_t b[2];
            file.Read(b, 2);
            entry = ArchiveToScreenColor(b[0], b[1]);
        }
    } catch (const EReadError&) {
        // A palette cut short by the end of the file keeps the old entries; the picture loads.
    }
}

void TBitmap::ReadCells(TFile& file, uint8_t* band) {
    // Copied a row at a time, so the store is written in one run per row, not in eight at once;
    // the store's address and width are held here because byte copies may alias the fields.
    const size_t width = static_cast<size_t>(Width);
    const size_t bandBytes = width * 8;
    uint8_t* const pixels = Pixels.get();
    for (int b = 0; b * 8 < Height; ++b) {
        file.Read(band, bandBytes);
        uint8_t* const rows = pixels + static_cast<size_t>(b) * bandBytes;
        for (size_t r = 0; r < 8; ++r) {
            uint8_t* const out = rows + r * width;
            const uint8_t* const in = band + r * 8;
            for (size_t q = 0; q * 8 < width; ++q)
                std::memcpy(out + q * 8, in + q * 64, 8);
        }
    }
}

// ---- Bitmap-target drawing -------------------------------------------------------------

namespace {
int Saturate(int64_t v) {
    return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}
} // namespace

bool TBitmap::Draw(TPicture& dst, int x, int y, int left, int top, int right, int bottom) {
    if (!Loaded) {
        dst.FillBlack(
            {x, y, Saturate(int64_t{x} + right - left), Saturate(int64_t{y} + bottom - top)});
        return false;
    }
    // Callers keep both rectangles inside their pictures; clip anyway (in 64 bits) so a bad
    // caller can never read outside the pixel store or write outside dst.
    int64_t sx = left, sy = top, dx = x, dy = y;
    int64_t cols = std::min<int64_t>(dst.Width(), int64_t{right} - left);
    int64_t rows = std::min<int64_t>(dst.Height(), int64_t{bottom} - top);
    const int64_t skipX = std::max<int64_t>({0, -sx, -dx}),
                  skipY = std::max<int64_t>({0, -sy, -dy});
    sx += skipX, dx += skipX, cols -= skipX;
    sy += skipY, dy += skipY, rows -= skipY;
    cols = std::min<int64_t>({cols, Width - sx, dst.Width() - dx});
    rows = std::min<int64_t>({rows, Height - sy, dst.Height() - dy});
    if (cols <= 0 || rows <= 0 || !Pixels) return true;
    if ((sy + rows - 1) * Width + sx + cols > PixelStoreSize()) return true;

    const uint16_t* palette = Palette.data();
    for (int64_t i = 0; i < rows; ++i) {
        uint16_t* out = dst.ScanLine(static_cast<int>(dy + i)) + dx;
        const uint8_t* in = Row(static_cast<int>(sy + i)) + sx;
        if (Transparent) {
            for (int64_t j = 0; j < cols; ++j)
                if (in[j] != 0) out[j] = palette[in[j]];
        } else {
            for (int64_t j = 0; j < cols; ++j)
                out[j] = palette[in[j]];
        }
    }
    return true;
}

bool TBitmap::Draw(TPicture& dst) {
    return Draw(dst, 0, 0, 0, 0, Width, Height);
}

bool TBitmap::Draw(TPicture& dst, int x, int y) {
    return Draw(dst, x, y, 0, 0, Width, Height);
}

bool TBitmap::Draw(TPicture& dst, int x, int y, const TRect& src) {
    return Draw(dst, x, y, src.left, src.top, src.right, src.bottom);
}

// ---- Canvas drawing --------------------------------------------------------------------

void TBitmap::ConvertToWork(const TRect& src) {
    const int w = Saturate(int64_t{src.right} - src.left),
              h = Saturate(int64_t{src.bottom} - src.top);
    if (Work.Width() != w || Work.Height() != h) Work.SetSize(w, h);
    if (!Pixels) return;
    // Only the part that lies inside the pixel store is converted; the rest stays as it was.
    const int64_t c0 = std::max<int64_t>(0, -int64_t{src.left});
    const int64_t c1 = std::min<int64_t>(Work.Width(), int64_t{Width} - src.left);
    const int64_t r0 = std::max<int64_t>(0, -int64_t{src.top});
    const int64_t r1 = std::min<int64_t>(Work.Height(), int64_t{Height} - src.top);
    if (c0 >= c1 || int64_t{Width} * Height > PixelStoreSize()) return;
    const uint16_t* palette = Palette.data();
    for (int64_t r = r0; r < r1; ++r) {
        uint16_t* out = Work.ScanLine(static_cast<int>(r));
        const uint8_t* in = Row(static_cast<int>(src.top + r)) + (src.left + c0);
        for (int64_t c = c0; c < c1; ++c)
            out[c] = palette[in[c - c0]];
    }
}

bool TBitmap::Draw(TCanvas& canvas, int x, int y) {
    ConvertToWork({0, 0, Width, Height});
    canvas.Draw(x, y, Work);
    return true;
}

bool TBitmap::Draw(TCanvas& canvas) {
    return Draw(canvas, 0, 0);
}

bool TBitmap::Draw(TCanvas& canvas, const TRect& dst) {
    ConvertToWork({0, 0, Width, Height});
    if (dst.right - dst.left == Width && dst.bottom - dst.top == Height)
        canvas.Draw(dst.left, dst.top, Work);
    else
        canvas.StretchDraw(dst, Work);
    return true;
}

bool TBitmap::Draw(TCanvas& canvas, const TRect& dst, const TRect& src) {
    ConvertToWork(src);
    canvas.StretchDraw(dst, Work);
    return true;
}

} // namespace VLM
