#include "exportsupport.h"

#include "vlmnaming.h"

#include <spng.h>

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <sys/stat.h>

namespace VLMT {

const uint8_t* TPng::Row(int y) const {
    const size_t rowBytes = size_t(width) * (colourType == 2 ? 3 : 1);
    return samples.data() + size_t(y) * rowBytes;
}

TPng ReadPng(const std::string& path) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) throw std::runtime_error("cannot open " + path);
    std::unique_ptr<spng_ctx, void (*)(spng_ctx*)> ctx(spng_ctx_new(0), spng_ctx_free);
    spng_set_png_file(ctx.get(), file.get());
    TPng png;
    spng_ihdr ihdr{};
    if (spng_get_ihdr(ctx.get(), &ihdr) != 0) throw std::runtime_error("no PNG header: " + path);
    png.width = int(ihdr.width);
    png.height = int(ihdr.height);
    png.colourType = ihdr.color_type;
    png.bitDepth = ihdr.bit_depth;
    size_t size = 0;
    spng_decoded_image_size(ctx.get(), SPNG_FMT_PNG, &size);
    png.samples.resize(size);
    // Decoding the whole image checks every chunk's CRC and the end of the data stream.
    if (const int rc = spng_decode_image(ctx.get(), png.samples.data(), size, SPNG_FMT_PNG, 0))
        throw std::runtime_error(path + ": " + spng_strerror(rc));
    spng_plte plte{};
    if (spng_get_plte(ctx.get(), &plte) == 0)
        for (uint32_t i = 0; i < plte.n_entries; ++i)
            png.palette.push_back(
                {plte.entries[i].red, plte.entries[i].green, plte.entries[i].blue});
    spng_trns trns{};
    if (spng_get_trns(ctx.get(), &trns) == 0)
        png.alpha.assign(trns.type3_alpha, trns.type3_alpha + trns.n_type3_entries);
    return png;
}

bool IsWholePng(const std::string& path) {
    // The decoder stops after the image data: a file cut inside its end chunk reads as whole.
    static const std::string end("\0\0\0\0IEND\xae\x42\x60\x82", 12);
    const std::string bytes = Slurp(path);
    try {
        ReadPng(path);
    } catch (const std::exception&) {
        return false;
    }
    return bytes.size() > end.size() &&
           bytes.compare(bytes.size() - end.size(), end.size(), end) == 0;
}

TWallPapers::TWallPapers() {
    std::vector<VLMW::TWallPaperEntry> entries;
    for (int i = 0; i < 22; ++i)
        entries.push_back({i, VLMW::PatternPicture(320, 224, 30 + i)});
    full = dir.Write("EYECATCH.ALL", VLMW::WallPaperArchive(entries));
    entries.resize(3);
    for (const auto& e : entries)
        pictures.push_back(e.picture);
    whole = dir.Write("WPALL2.ALL", VLMW::WallPaperArchive(entries));
    ::mkdir(dir.File("cut").c_str(), 0700);
    cut = dir.Write("cut/WPALL2.ALL", VLMW::WallPaperArchive(entries), 2 * 75776 + 40000);
}

TBackGrounds SpacedBackGrounds(const std::vector<std::pair<int, int>>& sizes, uint32_t seed) {
    std::vector<int> byOffset(VLM::BackGroundNameCount);
    for (int i = 0; i < VLM::BackGroundNameCount; ++i)
        byOffset[size_t(i)] = i;
    std::sort(byOffset.begin(), byOffset.end(), [](int a, int b) {
        return VLM::BackGroundNames[a].offset < VLM::BackGroundNames[b].offset;
    });
    TBackGrounds result;
    std::vector<VLMW::TBackGroundRecord> records;
    int64_t free = 0;
    for (int index : byOffset) {
        if (records.size() == sizes.size()) break;
        const int64_t offset = VLM::BackGroundNames[index].offset;
        if (offset < free) continue;
        VLMW::TBackGroundRecord r;
        r.searchFrom = offset;
        const auto [w, h] = sizes[records.size()];
        r.picture = VLMW::PatternPicture(w, h, seed + uint32_t(records.size()));
        free = offset + 96 + int64_t(w) * h + 512 + 16;
        result.indices.push_back(index);
        result.pictures.push_back(r.picture);
        records.push_back(std::move(r));
    }
    result.bytes = VLMW::BackGroundArchive(records);
    return result;
}

VLMW::TCharRecord Character() {
    VLMW::TCharRecord r = VLMW::PatternRecord(24, 16, 10, 20, 0, 70);
    std::fill_n(r.elements[0].pixels.begin(), 24, 0);
    VLMW::AddAlternatives(r, 14, 22, 8, 4, 2, 71);
    r.elements[1].pixels[0] = 0;
    r.elements.push_back(VLMW::PatternElement(8, 8, 30, 26, 73));
    return r;
}

VLMW::TCharRecord ReachingOut() {
    VLMW::TCharRecord r = VLMW::PatternRecord(16, 16, 10, 20, 0, 5);
    r.elements.push_back(VLMW::PatternElement(4, 8, 12, 30, 6)); // rows 10 to 17 of 16
    return r;
}

std::string CharacterArchive(const TTempDir& dir, const std::vector<VLMW::TCharRecord>& records) {
    std::vector<VLMW::TCharPlacement> placements;
    for (size_t i = 0; i < records.size(); ++i)
        placements.push_back({VLM::CharacterNames[i ? 126 : 144].offset, 0, false, records[i]});
    return dir.Write("NCDAT.ALL", VLMW::CharacterArchive(placements));
}

std::string Stem(int index, const VLM::TNameEntry* table) {
    return VLMX::PictureStem(index, table[index].name);
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) return names;
    while (const dirent* e = ::readdir(dir.get())) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace VLMT
