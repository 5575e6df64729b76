// Wallpaper layer: 320 x 224 pictures from EYECATCH.ALL, WPALL1.ALL, WPALL2.ALL, WPALL3.ALL.
// The archives have no directory: picture i is searched from a computed hint offset, past
// filler records, and read as 28 bands of 8x8 cells plus a palette.
#pragma once

#include "vlmbitmap.h"

#include <cstdint>

namespace VLM {

class TWallPaperBitmap : public TBitmap {
public:
    static constexpr int PictureWidth = 320;
    static constexpr int PictureHeight = 224;
    static constexpr int RecordPixels = 64;     // cells start 64 bytes into a record
    static constexpr int RecordPalette = 73728; // palette 512 bytes at R + 73728
    static constexpr int BandBytes = PictureWidth * 8;

    TWallPaperBitmap();

    int GetCount() override;
    const char* GetCurrentName() override;
    bool LoadAt(int offset) override;
    const char* GetName(int index) override;
    ~TWallPaperBitmap() override;
    bool Select(int index) override;
    using TBitmap::Draw;

    // Where the search for picture index starts; the same rule serves all four archives.
    static int64_t HintOffset(int index);
    // True for a 16-byte record that lies between pictures (filler patterns A, B, or zeros).
    static bool IsFillerRecord(const uint8_t* record);

private:
    enum class TKind { Other, EyeCatch, WallPaper1, WallPaper2, WallPaper3 };
    TKind Kind() const;

    uint8_t scratch[BandBytes]; // each object its own, so pictures may load on several threads
};

} // namespace VLM
