#include "vlmnames.h"

namespace VLM {

const char* NameAtOffset(const TNameEntry* table, int count, int32_t offset) {
    for (int i = 0; i < count; ++i)
        if (table[i].offset == offset) return table[i].name;
    return nullptr;
}

} // namespace VLM
