#include "vlmimport.h"

#include "vlmbackground.h"
#include "vlmcharacter.h"
#include "vlmpngread.h"
#include "vlmwallpaper.h"
#include "vlmwrite.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace VLMX {

namespace {

namespace fs = std::filesystem;

using TPalette = std::array<uint16_t, 256>; // screen colours
constexpr size_t PaletteBytes = 512;
constexpr int BackGroundPalettePosition = 16; // 32-bit, from R
constexpr int CharacterPixelArea = 72;        // 32-bit, from R

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string Number(int64_t n) {
    return std::to_string(n);
}

// A colour of an edited file as the archive can hold it: each channel v >> 3.
uint16_t Narrowed(const VLM::TRgb& c) {
    return uint16_t((c.r >> 3) << 10 | (c.g >> 3) << 5 | c.b >> 3);
}

// Screen colour (red in bits 10-14) to the stored form (red in bits 0-4), bit 15 clear.
uint16_t ScreenToArchive(uint16_t s) {
    return uint16_t((s >> 10 & 31) | (s >> 5 & 31) << 5 | (s & 31) << 10);
}

// ---- The folder ----------------------------------------------------------------------------

// The number of an exported name: digits (at most nine), then nothing or "-NAME", then the
// suffix: "012-Cave!Night.png" is 12 with suffix ".png", "012" is 12 with suffix "".
std::optional<int> NumberOf(const std::string& name, const std::string& suffix, bool named) {
    size_t digits = 0;
    while (digits < name.size() && name[digits] >= '0' && name[digits] <= '9')
        ++digits;
    if (digits == 0 || digits > 9 || name.size() < digits + suffix.size()) return std::nullopt;
    if (name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) return std::nullopt;
    const size_t rest = name.size() - suffix.size() - digits;
    if (rest > 0 && (!named || name[digits] != '-')) return std::nullopt;
    return std::stoi(name.substr(0, digits));
}

// Sorted names of the folder's plain files, or of its folders.
std::vector<std::string> Names(const std::string& folder, bool folders) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code kind;
        if (folders ? it->is_directory(kind) : it->is_regular_file(kind))
            names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The files of one picture in the folder.
struct TFiles {
    std::string file;                    // wallpaper, background: NNN-NAME.png
    std::string folder;                  // character: NNN-NAME/
    std::map<int, std::string> elements; // character: element -> NNN-NAME/EE.png
    std::vector<TImportProblem> seconds; // more files for one picture or element
    const std::string& Name() const { return folder.empty() ? file : folder; }
};

std::map<int, TFiles> ScanFolder(bool character, const std::string& folder) {
    std::map<int, TFiles> pictures;
    const auto second = [](TFiles& f, const std::string& path, const std::string& what, int n,
                           const std::string& first) {
        f.seconds.push_back(
            {path, "a second " + what + " " + Number(n) + " (the first is " + first + ")"});
    };
    if (!character) {
        for (const std::string& name : Names(folder, false)) {
            const std::optional<int> n = NumberOf(name, ".png", true);
            if (!n) continue;
            TFiles& f = pictures[*n];
            if (f.file.empty())
                f.file = Join(folder, name);
            else
                second(f, Join(folder, name), "file for picture", *n, f.file);
        }
        return pictures;
    }
    for (const std::string& name : Names(folder, true)) {
        const std::optional<int> n = NumberOf(name, "", true);
        if (!n) continue;
        TFiles& f = pictures[*n];
        const std::string path = Join(folder, name);
        if (!f.folder.empty()) {
            second(f, path, "folder for character", *n, f.folder);
            continue;
        }
        f.folder = path;
        for (const std::string& file : Names(path, false)) {
            const std::optional<int> e = NumberOf(file, ".png", false);
            if (!e) continue;
            auto [at, fresh] = f.elements.emplace(*e, Join(path, file));
            if (!fresh) second(f, Join(path, file), "file for element", *e, at->second);
        }
    }
    return pictures;
}

// ---- The archive's side ----------------------------------------------------------------------

// Stored pixels: a picture in 8 x 8 cells, or a character element in plain rows.
struct TRegion {
    int64_t at = 0;
    int width = 0, height = 0;
    bool cells = false;
    std::vector<uint8_t> pixels; // as the engine read them, rows top-down
};

// A loaded picture and where the archive holds its palette and pixels.
struct TStored {
    int32_t offset = 0;
    TPalette palette{};
    int64_t paletteAt = 0;
    bool paletteWhole = false; // all 512 bytes lie in the file
    uint8_t paletteBytes[PaletteBytes] = {};
    std::vector<TRegion> regions; // the picture, or one a character element
};

TStored StoredOf(VLM::TLayerKind kind, const VLM::TBitmap& picture, VLM::TFile& file) {
    TStored s;
    s.offset = picture.Offset;
    s.palette = picture.Palette;
    const int64_t record = picture.Offset;
    const auto whole = [&] {
        const size_t n = size_t(picture.Width) * size_t(picture.Height);
        return std::vector<uint8_t>(picture.Pixels.get(), picture.Pixels.get() + n);
    };
    if (kind == VLM::TLayerKind::WallPaper) {
        s.paletteAt = record + VLM::TWallPaperBitmap::RecordPalette;
        s.regions.push_back({record + VLM::TWallPaperBitmap::RecordPixels, picture.Width,
                             picture.Height, true, whole()});
    } else if (kind == VLM::TLayerKind::BackGround) {
        file.Seek(record + BackGroundPalettePosition);
        s.paletteAt = record + int32_t(file.ReadU32BE()); // signed, as the engine reads it
        s.regions.push_back({record + VLM::TBackGroundBitmap::RecordPixels, picture.Width,
                             picture.Height, true, whole()});
    } else {
        const auto& ch = static_cast<const VLM::TCharacterBitmap&>(picture);
        file.Seek(record + CharacterPixelArea);
        const int64_t area = record + file.ReadU32BE();
        s.paletteAt = record + VLM::TCharacterBitmap::RecordPalette;
        for (const auto& e : ch.elements) {
            const size_t n = size_t(e->width) * size_t(e->height);
            s.regions.push_back({area + e->dataOffset, e->width, e->height, false,
                                 std::vector<uint8_t>(e->pixels.get(), e->pixels.get() + n)});
        }
    }
    s.paletteWhole = s.paletteAt >= 0 && s.paletteAt <= file.Size() - int64_t(PaletteBytes);
    if (s.paletteWhole) {
        file.Seek(s.paletteAt);
        file.Read(s.paletteBytes, PaletteBytes);
    }
    return s;
}

// Rows of indices in the order the archive stores them.
std::vector<uint8_t> InStoredOrder(const std::vector<uint8_t>& rows, const TRegion& r) {
    if (!r.cells) return rows;
    std::vector<uint8_t> out(rows.size());
    uint8_t* o = out.data();
    for (int band = 0; band * 8 < r.height; ++band)
        for (int q = 0; q * 8 < r.width; ++q)
            for (int y = 0; y < 8; ++y, o += 8)
                std::memcpy(o, rows.data() + size_t(band * 8 + y) * size_t(r.width) + q * 8, 8);
    return out;
}

// The stored palette with its first entries replaced by colours (narrowed).
TPalette Overlaid(const TPalette& stored, const std::vector<VLM::TRgb>& colours) {
    TPalette p = stored;
    for (size_t i = 0; i < colours.size() && i < p.size(); ++i)
        p[i] = Narrowed(colours[i]);
    return p;
}

// An RGB(A) file's pixels as indices of palette: the pixel's present index when its colour
// matches, else the lowest index of that colour. A character's transparent pixels are index
// 0, and an opaque one never is. Returns why not, naming the first colour missing.
std::string MapColours(const TPngPicture& png, const std::vector<uint8_t>& present,
                       const TPalette& palette, bool character, std::vector<uint8_t>& out) {
    std::vector<int16_t> lowest(32768, -1), lowestOpaque(32768, -1);
    for (int i = 255; i >= 0; --i) {
        lowest[palette[size_t(i)] & 0x7FFF] = int16_t(i);
        if (i > 0) lowestOpaque[palette[size_t(i)] & 0x7FFF] = int16_t(i);
    }
    out.assign(present.size(), 0);
    size_t missing = 0, first = 0;
    for (size_t p = 0; p < present.size(); ++p) {
        const uint8_t* px = png.pixels.data() + 4 * p;
        if (character && px[3] == 0) continue; // index 0
        const uint16_t c = Narrowed({px[0], px[1], px[2]});
        const uint8_t now = present[p];
        if (palette[now] == c && !(character && now == 0)) {
            out[p] = now;
            continue;
        }
        const int16_t i = character ? lowestOpaque[c] : lowest[c];
        if (i >= 0) {
            out[p] = uint8_t(i);
        } else if (missing++ == 0) {
            first = p;
        }
    }
    if (missing == 0) return {};
    const uint8_t* px = png.pixels.data() + 4 * first;
    char colour[8];
    std::snprintf(colour, sizeof colour, "#%02x%02x%02x", px[0], px[1], px[2]);
    return Number(int64_t(missing)) +
           (missing == 1 ? " pixel has a colour" : " pixels have colours") +
           " the picture's palette does not hold" +
           (character ? " (index 0 is only for alpha 0)" : "") + "; the first is " + colour +
           " at (" + Number(int64_t(first % size_t(png.width))) + ", " +
           Number(int64_t(first / size_t(png.width))) + ")";
}

// ---- The plan --------------------------------------------------------------------------------

class TPlanner {
public:
    TPlanner(VLM::TLayerKind kind, const std::string& archive, TImportPlan& plan)
        : kind(kind), character(kind == VLM::TLayerKind::Character), plan(plan),
          picture(VLM::NewPicture(kind, archive)), file(archive) {}

    int Count() { return picture->GetCount(); }

    // A picture's files from the export folder.
    void FromFiles(int index, const TFiles& files) {
        TStored s;
        std::vector<std::string> names; // each stored region's file; empty: none
        std::vector<TPngPicture> pngs;
        TPalette palette;
        std::vector<std::vector<uint8_t>> pixels;
        if (Load(index, files.Name(), s) && ReadFiles(index, files, s, names, pngs) &&
            PaletteOf(s, names, pngs, palette) && PixelsOf(s, names, pngs, palette, pixels))
            Commit(index, files.Name(), s, palette, pixels, names);
    }

    // A palette from a palette file; the pixels stay.
    void FromPalette(int index, const std::vector<VLM::TRgb>& colours, const std::string& name) {
        TStored s;
        if (!Load(index, name, s)) return;
        std::vector<std::vector<uint8_t>> pixels;
        for (const TRegion& r : s.regions)
            pixels.push_back(r.pixels);
        Commit(index, name, s, Overlaid(s.palette, colours), pixels,
               std::vector<std::string>(s.regions.size()));
    }

    void Refuse(const std::string& file, const std::string& reason) {
        plan.refusals.push_back({file, reason});
    }

private:
    // Each stored region's file (names) and what it holds; false when any file is refused.
    bool ReadFiles(int index, const TFiles& files, const TStored& s,
                   std::vector<std::string>& names, std::vector<TPngPicture>& pngs) {
        names.assign(s.regions.size(), {});
        if (!character) names[0] = files.file;
        bool ok = true;
        for (const auto& [e, path] : files.elements) {
            if (size_t(e) < names.size()) {
                names[size_t(e)] = path;
            } else {
                Refuse(path, "character " + Number(index) + " has no element " + Number(e));
                ok = false;
            }
        }
        pngs.resize(s.regions.size());
        for (size_t r = 0; r < s.regions.size(); ++r) {
            if (names[r].empty()) continue;
            TPngRead read = ReadPngFile(names[r], s.regions[r].width, s.regions[r].height);
            if (read.Ok()) {
                pngs[r] = std::move(read.picture);
            } else {
                Refuse(names[r], read.reason);
                ok = false;
            }
        }
        return ok;
    }

    // The palette the palette PNGs give, over the stored one; a character's elements share it,
    // so their files must agree.
    bool PaletteOf(const TStored& s, const std::vector<std::string>& names,
                   const std::vector<TPngPicture>& pngs, TPalette& palette) {
        palette = s.palette;
        std::string from;
        for (size_t r = 0; r < s.regions.size(); ++r) {
            if (names[r].empty() || pngs[r].kind != TPngPicture::TKind::Indexed) continue;
            const TPalette mine = Overlaid(s.palette, pngs[r].palette);
            if (from.empty()) {
                palette = mine;
                from = names[r];
            } else if (mine != palette) {
                Refuse(names[r], "its palette differs from that of " + from +
                                     "; the elements of a character share one palette");
                return false;
            }
        }
        return true;
    }

    // Each region's new indices: a palette PNG's as they are, an RGB(A) file's mapped onto
    // palette, the stored ones where no file is given.
    bool PixelsOf(const TStored& s, const std::vector<std::string>& names,
                  std::vector<TPngPicture>& pngs, const TPalette& palette,
                  std::vector<std::vector<uint8_t>>& pixels) {
        pixels.assign(s.regions.size(), {});
        bool ok = true;
        for (size_t r = 0; r < s.regions.size(); ++r) {
            if (names[r].empty()) {
                pixels[r] = s.regions[r].pixels;
            } else if (pngs[r].kind == TPngPicture::TKind::Indexed) {
                pixels[r] = std::move(pngs[r].pixels);
            } else {
                const std::string why =
                    MapColours(pngs[r], s.regions[r].pixels, palette, character, pixels[r]);
                if (!why.empty()) {
                    Refuse(names[r], why);
                    ok = false;
                }
            }
        }
        return ok;
    }

    bool Load(int index, const std::string& name, TStored& s) {
        if (!picture->Select(index)) {
            Refuse(name, "picture " + Number(index) +
                             " cannot be read from the archive: " + picture->LoadError.Text());
            return false;
        }
        try {
            s = StoredOf(kind, *picture, file);
        } catch (const VLM::EReadError& e) {
            Refuse(name, "picture " + Number(index) +
                             " cannot be read from the archive: " + e.Reason().Text());
            return false;
        }
        return true;
    }

    // Plans the new bytes of a picture that changed: the palette when it did (changed entries
    // keep the stored bit 15, the others their two bytes), and the pixels of every file given
    // (a character's element files all, so that files that share stored bytes are compared).
    void Commit(int index, const std::string& name, const TStored& s, const TPalette& palette,
                const std::vector<std::vector<uint8_t>>& pixels,
                const std::vector<std::string>& regionFiles) {
        bool changed = palette != s.palette;
        for (size_t r = 0; r < s.regions.size(); ++r)
            changed = changed || pixels[r] != s.regions[r].pixels;
        if (!changed) return;
        if (palette != s.palette) {
            if (!s.paletteWhole) {
                Refuse(name, "the archive does not hold all of picture " + Number(index) +
                                 "'s palette, so it cannot change");
                return;
            }
            TPatch patch{s.paletteAt,
                         std::vector<uint8_t>(s.paletteBytes, s.paletteBytes + PaletteBytes), name};
            for (size_t e = 0; e < palette.size(); ++e) {
                if (palette[e] == s.palette[e]) continue;
                const uint16_t v =
                    uint16_t((s.paletteBytes[2 * e] & 0x80) << 8) | ScreenToArchive(palette[e]);
                patch.bytes[2 * e] = uint8_t(v >> 8);
                patch.bytes[2 * e + 1] = uint8_t(v);
            }
            plan.patches.push_back(std::move(patch));
        }
        for (size_t r = 0; r < s.regions.size(); ++r)
            if (!regionFiles[r].empty() && (character || pixels[r] != s.regions[r].pixels))
                plan.patches.push_back(
                    {s.regions[r].at, InStoredOrder(pixels[r], s.regions[r]), regionFiles[r]});
        plan.expected.push_back({index, name, s.offset, palette, pixels});
        plan.replaced.push_back(index);
    }

    const VLM::TLayerKind kind;
    const bool character;
    TImportPlan& plan;
    std::unique_ptr<VLM::TBitmap> picture; // the pictures as the archive holds them now
    VLM::TFile file;                       // the record fields the engine keeps no copy of
};

// Two files that would write different bytes into one place: the archive can hold only one.
void RefuseClashes(TImportPlan& plan) {
    std::vector<const TPatch*> order;
    for (const TPatch& p : plan.patches)
        order.push_back(&p);
    std::stable_sort(order.begin(), order.end(),
                     [](const TPatch* a, const TPatch* b) { return a->at < b->at; });
    for (size_t i = 0; i < order.size(); ++i) {
        const TPatch& a = *order[i];
        const int64_t aEnd = a.at + int64_t(a.bytes.size());
        for (size_t j = i + 1; j < order.size() && order[j]->at < aEnd; ++j) {
            const TPatch& b = *order[j];
            const int64_t end = std::min(aEnd, b.at + int64_t(b.bytes.size()));
            for (int64_t at = b.at; at < end; ++at) {
                if (a.bytes[size_t(at - a.at)] == b.bytes[size_t(at - b.at)]) continue;
                plan.refusals.push_back(
                    {b.file, "it and " + a.file +
                                 " would write different values into the same stored bytes "
                                 "(from byte " +
                                 Number(at) + " of the archive)"});
                break;
            }
        }
    }
}

// The pictures of the folder (or those of options.pictures) that the archive has.
void FromFolder(TPlanner& planner, bool character, const TImportOptions& options) {
    const std::map<int, TFiles> files = ScanFolder(character, options.folder);
    std::vector<int> wanted;
    for (const auto& [n, f] : files)
        if (!character || !f.elements.empty()) wanted.push_back(n);
    if (options.pictures) {
        for (int n : *options.pictures)
            if (std::find(wanted.begin(), wanted.end(), n) == wanted.end())
                planner.Refuse(options.folder,
                               "holds no " + std::string(character ? "element files" : "file") +
                                   " for picture " + Number(n));
        wanted = *options.pictures;
    } else if (wanted.empty()) {
        planner.Refuse(options.folder,
                       character ? "holds no element files (NNN-NAME/EE.png, as export "
                                   "--elements writes them)"
                                 : "holds no picture files (NNN-NAME.png, as export writes them)");
    }
    const int count = planner.Count();
    for (int n : wanted) {
        const auto it = files.find(n);
        if (it == files.end()) continue;
        const TFiles& f = it->second;
        for (const TImportProblem& p : f.seconds)
            planner.Refuse(p.file, p.reason);
        if (n >= count)
            planner.Refuse(f.Name(), "the archive has no picture " + Number(n) +
                                         " (it holds 0 to " + Number(count - 1) + ")");
        else if (f.seconds.empty())
            planner.FromFiles(n, f);
    }
}

// ---- Writing ---------------------------------------------------------------------------------

std::atomic<unsigned> folderCount{0};

bool WriteAll(int fd, const uint8_t* data, size_t size, int64_t at) {
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size, at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        data += n, at += n, size -= size_t(n);
    }
    return true;
}

// Copies from to the new file to, then writes the patches over it; 0 or errno.
int CopyPatched(const std::string& from, const std::string& to,
                const std::vector<TPatch>& patches) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return errno;
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return error;
    }
    std::vector<uint8_t> buffer(size_t(1) << 20);
    int error = 0;
    for (int64_t at = 0; error == 0;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) error = errno;
        if (n <= 0) break;
        if (!WriteAll(out, buffer.data(), size_t(n), at)) error = errno;
        at += n;
    }
    for (const TPatch& p : patches)
        if (error == 0 && !WriteAll(out, p.bytes.data(), p.bytes.size(), p.at)) error = errno;
    ::close(in);
    // close() reports what a network or quota-limited file system held back until now.
    if (::close(out) != 0 && error == 0) error = errno;
    return error;
}

// Why picture e does not read back from the new archive as planned; empty when it does.
std::string ReadBackProblem(VLM::TBitmap& picture, const TExpected& e) {
    if (!picture.Select(e.index)) return picture.LoadError.Text();
    if (picture.Offset != e.offset)
        return "it would be found at byte " + Number(picture.Offset) + " instead of " +
               Number(e.offset);
    if (picture.Palette != e.palette) return "its palette reads back otherwise";
    if (auto* ch = dynamic_cast<VLM::TCharacterBitmap*>(&picture)) {
        if (size_t(ch->Elems) != e.pixels.size()) return "its element count reads back otherwise";
        for (size_t i = 0; i < e.pixels.size(); ++i) {
            const auto& elem = *ch->elements[i];
            if (size_t(elem.width) * size_t(elem.height) != e.pixels[i].size() ||
                !std::equal(e.pixels[i].begin(), e.pixels[i].end(), elem.pixels.get()))
                return "element " + Number(int64_t(i)) + " reads back otherwise";
        }
        return {};
    }
    if (size_t(picture.Width) * size_t(picture.Height) != e.pixels[0].size() ||
        !std::equal(e.pixels[0].begin(), e.pixels[0].end(), picture.Pixels.get()))
        return "its pixels read back otherwise";
    return {};
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

TImportPlan PlanImport(VLM::TLayerKind kind, const std::string& archive,
                       const TImportOptions& options) {
    TImportPlan plan;
    plan.kind = kind;
    plan.archive = archive;
    std::optional<TPlanner> planner;
    try {
        planner.emplace(kind, archive, plan);
    } catch (const VLM::EReadError& e) {
        plan.refusals.push_back({archive, "cannot be read: " + e.Reason().Text()});
        return plan;
    }
    if (options.palette.empty()) {
        FromFolder(*planner, kind == VLM::TLayerKind::Character, options);
    } else {
        for (int index : options.pictures.value_or(std::vector<int>{}))
            planner->FromPalette(index, options.palette, options.paletteFile);
    }
    RefuseClashes(plan);
    std::sort(plan.replaced.begin(), plan.replaced.end());
    return plan;
}

std::string TImportResult::Text() const {
    switch (status) {
    case SameFile:
        return "is the archive itself; the import never writes over it";
    case Exists:
        return "exists";
    case Failed:
        return std::strerror(error);
    case Written:
    case Refused:
        break;
    }
    return {};
}

TImportResult CheckOutput(const std::string& archive, const std::string& out, bool overwrite) {
    struct stat o {
    }, a{};
    if (::stat(out.c_str(), &o) != 0) return {};
    if (::stat(archive.c_str(), &a) == 0 && o.st_dev == a.st_dev && o.st_ino == a.st_ino)
        return {TImportResult::SameFile, 0, {}};
    if (S_ISDIR(o.st_mode)) return {TImportResult::Failed, EISDIR, {}};
    if (!overwrite) return {TImportResult::Exists, EEXIST, {}};
    return {};
}

TImportResult WriteImport(const TImportPlan& plan, const std::string& out, bool overwrite) {
    TImportResult result = CheckOutput(plan.archive, out, overwrite);
    if (result.status != TImportResult::Written) return result;
    // The copy is made under the archive's own name, which is how the engine knows its kind,
    // in a private folder beside out, from which one rename puts it into place.
    std::string folder;
    for (int attempt = 0;; ++attempt) {
        folder = Join(FolderOf(out), ".velmora-import-" + Number(::getpid()) + "-" +
                                         Number(folderCount.fetch_add(1)));
        if (::mkdir(folder.c_str(), 0700) == 0) break;
        if (errno != EEXIST || attempt == 100) return {TImportResult::Failed, errno, {}};
    }
    const std::string copy = Join(folder, VLM::FileNamePart(plan.archive));
    const auto cleanUp = [&] {
        ::unlink(copy.c_str());
        ::rmdir(folder.c_str());
    };
    if (const int error = CopyPatched(plan.archive, copy, plan.patches)) {
        cleanUp();
        return {TImportResult::Failed, error, {}};
    }
    const auto picture = VLM::NewPicture(plan.kind, copy);
    for (const TExpected& e : plan.expected) {
        const std::string why = ReadBackProblem(*picture, e);
        if (!why.empty())
            result.refusals.push_back({e.file, "picture " + Number(e.index) +
                                                   " would no longer be found at its place in "
                                                   "the new archive: " +
                                                   why});
    }
    if (!result.refusals.empty()) {
        cleanUp();
        result.status = TImportResult::Refused;
        return result;
    }
    if (const int error = RenameInto(copy, out, overwrite)) {
        cleanUp();
        return {error == EEXIST ? TImportResult::Exists : TImportResult::Failed, error, {}};
    }
    ::rmdir(folder.c_str());
    return result;
}

} // namespace VLMX
