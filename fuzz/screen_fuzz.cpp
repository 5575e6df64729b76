// The compositor driven by a command sequence over the three archive kinds.
//
// Input: one byte of flags (bit 0, 1, 2: a raw wallpaper, background, character archive
// follows), then for each raw archive its length (32-bit big-endian, cut to what is left) and
// bytes, then up to MaxCommands commands of one opcode byte and their arguments (numbers are
// 32-bit big-endian; missing bytes read as zeros).
#include "bgwriter.h"
#include "chwriter.h"
#include "fuzzsupport.h"
#include "screencommands.h"
#include "vlmnames.h"
#include "vlmscreen.h"
#include "vlmwriter.h"

#include <algorithm>
#include <array>
#include <string>

namespace {

using namespace VLMF;

const char* const ArchiveNames[3] = {"EYECATCH.ALL", "NBGFILE1.ALL", "NCDAT.ALL"};

void Save(const std::string& relative, const VLMW::TBytes& bytes) {
    VLMF::WriteFile(relative, bytes.data.data(), bytes.data.size());
}

// Small archives in the real formats, written once: two wallpapers, backgrounds of the shown
// size, smaller and wider, characters with alternatives and one element below the screen.
void WriteArchives() {
    std::vector<VLMW::TWallPaperEntry> wallPapers(2);
    for (int i = 0; i < 2; ++i) {
        wallPapers[i].index = i;
        wallPapers[i].picture = VLMW::PatternPicture(320, 224, 10 + i);
    }
    const VLMW::TBytes wp = VLMW::WallPaperArchive(wallPapers);

    std::vector<VLMW::TBackGroundRecord> backGrounds(3);
    const int bgIndex[3] = {290, 291, 93}; // offsets 0, 43008, 86016
    const int bgSize[3][2] = {{288, 144}, {64, 32}, {576, 16}};
    for (int i = 0; i < 3; ++i) {
        backGrounds[i].searchFrom = VLM::BackGroundNames[bgIndex[i]].offset;
        backGrounds[i].picture = VLMW::PatternPicture(bgSize[i][0], bgSize[i][1], 20 + i);
    }
    const VLMW::TBytes bg = VLMW::BackGroundArchive(backGrounds);

    VLMW::TCharRecord first = VLMW::PatternRecord(64, 80, 10, 20, 0, 30);
    VLMW::AddAlternatives(first, 30, 40, 16, 8, 2, 31);
    VLMW::AddAlternatives(first, 12, 24, 8, 8, 1, 32);
    first.elements[1].pixels[0] = 0;
    VLMW::TCharRecord second = VLMW::PatternRecord(32, 32, 0, 0, 0, 40);
    VLMW::AddAlternatives(second, 4, 4, 8, 8, 3, 41);
    VLMW::TCharRecord low = VLMW::PatternRecord(32, 32, 0, 0, 0, 50);
    VLMW::AddAlternatives(low, 0, 210, 8, 8, 1, 51); // rows past the bottom of the screen
    const VLMW::TBytes ch =
        VLMW::CharacterArchive({{VLM::CharacterNames[144].offset, 0, false, first},
                                {VLM::CharacterNames[126].offset, 0, false, second},
                                {VLM::CharacterNames[128].offset, 0, false, low}});

    const VLMW::TBytes* archives[3] = {&wp, &bg, &ch};
    for (int layer = 0; layer < 3; ++layer) {
        Save(std::string("w/") + ArchiveNames[layer], *archives[layer]);
        Save("o/OTHER" + std::to_string(layer) + ".ALL", *archives[layer]);
    }
}

// Where a layer's archive comes from; the paths are made once, as most commands open one.
const std::string& PathOf(int layer, uint8_t source) {
    static const auto paths = [] {
        std::array<std::array<std::string, SourceCount>, 3> p;
        for (int l = 0; l < 3; ++l) {
            p[l][FromWriter] = VLMF::WorkDir() + "/w/" + ArchiveNames[l];
            p[l][FromRaw] = VLMF::WorkDir() + "/r/" + ArchiveNames[l];
            p[l][FromMissing] = VLMF::WorkDir() + "/m/" + ArchiveNames[l];
            p[l][FromOtherName] = VLMF::WorkDir() + "/o/OTHER" + std::to_string(l) + ".ALL";
        }
        return p;
    }();
    return paths[static_cast<size_t>(layer)][source % SourceCount];
}

void Run(VLM::TScreen& s, VLMF::TCheckingCanvas& canvas, VLMF::TReader& in) {
    switch (in.U8() % OpCount) {
    case OpOpenWallPaper:
        s.putwpfn(PathOf(0, in.U8()));
        break;
    case OpOpenBackGround:
        s.putbgfn(PathOf(1, in.U8()));
        break;
    case OpOpenCharacter:
        s.putchfn(PathOf(2, in.U8()));
        break;
    case OpDrawWallPaper:
        s.DrawWallPaper(in.I32());
        break;
    case OpDrawBackGround:
        s.DrawBackGround(in.I32());
        break;
    case OpDrawCharacter:
        s.DrawCharacter(in.I32());
        break;
    case OpDrawCharacterElement: {
        const int index = in.I32();
        s.DrawCharacter(index, in.I32());
        break;
    }
    case OpDrawElement:
        s.DrawElement(in.I32());
        break;
    case OpUpdate: {
        const int l = in.I32(), t = in.I32(), r = in.I32(), b = in.I32();
        s.Update(l, t, r, b);
        break;
    }
    case OpFlush:
        s.Flush();
        break;
    case OpRepaint:
        s.Repaint();
        break;
    case OpSetDestRect: {
        const int l = in.I32(), t = in.I32(), r = in.I32(), b = in.I32();
        s.destRect = {l, t, r, b};
        break;
    }
    case OpToggleTarget:
        s.target = s.target ? nullptr : &canvas;
        break;
    case OpQuery: {
        const int i = in.I32();
        (void)s.getElemBounds(i);
        (void)s.wpmnes(i);
        (void)s.bgmnes(i);
        (void)s.chmnes(i);
        (void)s.getwp();
        (void)s.getbg();
        (void)s.getch();
        (void)s.getelcnt();
        break;
    }
    default:
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool written = (WriteArchives(), true);
    (void)written;
    VLMF::Quiet();
    VLMF::TReader in(data, size);
    const uint8_t raw = in.U8();
    for (int layer = 0; layer < 3; ++layer) {
        size_t length = 0;
        if (raw & (1 << layer)) length = static_cast<uint32_t>(in.I32());
        const size_t n = std::min(length, in.Left());
        VLMF::WriteFile(std::string("r/") + ArchiveNames[layer], in.Take(n), n);
    }

    VLM::TScreen screen;
    VLMF::TCheckingCanvas canvas;
    screen.target = &canvas;
    for (int i = 0; i < MaxCommands && !in.Empty(); ++i) {
        try {
            Run(screen, canvas, in);
        } catch (const VLM::ERowRange&) {
            // An element reaching above or below the screen: the viewer's error box shows it
            // and the next command goes on.
        }
    }
    return 0;
}
