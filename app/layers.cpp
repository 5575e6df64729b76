#include "layers.h"

using VLM::TScreen;

const TLayerOps LayerOps[3] = {
    {&TScreen::putwpfn, &TScreen::getwploaded, &TScreen::getwpfn, &TScreen::getwpcnt,
     &TScreen::wpmnes, &TScreen::getwp, &TScreen::GetDrawnWallPaper, &TScreen::getwperr,
     &TScreen::DrawWallPaper},
    {&TScreen::putbgfn, &TScreen::getbgloaded, &TScreen::getbgfn, &TScreen::getbgcnt,
     &TScreen::bgmnes, &TScreen::getbg, &TScreen::GetDrawnBackGround, &TScreen::getbgerr,
     &TScreen::DrawBackGround},
    {&TScreen::putchfn, &TScreen::getchloaded, &TScreen::getchfn, &TScreen::getchcnt,
     &TScreen::chmnes, &TScreen::getch, &TScreen::GetDrawnCharacter, &TScreen::getcherr,
     static_cast<void (TScreen::*)(int)>(&TScreen::DrawCharacter)},
};
