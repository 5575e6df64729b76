#include "vlmthumbnail.h"

#include "vlmcharacter.h"

#include <algorithm>
#include <new>
#include <vector>

namespace VLM {

TThumbnailMaker::TThumbnailMaker(TLayerKind kind, const std::string& fileName)
    : kind(kind), picture(NewPicture(kind, fileName)) {}

TThumbnailMaker::~TThumbnailMaker() = default;

int TThumbnailMaker::Divisor(TLayerKind kind) {
    return kind == TLayerKind::BackGround ? 4 : 2;
}

int TThumbnailMaker::GetCount() {
    return picture->GetCount();
}

const char* TThumbnailMaker::GetName(int index) {
    return picture->GetName(index);
}

TThumbnail TThumbnailMaker::Make(int index) {
    TThumbnail t;
    // The wallpaper class loads any index it is given; only the archive's pictures are listed.
    const int count = GetCount();
    if (count <= 0) {
        t.error = {TFailure::UnknownArchive, 0};
        return t;
    }
    if (index < 0 || index >= count) {
        t.error = {TFailure::NoSuchPicture, index};
        return t;
    }
    try {
        if (!picture->Select(index)) {
            t.error = picture->LoadError;
            if (!t.error.Failed()) t.error = {TFailure::NoRecord, 0};
            return t;
        }
        if (kind == TLayerKind::Character) return MakeCharacter();
        if (full.Width() != picture->Width || full.Height() != picture->Height)
            full.SetSize(picture->Width, picture->Height);
        picture->Draw(full, 0, 0, 0, 0, picture->Width, picture->Height);
        t.picture = Reduce(full, Divisor(kind));
    } catch (const std::bad_alloc&) {
        t = TThumbnail();
        t.error = {TFailure::OutOfMemory, 0};
    }
    return t;
}

// The character as the compositor first shows it, on a ground of its own: element 0's
// rectangle, its default elements drawn with index 0 left Transparent.
TThumbnail TThumbnailMaker::MakeCharacter() {
    auto& ch = static_cast<TCharacterBitmap&>(*picture);
    TThumbnail t;
    full.SetSize(ch.Width, ch.Height);
    for (int y = 0; y < full.Height(); ++y)
        std::fill_n(full.ScanLine(y), full.Width(), TThumbnail::Transparent);
    for (int32_t e : ch.DefaultElems()) {
        try {
            ch.DrawElem(e, full, -ch.Left, -ch.Top);
        } catch (const ERowRange&) {
            // The rows above the first one outside stay drawn; the other elements still show.
            if (t.outsideElement < 0) t.outsideElement = e;
        }
    }
    t.picture = Reduce(full, Divisor(kind));
    return t;
}

// Averaged rather than sampled: these pictures shade with two-colour dither patterns and draw
// lines one pixel thin. Taking one pixel of each block turns a dither into one of its colours
// and drops whole lines; the average keeps the shade and leaves a thin line as a fainter one.
// The thumbnail is shown unsmoothed, so its own pixels stay crisp.
TPicture Reduce(const TPicture& source, int divisor) {
    const int d = std::max(divisor, 1);
    const int sw = source.Width(), sh = source.Height();
    const int w = (sw + d - 1) / d, h = (sh + d - 1) / d;
    TPicture out(w, h);
    std::vector<uint32_t> red(static_cast<size_t>(w)), green(red.size()), blue(red.size()),
        covered(red.size());
    for (int oy = 0; oy < h; ++oy) {
        std::fill(red.begin(), red.end(), 0);
        std::fill(green.begin(), green.end(), 0);
        std::fill(blue.begin(), blue.end(), 0);
        std::fill(covered.begin(), covered.end(), 0);
        const int y0 = oy * d, y1 = std::min(sh, y0 + d);
        for (int y = y0; y < y1; ++y) {
            const uint16_t* in = source.ScanLine(y);
            for (int ox = 0, x = 0; ox < w; ++ox) {
                const int x1 = std::min(sw, x + d);
                for (; x < x1; ++x) {
                    const uint16_t p = in[x];
                    if (p & TThumbnail::Transparent) continue;
                    red[ox] += p >> 10 & 31;
                    green[ox] += p >> 5 & 31;
                    blue[ox] += p & 31;
                    ++covered[ox];
                }
            }
        }
        uint16_t* o = out.ScanLine(oy);
        for (int ox = 0; ox < w; ++ox) {
            const uint32_t n = covered[ox];
            const uint32_t block =
                static_cast<uint32_t>((std::min(sw, ox * d + d) - ox * d) * (y1 - y0));
            if (n == 0 || 2 * n < block) {
                o[ox] = TThumbnail::Transparent;
                continue;
            }
            const auto mean = [n](uint32_t sum) { return (sum + n / 2) / n; };
            o[ox] =
                static_cast<uint16_t>(mean(red[ox]) << 10 | mean(green[ox]) << 5 | mean(blue[ox]));
        }
    }
    return out;
}

} // namespace VLM
