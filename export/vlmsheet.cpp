#include "vlmsheet.h"

#include "vlmjson.h"
#include "vlmpng.h"
#include "vlmversion.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numeric>

namespace VLMX {

namespace {

constexpr int Gap = 1; // pixels between parts, so that no filtering bleeds one into another

struct TPlace {
    int x = 0, y = 0;
};

struct TPacking {
    std::vector<TPlace> places;
    int64_t right = 0, bottom = 0;
};

// Parts in order on shelves no wider than shelf (or the part itself).
TPacking Shelves(const TParts& parts, const std::vector<size_t>& order, int64_t shelf) {
    TPacking p;
    p.places.resize(parts.parts.size());
    int64_t x = 0, y = 0, shelfHeight = 0;
    for (size_t i : order) {
        const TImage& image = parts.parts[i].image;
        if (x > 0 && x + image.width > shelf) {
            y += shelfHeight + Gap;
            x = 0;
            shelfHeight = 0;
        }
        p.places[i] = {static_cast<int>(x), static_cast<int>(y)};
        p.right = std::max(p.right, x + image.width);
        p.bottom = std::max(p.bottom, y + image.height);
        x += image.width + Gap;
        shelfHeight = std::max<int64_t>(shelfHeight, image.height);
    }
    return p;
}

// Shelves of parts, tallest first, in the smallest of a few sheets around a square one (never
// narrower than the widest part): on the demo characters 8 per cent less than the square alone.
std::vector<TPlace> Pack(const TParts& parts, int& width, int& height) {
    std::vector<size_t> order(parts.parts.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const TImage &i = parts.parts[a].image, &j = parts.parts[b].image;
        return i.height != j.height ? i.height > j.height : i.width > j.width;
    });
    double area = 0;
    int widest = 0;
    for (const TPart& p : parts.parts) {
        area += double(p.image.width + Gap) * (p.image.height + Gap);
        widest = std::max(widest, p.image.width);
    }
    TPacking best;
    for (double f : {0.8, 0.9, 1.0, 1.1, 1.25, 1.5, 2.0}) {
        const int64_t shelf = std::max<int64_t>(widest, std::llround(f * std::sqrt(area)));
        TPacking p = Shelves(parts, order, shelf);
        if (best.places.empty() || p.right * p.bottom < best.right * best.bottom)
            best = std::move(p);
    }
    if (best.right * best.bottom > MaxWrittenPixels)
        throw ESheetError("the elements are too large for one sheet");
    width = static_cast<int>(best.right);
    height = static_cast<int>(best.bottom);
    return std::move(best.places);
}

std::string FrameName(int index, int element) {
    char name[32];
    std::snprintf(name, sizeof name, "%03d-%02d", index, element);
    return name;
}

// {"x": 0, "y": 0, "w": 8, "h": 8}, multiplied by scale.
std::string Rect(int64_t x, int64_t y, int64_t w, int64_t h, int scale) {
    char text[128];
    std::snprintf(text, sizeof text, "{\"x\": %lld, \"y\": %lld, \"w\": %lld, \"h\": %lld}",
                  static_cast<long long>(x * scale), static_cast<long long>(y * scale),
                  static_cast<long long>(w * scale), static_cast<long long>(h * scale));
    return text;
}

std::string Size(int64_t w, int64_t h, int scale) {
    char text[64];
    std::snprintf(text, sizeof text, "{\"w\": %lld, \"h\": %lld}",
                  static_cast<long long>(w * scale), static_cast<long long>(h * scale));
    return text;
}

std::string Quoted(const std::string& text) {
    return TJson(text).dump(-1, ' ', false, TJson::error_handler_t::replace);
}

} // namespace

TSheet Sheet(const TParts& parts, int index, const std::string& imageName, int scale) {
    int width = 0, height = 0;
    const std::vector<TPlace> places = Pack(parts, width, height);
    TSheet sheet;
    sheet.image = TImage::Indexed(width, height);
    sheet.image.palette = parts.palette;
    sheet.image.transparentZero = true;
    // Written by hand, a frame a line: building the tree for nlohmann costs as much as the rest
    // of the sheet.
    std::string& json = sheet.json;
    json = "{\"frames\": {\n";
    for (size_t i = 0; i < parts.parts.size(); ++i) {
        const TPart& p = parts.parts[i];
        const TImage& image = p.image;
        for (int r = 0; r < image.height; ++r)
            std::memcpy(sheet.image.Row(places[i].y + r) + places[i].x, image.Row(r),
                        image.RowBytes());
        const bool trimmed =
            p.x != 0 || p.y != 0 || image.width != parts.width || image.height != parts.height;
        json += "  \"" + FrameName(index, p.element) + "\": {\"frame\": " +
                Rect(places[i].x, places[i].y, image.width, image.height, scale) +
                ", \"rotated\": false, \"trimmed\": " + (trimmed ? "true" : "false") +
                ", \"spriteSourceSize\": " + Rect(p.x, p.y, image.width, image.height, scale) +
                ", \"sourceSize\": " + Size(parts.width, parts.height, scale) + ", \"place\": \"" +
                FrameName(index, p.place) + "\"}" + (i + 1 < parts.parts.size() ? ",\n" : "\n");
    }
    json += "},\n\"meta\": {\"app\": \"velmora-cli\", \"version\": " + Quoted(VLM::ReleaseVersion) +
            ", \"image\": " + Quoted(imageName) +
            ", \"format\": \"indexed\", \"size\": " + Size(width, height, scale) +
            ", \"scale\": \"" + std::to_string(scale) + "\"}\n}\n";
    return sheet;
}

} // namespace VLMX
