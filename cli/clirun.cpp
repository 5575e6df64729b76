#include "clirun.h"

#include "cliargs.h"
#include "progress.h"
#include "vlmexport.h"
#include "vlmimport.h"
#include "vlmjson.h"
#include "vlmlayers.h"
#include "vlmnaming.h"
#include "vlmpalette.h"
#include "vlmscreen.h"
#include "vlmversion.h"

#include <array>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <sys/stat.h>

namespace VLMC {

namespace {

constexpr char Program[] = "velmora-cli";

constexpr char Usage[] =
    "Usage:\n"
    "  velmora-cli list ARCHIVE [--json]\n"
    "  velmora-cli export ARCHIVE --out DIR [--pictures LIST] [--scale N] [--elements]\n"
    "                     [--format png|ora|aseprite|sheet] [--force] [--quiet] [--jobs N]\n"
    "  velmora-cli compose [--wallpaper FILE:I] [--background FILE:J]\n"
    "                      [--character FILE:K[:E,E,...]] [--scale N] --out FILE.png [--force]\n"
    "  velmora-cli import ARCHIVE --from DIR --out NEW.ALL [--pictures LIST] [--force] [--quiet]\n"
    "  velmora-cli import ARCHIVE --palette FILE --pictures LIST --out NEW.ALL [--force] "
    "[--quiet]\n"
    "  velmora-cli palette ARCHIVE --picture I --format gpl|pal|act --out FILE [--force]\n"
    "  velmora-cli --help | --version\n"
    "\n"
    "Reads the picture archives Velmora Viewer shows (EYECATCH.ALL, WPALL1.ALL, WPALL2.ALL,\n"
    "WPALL3.ALL, NBGFILE1.ALL, NCDAT.ALL; the kind comes from the file name) and writes their\n"
    "pictures as PNG files. No display is needed.\n"
    "\n"
    "Commands:\n"
    "  list     one line a picture: index, record offset, width, height, elements\n"
    "           (characters), \"ok\" or why it cannot be read, display name\n"
    "  export   one file DIR/NNN-NAME.png a picture: wallpapers and backgrounds as palette\n"
    "           PNGs of the whole stored picture, characters with their first elements on a\n"
    "           transparent ground; characters also as layered files or sprite sheets\n"
    "  compose  the 320 x 224 picture as the viewer composes it from the layers given, as an\n"
    "           RGB PNG; the character's elements E are put in after its first ones\n"
    "  import   NEW.ALL: a copy of ARCHIVE in which each picture whose file in DIR differs\n"
    "           from what export writes now is replaced in place. DIR is what export wrote\n"
    "           (characters: the NNN-NAME/EE.png files of --elements); a file is matched by\n"
    "           its number. A picture file may change its pixels and its palette, nothing\n"
    "           else: its size must stay, and element positions, element counts and every\n"
    "           other byte of the archive stay as they are. Palette PNGs are taken as they\n"
    "           are; an RGB(A) PNG may use only colours of the picture's palette\n"
    "  palette  picture I's 256 colours as a GIMP (.gpl), JASC (.pal) or Adobe (.act) file\n"
    "\n"
    "Options:\n"
    "  --json           list: a JSON array of objects instead of lines\n"
    "  --out DIR|FILE   the folder to export into (made if missing), or the composed file\n"
    "  --pictures LIST  the pictures to export, such as 0-9,499 or 100- (default: all)\n"
    "  --scale N        enlarge every written picture N times, nearest neighbour (1-16)\n"
    "  --elements       characters: also DIR/NNN-NAME/EE.png for every element and\n"
    "                   DIR/NNN-NAME/elements.json\n"
    "  --format F       export, characters: png (the composed picture, the default); ora\n"
    "                   (OpenRaster) or aseprite, a layer an element, the ones shown first\n"
    "                   visible, the other alternatives hidden; sheet, every element packed\n"
    "                   into DIR/NNN-NAME.png with its frames in DIR/NNN-NAME.json\n"
    "  --force          replace files that exist (otherwise they are left alone)\n"
    "  --quiet          no progress bar and no summary\n"
    "  --jobs N         pictures exported at once (default: one a processor core)\n"
    "  --from DIR       import: the folder export wrote\n"
    "  --palette FILE   import: a .gpl, .pal or .act file that becomes the palette of the\n"
    "                   pictures of --pictures (their pixels stay)\n"
    "  --picture I      palette: the picture\n"
    "  --format F       palette: gpl, pal or act\n"
    "  --help           this text;  --version  the release\n"
    "\n"
    "Exit status: 0 all written; 1 some pictures could not be read (each is named, the others\n"
    "are written); 2 a usage error, an archive that cannot be opened, or an output that\n"
    "cannot be written (a file already there without --force counts as one).\n"
    "import: 1 when a file is refused (each is named with its reason, and no NEW.ALL is\n"
    "written); 2 also for --out naming ARCHIVE itself, even with --force.\n";

// After a file left alone because it was already there.
constexpr char ForceHint[] = " (use --force to replace it)";

struct TFailed {
    int status;
};

void Message(const TConsole& c, const std::string& text) {
    std::fprintf(c.err, "%s: %s\n", Program, text.c_str());
}

// Engine texts are code page 932 with LF CR line ends.
std::string Readable(const std::string& cp932) {
    std::string text = VLMX::Cp932ToUtf8(cp932);
    for (size_t at; (at = text.find("\n\r")) != std::string::npos;)
        text.erase(at + 1, 1);
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

// The archive named on the command line: recognised by name and openable, or exit status 2.
VLM::TLayerKind OpenArchive(const TConsole& c, const std::string& path) {
    const std::optional<VLM::TLayerKind> kind = VLM::LayerKindOf(path);
    if (!kind) {
        Message(c, path + ": not an archive the viewer reads (the file name must be one of "
                          "EYECATCH.ALL, WPALL1.ALL, WPALL2.ALL, WPALL3.ALL, NBGFILE1.ALL, "
                          "NCDAT.ALL)");
        throw TFailed{ExitTrouble};
    }
    try {
        VLM::TFile file(path);
    } catch (const VLM::EReadError& e) {
        Message(c, path + ": cannot be opened: " + e.Reason().Text());
        throw TFailed{ExitTrouble};
    }
    return *kind;
}

std::string Status(const VLMX::TPictureInfo& p) {
    return p.ok ? "ok" : p.reason;
}

// index, offset, width, height, elements (characters), status, name: tab-separated, "-" for
// what is not known.
std::string ListLine(const VLMX::TPictureInfo& p, bool character) {
    const auto field = [](int64_t value, bool known) {
        return known ? std::to_string(value) : std::string("-");
    };
    return std::to_string(p.index) + "\t" + field(p.offset, p.read) + "\t" +
           field(p.width, p.read) + "\t" + field(p.height, p.read) + "\t" +
           field(p.elements, character && p.read) + "\t" + Status(p) + "\t" + p.name + "\n";
}

// The same fields as JSON, null for what is not known.
VLMX::TJson ListObject(const VLMX::TPictureInfo& p, bool character) {
    const auto field = [](int64_t value, bool known) {
        return known ? VLMX::TJson(value) : VLMX::TJson(nullptr);
    };
    VLMX::TJson o;
    o["index"] = p.index;
    o["offset"] = field(p.offset, p.read);
    o["width"] = field(p.width, p.read);
    o["height"] = field(p.height, p.read);
    o["elements"] = field(p.elements, character && p.read);
    o["status"] = Status(p);
    o["name"] = p.name;
    return o;
}

int List(const TConsole& c, const std::vector<std::string>& args) {
    std::vector<std::string> archives;
    bool json = false;
    TCommandLine().Words(archives).Flag("--json", json).Parse(args);
    if (archives.size() != 1) throw TUsageError{"list takes one archive"};
    const std::string& path = archives[0];
    const VLM::TLayerKind kind = OpenArchive(c, path);
    const bool character = kind == VLM::TLayerKind::Character;
    const auto picture = VLM::NewPicture(kind, path);
    const int count = picture->GetCount();
    int unreadable = 0;
    std::vector<VLMX::TJson> objects;
    for (int i = 0; i < count; ++i) {
        const VLMX::TPictureInfo p = VLMX::Inspect(*picture, i);
        if (!p.ok) ++unreadable;
        if (json)
            objects.push_back(ListObject(p, character));
        else
            std::fputs(ListLine(p, character).c_str(), c.out);
    }
    if (json) std::fputs(VLMX::JsonLines(objects).c_str(), c.out);
    if (std::fflush(c.out) != 0) {
        Message(c, "cannot write the list");
        return ExitTrouble;
    }
    if (unreadable == 0) return ExitOk;
    Message(c, std::to_string(unreadable) + " of " + std::to_string(count) +
                   " pictures could not be read");
    return ExitUnreadable;
}

std::string Bytes(int64_t n) {
    char text[32];
    if (n >= 1 << 20)
        std::snprintf(text, sizeof text, "%.1f MiB", n / 1048576.0);
    else
        std::snprintf(text, sizeof text, "%.1f KiB", n / 1024.0);
    return text;
}

// The pictures listed (as ParsePictureList reads a list), or every picture of the archive.
std::vector<int> PicturesToExport(const std::optional<std::string>& list, int count) {
    if (list) return ParsePictureList(*list, count);
    std::vector<int> pictures;
    for (int i = 0; i < count; ++i)
        pictures.push_back(i);
    return pictures;
}

// The export with its bar on stderr (when shown); an interrupt stops it after the pictures
// under way.
VLMX::TExportReport ExportWithBar(const TConsole& c, bool bar, VLM::TLayerKind kind,
                                  const std::string& path, const std::vector<int>& pictures,
                                  const std::string& folder, const VLMX::TExportOptions& options) {
    TProgressBar progress(c.err, bar);
    const VLMX::TExportReport report =
        VLMX::ExportPictures(kind, path, pictures, folder, options, [&](int done, int total) {
            if (c.interrupted && *c.interrupted) return false;
            progress.Show(done, total);
            return true;
        });
    progress.Finish();
    return report;
}

// What was not written and why, and (unless quiet) what was; the exit status.
int ReportExport(const TConsole& c, const VLMX::TExportReport& report, const std::string& folder,
                 bool quiet) {
    // A character that does not fit still gets its dump file; the viewer would end after it, a
    // batch goes on.
    for (const VLMX::TPictureFailure& f : report.failures)
        if (!f.dump.empty())
            Message(c, "diagnostic dump (also in " + VLM::TCharacterBitmap::DumpPath() + "):\n" +
                           Readable(f.dump));
    for (const VLMX::TPictureFailure& f : report.failures) {
        if (f.kind == VLMX::TPictureFailure::Unreadable)
            Message(c, "picture " + std::to_string(f.index) + ": " + f.reason);
        else if (f.kind == VLMX::TPictureFailure::Exists)
            Message(c, f.file + ": " + f.reason + ForceHint);
        else
            Message(c, f.file + ": " + f.reason);
    }
    if (report.cancelled) {
        Message(c, "stopped after " + std::to_string(report.done) + " of " +
                       std::to_string(report.total) + " pictures; every file written is whole");
    } else if (!quiet) {
        for (const VLMX::TLeftOut& l : report.leftOut)
            Message(c, "picture " + std::to_string(l.index) + ": element " +
                           std::to_string(l.element) + " has no pixels and was left out");
        Message(c, std::to_string(report.written) + " of " + std::to_string(report.total) +
                       " pictures written to " + folder + " (" + std::to_string(report.files) +
                       " files, " + Bytes(report.bytes) + ")");
    }
    if (report.WriteFailed()) return ExitTrouble;
    return report.Unreadable() ? ExitUnreadable : ExitOk;
}

// --format's word; the layered files take neither --scale (an editor zooms) nor --elements.
VLMX::TExportFormat ParseFormat(const std::string& word, bool scaled, bool elements) {
    const std::optional<VLMX::TExportFormat> format = VLMX::FormatNamed(word);
    if (!format)
        throw TUsageError{"--format must be png, ora, aseprite or sheet, not \"" + word + "\""};
    if (scaled && !VLMX::Scalable(*format))
        throw TUsageError{"--scale applies to png and sheet, not to " + word};
    if (elements && *format != VLMX::TExportFormat::Png)
        throw TUsageError{"--elements goes with --format png; " + word + " holds every element"};
    return *format;
}

int Export(const TConsole& c, const std::vector<std::string>& args) {
    std::vector<std::string> archives;
    std::string folder, list, scale = "1", jobs = "0", format = "png";
    VLMX::TExportOptions options;
    bool quiet = false;
    TCommandLine line;
    line.Words(archives).Value("--out", folder).Value("--pictures", list);
    line.Value("--scale", scale).Value("--jobs", jobs).Value("--format", format);
    line.Flag("--elements", options.elements).Flag("--force", options.overwrite);
    line.Flag("--quiet", quiet).Parse(args);
    if (archives.size() != 1) throw TUsageError{"export takes one archive"};
    if (folder.empty()) throw TUsageError{"export needs --out DIR"};
    options.scale = ParseNumber(scale, 1, VLMX::MaxScale, "--scale");
    options.threads = ParseNumber(jobs, 0, 256, "--jobs");
    options.format = ParseFormat(format, line.Given("--scale"), options.elements);
    const std::string& path = archives[0];
    const VLM::TLayerKind kind = OpenArchive(c, path);
    if (options.format != VLMX::TExportFormat::Png && kind != VLM::TLayerKind::Character)
        throw TUsageError{"--format " + format + " takes a character archive (NCDAT.ALL)"};
    const std::vector<int> pictures =
        PicturesToExport(line.Given("--pictures") ? std::optional(list) : std::nullopt,
                         VLM::NewPicture(kind, path)->GetCount());
    if (const int error = VLMX::MakeFolder(folder)) {
        Message(c, folder + ": " + VLMX::TWriteResult{VLMX::TWriteResult::Failed, error}.Text());
        return ExitTrouble;
    }
    const VLMX::TExportReport report =
        ExportWithBar(c, c.errIsTerminal && !quiet, kind, path, pictures, folder, options);
    return ReportExport(c, report, folder, quiet);
}

// One layer of a composition as the command line names it.
struct TComposedLayer {
    VLM::TLayerKind kind;
    TLayerRef ref;
};

// The option that names a layer: --wallpaper, --background, --character.
std::string LayerOption(VLM::TLayerKind kind) {
    return std::string("--") + VLM::LayerName(kind);
}

// The layers given (refs: each layer's FILE:I), bottom first, each archive openable and of its
// layer's kind.
std::vector<TComposedLayer> ComposedLayers(const TConsole& c, const TCommandLine& line,
                                           const std::array<std::string, 3>& refs) {
    std::vector<TComposedLayer> layers;
    for (VLM::TLayerKind kind : VLM::AllLayers) {
        const std::string option = LayerOption(kind);
        if (!line.Given(option)) continue;
        const TLayerRef ref =
            ParseLayerRef(refs[VLM::LayerIndex(kind)], kind == VLM::TLayerKind::Character, option);
        if (OpenArchive(c, ref.file) != kind)
            throw TUsageError{option + " " + ref.file + ": not a " + VLM::LayerName(kind) +
                              " archive"};
        layers.push_back({kind, ref});
    }
    return layers;
}

// Draws the layers in order, then puts the character's elements in, in the order given.
void DrawLayers(VLM::TScreen& screen, const std::vector<TComposedLayer>& layers) {
    for (const TComposedLayer& l : layers) {
        std::invoke(VLM::OpsOf(l.kind).put, screen, l.ref.file);
        std::invoke(VLM::OpsOf(l.kind).draw, screen, l.ref.index);
    }
    for (const TComposedLayer& l : layers) {
        for (int e : l.ref.elements) {
            if (screen.getchloaded() && e >= screen.getelcnt())
                throw TUsageError{"character " + std::to_string(l.ref.index) + " has no element " +
                                  std::to_string(e)};
            screen.DrawCharacter(l.ref.index, e);
        }
    }
}

// Names each layer that could not be read (the compositor leaves it out); ExitUnreadable when
// one could not.
int NoteUnread(const TConsole& c, const VLM::TScreen& screen,
               const std::vector<TComposedLayer>& layers) {
    int status = ExitOk;
    for (const TComposedLayer& l : layers) {
        const VLM::TLayerOps& ops = VLM::OpsOf(l.kind);
        if (std::invoke(ops.loaded, screen)) continue;
        Message(c, std::string(VLM::LayerName(l.kind)) + " " + std::to_string(l.ref.index) + ": " +
                       std::invoke(ops.error, screen).Text());
        status = ExitUnreadable;
    }
    return status;
}

int Compose(const TConsole& c, const std::vector<std::string>& args) {
    std::vector<std::string> words;
    std::array<std::string, 3> refs;
    std::string out, scaleText = "1";
    bool force = false;
    TCommandLine line;
    line.Words(words);
    for (VLM::TLayerKind kind : VLM::AllLayers)
        line.Value(LayerOption(kind), refs[VLM::LayerIndex(kind)]);
    line.Value("--scale", scaleText).Value("--out", out).Flag("--force", force).Parse(args);
    if (!words.empty()) throw TUsageError{"compose takes no file other than its options'"};
    if (out.empty()) throw TUsageError{"compose needs --out FILE.png"};
    const int scale = ParseNumber(scaleText, 1, VLMX::MaxScale, "--scale");
    const std::vector<TComposedLayer> layers = ComposedLayers(c, line, refs);

    VLM::TScreen screen;
    try {
        DrawLayers(screen, layers);
    } catch (const VLM::EElementOutside& e) {
        Message(c, e.what());
        return ExitUnreadable;
    }
    const int status = NoteUnread(c, screen, layers);
    const VLMX::TFileResult r =
        VLMX::WritePng(VLMX::ScreenPicture(screen.GetOffscreen()), out, scale, force);
    if (!r.Ok()) {
        Message(c, out + ": " + r.Text() +
                       (r.write.status == VLMX::TWriteResult::Exists ? ForceHint : ""));
        return ExitTrouble;
    }
    return status;
}

// The import's refusals, one a file; nothing has been written.
int ImportRefused(const TConsole& c, const std::vector<VLMX::TImportProblem>& refusals,
                  const std::string& out) {
    for (const VLMX::TImportProblem& p : refusals)
        Message(c, p.file + ": " + p.reason);
    Message(c, "nothing written: " + std::to_string(refusals.size()) +
                   (refusals.size() == 1 ? " refusal" : " refusals") + "; " + out +
                   " was not made");
    return ExitUnreadable;
}

int ImportOutput(const TConsole& c, const std::string& out, const VLMX::TImportResult& r) {
    if (r.status == VLMX::TImportResult::SameFile)
        Message(c, "--out " + out + " " + r.Text() + " (not even with --force)");
    else
        Message(c,
                out + ": " + r.Text() + (r.status == VLMX::TImportResult::Exists ? ForceHint : ""));
    return ExitTrouble;
}

std::string NumberList(const std::vector<int>& numbers) {
    std::string text;
    for (int n : numbers)
        text += (text.empty() ? "" : ", ") + std::to_string(n);
    return text;
}

int Import(const TConsole& c, const std::vector<std::string>& args) {
    std::vector<std::string> archives;
    std::string from, out, list, paletteFile;
    bool force = false, quiet = false;
    TCommandLine line;
    line.Words(archives).Value("--from", from).Value("--out", out).Value("--pictures", list);
    line.Value("--palette", paletteFile).Flag("--force", force).Flag("--quiet", quiet).Parse(args);
    if (archives.size() != 1) throw TUsageError{"import takes one archive"};
    if (out.empty()) throw TUsageError{"import needs --out NEW.ALL"};
    const bool palette = line.Given("--palette");
    if (palette == line.Given("--from"))
        throw TUsageError{"import needs either --from DIR or --palette FILE"};
    if (palette && !line.Given("--pictures")) throw TUsageError{"--palette needs --pictures LIST"};
    const std::string& path = archives[0];
    const VLM::TLayerKind kind = OpenArchive(c, path);
    VLMX::TImportOptions options;
    if (line.Given("--pictures"))
        options.pictures = ParsePictureList(list, VLM::NewPicture(kind, path)->GetCount());
    if (palette) {
        std::ifstream in(paletteFile, std::ios::binary);
        if (!in) {
            Message(c, paletteFile + ": cannot be read");
            return ExitTrouble;
        }
        const VLMX::TPaletteRead p = VLMX::ParsePaletteFile(
            {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
        if (!p.Ok()) return ImportRefused(c, {{paletteFile, p.reason}}, out);
        options.palette = p.colours;
        options.paletteFile = paletteFile;
    } else {
        struct stat st {};
        if (::stat(from.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            Message(c, from + ": no such folder");
            return ExitTrouble;
        }
        options.folder = from;
    }
    // The output's own refusals first: they cost nothing to find.
    const VLMX::TImportResult check = VLMX::CheckOutput(path, out, force);
    if (check.status != VLMX::TImportResult::Written) return ImportOutput(c, out, check);
    const VLMX::TImportPlan plan = VLMX::PlanImport(kind, path, options);
    if (!plan.refusals.empty()) return ImportRefused(c, plan.refusals, out);
    const VLMX::TImportResult r = VLMX::WriteImport(plan, out, force);
    if (r.status == VLMX::TImportResult::Refused) return ImportRefused(c, r.refusals, out);
    if (r.status != VLMX::TImportResult::Written) return ImportOutput(c, out, r);
    if (quiet) return ExitOk;
    if (plan.replaced.empty())
        Message(c, "no picture changed: " + out + " is a copy of " + path);
    else
        Message(c, "replaced " + std::to_string(plan.replaced.size()) +
                       (plan.replaced.size() == 1 ? " picture" : " pictures") + " in " + out +
                       ": " + NumberList(plan.replaced));
    return ExitOk;
}

int Palette(const TConsole& c, const std::vector<std::string>& args) {
    std::vector<std::string> archives;
    std::string index, formatName, out;
    bool force = false;
    TCommandLine line;
    line.Words(archives).Value("--picture", index).Value("--format", formatName);
    line.Value("--out", out).Flag("--force", force).Parse(args);
    if (archives.size() != 1) throw TUsageError{"palette takes one archive"};
    if (!line.Given("--picture")) throw TUsageError{"palette needs --picture I"};
    const std::optional<VLMX::TPaletteFormat> format = VLMX::PaletteFormatNamed(formatName);
    if (!format) throw TUsageError{"--format must be gpl, pal or act"};
    if (out.empty()) throw TUsageError{"palette needs --out FILE"};
    const std::string& path = archives[0];
    const auto picture = VLM::NewPicture(OpenArchive(c, path), path);
    const int i = ParseNumber(index, 0, picture->GetCount() - 1, "--picture");
    if (!picture->Select(i)) {
        Message(c, "picture " + std::to_string(i) + ": " + picture->LoadError.Text());
        return ExitUnreadable;
    }
    std::array<VLM::TRgb, 256> colours;
    for (size_t k = 0; k < colours.size(); ++k)
        colours[k] = VLM::ScreenToRgb(picture->Palette[k]);
    const std::string text =
        VLMX::PaletteFile(colours, *format, VLM::FileNamePart(path) + " " + std::to_string(i));
    const VLMX::TWriteResult r = VLMX::WriteFileAtomic(out, text.data(), text.size(), force);
    if (!r.Ok()) {
        Message(c,
                out + ": " + r.Text() + (r.status == VLMX::TWriteResult::Exists ? ForceHint : ""));
        return ExitTrouble;
    }
    return ExitOk;
}

// The commands: each declares its words on a TCommandLine of its own.
const struct TCommand {
    const char* name;
    int (*run)(const TConsole&, const std::vector<std::string>&);
} Commands[] = {{"list", List},
                {"export", Export},
                {"compose", Compose},
                {"import", Import},
                {"palette", Palette}};

} // namespace

int Run(const std::vector<std::string>& args, const TConsole& console) {
    try {
        if (args.empty()) throw TUsageError{"no command given"};
        const std::string& command = args[0];
        const std::vector<std::string> rest(args.begin() + 1, args.end());
        if (command == "--help" || command == "-h") {
            std::fputs(Usage, console.out);
            return ExitOk;
        }
        if (command == "--version") {
            std::fprintf(console.out, "%s %s\n", Program, VLM::ReleaseVersion);
            return ExitOk;
        }
        for (const TCommand& c : Commands)
            if (command == c.name) return c.run(console, rest);
        throw TUsageError{"unknown command \"" + command + "\""};
    } catch (const TUsageError& e) {
        Message(console, e.text);
        std::fprintf(console.err, "Try '%s --help' for more.\n", Program);
        return ExitTrouble;
    } catch (const TFailed& f) {
        return f.status;
    } catch (const std::exception& e) {
        Message(console, e.what());
        return ExitTrouble;
    }
}

} // namespace VLMC
