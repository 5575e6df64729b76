// The compositor's three layers, named once for every front end: the layer a file's name makes
// it, a picture object of the layer's class, and the compositor's operations on each layer as
// one table, so that a caller treats the three layers by one piece of code.
#pragma once

#include "vlmbitmap.h"
#include "vlmplatform.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace VLM {

class TScreen;

// In the compositor's drawing order, bottom first; the windows number them the same way.
enum class TLayerKind : uint8_t { WallPaper = 0, BackGround = 1, Character = 2 };
constexpr TLayerKind AllLayers[] = {TLayerKind::WallPaper, TLayerKind::BackGround,
                                    TLayerKind::Character};
// The layer's place in a per-layer array (LayerOps among them).
constexpr int LayerIndex(TLayerKind kind) {
    return static_cast<int>(kind);
}

// The layer whose picture class recognises fileName (its GetCount() is positive), if any: each
// class alone knows its archives' names, in any letter case.
std::optional<TLayerKind> LayerKindOf(const std::string& fileName);
// "wallpaper", "background", "character".
const char* LayerName(TLayerKind kind);
// A picture object of the layer's class with fileName set; nothing read yet.
std::unique_ptr<TBitmap> NewPicture(TLayerKind kind, const std::string& fileName);

// The table holds member pointers; callers go through std::invoke, which GCC 12 with UBSan
// compiles soundly where a `(s.*LayerOps[k].draw)(i)` inside a lambda is miscompiled.
struct TLayerOps {
    void (TScreen::*put)(const std::string&); // names the archive
    bool (TScreen::*loaded)() const;
    const std::string& (TScreen::*fileName)() const;
    int (TScreen::*count)();
    const char* (TScreen::*name)(int);
    int (TScreen::*current)() const;             // -1 unless loaded
    int (TScreen::*drawn)() const;               // last requested, loaded or not
    const TLoadError& (TScreen::*error)() const; // why the last load failed
    void (TScreen::*draw)(int);
};

// Indexed by static_cast<int>(kind).
extern const TLayerOps LayerOps[3];
const TLayerOps& OpsOf(TLayerKind kind);

} // namespace VLM
