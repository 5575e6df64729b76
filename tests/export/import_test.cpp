// Importing edited pictures: the round trip on every demo archive, the palette rules, and every
// refusal, with the original archive's bytes and time stamp left as they were.
#include "clirun.h"
#include "exportsupport.h"
#include "vlmexport.h"
#include "vlmnaming.h"
#include "vlmpalette.h"
#include "vlmpng.h"

#include <gtest/gtest.h>
#include <spng.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numeric>
#include <sys/stat.h>

using VLM::TLayerKind;
using VLM::TRgb;
using VLMT::Slurp;

namespace {

struct TRun {
    int status = -1;
    std::string err;
};

// velmora-cli in this process, its messages kept.
TRun Cli(const std::vector<std::string>& args) {
    std::unique_ptr<FILE, int (*)(FILE*)> out(std::tmpfile(), std::fclose);
    std::unique_ptr<FILE, int (*)(FILE*)> err(std::tmpfile(), std::fclose);
    VLMC::TConsole console;
    console.out = out.get();
    console.err = err.get();
    TRun run{VLMC::Run(args, console), {}};
    std::rewind(err.get());
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, err.get())) > 0;)
        run.err.append(buffer, n);
    return run;
}

void Save(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}
void Save(const std::string& path, const std::vector<uint8_t>& bytes) {
    Save(path, std::string(bytes.begin(), bytes.end()));
}

// A PNG of samples as given (any colour type and depth libspng writes).
std::vector<uint8_t> Png(int w, int h, int colourType, int depth, std::vector<uint8_t> samples,
                         const std::vector<TRgb>& plte = {}) {
    std::unique_ptr<spng_ctx, void (*)(spng_ctx*)> ctx(spng_ctx_new(SPNG_CTX_ENCODER),
                                                       spng_ctx_free);
    spng_set_option(ctx.get(), SPNG_ENCODE_TO_BUFFER, 1);
    spng_ihdr ihdr{uint32_t(w), uint32_t(h), uint8_t(depth), uint8_t(colourType), 0, 0, 0};
    spng_set_ihdr(ctx.get(), &ihdr);
    spng_plte p{};
    p.n_entries = uint32_t(plte.size());
    for (size_t i = 0; i < plte.size(); ++i)
        p.entries[i] = {plte[i].r, plte[i].g, plte[i].b, 255};
    if (!plte.empty()) spng_set_plte(ctx.get(), &p);
    EXPECT_EQ(spng_encode_image(ctx.get(), samples.data(), samples.size(), SPNG_FMT_PNG,
                                SPNG_ENCODE_FINALIZE),
              0);
    size_t size = 0;
    int error = 0;
    auto* bytes = static_cast<uint8_t*>(spng_get_png_buffer(ctx.get(), &size, &error));
    std::vector<uint8_t> png(bytes, bytes + size);
    std::free(bytes);
    return png;
}

// An exported palette PNG as an image that EncodePng writes back the way export does.
VLMX::TImage Image(const std::string& path) {
    const VLMT::TPng png = VLMT::ReadPng(path);
    VLMX::TImage image = VLMX::TImage::Indexed(png.width, png.height);
    image.pixels = png.samples;
    std::copy(png.palette.begin(), png.palette.end(), image.palette.begin());
    image.transparentZero = !png.alpha.empty();
    return image;
}

// The same picture flattened to RGBA, as an editor that drops the palette saves it.
std::vector<uint8_t> Flattened(const VLMX::TImage& image) {
    std::vector<uint8_t> rgba;
    for (uint8_t i : image.pixels) {
        const TRgb c = image.palette[i];
        rgba.insert(rgba.end(),
                    {c.r, c.g, c.b, uint8_t(i == 0 && image.transparentZero ? 0 : 255)});
    }
    return rgba;
}

// A small archive of one kind, exported (characters with their elements) into DIR/in.
//   backgrounds 290 (16 x 16, at 0) and 291 (24 x 8): palette entry 7 repeats entry 3, entries
//     2 and 9 carry bit 15, pixel (0, 0) is 7 and (1, 0) is 1
//   wallpapers 0 and 1 of WPALL2.ALL
//   character 144: a 16 x 16 base, alternatives 1 and 2, element 3 on element 1's stored
//     pixels; palette entry 5 repeats entry 0
struct TCase {
    VLMT::TTempDir dir;
    TLayerKind kind;
    std::string archive, folder = dir.File("in"), out; // out: DIR/out/ARCHIVE
    std::vector<int> pictures;

    explicit TCase(TLayerKind k) : kind(k) {
        if (kind == TLayerKind::BackGround) {
            VLMW::TBackGroundRecord a, b;
            a.picture = VLMW::PatternPicture(16, 16, 3);
            a.picture.palette[7] = a.picture.palette[3];
            a.picture.palette[2] |= 0x8000;
            a.picture.palette[9] |= 0x8000;
            a.picture.At(0, 0) = 7;
            a.picture.At(1, 0) = 1;
            b.searchFrom = VLM::BackGroundNames[291].offset;
            b.picture = VLMW::PatternPicture(24, 8, 4);
            archive = dir.Write("NBGFILE1.ALL", VLMW::BackGroundArchive({a, b}));
            pictures = {290, 291};
        } else if (kind == TLayerKind::WallPaper) {
            archive = dir.Write("WPALL2.ALL",
                                VLMW::WallPaperArchive({{0, VLMW::PatternPicture(320, 224, 1)},
                                                        {1, VLMW::PatternPicture(320, 224, 2)}}));
            pictures = {0, 1};
        } else {
            VLMW::TCharRecord r = VLMW::PatternRecord(16, 16, 0, 0, 0, 9);
            r.palette[5] = r.palette[0];
            VLMW::AddAlternatives(r, 4, 4, 8, 8, 2, 10);
            const VLMW::TCharElement shared = r.elements[1];
            r.elements.push_back(shared);
            r.elements[3].dataOffset = VLMW::CharDataOffsets(r)[1];
            archive = VLMT::CharacterArchive(dir, {r});
            pictures = {144};
        }
        ::mkdir(dir.File("out").c_str(), 0700);
        out = dir.File("out/" + VLM::FileNamePart(archive));
        VLMX::TExportOptions options;
        options.elements = true;
        ::mkdir(folder.c_str(), 0700);
        EXPECT_TRUE(
            VLMX::ExportPictures(kind, archive, pictures, folder, options).failures.empty());
    }
    std::string Stem(int picture) const { // DIR/NNN-NAME
        return folder + "/" +
               VLMX::PictureStem(picture, VLM::NewPicture(kind, archive)->GetName(picture));
    }
    std::string File(int picture) const { return Stem(picture) + ".png"; }
    std::string Element(int element) const {
        return Stem(pictures[0]) + "/" + VLMX::ElementFileName(element);
    }
    std::vector<std::string> Import() const {
        return {"import", archive, "--from", folder, "--out", out};
    }
};

timespec ModifiedAt(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mtim;
}

// The picture as the engine reads it from path.
std::unique_ptr<VLM::TBitmap> Load(TLayerKind kind, const std::string& path, int index) {
    auto picture = VLM::NewPicture(kind, path);
    EXPECT_TRUE(picture->Select(index)) << path << " " << index;
    return picture;
}

std::string Demo(const VLMT::TTempDir& dir) {
    const std::string folder = dir.File("demo");
    EXPECT_EQ(std::system((std::string(VLM_MKDEMO) + " " + folder + " >/dev/null").c_str()), 0);
    return folder;
}

} // namespace

// Every demo archive: an unchanged folder gives the archive byte for byte; one picture edited
// (pixels and a palette entry) changes only that picture's bytes, and a fresh export of the new
// archive gives back the edited folder, file for file.
TEST(ImportRoundTrip, EveryDemoArchiveComesBackWholeAndOneEditedPictureAlone) {
    const VLMT::TTempDir dir;
    const std::string demo = Demo(dir);
    const struct {
        const char* archive;
        int picture;
        const char* element; // characters: the edited element file
    } cases[] = {{"EYECATCH.ALL", 3, ""}, {"WPALL1.ALL", 30, ""},  {"WPALL2.ALL", 0, ""},
                 {"WPALL3.ALL", 33, ""},  {"NBGFILE1.ALL", 7, ""}, {"NCDAT.ALL", 5, "/01.png"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.archive);
        const std::string archive = demo + "/" + c.archive, before = Slurp(archive);
        const timespec modified = ModifiedAt(archive);
        const TLayerKind kind = *VLM::LayerKindOf(archive);
        const int count = VLM::NewPicture(kind, archive)->GetCount();
        std::vector<int> all(static_cast<size_t>(count));
        std::iota(all.begin(), all.end(), 0);
        VLMX::TExportOptions options;
        options.elements = true;
        const auto exportTo = [&](const std::string& from, const std::string& folder) {
            ::mkdir(folder.c_str(), 0700);
            VLMX::ExportPictures(kind, from, all, folder, options);
        };
        const std::string in = dir.File(std::string("in-") + c.archive);
        exportTo(archive, in);
        // Written under the archive's name, which tells the engine its kind.
        const auto output = [&](const std::string& folder) {
            ::mkdir(dir.File(folder).c_str(), 0700);
            return dir.File(folder + "/" + c.archive);
        };
        const std::string same = output("same");
        const TRun run = Cli({"import", archive, "--from", in, "--out", same});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_TRUE(Slurp(same) == before);

        const std::string stem =
            VLMX::PictureStem(c.picture, VLM::NewPicture(kind, archive)->GetName(c.picture));
        // Two pixels of one file, and one palette entry in every file of the picture (the
        // elements of a character share their palette).
        std::vector<std::string> files = {in + "/" + stem + ".png"};
        if (*c.element) {
            files.clear();
            for (const std::string& e : VLMT::FilesIn(in + "/" + stem))
                if (e != "elements.json") files.push_back(in + "/" + stem + "/" + e);
        }
        for (const std::string& file : files) {
            VLMX::TImage image = Image(file);
            if (file == in + "/" + stem + (*c.element ? c.element : ".png"))
                image.pixels[0] = image.pixels[1] = 200;
            image.palette[200] = {0, 255, 132}; // a widened colour: 0, 31, 16
            Save(file, VLMX::EncodePng(image));
        }
        const std::string out = output("out");
        const TRun edited = Cli({"import", archive, "--from", in, "--out", out});
        ASSERT_EQ(edited.status, 0) << edited.err;
        EXPECT_TRUE(Slurp(archive) == before);
        EXPECT_EQ(ModifiedAt(archive).tv_nsec, modified.tv_nsec);
        const std::string after = Slurp(out);
        ASSERT_EQ(after.size(), before.size());
        size_t differing = 0;
        for (size_t i = 0; i < after.size(); ++i)
            differing += after[i] != before[i];
        EXPECT_GE(differing, 1u);
        EXPECT_LE(differing, 4u); // two pixels and one palette entry (2 bytes) at most

        const std::string again = dir.File(std::string("again-") + c.archive);
        exportTo(out, again);
        const auto tree = [](const std::string& folder) { // every file below, by relative path
            std::vector<std::string> paths;
            for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
                if (e.is_regular_file()) paths.push_back(e.path().string().substr(folder.size()));
            std::sort(paths.begin(), paths.end());
            return paths;
        };
        ASSERT_EQ(tree(again), tree(in));
        // A character's composed picture is not read back: its colours may follow the edit.
        for (const std::string& path : tree(in)) {
            if (*c.element && path == "/" + stem + ".png") continue;
            EXPECT_TRUE(Slurp(in + path) == Slurp(again + path)) << path;
        }
    }
}

// How a picture file's palette and colours become stored bytes, one rule a row.
TEST(ImportPalette, EachRuleOfPaletteAndColourHolds) {
    const struct {
        const char* rule;
        TLayerKind kind;
        std::function<void(const TCase&)> edit;
        std::function<void(const TCase&, const std::string& before, const std::string& after)>
            check;
        std::vector<std::string> args; // instead of --from DIR
    } rows[] = {
        {"a changed entry takes the new colour and keeps the stored bit 15",
         TLayerKind::BackGround,
         [](const TCase& c) {
             VLMX::TImage image = Image(c.File(290));
             image.palette[2] = {255, 0, 0};
             Save(c.File(290), VLMX::EncodePng(image));
         },
         [](const TCase&, const std::string&, const std::string& after) {
             // Palette at R + 96 + 16 x 16; red in bits 0-4 of the stored colour.
             EXPECT_EQ(after.substr(352 + 4, 2), std::string("\x80\x1F", 2));
         },
         {}},
        {"an entry whose colour stays keeps its two bytes",
         TLayerKind::BackGround,
         [](const TCase& c) {
             VLMX::TImage image = Image(c.File(290));
             TRgb& e = image.palette[9];
             e = {uint8_t(e.r & ~7), uint8_t(e.g | 7), e.b}; // narrows to the same colour
             image.pixels[5] = 9;
             Save(c.File(290), VLMX::EncodePng(image));
         },
         [](const TCase&, const std::string& before, const std::string& after) {
             EXPECT_EQ(after.substr(352 + 18, 2), before.substr(352 + 18, 2));
             EXPECT_EQ(uint8_t(after[352 + 18]) & 0x80, 0x80);
             EXPECT_EQ(after[96 + 5], 9);
         },
         {}},
        {"entries past a short PLTE keep the archive's colour",
         TLayerKind::BackGround,
         [](const TCase& c) {
             std::vector<uint8_t> indices(256);
             for (size_t i = 0; i < indices.size(); ++i)
                 indices[i] = uint8_t(i % 4);
             Save(c.File(290),
                  Png(16, 16, 3, 8, indices, {{0, 0, 0}, {8, 8, 8}, {255, 255, 255}, {0, 0, 255}}));
         },
         [](const TCase& c, const std::string&, const std::string&) {
             const auto old = Load(c.kind, c.archive, 290), now = Load(c.kind, c.out, 290);
             EXPECT_EQ(now->Palette[1], 0x0421);
             EXPECT_EQ(now->Palette[3], 0x001F);
             EXPECT_TRUE(std::equal(now->Palette.begin() + 4, now->Palette.end(),
                                    old->Palette.begin() + 4));
             EXPECT_EQ(now->Row(0)[5], 1);
         },
         {}},
        {"an RGB pixel keeps its index when the colour matches, else takes the lowest",
         TLayerKind::BackGround,
         [](const TCase& c) {
             VLMX::TImage image = Image(c.File(290));
             image.pixels[1] = 7; // pixel (1, 0) takes the colour of entries 3 and 7
             Save(c.File(290), Png(16, 16, 6, 8, Flattened(image)));
         },
         [](const TCase& c, const std::string&, const std::string&) {
             const auto now = Load(c.kind, c.out, 290);
             EXPECT_EQ(now->Row(0)[0], 7);
             EXPECT_EQ(now->Row(0)[1], 3);
         },
         {}},
        {"a character's alpha 0 is index 0, and an opaque pixel never is",
         TLayerKind::Character,
         [](const TCase& c) {
             VLMX::TImage image = Image(c.Element(2));
             image.pixels[0] = 0;
             image.transparentZero = true;
             std::vector<uint8_t> rgba = Flattened(image);
             const TRgb zero = image.palette[0]; // entry 5 has the same colour
             std::copy_n(std::vector<uint8_t>{zero.r, zero.g, zero.b, 255}.begin(), 4,
                         rgba.begin() + 4);
             Save(c.Element(2), Png(8, 8, 6, 8, rgba));
         },
         [](const TCase& c, const std::string&, const std::string&) {
             const auto now = Load(c.kind, c.out, 144);
             const auto& e = *static_cast<VLM::TCharacterBitmap&>(*now).elements[2];
             EXPECT_EQ(e.pixels[0], 0);
             EXPECT_EQ(e.pixels[1], 5);
         },
         {}},
        {"--palette replaces the palettes of the pictures listed; the pixels stay",
         TLayerKind::BackGround,
         [](const TCase& c) {
             ASSERT_EQ(Cli({"palette", c.archive, "--picture", "290", "--format", "act", "--out",
                            c.dir.File("p.act")})
                           .status,
                       0);
             std::string act = Slurp(c.dir.File("p.act"));
             ASSERT_EQ(act.size(), 768u);
             act.replace(4 * 3, 3, "\xFF\x00\x00", 3);
             Save(c.dir.File("p.act"), act);
         },
         [](const TCase& c, const std::string& before, const std::string& after) {
             const auto now = Load(c.kind, c.out, 290), old = Load(c.kind, c.archive, 290);
             EXPECT_EQ(now->Palette[4], 0x7C00);
             EXPECT_EQ(std::vector<uint8_t>(now->Pixels.get(), now->Pixels.get() + 256),
                       std::vector<uint8_t>(old->Pixels.get(), old->Pixels.get() + 256));
             EXPECT_TRUE(after.substr(4096) == before.substr(4096)); // picture 291 as it was
         },
         {"--palette", "p.act", "--pictures", "290"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        const TCase c(row.kind);
        row.edit(c);
        std::vector<std::string> args = {"import", c.archive, "--out", c.out};
        if (row.args.empty()) args.insert(args.end(), {"--from", c.folder});
        for (const std::string& a : row.args)
            args.push_back(a == "p.act" ? c.dir.File(a) : a);
        const std::string before = Slurp(c.archive);
        const TRun run = Cli(args);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.err.find("replaced 1 picture"), std::string::npos) << run.err;
        row.check(c, before, Slurp(c.out));
    }
}

// The three palette files hold picture I's 256 colours widened as export widens them, and read
// back as the same colours.
TEST(ImportPalette, PaletteFilesHoldTheWidenedColoursInIndexOrder) {
    const TCase c(TLayerKind::BackGround);
    const auto picture = Load(c.kind, c.archive, 291);
    for (const char* format : {"gpl", "pal", "act"}) {
        const std::string file = c.dir.File(std::string("p.") + format);
        ASSERT_EQ(Cli({"palette", c.archive, "--picture", "291", "--format", format, "--out", file})
                      .status,
                  0);
        const VLMX::TPaletteRead read = VLMX::ParsePaletteFile(Slurp(file));
        ASSERT_TRUE(read.Ok()) << read.reason;
        ASSERT_EQ(read.colours.size(), 256u) << format;
        for (size_t i = 0; i < 256; ++i)
            ASSERT_EQ(read.colours[i], VLM::ScreenToRgb(picture->Palette[i])) << format << i;
        EXPECT_EQ(Cli({"palette", c.archive, "--picture", "291", "--format", format, "--out", file})
                      .status,
                  2);
    }
    EXPECT_EQ(Slurp(c.dir.File("p.gpl")).substr(0, 13), "GIMP Palette\n");
    EXPECT_EQ(Slurp(c.dir.File("p.pal")).substr(0, 21), "JASC-PAL\r\n0100\r\n256\r\n");
}

// Every refusal: its exit status and its message, no NEW.ALL, and the archive as it was.
TEST(ImportRefusals, EachRefusalIsNamedAndNothingIsWritten) {
    const auto foreign = [](const VLMX::TImage& image) { // a colour no entry of the palette has
        TRgb c;
        for (unsigned red = 0; red < 32; ++red)
            if (c = {VLM::Widen5(red), 0, 0};
                std::count(image.palette.begin(), image.palette.end(), c) == 0)
                break;
        return c;
    };
    const struct {
        const char* name;
        TLayerKind kind;
        std::function<void(const TCase&)> edit;
        std::function<std::vector<std::string>(const TCase&)> args; // none: the plain import
        int status;
        std::string message;
    } rows[] = {
        {"not a PNG",
         TLayerKind::BackGround,
         [](const TCase& c) { Save(c.File(290), std::string("GIF89a")); },
         {},
         1,
         ".png: not a PNG file"},
        {"cut short",
         TLayerKind::BackGround,
         [](const TCase& c) { Save(c.File(290), Slurp(c.File(290)).substr(0, 200)); },
         {},
         1,
         "cut short"},
        {"wrong size",
         TLayerKind::BackGround,
         [](const TCase& c) {
             Save(c.File(291), Png(8, 8, 3, 8, std::vector<uint8_t>(64), {{1, 2, 3}}));
         },
         {},
         1,
         "is 8 x 8 pixels; it must be 24 x 8, the stored size"},
        {"16-bit",
         TLayerKind::BackGround,
         [](const TCase& c) { Save(c.File(290), Png(16, 16, 0, 16, std::vector<uint8_t>(512))); },
         {},
         1,
         "16-bit samples cannot be mapped to the palette"},
        {"grey with alpha",
         TLayerKind::BackGround,
         [](const TCase& c) { Save(c.File(290), Png(16, 16, 4, 8, std::vector<uint8_t>(512))); },
         {},
         1,
         "grey with alpha cannot be mapped to the palette"},
        {"300 palette entries",
         TLayerKind::BackGround,
         [](const TCase& c) {
             std::string png = Slurp(c.File(290));
             const size_t plte = png.find("PLTE") - 4; // length, type, 768 bytes, CRC
             png.replace(plte, 12 + 768,
                         std::string("\x00\x00\x03\x84PLTE", 8) + std::string(900 + 4, '\x10'));
             Save(c.File(290), png);
         },
         {},
         1,
         "has 300 palette entries; a picture has at most 256"},
        {"two files for one number",
         TLayerKind::BackGround,
         [](const TCase& c) { Save(c.folder + "/290-copy.png", Slurp(c.File(290))); },
         {},
         1,
         "a second file for picture 290"},
        {"a number the archive lacks",
         TLayerKind::BackGround,
         [](const TCase& c) { Save(c.folder + "/500-x.png", Slurp(c.File(290))); },
         {},
         1,
         "500-x.png: the archive has no picture 500 (it holds 0 to 499)"},
        {"a colour not in the palette",
         TLayerKind::BackGround,
         [&](const TCase& c) {
             VLMX::TImage image = Image(c.File(290));
             std::vector<uint8_t> rgba = Flattened(image);
             const TRgb f = foreign(image);
             for (size_t p : {18u, 40u}) // (2, 1) first
                 std::copy_n(std::vector<uint8_t>{f.r, f.g, f.b, 255}.begin(), 4,
                             rgba.begin() + 4 * p);
             Save(c.File(290), Png(16, 16, 6, 8, rgba));
         },
         {},
         1,
         "2 pixels have colours the picture's palette does not hold; the first is #"},
        {"elements whose palettes disagree",
         TLayerKind::Character,
         [](const TCase& c) {
             VLMX::TImage image = Image(c.Element(2));
             image.palette[40] = {255, 255, 0};
             Save(c.Element(2), VLMX::EncodePng(image));
         },
         {},
         1,
         "/02.png: its palette differs from that of"},
        {"two element files for the same stored bytes",
         TLayerKind::Character,
         [](const TCase& c) {
             VLMX::TImage image = Image(c.Element(3));
             image.pixels[0] = 77;
             Save(c.Element(3), VLMX::EncodePng(image));
         },
         {},
         1,
         "would write different values into the same stored bytes"},
        {"a picture the engine would no longer find",
         TLayerKind::WallPaper,
         [](const TCase& c) {
             VLMX::TImage image = Image(c.File(1));
             for (int y = 0; y < 2; ++y)
                 std::fill_n(image.pixels.begin() + 320 * y, 8, 0); // its first cell row: filler
             Save(c.File(1), VLMX::EncodePng(image));
         },
         {},
         1,
         "picture 1 would no longer be found at its place in the new archive"},
        {"a palette file of no known kind", TLayerKind::BackGround,
         [](const TCase& c) { Save(c.dir.File("p"), std::string("x")); },
         [](const TCase& c) {
             return std::vector<std::string>{"import",     c.archive, "--palette", c.dir.File("p"),
                                             "--pictures", "290",     "--out",     c.out};
         },
         1, "not a palette file"},
        {"--out naming the archive", TLayerKind::BackGround, [](const TCase&) {},
         [](const TCase& c) {
             return std::vector<std::string>{"import", c.archive, "--from", c.folder,
                                             "--out",  c.archive, "--force"};
         },
         2, "is the archive itself"},
        {"an existing output",
         TLayerKind::BackGround,
         [](const TCase& c) { Save(c.out, std::string("mine")); },
         {},
         2,
         ".ALL: exists (use --force to replace it)"},
        {"a missing folder", TLayerKind::BackGround, [](const TCase&) {},
         [](const TCase& c) {
             return std::vector<std::string>{"import",           c.archive, "--from",
                                             c.dir.File("none"), "--out",   c.out};
         },
         2, "none: no such folder"},
        {"neither folder nor palette", TLayerKind::BackGround, [](const TCase&) {},
         [](const TCase& c) {
             return std::vector<std::string>{"import", c.archive, "--out", c.out};
         },
         2, "import needs either --from DIR or --palette FILE"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const TCase c(row.kind);
        row.edit(c);
        const std::string before = Slurp(c.archive), existing = Slurp(c.out);
        const timespec modified = ModifiedAt(c.archive);
        const TRun run = Cli(row.args ? row.args(c) : c.Import());
        EXPECT_EQ(run.status, row.status) << run.err;
        EXPECT_NE(run.err.find(row.message), std::string::npos) << run.err;
        EXPECT_TRUE(Slurp(c.archive) == before);
        EXPECT_EQ(ModifiedAt(c.archive).tv_nsec, modified.tv_nsec);
        EXPECT_TRUE(Slurp(c.out) == existing); // none made, or the one there untouched
        for (const std::string& f : VLMT::FilesIn(c.dir.Path())) // no temporary copy left
            EXPECT_EQ(f.rfind(".velmora-import", 0), std::string::npos) << f;
    }
}
