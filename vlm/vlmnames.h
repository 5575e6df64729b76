// Built-in display-name tables, one per archive kind. Entry i names picture i; the offset is
// the record offset that goes with it. Names are code page 932 texts that live as long as the
// program. The tables are generated at build time from the UTF-8 files in vlm/names/.
#pragma once

#include <cstdint>

namespace VLM {

struct TNameEntry {
    const char* name;
    int32_t offset;
};

constexpr int EyeCatchNameCount = 22;
constexpr int FirstWallPaperNameCount = 33;
constexpr int BackGroundNameCount = 500;
constexpr int CharacterNameCount = 152;

extern const TNameEntry EyeCatchNames[EyeCatchNameCount];             // EYECATCH.ALL
extern const TNameEntry FirstWallPaperNames[FirstWallPaperNameCount]; // WPALL1.ALL
extern const TNameEntry BackGroundNames[BackGroundNameCount];         // NBGFILE1.ALL
extern const TNameEntry CharacterNames[CharacterNameCount];           // NCDAT.ALL

// The name of the first entry whose offset equals offset, or null.
const char* NameAtOffset(const TNameEntry* table, int count, int32_t offset);

} // namespace VLM
