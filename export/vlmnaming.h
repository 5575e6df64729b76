// File names of exported pictures: NNN-NAME with the display name in UTF-8.
#pragma once

#include <cstddef>
#include <string>

namespace VLMX {

// Code page 932 bytes (the engine's texts) as UTF-8. A byte sequence that has no character is
// shown as U+FFFD and the conversion goes on after it.
std::string Cp932ToUtf8(const std::string& cp932);

// "NNN-NAME" for picture index with display name cp932Name: NNN is the index with at least
// three digits; NAME the name in UTF-8 with "/" and control characters turned into "_", cut
// at a character boundary so that the name with a suffix of that many bytes (".png") fits a
// file name. An undefined or empty name leaves "NNN".
std::string PictureStem(int index, const std::string& cp932Name, size_t suffix = 4);

// "EE.png" for element index (at least two digits).
std::string ElementFileName(int element);

} // namespace VLMX
