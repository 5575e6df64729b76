// Exported files read back by other programs' decoders: Qt's (as the viewer's clipboard and
// any Qt program reads them) and ImageMagick's must see what libspng sees, which the export
// tests check against the engine, pixel by pixel, transparency included.
#include "exportsupport.h"
#include "vlmexport.h"

#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <unistd.h>

namespace {

// Decoded pixels as alpha-red-green-blue, fully transparent ones as 0.
using TDecoder = std::function<std::vector<uint32_t>(const std::string&)>;

uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return a == 0 ? 0 : a << 24 | r << 16 | g << 8 | b;
}

std::vector<uint32_t> BySpng(const std::string& path) {
    const VLMT::TPng png = VLMT::ReadPng(path);
    std::vector<uint32_t> argb;
    for (int y = 0; y < png.height; ++y)
        for (int x = 0; x < png.width; ++x) {
            const uint8_t* p = png.Row(y) + (png.colourType == 2 ? 3 * x : x);
            const VLMX::TRgb c =
                png.colourType == 2 ? VLMX::TRgb{p[0], p[1], p[2]} : png.palette.at(*p);
            argb.push_back(Argb(*p < png.alpha.size() ? png.alpha[*p] : 255, c.r, c.g, c.b));
        }
    return argb;
}

std::vector<uint32_t> ByQt(const std::string& path) {
    const QImage image(QString::fromStdString(path));
    std::vector<uint32_t> argb;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            argb.push_back(qAlpha(image.pixel(x, y)) == 0 ? 0 : image.pixel(x, y));
    return argb;
}

// "convert FILE -depth 8 rgba:-" gives the decoded samples, four bytes a pixel.
std::vector<uint32_t> ByImageMagick(const std::string& path) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(
        ::popen(("/usr/bin/convert '" + path + "' -depth 8 rgba:-").c_str(), "r"), ::pclose);
    std::vector<uint32_t> argb;
    unsigned char p[4];
    while (pipe && std::fread(p, 1, 4, pipe.get()) == 4)
        argb.push_back(Argb(p[3], p[0], p[1], p[2]));
    return argb;
}

} // namespace

TEST(ReadBack, QtAndImageMagickSeeEveryPixelWithItsAlpha) {
    VLMT::TTempDir dir;
    // A character (a palette PNG whose index 0 is clear, in its first row), and an RGB picture.
    const std::string ch = VLMT::CharacterArchive(dir, {VLMT::Character()});
    ASSERT_EQ(VLMX::ExportPictures(VLM::TLayerKind::Character, ch, {144}, dir.Path(), {}).written,
              1);
    VLM::TPicture screen(5, 3);
    screen.ScanLine(1)[2] = 0x5224;
    ASSERT_TRUE(VLMX::WritePng(VLMX::ScreenPicture(screen), dir.File("rgb.png"), 1, false).Ok());

    std::vector<std::pair<const char*, TDecoder>> decoders = {{"Qt", ByQt}};
    if (::access("/usr/bin/convert", X_OK) == 0)
        decoders.emplace_back("ImageMagick", ByImageMagick);
    for (const std::string& file :
         {VLMT::Stem(144, VLM::CharacterNames) + ".png", std::string("rgb.png")}) {
        const std::vector<uint32_t> want = BySpng(dir.File(file));
        ASSERT_EQ(std::count(want.begin(), want.end(), 0u), file == "rgb.png" ? 0 : 24);
        for (const auto& [name, decode] : decoders)
            EXPECT_EQ(decode(dir.File(file)), want) << name << " " << file;
    }
}
