// The compositor's three layers (wallpaper, background, character) as one table, so that both
// windows treat them by one piece of code each.
#pragma once

#include "vlmscreen.h"

#include <string>

// The table holds member pointers; callers go through std::invoke, which GCC 12 with UBSan
// compiles soundly where a `(s.*LayerOps[k].draw)(i)` inside a lambda is miscompiled.
struct TLayerOps {
    void (VLM::TScreen::*put)(const std::string&); // names the archive
    bool (VLM::TScreen::*loaded)() const;
    const std::string& (VLM::TScreen::*fileName)() const;
    int (VLM::TScreen::*count)();
    const char* (VLM::TScreen::*name)(int);
    int (VLM::TScreen::*current)() const;                  // -1 unless loaded
    int (VLM::TScreen::*drawn)() const;                    // last requested, loaded or not
    const VLM::TLoadError& (VLM::TScreen::*error)() const; // why the last load failed
    void (VLM::TScreen::*draw)(int);
};

// Wallpaper, background, character.
extern const TLayerOps LayerOps[3];
