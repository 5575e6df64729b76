// velmora-mkdemo DIR: writes the six archives the viewer opens, in the game's formats and at
// full count, with pictures drawn here. Every picture shows its number, and every character
// has groups of alternative elements to swap.
#include "vlmnames.h"
#include "vlmversion.h"
#include "vlmwriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <cstring>
#include <string>
#include <vector>

namespace {

// ---- Drawing -------------------------------------------------------------------------------

// 3 x 5 digits, one row a byte, bit 2 the left column.
constexpr uint8_t Digits[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 3, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 2, 2}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7}};

// Channels 0-31 as an archive colour (red in bits 0-4).
uint16_t Rgb(int r, int g, int b) {
    const auto c = [](int v) { return std::clamp(v, 0, 31); };
    return static_cast<uint16_t>(c(r) | c(g) << 5 | c(b) << 10);
}

// Hue, saturation, value in 0..1 as an archive colour.
uint16_t Hsv(double h, double s, double v) {
    h = (h - std::floor(h)) * 6;
    const int sector = static_cast<int>(h) % 6;
    const double f = h - std::floor(h), p = v * (1 - s), q = v * (1 - s * f),
                 t = v * (1 - s * (1 - f));
    double r = v, g = t, b = p;
    switch (sector) {
    case 1:
        r = q, g = v, b = p;
        break;
    case 2:
        r = p, g = v, b = t;
        break;
    case 3:
        r = p, g = q, b = v;
        break;
    case 4:
        r = t, g = p, b = v;
        break;
    case 5:
        r = v, g = p, b = q;
        break;
    default:
        break;
    }
    return Rgb(static_cast<int>(r * 31 + 0.5), static_cast<int>(g * 31 + 0.5),
               static_cast<int>(b * 31 + 0.5));
}

// Hues of neighbouring numbers lie far apart.
double HueOf(int number) {
    return std::fmod(number * 0.618034, 1.0);
}

void Fill(VLMW::TIndexed& p, int x, int y, int w, int h, uint8_t index) {
    for (int j = std::max(y, 0); j < std::min(y + h, p.height); ++j)
        for (int i = std::max(x, 0); i < std::min(x + w, p.width); ++i)
            p.At(i, j) = index;
}

int NumberWidth(int number, int scale) {
    const int digits = static_cast<int>(std::to_string(number).size());
    return digits * 4 * scale - scale;
}

// The number in blocky digits with a shadow one block down and right.
void DrawNumber(VLMW::TIndexed& p, int number, int x, int y, int scale, uint8_t ink,
                uint8_t shadow) {
    const std::string text = std::to_string(number);
    for (int pass = 0; pass < 2; ++pass) {
        const int off = pass == 0 ? std::max(1, scale / 4) : 0;
        for (size_t d = 0; d < text.size(); ++d)
            for (int row = 0; row < 5; ++row)
                for (int col = 0; col < 3; ++col)
                    if (Digits[text[d] - '0'][row] >> (2 - col) & 1)
                        Fill(p, x + off + (static_cast<int>(d) * 4 + col) * scale,
                             y + off + row * scale, scale, scale, pass == 0 ? shadow : ink);
    }
}

void Disc(VLMW::TIndexed& p, int cx, int cy, int r, uint8_t index) {
    for (int y = cy - r; y <= cy + r; ++y)
        for (int x = cx - r; x <= cx + r; ++x)
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r && x >= 0 && y >= 0 &&
                x < p.width && y < p.height)
                p.At(x, y) = index;
}

constexpr uint8_t Ink = 250, Shadow = 251, Edge = 252;
constexpr int Shades = 64; // palette entries 1..64 hold a picture's gradient

// 0, 1, ..., 62, 63, 62, ..., 1: a gradient that runs back instead of jumping.
int Triangle(int v) {
    v %= 2 * (Shades - 1);
    return v < Shades ? v : 2 * (Shades - 1) - v;
}

void Gradient(VLMW::TIndexed& p, uint16_t from, uint16_t to) {
    const auto channel = [](uint16_t c, int shift) { return c >> shift & 31; };
    for (int i = 0; i < Shades; ++i) {
        const auto mix = [&](int shift) {
            return (channel(from, shift) * (Shades - 1 - i) + channel(to, shift) * i) /
                   (Shades - 1);
        };
        p.palette[1 + i] = Rgb(mix(0), mix(5), mix(10));
    }
    p.palette[Ink] = Rgb(31, 31, 31);
    p.palette[Shadow] = Rgb(2, 2, 4);
    p.palette[Edge] = Rgb(28, 28, 30);
}

// ---- Wallpapers ----------------------------------------------------------------------------

// Each archive has its own pattern; the number stands in the strip below the background.
VLMW::TIndexed WallPaper(int archive, int index) {
    VLMW::TIndexed p(320, 224);
    const double hue = HueOf(index + 7 * archive);
    Gradient(p, Hsv(hue, 0.8, 0.35), Hsv(hue + 0.12, 0.55, 0.95));
    for (int y = 0; y < 224; ++y)
        for (int x = 0; x < 320; ++x) {
            int v = 0;
            switch (archive) {
            case 0:
                v = Triangle(static_cast<int>(std::hypot(x - 160, y - 112) / 2));
                break;
            case 1:
                v = Triangle((x + 2 * y) / 3);
                break;
            case 2:
                v = ((x / 20 + y / 20) % 2) ? y * 63 / 223 : 63 - y * 63 / 223;
                break;
            default:
                v = static_cast<int>(31.5 + 31.5 * std::sin(x / 19.0 + std::sin(y / 23.0) * 2));
            }
            p.At(x, y) = static_cast<uint8_t>(1 + v);
        }
    // The frame also keeps the first cell from reading as filler between records.
    Fill(p, 0, 0, 320, 2, Edge);
    Fill(p, 0, 222, 320, 2, Edge);
    Fill(p, 0, 0, 2, 224, Edge);
    Fill(p, 318, 0, 2, 224, Edge);
    DrawNumber(p, index, (320 - NumberWidth(index, 8)) / 2, 166, 8, Ink, Shadow);
    return p;
}

VLMW::TBytes WallPaperArchive(int archive, int count) {
    std::vector<VLMW::TWallPaperEntry> entries;
    for (int i = 0; i < count; ++i) {
        VLMW::TWallPaperEntry e;
        e.index = i;
        e.picture = WallPaper(archive, i);
        entries.push_back(std::move(e));
    }
    return VLMW::WallPaperArchive(entries);
}

// ---- Backgrounds ---------------------------------------------------------------------------

// A landscape: sky, a sun, hills; the number in the top right corner.
VLMW::TIndexed BackGround(int index) {
    VLMW::TIndexed p(288, 144);
    const double hue = HueOf(index);
    Gradient(p, Hsv(hue, 0.5, 0.95), Hsv(hue + 0.5, 0.9, 0.3));
    constexpr uint8_t Sun = 253;
    p.palette[Sun] = Hsv(hue + 0.15, 0.3, 1.0);
    for (int y = 0; y < 144; ++y)
        for (int x = 0; x < 288; ++x)
            p.At(x, y) = static_cast<uint8_t>(1 + y * 31 / 143);
    Disc(p, 30 + index * 53 % 220, 40, 14, Sun);
    for (int x = 0; x < 288; ++x) {
        const int ground = 100 + static_cast<int>(12 * std::sin(x / 25.0 + index) +
                                                  5 * std::sin(x / 7.0 + 2 * index));
        for (int y = std::max(ground, 0); y < 144; ++y)
            p.At(x, y) = static_cast<uint8_t>(33 + std::min(30, (y - ground) * 30 / 40));
    }
    DrawNumber(p, index, 288 - NumberWidth(index, 5) - 8, 8, 5, Ink, Shadow);
    return p;
}

VLMW::TBytes BackGroundArchive() {
    std::vector<VLMW::TBackGroundRecord> records;
    for (int i = 0; i < 500; ++i) {
        VLMW::TBackGroundRecord r;
        r.searchFrom = VLM::BackGroundNames[i].offset;
        r.picture = BackGround(i);
        records.push_back(std::move(r));
    }
    return VLMW::BackGroundArchive(records);
}

// ---- Characters ----------------------------------------------------------------------------

// Character palette entries.
enum : uint8_t {
    Skin = 1,
    Hair,
    Body,
    BodyDark,
    Outline,
    White,
    Black,
    Red,
    Blue,
    Yellow,
    Green,
    Purple
};

// Element 0: a figure on a transparent ground, its number on the chest.
VLMW::TIndexed Figure(int index) {
    VLMW::TIndexed p = VLMW::TIndexed(80, 120);
    Disc(p, 40, 30, 21, Outline);
    Disc(p, 40, 30, 19, Skin);
    Fill(p, 22, 10, 36, 8, Hair);
    for (int y = 52; y < 120; ++y) {
        const int half = 18 + (y - 52) * 14 / 68;
        Fill(p, 40 - half - 1, y, 2 * half + 2, 1, Outline);
        Fill(p, 40 - half, y, 2 * half, 1, y < 58 ? BodyDark : Body);
    }
    DrawNumber(p, index, 40 - NumberWidth(index, 3) / 2, 72, 3, Ink, Shadow);
    return p;
}

VLMW::TIndexed Hat(int alternative) {
    VLMW::TIndexed p = VLMW::TIndexed(48, 12);
    if (alternative == 0) {
        Fill(p, 6, 2, 36, 10, Green);
        Fill(p, 0, 9, 48, 3, Green);
    } else {
        Fill(p, 6, 6, 36, 6, Yellow);
        for (int s = 0; s < 4; ++s)
            Fill(p, 8 + s * 10, 0, 4, 6, Yellow);
    }
    return p;
}

VLMW::TIndexed Eyes(int alternative) {
    VLMW::TIndexed p = VLMW::TIndexed(28, 8);
    for (int x : {2, 18}) {
        switch (alternative) {
        case 0:
            Fill(p, x + 2, 2, 4, 4, Black);
            break;
        case 1:
            Fill(p, x, 4, 8, 2, Black);
            break;
        default:
            Fill(p, x, 1, 8, 6, White), Fill(p, x + 2, 2, 4, 4, Blue);
        }
    }
    return p;
}

VLMW::TIndexed Mouth(int alternative) {
    VLMW::TIndexed p = VLMW::TIndexed(16, 6);
    switch (alternative) {
    case 0:
        Fill(p, 2, 2, 2, 2, Red), Fill(p, 4, 4, 8, 2, Red), Fill(p, 12, 2, 2, 2, Red);
        break;
    case 1:
        Fill(p, 3, 3, 10, 2, Red);
        break;
    case 2:
        Fill(p, 5, 0, 6, 6, Red), Fill(p, 7, 2, 2, 2, Black);
        break;
    default:
        Fill(p, 2, 4, 2, 2, Red), Fill(p, 4, 2, 8, 2, Red), Fill(p, 12, 4, 2, 2, Red);
    }
    return p;
}

VLMW::TIndexed Badge(int alternative) {
    VLMW::TIndexed p = VLMW::TIndexed(16, 16);
    const uint8_t colours[3] = {Red, Blue, Purple};
    Fill(p, 0, 0, 16, 16, Outline);
    Fill(p, 1, 1, 14, 14, colours[alternative % 3]);
    DrawNumber(p, alternative + 1, 5, 3, 2, Ink, Shadow);
    return p;
}

// A figure and, after it, runs of alternatives for one spot each: hat, eyes, mouth, badge.
VLMW::TCharRecord Character(int index) {
    VLMW::TCharRecord r;
    const double hue = HueOf(index + 3);
    r.palette[Skin] = Rgb(31, 24, 19);
    r.palette[Hair] = Hsv(hue + 0.5, 0.6, 0.4);
    r.palette[Body] = Hsv(hue, 0.7, 0.85);
    r.palette[BodyDark] = Hsv(hue, 0.8, 0.55);
    r.palette[Outline] = Rgb(3, 3, 5);
    r.palette[White] = Rgb(31, 31, 31);
    r.palette[Black] = Rgb(0, 0, 0);
    r.palette[Red] = Rgb(28, 4, 4);
    r.palette[Blue] = Rgb(4, 10, 30);
    r.palette[Yellow] = Rgb(31, 27, 2);
    r.palette[Green] = Rgb(4, 22, 6);
    r.palette[Purple] = Rgb(20, 6, 26);
    r.palette[Ink] = Rgb(31, 31, 31);
    r.palette[Shadow] = Rgb(2, 2, 4);

    // Inside the 288 x 144 background area, a little elsewhere for each character.
    const int left = 16 + index * 37 % 176, top = 8 + index % 3 * 6;
    r.elements.push_back(VLMW::CharElement(Figure(index), left, top));
    for (int a = 0; a < 2; ++a)
        r.elements.push_back(VLMW::CharElement(Hat(a), left + 16, top));
    for (int a = 0; a < 3; ++a)
        r.elements.push_back(VLMW::CharElement(Eyes(a), left + 26, top + 24));
    for (int a = 0; a < 4; ++a)
        r.elements.push_back(VLMW::CharElement(Mouth(a), left + 32, top + 38));
    for (int a = 0; a < 3; ++a)
        r.elements.push_back(VLMW::CharElement(Badge(a), left + 52, top + 92));
    return r;
}

VLMW::TBytes CharacterArchive() {
    std::vector<VLMW::TCharPlacement> placements;
    for (int i = 0; i < 152; ++i) {
        VLMW::TCharPlacement p;
        p.offset = VLM::CharacterNames[i].offset;
        p.record = Character(i);
        placements.push_back(std::move(p));
    }
    return VLMW::CharacterArchive(placements);
}

// ---- Files ---------------------------------------------------------------------------------

// The archives are mostly gaps of zeros between records; those are left as holes in the file.
void Save(const VLMW::TBytes& bytes, const std::filesystem::path& path) {
    constexpr size_t Chunk = 4096;
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        for (size_t at = 0; at < bytes.data.size(); at += Chunk) {
            const size_t n = std::min(Chunk, bytes.data.size() - at);
            const auto* first = bytes.data.data() + at;
            if (std::all_of(first, first + n, [](uint8_t b) { return b == 0; })) continue;
            out.seekp(static_cast<std::streamoff>(at));
            out.write(reinterpret_cast<const char*>(first), static_cast<std::streamsize>(n));
        }
        if (!out) throw std::runtime_error("cannot write " + path.string());
    }
    std::filesystem::resize_file(path, bytes.data.size());
}

constexpr const char* Usage =
    "Usage: velmora-mkdemo DIR\n"
    "Writes the six demo archives EYECATCH.ALL, WPALL1.ALL, WPALL2.ALL, WPALL3.ALL,\n"
    "NBGFILE1.ALL and NCDAT.ALL into DIR, creating DIR if needed.\n"
    "\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n"
    "\n"
    "Exit status: 0 written, 1 an archive could not be written, 2 usage error.\n";

int UsageError(const std::string& message) {
    std::fprintf(stderr, "velmora-mkdemo: %s\nTry 'velmora-mkdemo --help'.\n", message.c_str());
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    const char* dirArgument = nullptr;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (!optionsEnded && arg[0] == '-' && arg[1] != '\0') {
            if (std::strcmp(arg, "--help") == 0) {
                std::fputs(Usage, stdout);
                return 0;
            }
            if (std::strcmp(arg, "--version") == 0) {
                std::printf("velmora-mkdemo %s\n", VLM::ReleaseVersion);
                return 0;
            }
            if (std::strcmp(arg, "--") == 0) {
                optionsEnded = true;
                continue;
            }
            return UsageError(std::string("unknown option '") + arg + "'");
        }
        if (dirArgument) return UsageError("only one folder may be given");
        dirArgument = arg;
    }
    if (!dirArgument) return UsageError("no folder given");
    try {
        const std::filesystem::path dir(dirArgument);
        std::filesystem::create_directories(dir);
        const char* wallPapers[4] = {"EYECATCH.ALL", "WPALL1.ALL", "WPALL2.ALL", "WPALL3.ALL"};
        for (int archive = 0; archive < 4; ++archive)
            Save(WallPaperArchive(archive, archive == 0 ? 22 : 34), dir / wallPapers[archive]);
        Save(BackGroundArchive(), dir / "NBGFILE1.ALL");
        Save(CharacterArchive(), dir / "NCDAT.ALL");
        std::printf("velmora-mkdemo: six archives written to %s\n", dir.string().c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velmora-mkdemo: %s\n", e.what());
        return 1;
    }
    return 0;
}
