// Sprite sheets: every part of a character packed into one palette PNG (at least 1 pixel
// apart, none turned), with a JSON file in the "hash" layout that game engines and web
// libraries read:
//
//   {"frames": {"NNN-EE": {"frame": {x, y, w, h}, "rotated": false, "trimmed": ...,
//                          "spriteSourceSize": {x, y, w, h}, "sourceSize": {w, h},
//                          "place": "NNN-PP"}, ...},
//    "meta": {"app", "version", "image", "format": "indexed", "size": {w, h}, "scale": "N"}}
//
// frame is the part's rectangle in the sheet, spriteSourceSize its place in the character's
// picture, sourceSize the picture; "place" names the frame of the place's first alternative.
// Every size and position is multiplied by the scale.
#pragma once

#include "vlmparts.h"

#include <stdexcept>
#include <string>

namespace VLMX {

// A sheet larger than a written picture may be.
class ESheetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TSheet {
    TImage image; // at scale 1; written enlarged scale times
    std::string json;
};

// index: the picture's number, for the frame names; imageName: the PNG's file name.
TSheet Sheet(const TParts& parts, int index, const std::string& imageName, int scale);

} // namespace VLMX
