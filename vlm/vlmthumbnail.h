// Thumbnails: picture i of an archive, read by a picture object of its own (never one of the
// compositor's layers) and reduced to a small 15-bit picture. Backgrounds shrink to 1/4 of
// their stored size, wallpapers and characters to 1/2.
//
// Each picture object reads through scratch buffers of its own, so a thumbnail maker shares
// nothing with the compositor's layers; one maker is used by one thread at a time.
#pragma once

#include "vlmbitmap.h"
#include "vlmlayers.h"
#include "vlmplatform.h"

#include <cstdint>
#include <memory>
#include <string>

namespace VLM {

struct TThumbnail {
    // A pixel nothing covers: a character's transparent ground. Bit 15, which no screen colour
    // sets, so every colour stays distinguishable from it.
    static constexpr uint16_t Transparent = 0x8000;

    TPicture picture; // the reduced picture; 0 x 0 when the picture could not be read
    TLoadError error; // why not (None when it was read)
    // A character's first shown element that reached outside element 0's rectangle; what lay
    // inside was kept. -1: none did.
    int32_t outsideElement = -1;

    bool Failed() const { return error.Failed(); }
};

class TThumbnailMaker {
public:
    TThumbnailMaker(TLayerKind kind, const std::string& fileName);
    ~TThumbnailMaker();
    TThumbnailMaker(const TThumbnailMaker&) = delete;
    TThumbnailMaker& operator=(const TThumbnailMaker&) = delete;

    TLayerKind Kind() const { return kind; }
    // What one thumbnail pixel covers along each side: 4 for backgrounds, else 2.
    static int Divisor(TLayerKind kind);
    // The archive's picture count and display names (code page 932), as the layer answers them.
    int GetCount();
    const char* GetName(int index);

    // Reads picture index and reduces it. A failed read answers its reason and an empty picture.
    TThumbnail Make(int index);

private:
    TThumbnail MakeCharacter();

    TLayerKind kind;
    std::unique_ptr<TBitmap> picture; // of the layer's class
    TPicture full;                    // the picture at its stored size, kept between calls
};

// Averages each divisor x divisor block of source into one pixel (blocks at the right and
// bottom edges may be cut short). Channels are averaged separately, over the block's covered
// pixels only; a block less than half covered stays Transparent.
TPicture Reduce(const TPicture& source, int divisor);

} // namespace VLM
