// PNG files of exported images: palette images as colour type 3 with the whole palette (and a
// one-entry tRNS when index 0 is transparent), RGB images as colour type 2; 8 bits a channel,
// no other chunks.
#pragma once

#include "vlmimage.h"

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace VLMX {

// An image the encoder refuses (too large once enlarged) or an encoder failure.
class EPngError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// No written picture may hold more pixels than this once enlarged: an hour of deflate and a
// file no viewer opens are worse than a clear refusal. Real pictures stay far below it.
constexpr int64_t MaxWrittenPixels = int64_t{1} << 28;

// The PNG bytes of image enlarged scale times (nearest neighbour; 1 to MaxScale). Rows are
// enlarged one at a time as they are encoded, so a large scale costs no large buffer.
std::vector<uint8_t> EncodePng(const TImage& image, int scale = 1);

} // namespace VLMX
