// Exported files read back by other programs' decoders: Qt's (as the viewer's clipboard and
// any Qt program reads them) and ImageMagick's, pixel by pixel, transparency included.
#include "exportsupport.h"
#include "vlmexport.h"
#include "vlmnames.h"
#include "vlmnaming.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <unistd.h>

namespace {

struct TFiles {
    VLMT::TTempDir dir;
    VLMW::TCharRecord character = VLMW::PatternRecord(24, 16, 0, 0, 0, 9);
    VLMW::TIndexed background = VLMW::PatternPicture(24, 16, 8);
    std::string characterPng, backgroundPng, rgbPng;
    VLM::TPicture screen{5, 3};

    TFiles() {
        for (int x = 0; x < 5; ++x)
            character.elements[0].pixels[size_t(x)] = 0; // transparent
        const std::string ch = dir.Write(
            "NCDAT.ALL",
            VLMW::CharacterArchive({{VLM::CharacterNames[144].offset, 0, false, character}}));
        VLMW::TBackGroundRecord r;
        r.picture = background;
        r.searchFrom = VLM::BackGroundNames[290].offset;
        const std::string bg = dir.Write("NBGFILE1.ALL", VLMW::BackGroundArchive({r}));
        VLMX::ExportPictures(ch, {144}, dir.Path(), {});
        VLMX::ExportPictures(bg, {290}, dir.Path(), {});
        characterPng = dir.File(VLMX::PictureStem(144, VLM::CharacterNames[144].name) + ".png");
        backgroundPng = dir.File(VLMX::PictureStem(290, VLM::BackGroundNames[290].name) + ".png");
        screen.ScanLine(1)[2] = 0x5224;
        rgbPng = dir.File("rgb.png");
        VLMX::WritePng(VLMX::ScreenPicture(screen), rgbPng, 1, false);
    }
    // The colour a reader must see at (x, y) of each file, alpha first; 0 where transparent.
    uint32_t CharacterArgb(int x, int y) const {
        const uint8_t i = character.elements[0].pixels[size_t(y * 24 + x)];
        if (i == 0) return 0;
        return 0xFF000000u | Rgb(VLMT::Widened(VLMT::Screen(Indexed(character.palette), i)));
    }
    uint32_t BackGroundArgb(int x, int y) const {
        return 0xFF000000u | Rgb(VLMT::Widened(VLMT::Screen(background, background.At(x, y))));
    }
    uint32_t ScreenArgb(int x, int y) const {
        return 0xFF000000u | Rgb(VLMT::Widened(screen.ScanLine(y)[x]));
    }
    static uint32_t Rgb(VLMX::TRgb c) { return uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b; }
    static VLMW::TIndexed Indexed(const std::array<uint16_t, 256>& palette) {
        VLMW::TIndexed p;
        p.palette = palette;
        return p;
    }
};

// Decoded pixels as alpha-red-green-blue, fully transparent ones as 0.
using TDecoder = std::function<std::vector<uint32_t>(const std::string&)>;

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
        argb.push_back(p[3] == 0 ? 0
                                 : uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 |
                                       uint32_t(p[1]) << 8 | p[2]);
    return argb;
}

} // namespace

TEST(ReadBack, QtAndImageMagickSeeEveryPixelWithItsAlpha) {
    TFiles f;
    std::vector<std::pair<const char*, TDecoder>> decoders = {{"Qt", ByQt}};
    if (::access("/usr/bin/convert", X_OK) == 0)
        decoders.emplace_back("ImageMagick", ByImageMagick);
    for (const auto& [name, decode] : decoders) {
        SCOPED_TRACE(name);
        const auto ch = decode(f.characterPng), bg = decode(f.backgroundPng),
                   rgb = decode(f.rgbPng);
        ASSERT_EQ(ch.size(), 24u * 16);
        ASSERT_EQ(bg.size(), 24u * 16);
        ASSERT_EQ(rgb.size(), 5u * 3);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 24; ++x) {
                ASSERT_EQ(ch[size_t(y * 24 + x)], f.CharacterArgb(x, y)) << x << "," << y;
                ASSERT_EQ(bg[size_t(y * 24 + x)], f.BackGroundArgb(x, y)) << x << "," << y;
            }
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                ASSERT_EQ(rgb[size_t(y * 5 + x)], f.ScreenArgb(x, y));
    }
}
