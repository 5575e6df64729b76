// The picture base class shared by the wallpaper, background and character layers: one
// archive file, at most one 8-bit indexed picture of it, its palette and the drawing rules.
#pragma once

#include "vlmplatform.h"

#include <array>
#include <cstdint>
#include <memory>
#include <new>
#include <string>

namespace VLM {

struct TNameEntry; // vlmnames.h

// Archive colour (2 bytes big-endian, red in bits 0-4) to screen colour (red in bits 10-14).
constexpr uint16_t ArchiveToScreenColor(uint8_t b0, uint8_t b1) {
    const unsigned c = unsigned{b0} << 8 | b1;
    return static_cast<uint16_t>((c & 31) << 10 | ((c >> 5) & 31) << 5 | ((c >> 10) & 31));
}

// Display-name placeholders.
extern const char* const UndefinedName; // "(undefined)": a picture without a table entry
extern const char* const NoneName;      // "(none)": nothing loaded

class TBitmap {
public:
    // Caps on what a hostile header can ask for. No real picture comes near either.
    // The longest side a picture (or a character element) may declare.
    static constexpr int32_t MaxSide = 8192;
    // How far a record search reads before it gives up: well past any real gap between a
    // search start and its record, and short enough that a huge file without a record (a
    // sparse one costs nothing to make) cannot hold a load for long.
    static constexpr int64_t MaxSearchBytes = int64_t{16} << 20;

    TBitmap();
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    // The virtual operations, in this order.
    virtual int GetCount() = 0;
    virtual const char* GetCurrentName() = 0;
    virtual bool LoadAt(int offset) = 0;
    virtual const char* GetName(int index) = 0;
    virtual ~TBitmap();
    virtual bool Select(int index) = 0;
    virtual bool Draw(TCanvas& canvas, int x, int y);
    virtual bool Draw(TCanvas& canvas);
    virtual bool Draw(TCanvas& canvas, const TRect& dst);
    virtual bool Draw(TCanvas& canvas, const TRect& dst, const TRect& src);
    virtual bool Draw(TPicture& dst, int x, int y, int left, int top, int right, int bottom);
    virtual bool Draw(TPicture& dst);
    virtual bool Draw(TPicture& dst, int x, int y);
    virtual bool Draw(TPicture& dst, int x, int y, const TRect& src);

    uint8_t* Row(int y) { return Pixels.get() + static_cast<ptrdiff_t>(y) * Width; }
    int GetIndex() const { return Loaded ? Index : -1; }
    void SetFileName(const std::string& name);

    TPicture Work;     // the canvas Draw operations convert into this
    int32_t Width = 0; // also the row length of Pixels
    int32_t Height = 0;
    int32_t Offset = 0; // record start of the loaded picture
    int32_t Index = 0;  // set by Select
    std::string FileName;
    bool Transparent = false; // bitmap-target Draw skips index 0 when set
    std::array<uint16_t, 256> Palette{};
    std::unique_ptr<uint8_t[]> Pixels; // Width x Height indices, row-major
    bool Loaded = false;
    // Why the last Select or LoadAt failed; None after a success.
    TLoadError LoadError;

protected:
    // Ends a load that failed: records why and answers false.
    bool Fail(TLoadError why) {
        LoadError = why;
        return false;
    }
    // Runs the reading part of a load, turning its read failures and a failed allocation into
    // a recorded reason and false; any other failure reaches the caller.
    template <class TRead>
    bool Guarded(TRead read) {
        try {
            return read();
        } catch (const EReadError& e) {
            return Fail(e.Reason());
        } catch (const std::bad_alloc&) {
            return Fail({TFailure::OutOfMemory, 0});
        }
    }
    // The start of every load: nothing loaded, no reason yet; false when the file is missing.
    bool BeginLoad();
    // The name of the current picture from table: by its index while one is loaded, otherwise
    // by the record offset, otherwise "(undefined)".
    const char* CurrentNameFrom(const TNameEntry* table, int count) const;
    // Reads 16-byte records from the file's position until isStart accepts one, and returns
    // that record's position (its bytes are left in record). The end of the file, or
    // MaxSearchBytes without a match, is a read failure: no record.
    template <class TIsStart>
    static int64_t SearchRecord(TFile& file, uint8_t* record, TIsStart isStart) {
        const int64_t end = file.Position() + MaxSearchBytes;
        for (;;) {
            if (file.Position() >= end || file.Position() > file.Size() - 16)
                throw EReadError({TFailure::NoRecord, 0});
            file.Read(record, 16);
            if (isStart(record)) return file.Position() - 16;
        }
    }
    // Size of the pixel store in bytes; the bitmap-target Draw never reads past it.
    virtual int64_t PixelStoreSize() const;
    // Reads 256 archive colours into Palette; a short file keeps the entries it did not reach.
    void ReadPalette(TFile& file);
    // Reads the cells of a width x height picture (multiples of 8) into Pixels, one band of
    // width x 8 bytes at a time through band.
    void ReadCells(TFile& file, uint8_t* band);
    // Converts the part src of the pixel store into Work through the palette.
    void ConvertToWork(const TRect& src);
};

} // namespace VLM
