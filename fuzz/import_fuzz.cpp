// A PNG file made of the input, read back as an import reads an edited picture: as a character
// element, a background and a wallpaper of the sizes the archive stores. Whatever the header
// claims (huge dimensions, 300 palette entries, a deflate stream that inflates without end),
// the reader allocates only for the stored size; the fuzzer's malloc limit holds it to that.
#include "fuzzsupport.h"
#include "vlmpngread.h"

#include <cstdlib>
#include <utility>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (const auto& [width, height] : {std::pair{8, 8}, {24, 16}, {320, 224}}) {
        const VLMX::TPngRead read = VLMX::ReadPngBounded(data, size, width, height);
        if (!read.Ok()) continue;
        const VLMX::TPngPicture& p = read.picture;
        const bool indexed = p.kind == VLMX::TPngPicture::TKind::Indexed;
        const size_t samples = size_t(width) * size_t(height) * (indexed ? 1 : 4);
        // A picture read is whole and of the size asked for.
        if (p.width != width || p.height != height || p.pixels.size() != samples ||
            p.palette.size() > 256 || (indexed && p.palette.empty()))
            std::abort();
    }
    return 0;
}
