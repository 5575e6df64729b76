// Aseprite files (.aseprite, read by Aseprite, LibreSprite and Pixelorama), as the format is
// published: little-endian, a 128-byte header, then frames of chunks. One frame:
//
//   header      size, magic A5E0, 1 frame, picture size, colour depth 8 (indexed),
//               transparent index 0, 256 colours
//   frame       magic F1FA, chunk count
//   0x0004      old palette chunk (readers of the first format versions take this one)
//   0x2019      palette chunk: 256 entries of r g b a
//   0x2004      a layer chunk a part, the base first (bottom); the alternatives of a place
//               with two or more go into a group layer named for the place
//   0x2005      a cel chunk a part: its position and its indices, zlib-compressed (type 2)
#pragma once

#include "vlmparts.h"

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace VLMX {

// A character the format cannot hold (a part too far from the picture), or zlib's failure.
class EAsepriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::vector<uint8_t> AsepriteFile(const TParts& parts);

} // namespace VLMX
