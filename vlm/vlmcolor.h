// Screen colours (5-5-5, red in bits 10-14) as 8-bit RGB: the one widening every front end and
// every exported file uses, so that a pixel has the same value wherever it is shown.
#pragma once

#include <cstdint>

namespace VLM {

struct TRgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const TRgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const TRgb& o) const { return !(*this == o); }
};

// A 5-bit channel widened to 8 bits by repeating its top bits: 0 stays 0, 31 becomes 255.
constexpr uint8_t Widen5(unsigned c) {
    return static_cast<uint8_t>((c & 31) << 3 | (c & 31) >> 2);
}

// Bit 15, which no screen colour sets, is ignored.
constexpr TRgb ScreenToRgb(uint16_t screen) {
    return {Widen5(screen >> 10u), Widen5(screen >> 5u), Widen5(screen)};
}

} // namespace VLM
