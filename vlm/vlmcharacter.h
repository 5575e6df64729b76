// Character layer: records of NCDAT.ALL, each a palette and a list of elements (small 8-bit
// pictures with positions). Element 0 is the base picture; elements with equal rectangles are
// alternatives for one spot.
#pragma once

#include "vlmbitmap.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace VLM {

class TCharacterBitmap : public TBitmap {
public:
    class TElem {
    public:
        TElem(int32_t width, int32_t height, int32_t dataOffset);
        ~TElem();
        TElem(const TElem&) = delete;
        TElem& operator=(const TElem&) = delete;

        int32_t left = 0;
        int32_t top = 0;
        int32_t width;
        int32_t height;
        int32_t dataOffset; // from the record's pixel area
        std::unique_ptr<uint8_t[]> pixels; // width x height indices, rows top-down
    };

    TCharacterBitmap();

    int GetCount() override;
    const char* GetCurrentName() override;
    bool LoadAt(int offset) override;
    const char* GetName(int index) override;
    ~TCharacterBitmap() override;
    bool Select(int index) override;
    bool Draw(TCanvas& canvas, int x, int y) override;
    bool Draw(TCanvas& canvas) override;
    bool Draw(TCanvas& canvas, const TRect& dst) override;
    bool Draw(TCanvas& canvas, const TRect& dst, const TRect& src) override;
    bool Draw(TPicture& dst, int x, int y, int left, int top, int right, int bottom) override;
    bool Draw(TPicture& dst) override;
    bool Draw(TPicture& dst, int x, int y) override;
    bool Draw(TPicture& dst, int x, int y, const TRect& src) override;
    virtual bool DrawElem(int index, TPicture& dst, int x, int y);
    virtual bool ComposeElem(int index);

    int getElemLeft(int i) const;
    int getElemTop(int i) const;
    int getElemWidth(int i) const;
    int getElemHeight(int i) const;
    bool SameElemRect(int i, int j) const;

    // The text of the diagnostic dump for the record now held (LF CR line ends).
    std::string DumpText() const;

    std::vector<std::unique_ptr<TElem>> elements; // file order; empty before the first load
    int32_t Elems = 0;                              // always elements.size()
    int32_t Top = 0;                                // position of the base picture
    int32_t Left = 0;

private:
    bool IsArchive() const;
    void ClearElements();
    void ApplyCorrections();
    void WriteDump();
};

} // namespace VLM
