// NBGFILE1.ALL made of the input: the signature search, the header, the growing pixel store,
// the palette position and the cells, drawn as the compositor draws them.
#include "fuzzsupport.h"

#include <climits>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    VLM::TBackGroundBitmap backGround;
    static VLM::TPicture screen(320, 224); // only ever written: one for every input
    VLMF::TCheckingCanvas canvas;
    backGround.SetFileName(VLMF::WriteFile("NBGFILE1.ALL", data, size));
    const int count = backGround.GetCount();
    // 290 and 291 lie at offsets 0 and 43008, 93 at 86016: inside a small input.
    VLMF::TDrawOnce draw;
    for (int index : {290, 291, 93, 0, count / 2, count - 1, -1, count, INT_MAX})
        if (draw(backGround.Select(index), backGround.Loaded))
            backGround.Draw(screen, 16, 8, 0, 0, 288, 144); // the picture, or black
    // The store only grows: a later, smaller picture reuses what an earlier one allocated.
    for (int offset : {0, 16, 2048, -16})
        if (backGround.LoadAt(offset)) VLMF::DrawBackGround(backGround, screen, canvas);
    return 0;
}
