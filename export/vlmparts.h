// A character taken apart for the layered formats and the sprite sheet: its picture (element 0's
// rectangle), and every element as an image of its own size with its place in that picture.
//
//   picture   width x height of element 0; positions count from its top-left corner
//   part      one element of at least one pixel: image, x, y, shown first or hidden
//   place     the parts of one rectangle (the alternatives of a spot), named by the
//             lowest-numbered of them
#pragma once

#include "vlmcharacter.h"
#include "vlmimage.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace VLMX {

struct TPart {
    int element = 0;
    TImage image; // indexed, index 0 transparent, the element's own size
    int x = 0;    // from the picture's top-left corner
    int y = 0;
    bool visible = false; // among the elements shown first
    int place = 0;        // lowest-numbered part of the same rectangle
    int alternatives = 1; // parts in that place
};

struct TParts {
    int width = 0, height = 0; // the picture
    std::array<TRgb, 256> palette{};
    std::vector<TPart> parts;   // element order; element 0 (the base) first
    std::vector<int> empty;     // elements of no pixels: no part
    int outside = -1;           // the first element whose rows leave the picture; no parts then
    std::vector<int32_t> shown; // the visible elements, ascending
};

// The parts of a loaded character. shown: the elements to make visible (those the compositor
// shows); empty gives the ones it shows first. A row outside the picture is the failure the
// composed export has, here for every element, not only the ones shown.
TParts CharacterParts(const VLM::TCharacterBitmap& character,
                      const std::vector<int32_t>& shown = {});

// "00 base", "07": the name a layer or frame of the part begins with its element number.
std::string PartName(const TPart& part);
// "place 03 (12, 40)": the alternatives of one place, by its first element and its position.
std::string PlaceName(const TPart& part);

// The picture with the visible parts composed in element order (what the viewer shows).
TImage Merged(const TParts& parts);

} // namespace VLMX
