// OpenRaster files (.ora, read by GIMP, Krita and MyPaint): a zip archive of
//
//   mimetype                  "image/openraster", first and stored, so the type shows at byte 38
//   stack.xml                 the layers, top first: name, src, x, y, visibility
//   data/EE.png               each part as a palette PNG at its own size, index 0 transparent
//   mergedimage.png           the picture as the visible layers make it
//   Thumbnails/thumbnail.png  the same, at most 256 pixels a side
#pragma once

#include "vlmparts.h"

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace VLMX {

// The zip library's refusal, or a PNG the encoder refuses.
class EOraError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

constexpr int OraThumbnailSide = 256;

std::vector<uint8_t> OraFile(const TParts& parts);

} // namespace VLMX
