// Background layer: scene pictures from NBGFILE1.ALL. The built-in name table is the archive's
// directory; each record is found by its signature and carries its own size and palette place.
#pragma once

#include "vlmbitmap.h"

#include <cstdint>

namespace VLM {

class TBackGroundBitmap : public TBitmap {
public:
    static constexpr int ShownWidth = 288; // the part the compositor shows
    static constexpr int ShownHeight = 144;
    static constexpr int RecordPixels = 96;   // cells start 96 bytes into a record
    static constexpr int ScratchBytes = 9216; // serves bands up to 1152 pixels wide
    // Largest picture a header may declare; anything larger is refused before allocation.
    static constexpr int64_t MaxPixelBytes = 16 * 1024 * 1024;

    TBackGroundBitmap();

    int GetCount() override;
    const char* GetCurrentName() override;
    bool LoadAt(int offset) override;
    const char* GetName(int index) override;
    ~TBackGroundBitmap() override;
    bool Select(int index) override;
    using TBitmap::Draw;

    int32_t Capacity = 0; // bytes in the pixel store now allocated

protected:
    int64_t PixelStoreSize() const override;

private:
    bool IsArchive() const;
    // Grows the pixel store to hold bytes; it never shrinks, so later loads reuse it.
    void Reserve(int64_t bytes);

    uint8_t scratch[ScratchBytes]; // each object its own, so pictures may load on several threads
};

} // namespace VLM
