// The formats a character can be exported in besides the composed PNG: layered files that
// editors open with a layer an element, and a sprite sheet for game engines and web pages.
//
//   png       NNN-NAME.png        the composed picture (vlmexport.h)
//   ora       NNN-NAME.ora        OpenRaster (vlmora.h)
//   aseprite  NNN-NAME.aseprite   Aseprite (vlmaseprite.h)
//   sheet     NNN-NAME.png and NNN-NAME.json (vlmsheet.h)
#pragma once

#include "vlmcharacter.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace VLMX {

enum class TExportFormat : uint8_t { Png, Ora, Aseprite, Sheet };

constexpr TExportFormat AllFormats[] = {TExportFormat::Png, TExportFormat::Ora,
                                        TExportFormat::Aseprite, TExportFormat::Sheet};

// "png", "ora", "aseprite", "sheet", and back.
const char* FormatName(TExportFormat format);
std::optional<TExportFormat> FormatNamed(const std::string& name);
// Whether the format's pictures can be enlarged (layered files are not: an editor zooms).
bool Scalable(TExportFormat format);
// The suffix of the format's first file (".png", ".ora", ".aseprite"; ".png" for the sheet).
const char* Suffix(TExportFormat format);

// NNN-NAME as PictureStem makes it, with room for the format's longest suffix.
std::string LayeredStem(int index, const std::string& cp932Name, TExportFormat format);

// The file names a character of stem (NNN-NAME) is written as in a layered format or as a
// sheet: the first, and for the sheet its JSON.
std::vector<std::string> LayeredFileNames(TExportFormat format, const std::string& stem);

struct TLayeredFile {
    std::string name; // in the folder
    std::vector<uint8_t> bytes;
};

struct TLayered {
    std::vector<TLayeredFile> files; // none when an element does not fit
    std::vector<int> empty;          // elements of no pixels, which got no layer or frame
    int outside = -1;                // the first element whose rows leave the picture
};

// The files of a loaded character (picture index, exported as stem) in format, which is not
// Png. shown: the elements to show (empty: the ones the viewer shows first). A character the
// format cannot hold throws std::runtime_error with the reason.
TLayered LayeredFiles(const VLM::TCharacterBitmap& character, int index, const std::string& stem,
                      TExportFormat format, int scale, const std::vector<int32_t>& shown = {});

} // namespace VLMX
