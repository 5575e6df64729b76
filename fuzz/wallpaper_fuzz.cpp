// EYECATCH.ALL made of the input: the filler search, the record read and the drawing, from
// hint offsets inside, at and past the end of the file.
#include "fuzzsupport.h"

#include <climits>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    VLM::TWallPaperBitmap wallPaper;
    static VLM::TPicture screen(320, 224); // only ever written: one for every input
    wallPaper.SetFileName(VLMF::WriteFile("EYECATCH.ALL", data, size));
    const int count = wallPaper.GetCount();
    VLMF::TDrawOnce draw;
    for (int index : {0, 1, count / 2, count - 1, -1, count, 33, INT_MAX, INT_MIN})
        if (draw(wallPaper.Select(index), wallPaper.Loaded))
            wallPaper.Draw(screen, 0, 0); // the picture, or black when it did not load
    for (int offset : {0, 16, 64, -1})
        wallPaper.LoadAt(offset);
    if (wallPaper.Loaded) {
        VLMF::TCheckingCanvas canvas;
        VLMF::DrawWallPaper(wallPaper, screen, canvas);
    }
    return 0;
}
