// NCDAT.ALL made of the input: the aligned signature scan, the header, both element tables,
// the element pixels, the position corrections, DrawElem, ComposeElem and the dump.
#include "chwriter.h"
#include "fuzzsupport.h"
#include "vlmnames.h"

#include <climits>
#include <cstring>
#include <set>

namespace {

// The corrected record whose count and base size the input's first record has, if any.
const VLMW::TCorrectedRecord* Corrected(const uint8_t* data, size_t size) {
    if (size < 644 || std::memcmp(data, VLMW::CharSignature, 8) != 0) return nullptr;
    const int count = data[10] << 8 | data[11];
    const int width = data[640] << 8 | data[641], height = data[642] << 8 | data[643];
    for (const auto& c : VLMW::CorrectedRecords)
        if (c.elems == count && c.width == width && c.height == height) return &c;
    return nullptr;
}

int EntryAt(int32_t offset) {
    for (int i = 0; i < VLM::CharacterNameCount; ++i)
        if (VLM::CharacterNames[i].offset == offset) return i;
    return -1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    VLM::TCharacterBitmap ch;
    static VLM::TPicture screen(320, 224); // only ever written: one for every input
    VLMF::TCheckingCanvas canvas;
    // A record reached again from another start (most starts of a small input end at its
    // first record) is loaded into the same state whatever index selected it, so only its
    // first load is drawn; only the name goes with the index.
    std::set<int32_t> drawn; // record offsets
    const auto exercise = [&](bool loaded) {
        if (!loaded) return;
        (void)ch.GetCurrentName();
        if (drawn.insert(ch.Offset).second) VLMF::DrawCharacter(ch, screen, canvas);
    };
    VLMF::Quiet();
    ch.SetFileName(VLMF::WriteFile("NCDAT.ALL", data, size));
    const int count = ch.GetCount();
    // 144 lies at offset 0, 126 at 16384, 128 at 83968: inside a small input.
    for (int index : {144, 126, 128, 0, count / 2, count - 1, -1, count, INT_MAX})
        exercise(ch.Select(index));
    // 5 rounds up to 16; INT_MIN cannot be reached, so the scan starts at the top. (0 and -1
    // would start where index 144 did, 16 where 5 does: the same load again.)
    for (int offset : {5, INT_MIN})
        exercise(ch.LoadAt(offset));

    // A record shaped like one of the seven the loader corrects goes where that one lies, so
    // the correction runs on what the fuzzer made of it.
    if (const VLMW::TCorrectedRecord* c = Corrected(data, size)) {
        ch.SetFileName(VLMF::WriteFileAt("NCDAT.ALL", c->offset, data, size));
        drawn.clear();
        exercise(ch.Select(EntryAt(c->offset)));
    }
    return 0;
}
