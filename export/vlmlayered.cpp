#include "vlmlayered.h"

#include "vlmaseprite.h"
#include "vlmnaming.h"
#include "vlmora.h"
#include "vlmpng.h"
#include "vlmsheet.h"

#include <algorithm>
#include <stdexcept>

namespace VLMX {

namespace {

struct TFormatInfo {
    TExportFormat format;
    const char* name;
    const char* suffix;
    bool scalable;
};

constexpr TFormatInfo Formats[] = {{TExportFormat::Png, "png", ".png", true},
                                   {TExportFormat::Ora, "ora", ".ora", false},
                                   {TExportFormat::Aseprite, "aseprite", ".aseprite", false},
                                   {TExportFormat::Sheet, "sheet", ".png", true}};

const TFormatInfo& Info(TExportFormat format) {
    for (const TFormatInfo& f : Formats)
        if (f.format == format) return f;
    throw std::invalid_argument("no such export format");
}

} // namespace

const char* FormatName(TExportFormat format) {
    return Info(format).name;
}

std::optional<TExportFormat> FormatNamed(const std::string& name) {
    for (const TFormatInfo& f : Formats)
        if (name == f.name) return f.format;
    return std::nullopt;
}

bool Scalable(TExportFormat format) {
    return Info(format).scalable;
}

const char* Suffix(TExportFormat format) {
    return Info(format).suffix;
}

std::string LayeredStem(int index, const std::string& cp932Name, TExportFormat format) {
    size_t longest = 0;
    for (const std::string& name : LayeredFileNames(format, ""))
        longest = std::max(longest, name.size());
    return PictureStem(index, cp932Name, longest);
}

std::vector<std::string> LayeredFileNames(TExportFormat format, const std::string& stem) {
    if (format == TExportFormat::Sheet) return {stem + ".png", stem + ".json"};
    return {stem + Suffix(format)};
}

TLayered LayeredFiles(const VLM::TCharacterBitmap& character, int index, const std::string& stem,
                      TExportFormat format, int scale, const std::vector<int32_t>& shown) {
    if (format == TExportFormat::Png) throw std::invalid_argument("png is no layered format");
    if (!Scalable(format) && scale != 1)
        throw std::invalid_argument("layered files are written at scale 1");
    const TParts parts = CharacterParts(character, shown);
    TLayered result;
    result.outside = parts.outside;
    result.empty = parts.empty;
    if (parts.outside >= 0) return result;
    // As the composed export says it: a base of no pixels leaves no picture.
    if (parts.width <= 0 || parts.height <= 0) throw EPngError("the picture is empty");
    const std::vector<std::string> names = LayeredFileNames(format, stem);
    switch (format) {
    case TExportFormat::Ora:
        result.files.push_back({names[0], OraFile(parts)});
        break;
    case TExportFormat::Aseprite:
        result.files.push_back({names[0], AsepriteFile(parts)});
        break;
    case TExportFormat::Sheet: {
        const TSheet sheet = Sheet(parts, index, names[0], scale);
        result.files.push_back({names[0], EncodePng(sheet.image, scale)});
        result.files.push_back({names[1], {sheet.json.begin(), sheet.json.end()}});
        break;
    }
    case TExportFormat::Png:
        break;
    }
    return result;
}

} // namespace VLMX
