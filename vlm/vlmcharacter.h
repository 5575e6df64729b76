// Character layer: records of NCDAT.ALL, each a palette and a list of elements (small 8-bit
// pictures with positions). Element 0 is the base picture; elements with equal rectangles are
// alternatives for one spot.
#pragma once

#include "vlmbitmap.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace VLM {

class TCharacterBitmap : public TBitmap {
public:
    class TElem {
    public:
        TElem(int32_t width, int32_t height, uint32_t dataOffset); // allocates pixels
        ~TElem();
        TElem(const TElem&) = delete;
        TElem& operator=(const TElem&) = delete;

        int32_t left = 0;
        int32_t top = 0;
        int32_t width;
        int32_t height;
        uint32_t dataOffset;               // from the record's pixel area
        std::unique_ptr<uint8_t[]> pixels; // width x height indices, rows top-down
    };

    // From R: palette (512 bytes) at 128; at 640 N element entries, then 4 unread bytes an
    // element, then N position entries.
    static constexpr int RecordPalette = 128;
    static constexpr int RecordElementTable = 640;
    static constexpr int ElementEntryBytes = 16;
    static constexpr int PositionEntryBytes = 8;
    // Pixels of all elements of one record together. No real record comes near this; it bounds
    // what a hostile record can make a load allocate (with Work, twice this for element 0, well
    // under 64 MiB) and, as every element pixel is drawn at most once, what one draw writes.
    static constexpr int64_t MaxRecordPixelBytes = int64_t{16} << 20;

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
    // For each element its spot, the rectangle it fills, named by the lowest-numbered element
    // with that rectangle: the alternatives of one spot share it, wherever they stand in the
    // record. Empty unless loaded.
    std::vector<int32_t> ElemSpots() const;
    // The selection the compositor shows first: each spot's lowest-numbered element, in
    // ascending order. Empty unless loaded.
    std::vector<int32_t> DefaultElems() const;

    // The text of the diagnostic dump for the record now held (LF CR line ends).
    std::string DumpText() const;
    // Appends that text to the dump file and returns it, telling nobody: ComposeElem then shows
    // it and ends the program, an export hands it to its caller. A file that cannot be written
    // throws std::runtime_error.
    std::string AppendDump() const;
    // Where dumps are appended: the host form of c:\tmp\run.log unless a path has been set.
    // An empty path restores the default.
    static void SetDumpPath(const std::string& path);
    static std::string DumpPath();

    std::vector<std::unique_ptr<TElem>> elements; // file order; empty before the first load
    int32_t Elems = 0;                            // always elements.size()
    int32_t Top = 0;                              // position of the base picture
    int32_t Left = 0;

private:
    struct TElemEntry; // an element's table and position entries, read before any allocation

    bool IsArchive() const;
    const TElem* Elem(int i) const; // null when i is not an element
    void ClearElements();
    void ReadRecord(TFile& file, int64_t record, int count);
    void ReadPalette(TFile& file, int64_t record);
    static std::vector<TElemEntry> ReadTables(TFile& file, int64_t record, int count);
    static void CheckEntries(const std::vector<TElemEntry>& entries, int64_t pixelArea,
                             int64_t fileSize);
    void AllocateElements(const std::vector<TElemEntry>& entries);
    void ReadPixels(TFile& file, int64_t pixelArea);
    void FillWork();
    void ApplyCorrections();
    void WriteDump();
};

} // namespace VLM
