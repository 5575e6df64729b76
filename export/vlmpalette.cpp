#include "vlmpalette.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace VLMX {

namespace {

constexpr size_t ActBytes = 768;
constexpr size_t ActWithCount = 772; // + entry count (16-bit) + transparent index (16-bit)

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// "R G B" and anything after (a GIMP palette names its entries): false unless three numbers
// from 0 to 255 lead the line.
bool ParseColour(const std::string& line, VLM::TRgb& colour) {
    const char* p = line.c_str();
    uint8_t channels[3];
    for (uint8_t& c : channels) {
        while (*p == ' ' || *p == '\t')
            ++p;
        if (*p < '0' || *p > '9') return false;
        char* end = nullptr;
        const long v = std::strtol(p, &end, 10);
        if (v > 255 || end == p) return false;
        c = uint8_t(v);
        p = end;
    }
    if (*p != '\0' && *p != ' ' && *p != '\t') return false;
    colour = {channels[0], channels[1], channels[2]};
    return true;
}

TPaletteRead Refused(const std::string& why) {
    TPaletteRead r;
    r.reason = why;
    return r;
}

TPaletteRead ParseGimp(const std::vector<std::string>& lines) {
    TPaletteRead r;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.empty() || line[0] == '#' || line.rfind("Name:", 0) == 0 ||
            line.rfind("Columns:", 0) == 0)
            continue;
        VLM::TRgb c;
        if (!ParseColour(line, c))
            return Refused("line " + std::to_string(i + 1) +
                           ": expected three numbers from 0 to 255");
        if (r.colours.size() == 256) return Refused("holds more than 256 colours");
        r.colours.push_back(c);
    }
    if (r.colours.empty()) return Refused("holds no colour");
    return r;
}

TPaletteRead ParseJasc(const std::vector<std::string>& lines) {
    if (lines.size() < 3 || lines[1] != "0100")
        return Refused("not a JASC palette of version 0100");
    char* end = nullptr;
    const long count = std::strtol(lines[2].c_str(), &end, 10);
    if (*end != '\0' || count < 1) return Refused("line 3: expected the number of colours");
    if (count > 256) return Refused("holds " + std::to_string(count) + " colours; at most 256");
    TPaletteRead r;
    for (long i = 0; i < count; ++i) {
        VLM::TRgb c;
        const size_t at = size_t(3 + i);
        if (at >= lines.size())
            return Refused("ends after " + std::to_string(i) + " of " + std::to_string(count) +
                           " colours");
        if (!ParseColour(lines[at], c))
            return Refused("line " + std::to_string(at + 1) +
                           ": expected three numbers from 0 to 255");
        r.colours.push_back(c);
    }
    return r;
}

TPaletteRead ParseAct(const std::string& bytes) {
    size_t count = 256;
    if (bytes.size() == ActWithCount) {
        const size_t given = size_t(uint8_t(bytes[768])) << 8 | uint8_t(bytes[769]);
        if (given >= 1 && given <= 256) count = given;
    }
    TPaletteRead r;
    for (size_t i = 0; i < count; ++i)
        r.colours.push_back(
            {uint8_t(bytes[3 * i]), uint8_t(bytes[3 * i + 1]), uint8_t(bytes[3 * i + 2])});
    return r;
}

} // namespace

std::optional<TPaletteFormat> PaletteFormatNamed(const std::string& word) {
    if (word == "gpl") return TPaletteFormat::Gpl;
    if (word == "pal") return TPaletteFormat::Pal;
    if (word == "act") return TPaletteFormat::Act;
    return std::nullopt;
}

std::string PaletteFile(const std::array<VLM::TRgb, 256>& colours, TPaletteFormat format,
                        const std::string& name) {
    std::string out;
    char line[64];
    switch (format) {
    case TPaletteFormat::Gpl:
        out = "GIMP Palette\nName: " + name + "\nColumns: 16\n#\n";
        for (size_t i = 0; i < colours.size(); ++i) {
            std::snprintf(line, sizeof line, "%3u %3u %3u\tIndex %zu\n", colours[i].r, colours[i].g,
                          colours[i].b, i);
            out += line;
        }
        break;
    case TPaletteFormat::Pal:
        out = "JASC-PAL\r\n0100\r\n256\r\n";
        for (const VLM::TRgb& c : colours) {
            std::snprintf(line, sizeof line, "%u %u %u\r\n", c.r, c.g, c.b);
            out += line;
        }
        break;
    case TPaletteFormat::Act:
        for (const VLM::TRgb& c : colours)
            out += {char(c.r), char(c.g), char(c.b)};
        break;
    }
    return out;
}

TPaletteRead ParsePaletteFile(const std::string& bytes) {
    const std::vector<std::string> lines = Lines(bytes.substr(0, 64));
    const std::string first = lines.empty() ? "" : lines[0];
    if (first == "GIMP Palette") return ParseGimp(Lines(bytes));
    if (first == "JASC-PAL") return ParseJasc(Lines(bytes));
    if (bytes.size() == ActBytes || bytes.size() == ActWithCount) return ParseAct(bytes);
    return Refused("not a palette file (a GIMP .gpl, a JASC .pal or a 768-byte .act)");
}

} // namespace VLMX
