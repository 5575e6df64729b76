#include "vlmlayers.h"

#include "vlmscreen.h"

namespace VLM {

std::optional<TLayerKind> LayerKindOf(const std::string& fileName) {
    for (TLayerKind kind : AllLayers)
        if (NewPicture(kind, fileName)->GetCount() > 0) return kind;
    return std::nullopt;
}

const char* LayerName(TLayerKind kind) {
    switch (kind) {
    case TLayerKind::WallPaper:
        return "wallpaper";
    case TLayerKind::BackGround:
        return "background";
    case TLayerKind::Character:
        break;
    }
    return "character";
}

std::unique_ptr<TBitmap> NewPicture(TLayerKind kind, const std::string& fileName) {
    std::unique_ptr<TBitmap> picture;
    if (kind == TLayerKind::WallPaper)
        picture = std::make_unique<TWallPaperBitmap>();
    else if (kind == TLayerKind::BackGround)
        picture = std::make_unique<TBackGroundBitmap>();
    else
        picture = std::make_unique<TCharacterBitmap>();
    picture->SetFileName(fileName);
    return picture;
}

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

const TLayerOps& OpsOf(TLayerKind kind) {
    return LayerOps[LayerIndex(kind)];
}

} // namespace VLM
