// The archives every benchmark reads, written once by the archive writer into a temporary
// folder, and the plain floor routines the engine's steps are measured against.
#pragma once

#include "vlmwriter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace VLMB {

constexpr int ScreenWidth = 320;
constexpr int ScreenHeight = 224;
constexpr int OriginLeft = 16; // the background's corner and the character's origin
constexpr int OriginTop = 8;
constexpr int ShownWidth = 288; // the part of a background that is shown
constexpr int ShownHeight = 144;

struct TSizedBackGround {
    std::string path; // an NBGFILE1.ALL of its own, the picture at entry BackGroundAtZero
    int width = 0, height = 0;
    int64_t record = 0;
};

struct TCharacterPlan {
    int elems = 0;      // element count
    int baseWidth = 0;  // element 0 is baseWidth x 144
    int64_t record = 0; // R
    int64_t size = 0;   // bytes from R to the end of the last element's pixels
};

struct TDataSet {
    std::string folder;
    std::string wallPapers;                     // EYECATCH.ALL: all 22 pictures
    std::string backGrounds;                    // NBGFILE1.ALL: all 500 pictures, 288 x 144
    std::string characters;                     // NCDAT.ALL: all 152 records
    std::vector<int64_t> wallPaperRecords;      // R of each wallpaper
    std::vector<int64_t> backGroundRecords;     // R of each background
    std::vector<TSizedBackGround> sizes;        // 288 x 144 up to 1160 x 1024
    std::vector<TCharacterPlan> characterPlans; // one per table entry
    int character1 = -1, character10 = -1, character74 = -1; // entries with 1, 10, 74 elements
};

// Entry of the background table whose offset is 0: a record there is found at once.
constexpr int BackGroundAtZero = 290;

// Stops the program: the data a benchmark needs is not there.
[[noreturn]] void Fail(const std::string& what);

// Writes the archives on first use; the folder goes when the program ends.
const TDataSet& Data();
// The record written for character table entry `entry`.
VLMW::TCharRecord PlannedRecord(int entry);

// ---- Floors ------------------------------------------------------------------------------
// The least any implementation must do for a step: one positioned read of the bytes it needs,
// one palette look-up per output pixel into a 15-bit picture. Scratch buffers are the caller's.

class TFloorFile {
public:
    explicit TFloorFile(const std::string& path);
    ~TFloorFile();
    TFloorFile(const TFloorFile&) = delete;
    TFloorFile& operator=(const TFloorFile&) = delete;
    // One pread of exactly n bytes at at; anything less stops the program.
    void ReadAt(int64_t at, uint8_t* buffer, size_t n) const;

private:
    int fd = -1;
};

// A 320 x 224 15-bit picture as a plain array.
using TScreenPixels = std::vector<uint16_t>;

// Wallpaper at R: pixels and palette in one read of the span they lie in, drawn at (0, 0).
void FloorWallPaper(const TFloorFile& file, int64_t record, std::vector<uint8_t>& buffer,
                    TScreenPixels& screen);
// Background at R of width x height: the cells and the palette behind them in one read, the
// top-left 288 x 144 drawn at the origin. indices, when given, keeps those 288 x 144 indices
// row by row for later redraws.
void FloorBackGround(const TFloorFile& file, int64_t record, int width, int height,
                     std::vector<uint8_t>& buffer, TScreenPixels& screen,
                     std::vector<uint8_t>* indices = nullptr, uint16_t* palette = nullptr);
// Redraws 288 x 144 kept indices through palette at the origin (the base under a character).
void FloorBase(const std::vector<uint8_t>& indices, const uint16_t* palette, TScreenPixels& screen);
// Character record at R, size bytes: read whole, its default elements (the lowest-numbered of
// each distinct rectangle) drawn at the origin with index 0 transparent.
void FloorCharacter(const TFloorFile& file, int64_t record, int64_t size,
                    std::vector<uint8_t>& buffer, TScreenPixels& screen);
// One element of width x height indices drawn with index 0 transparent at (x, y).
void FloorElement(const uint8_t* pixels, int width, int height, const uint16_t* palette, int x,
                  int y, TScreenPixels& screen);

} // namespace VLMB
