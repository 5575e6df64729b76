// The command language of the compositor fuzz target, shared with the seed generator.
#pragma once

#include <cstdint>

namespace VLMF {

constexpr int MaxCommands = 64;

enum TOp : uint8_t {
    OpOpenWallPaper, // + source byte
    OpOpenBackGround,
    OpOpenCharacter,
    OpDrawWallPaper, // + index
    OpDrawBackGround,
    OpDrawCharacter,
    OpDrawCharacterElement, // + index, element
    OpDrawElement,          // + element
    OpUpdate,               // + left, top, right, bottom
    OpFlush,
    OpRepaint,
    OpSetDestRect, // + left, top, right, bottom
    OpToggleTarget,
    OpQuery, // + index
    OpCount
};

// Where a layer's archive comes from.
enum TSource : uint8_t { FromWriter, FromRaw, FromMissing, FromOtherName, SourceCount };

} // namespace VLMF
