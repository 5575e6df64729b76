#include "vlmparts.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <stdexcept>

namespace VLMX {

TParts CharacterParts(const VLM::TCharacterBitmap& character, const std::vector<int32_t>& shown) {
    if (!character.Loaded) throw std::logic_error("no character loaded");
    TParts result;
    result.width = character.Width;
    result.height = character.Height;
    for (int e = 0; e < character.Elems; ++e) {
        const int top = character.getElemTop(e) - character.Top;
        const int height = character.getElemHeight(e);
        // Columns past the edges stay in the part, as layers may reach past the canvas.
        if (height > 0 && (top < 0 || int64_t{top} + height > result.height)) {
            result.outside = e;
            return result;
        }
    }
    result.shown = shown.empty() ? character.DefaultElems() : shown;
    std::sort(result.shown.begin(), result.shown.end());
    for (size_t i = 0; i < result.palette.size(); ++i)
        result.palette[i] = VLM::ScreenToRgb(character.Palette[i]);
    const std::vector<int32_t> spots = character.ElemSpots();
    std::map<int32_t, int> placeOf, alternatives; // spot -> its first part; place -> parts
    for (int e = 0; e < character.Elems; ++e) {
        if (character.getElemWidth(e) <= 0 || character.getElemHeight(e) <= 0) {
            result.empty.push_back(e);
            continue;
        }
        TPart& p = result.parts.emplace_back();
        p.element = e;
        // As ElementPicture makes it, with the palette widened once a character.
        const auto& el = *character.elements[static_cast<size_t>(e)];
        p.image = TImage::Indexed(el.width, el.height);
        std::memcpy(p.image.pixels.data(), el.pixels.get(), p.image.pixels.size());
        p.image.palette = result.palette;
        p.image.transparentZero = true;
        p.x = character.getElemLeft(e) - character.Left;
        p.y = character.getElemTop(e) - character.Top;
        p.visible = std::binary_search(result.shown.begin(), result.shown.end(), e);
        p.place = placeOf.try_emplace(spots[static_cast<size_t>(e)], e).first->second;
        ++alternatives[p.place];
    }
    for (TPart& p : result.parts)
        p.alternatives = alternatives[p.place];
    return result;
}

std::string PartName(const TPart& part) {
    char name[32];
    std::snprintf(name, sizeof name, part.element == 0 ? "%02d base" : "%02d", part.element);
    return name;
}

std::string PlaceName(const TPart& part) {
    char name[64];
    std::snprintf(name, sizeof name, "place %02d (%d, %d)", part.place, part.x, part.y);
    return name;
}

TImage Merged(const TParts& parts) {
    TImage image = TImage::Indexed(parts.width, parts.height);
    image.palette = parts.palette;
    image.transparentZero = true;
    for (const TPart& p : parts.parts) {
        if (!p.visible) continue;
        const int c0 = std::max(0, -p.x), c1 = std::min(p.image.width, parts.width - p.x);
        const int r0 = std::max(0, -p.y), r1 = std::min(p.image.height, parts.height - p.y);
        for (int r = r0; r < r1; ++r) {
            const uint8_t* in = p.image.Row(r);
            uint8_t* out = image.Row(p.y + r) + p.x;
            for (int c = c0; c < c1; ++c)
                if (in[c] != 0) out[c] = in[c];
        }
    }
    return image;
}

} // namespace VLMX
