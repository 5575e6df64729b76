// What the fuzz targets share: a private folder per process in which each input appears under
// an archive's name (the bytes stay in memory), a desktop that answers nothing, a canvas that
// checks what it is given, and the compositor's way of drawing each layer.
#pragma once

#include "vlmbackground.h"
#include "vlmcharacter.h"
#include "vlmplatform.h"
#include "vlmwallpaper.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace VLMF {

// The process's own folder (created on first use, removed at exit), on /dev/shm unless TMPDIR
// names another place.
const std::string& WorkDir();
// Makes WorkDir()/relative hold the size bytes (replacing what it held) and returns the full
// path. The file is made once and rewritten in place for every input.
const std::string& WriteFile(const std::string& relative, const uint8_t* data, size_t size);
// The same, with the bytes placed at offset and zeros (a hole) before them.
const std::string& WriteFileAt(const std::string& relative, int64_t offset, const uint8_t* data,
                               size_t size);

// Installs a desktop that shows nothing and never ends the process, and points the character
// dump at a file of this process, which it removes. Called at the start of every input.
void Quiet();

// A window surface that reads every pixel it is asked to show and stops the process when the
// engine hands it a source rectangle outside the picture.
class TCheckingCanvas : public VLM::TCanvas {
public:
    void Draw(int x, int y, const VLM::TPicture& picture) override;
    void StretchDraw(const VLM::TRect& dst, const VLM::TPicture& picture) override;
    void CopyRect(const VLM::TRect& dst, const VLM::TPicture& picture,
                  const VLM::TRect& src) override;
    void FillBlack(const VLM::TRect& r) override;
    uint32_t sum = 0; // keeps the reads from being optimised away
private:
    void Read(const VLM::TPicture& picture, const VLM::TRect& r);
};

// The layers drawn as the compositor draws them into a 320 x 224 picture, plus the operations
// the compositor leaves out (canvas draws, ComposeElem). Each returns quietly on the failures
// the engine raises by design.
void DrawWallPaper(VLM::TWallPaperBitmap& w, VLM::TPicture& screen, TCheckingCanvas& canvas);
void DrawBackGround(VLM::TBackGroundBitmap& b, VLM::TPicture& screen, TCheckingCanvas& canvas);
void DrawCharacter(VLM::TCharacterBitmap& c, VLM::TPicture& screen, TCheckingCanvas& canvas);

// Whether a layer is worth drawing after a Select: a picture just loaded, or the first time none
// is loaded. Black is drawn into the same rectangle every time, and a Select that changed
// nothing shows the same picture again, so drawing those repeats only the pixel loops.
class TDrawOnce {
public:
    bool operator()(bool selected, bool loaded) {
        const bool firstBlack = !loaded && !drewBlack;
        drewBlack = drewBlack || !loaded;
        return selected || firstBlack;
    }

private:
    bool drewBlack = false;
};

// Reads numbers from the input, zeros once it has run out.
class TReader {
public:
    TReader(const uint8_t* data, size_t size) : p(data), end(data + size) {}
    bool Empty() const { return p >= end; }
    size_t Left() const { return static_cast<size_t>(end - p); }
    const uint8_t* Take(size_t n); // n bytes or what is left; advances
    uint8_t U8();
    int32_t I32();

private:
    const uint8_t* p;
    const uint8_t* end;
};

} // namespace VLMF

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
