// velmora-cli: its command line, exit statuses, listings, the composed picture, and how it
// behaves on a terminal, when interrupted and when a file is in the way.
#include "cliargs.h"
#include "clirun.h"
#include "exportsupport.h"
#include "vlmnames.h"
#include "vlmnaming.h"
#include "vlmscreen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <pty.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using VLMT::RunCli;

namespace {

// Three wallpapers of WPALL2.ALL in a file that ends inside the third.
struct TWallPapers {
    VLMT::TTempDir dir;
    std::vector<VLMW::TIndexed> pictures;
    std::string whole, cut, full; // full: EYECATCH.ALL with all of its 22 pictures
    TWallPapers() {
        std::vector<VLMW::TWallPaperEntry> entries(3);
        for (int i = 0; i < 3; ++i) {
            entries[size_t(i)].index = i;
            entries[size_t(i)].picture = VLMW::PatternPicture(320, 224, 30 + i);
            pictures.push_back(entries[size_t(i)].picture);
        }
        const VLMW::TBytes bytes = VLMW::WallPaperArchive(entries);
        ::mkdir(dir.File("cut").c_str(), 0700);
        whole = dir.Write("WPALL2.ALL", bytes);
        cut = dir.Write("cut/WPALL2.ALL", bytes, 2 * 75776 + 40000);
        entries.resize(22);
        for (int i = 3; i < 22; ++i) {
            entries[size_t(i)].index = i;
            entries[size_t(i)].picture = VLMW::PatternPicture(320, 224, 30 + i);
        }
        full = dir.Write("EYECATCH.ALL", VLMW::WallPaperArchive(entries));
    }
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs the tool in this process, with stdout and stderr caught.
struct TInProcess {
    int status;
    std::string out, err;
};
TInProcess RunHere(const std::vector<std::string>& args) {
    VLMC::TConsole console;
    console.out = std::tmpfile();
    console.err = std::tmpfile();
    const int status = VLMC::Run(args, console);
    const auto take = [](std::FILE* f) {
        std::string text;
        std::rewind(f);
        for (int c; (c = std::fgetc(f)) != EOF;)
            text += char(c);
        std::fclose(f);
        return text;
    };
    return {status, take(console.out), take(console.err)};
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

// ---- The command line ----------------------------------------------------------------------

TEST(CliArguments, PictureListsNameEachPictureOnceInOrder) {
    EXPECT_EQ(VLMC::ParsePictureList("0-3,499,2,497-", 500),
              (std::vector<int>{0, 1, 2, 3, 497, 498, 499}));
    EXPECT_EQ(VLMC::ParsePictureList("7", 8), std::vector<int>{7});
    for (const char* bad : {"", "5-3", "1,,2", "-4", "a", "0-500", "500", "1-2-3", "99999999999"})
        EXPECT_THROW(VLMC::ParsePictureList(bad, 500), VLMC::TUsageError) << bad;
}

TEST(CliArguments, LayerReferencesTakeTheirNumbersFromTheEnd) {
    const struct {
        const char* text;
        bool elements;
        std::string file;
        int index;
        std::vector<int> list;
    } cases[] = {
        {"a/WPALL1.ALL:3", false, "a/WPALL1.ALL", 3, {}},
        {"c:\\x:y/NBGFILE1.ALL:499", false, "c:\\x:y/NBGFILE1.ALL", 499, {}},
        {"NCDAT.ALL:5", true, "NCDAT.ALL", 5, {}},
        {"NCDAT.ALL:5:3", true, "NCDAT.ALL", 5, {3}},
        {"d:7/NCDAT.ALL:5:3,1,4", true, "d:7/NCDAT.ALL", 5, {3, 1, 4}},
        {"NCDAT.ALL:5:", true, "NCDAT.ALL", 5, {}},
    };
    for (const auto& c : cases) {
        const VLMC::TLayerRef ref = VLMC::ParseLayerRef(c.text, c.elements, "--x");
        EXPECT_EQ(ref.file, c.file) << c.text;
        EXPECT_EQ(ref.index, c.index) << c.text;
        EXPECT_EQ(ref.elements, c.list) << c.text;
    }
    for (const char* bad : {"WPALL1.ALL", "WPALL1.ALL:", ":3", "WPALL1.ALL:x", "NCDAT.ALL:1:x"})
        EXPECT_THROW(VLMC::ParseLayerRef(bad, false, "--x"), VLMC::TUsageError) << bad;
}

TEST(CliStatus, ZeroOneOrTwoAsTheOutcomeDeserves) {
    TWallPapers wp;
    const std::string out = wp.dir.File("out");
    std::ofstream(wp.dir.File("afile")) << "x";
    ::mkdir(wp.dir.File("dir").c_str(), 0700);
    ::mkdir(wp.dir.File("dir/NCDAT.ALL").c_str(), 0700);
    const struct {
        std::vector<std::string> args;
        int status;
        std::string said; // in stderr, or in stdout for 0
    } cases[] = {
        {{"--version"}, 0, "velmora-cli 1.1.0\n"},
        {{"--help"}, 0, "Exit status: 0 all written"},
        {{}, 2, "no command given"},
        {{"show"}, 2, "unknown command \"show\""},
        {{"export", wp.whole}, 2, "export needs --out DIR"},
        {{"export", wp.whole, "--out", out, "--scale", "17"}, 2, "--scale must be"},
        {{"export", wp.whole, "--out", out, "--fast"}, 2, "unknown option --fast"},
        {{"export", wp.whole, "--out", out, "--pictures", "0-34"}, 2, "picture 34 is outside 0-33"},
        {{"export", wp.dir.File("afile"), "--out", out}, 2, "not an archive the viewer reads"},
        {{"export", wp.dir.File("NCDAT.ALL"), "--out", out}, 2, "cannot be opened"},
        {{"export", wp.dir.File("dir/NCDAT.ALL"), "--out", out}, 2, "cannot be opened"},
        {{"export", wp.whole, "--out", wp.dir.File("afile/x")}, 2, "Not a directory"},
        {{"export", wp.whole, "--out=" + out, "--pictures=0-1", "--quiet"}, 0, ""},
        {{"export", wp.cut, "--out", wp.dir.File("o2"), "--pictures", "0-3"}, 1, "picture 2: "},
        {{"list", wp.full}, 0, "\tok\t"},
        {{"list", wp.cut}, 1, "32 of 34 pictures could not be read"},
        {{"compose", "--background", wp.whole + ":0", "--out", wp.dir.File("c.png")},
         2,
         "not a background archive"},
        {{"compose", "--wallpaper", wp.whole + ":0"}, 2, "compose needs --out"},
        // A layer that cannot be read is named and left as the compositor leaves it.
        {{"compose", "--wallpaper", wp.cut + ":2", "--out", wp.dir.File("c2.png")},
         1,
         "wallpaper 2: record cut short"},
    };
    for (const auto& c : cases) {
        std::string line;
        for (const auto& a : c.args)
            line += a + " ";
        SCOPED_TRACE(line);
        const VLMT::TRun run = RunCli(c.args);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_TRUE(Contains(c.status == 0 ? run.out : run.err, c.said)) << run.out << run.err;
    }
    // The run that failed on pictures 2 and 3 still wrote 0 and 1.
    EXPECT_EQ(VLMT::FilesIn(wp.dir.File("o2")), (std::vector<std::string>{"000.png", "001.png"}));
    EXPECT_TRUE(VLMT::IsWholePng(wp.dir.File("c2.png")));
}

TEST(CliList, EveryPictureOnALineOrInAJsonArray) {
    TWallPapers wp;
    const VLMT::TRun text = RunCli({"list", wp.cut});
    std::vector<std::string> lines;
    for (size_t at = 0, nl; (nl = text.out.find('\n', at)) != std::string::npos; at = nl + 1)
        lines.push_back(text.out.substr(at, nl - at));
    ASSERT_EQ(lines.size(), 34u);
    EXPECT_EQ(lines[1], "1\t75776\t320\t224\t-\tok\t(undefined)");
    const VLM::TLoadError cut{VLM::TFailure::CutShort, 2 * 75776 + 40000};
    EXPECT_EQ(lines[2], "2\t-\t-\t-\t-\t" + cut.Text() + "\t(undefined)");

    const VLMT::TRun json = RunCli({"list", wp.whole, "--json"});
    EXPECT_EQ(json.out.substr(0, 2), "[\n");
    EXPECT_TRUE(Contains(json.out,
                         "  {\"index\": 0, \"offset\": 0, \"width\": 320, \"height\": 224, "
                         "\"elements\": null, \"status\": \"ok\", \"name\": \"(undefined)\"},\n"));
    EXPECT_TRUE(Contains(json.out, "\"index\": 33, \"offset\": null"));
    EXPECT_EQ(json.out.substr(json.out.size() - 4), "}\n]\n");

    // Names come out in UTF-8.
    VLMT::TTempDir dir;
    VLMW::TWallPaperEntry e;
    e.picture = VLMW::PatternPicture(320, 224, 3);
    const VLMT::TRun named =
        RunCli({"list", dir.Write("EYECATCH.ALL", VLMW::WallPaperArchive({e}))});
    EXPECT_TRUE(
        Contains(named.out, "\tok\t" + VLMX::Cp932ToUtf8(VLM::EyeCatchNames[0].name) + "\n"));
}

TEST(CliExport, AFileInTheWayIsKeptUnlessForced) {
    TWallPapers wp;
    const std::string out = wp.dir.File("out"), file = out + "/001.png";
    ASSERT_EQ(RunCli({"export", wp.whole, "--out", out, "--pictures", "0,1"}).status, 0);
    std::ofstream(file) << "mine";
    VLMT::TRun run = RunCli({"export", wp.whole, "--out", out, "--pictures", "0,1"});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Contains(run.err, file + ": exists (use --force to replace it)")) << run.err;
    EXPECT_EQ(Slurp(file), "mine");
    run = RunCli({"export", wp.whole, "--out", out, "--pictures", "0,1", "--force"});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(VLMT::IsWholePng(file));
    EXPECT_EQ(VLMT::FilesIn(out), (std::vector<std::string>{"000.png", "001.png"}));
}

TEST(CliExport, AnElementOutsideItsPictureIsDumpedReportedAndPassedBy) {
    VLMT::TTempDir dir;
    VLM::TCharacterBitmap::SetDumpPath(dir.File("run.log"));
    VLMW::TCharRecord bad = VLMW::PatternRecord(16, 16, 10, 20, 0, 5);
    bad.elements.push_back(VLMW::PatternElement(4, 8, 12, 30, 6));
    const VLMW::TCharRecord good = VLMW::PatternRecord(16, 16, 0, 0, 2, 7);
    const std::string path = dir.Write(
        "NCDAT.ALL", VLMW::CharacterArchive({{VLM::CharacterNames[144].offset, 0, false, bad},
                                             {VLM::CharacterNames[126].offset, 0, false, good}}));
    const TInProcess run =
        RunHere({"export", path, "--out", dir.File("out"), "--pictures", "126,144", "--quiet"});
    VLM::TCharacterBitmap::SetDumpPath("");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.err, "diagnostic dump (also in " + dir.File("run.log") + "):\n" +
                                      dir.File("NCDAT.ALL") + ":0\n\tLeft:   10\n"))
        << run.err;
    EXPECT_TRUE(Contains(run.err, "picture 144: element 1 reaches outside the picture\n"));
    EXPECT_TRUE(Contains(Slurp(dir.File("run.log")), "elememts[1]->\n\r"));
    EXPECT_EQ(VLMT::FilesIn(dir.File("out")).size(), 1u);
}

// ---- compose -------------------------------------------------------------------------------

TEST(CliCompose, WritesTheCompositorsPictureWidenedToRgb) {
    TWallPapers wp;
    const auto bg = VLMT::SpacedBackGrounds({{296, 152}}, 12);
    const std::string bgPath = wp.dir.Write("NBGFILE1.ALL", bg.bytes);
    // A character with two alternatives for one spot; element 1 has a transparent pixel.
    VLMW::TCharRecord ch = VLMW::PatternRecord(64, 80, 10, 20, 0, 30);
    VLMW::AddAlternatives(ch, 30, 40, 16, 8, 2, 31);
    ch.elements[1].pixels[0] = 0;
    const std::string chPath = wp.dir.Write(
        "NCDAT.ALL", VLMW::CharacterArchive({{VLM::CharacterNames[144].offset, 0, false, ch}}));
    const std::string B = std::to_string(bg.indices[0]);

    const struct {
        std::vector<std::string> args;
        std::function<void(VLM::TScreen&)> same;
    } cases[] = {
        {{"--wallpaper", wp.whole + ":1", "--background", bgPath + ":" + B, "--character",
          chPath + ":144:2,1", "--scale", "2"},
         [&](VLM::TScreen& s) {
             s.putwpfn(wp.whole), s.DrawWallPaper(1);
             s.putbgfn(bgPath), s.DrawBackGround(bg.indices[0]);
             s.putchfn(chPath), s.DrawCharacter(144);
             s.DrawCharacter(144, 2), s.DrawCharacter(144, 1);
         }},
        {{"--background", bgPath + ":" + B, "--character", chPath + ":144"},
         [&](VLM::TScreen& s) {
             s.putbgfn(bgPath), s.DrawBackGround(bg.indices[0]);
             s.putchfn(chPath), s.DrawCharacter(144);
         }},
        {{"--wallpaper", wp.whole + ":0"},
         [&](VLM::TScreen& s) { s.putwpfn(wp.whole), s.DrawWallPaper(0); }},
    };
    for (const auto& c : cases) {
        const int scale = c.args.back() == "2" ? 2 : 1;
        std::vector<std::string> args = {"compose", "--out", wp.dir.File("c.png"), "--force"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        ASSERT_EQ(RunCli(args).status, 0) << args[5];
        VLM::TScreen screen;
        c.same(screen);
        const VLMT::TPng png = VLMT::ReadPng(wp.dir.File("c.png"));
        ASSERT_EQ(png.colourType, 2);
        ASSERT_EQ(png.width, 320 * scale);
        ASSERT_EQ(png.height, 224 * scale);
        for (int y = 0; y < png.height; ++y)
            for (int x = 0; x < png.width; ++x) {
                const VLMX::TRgb want =
                    VLMT::Widened(screen.GetOffscreen().ScanLine(y / scale)[x / scale]);
                const uint8_t* got = png.Row(y) + 3 * x;
                ASSERT_TRUE(got[0] == want.r && got[1] == want.g && got[2] == want.b)
                    << x << "," << y;
            }
    }
}

// ---- A terminal and an interrupt -----------------------------------------------------------

TEST(CliProgress, ABarOnlyWhenStderrIsATerminalAndNotQuiet) {
    TWallPapers wp;
    const auto onTerminal = [&](const std::vector<std::string>& extra) {
        std::vector<std::string> args = {VLM_CLI,
                                         "export",
                                         wp.whole,
                                         "--out",
                                         wp.dir.File("t" + std::to_string(extra.size())),
                                         "--pictures",
                                         "0-2"};
        args.insert(args.end(), extra.begin(), extra.end());
        int master = -1;
        const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
        if (pid == 0) {
            std::vector<char*> argv;
            for (auto& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(VLM_CLI, argv.data());
            ::_exit(127);
        }
        std::string seen;
        char buffer[512];
        for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
            seen.append(buffer, size_t(n));
        ::close(master);
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        return seen;
    };
    const std::string bar = onTerminal({});
    EXPECT_TRUE(Contains(bar, "\r[")) << bar;
    EXPECT_TRUE(Contains(bar, " 3/3 pictures, ")) << bar;
    EXPECT_EQ(onTerminal({"--quiet"}), "");

    const VLMT::TRun piped =
        RunCli({"export", wp.whole, "--out", wp.dir.File("p"), "--pictures", "0-2"});
    EXPECT_EQ(piped.status, 0);
    EXPECT_FALSE(Contains(piped.err, "\r"));
    EXPECT_EQ(piped.err.rfind(
                  "velmora-cli: 3 of 3 pictures written to " + wp.dir.File("p") + " (3 files, ", 0),
              0u)
        << piped.err;
    EXPECT_EQ(std::count(piped.err.begin(), piped.err.end(), '\n'), 1);
}

TEST(CliInterrupt, AnInterruptedExportLeavesOnlyWholePictures) {
    // Forty backgrounds at sixteen times their size: seconds of work to break into.
    const auto bg = VLMT::SpacedBackGrounds(std::vector<std::pair<int, int>>(40, {288, 144}), 3);
    VLMT::TTempDir dir;
    const std::string path = dir.Write("NBGFILE1.ALL", bg.bytes);
    std::string list;
    for (int i : bg.indices)
        list += (list.empty() ? "" : ",") + std::to_string(i);
    for (int signal : {SIGINT, SIGTERM, SIGKILL}) {
        SCOPED_TRACE(signal);
        const std::string out = dir.File("out" + std::to_string(signal));
        const pid_t pid = ::fork();
        if (pid == 0) {
            const char* argv[] = {VLM_CLI,   "export", path.c_str(), "--out",      out.c_str(),
                                  "--scale", "16",     "--pictures", list.c_str(), nullptr};
            ::dup2(::open("/dev/null", O_WRONLY), 2);
            ::execv(VLM_CLI, const_cast<char**>(argv));
            ::_exit(127);
        }
        // Strike once the first picture is out, while others are being written.
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        const auto pictures = [&] {
            const auto files = VLMT::FilesIn(out);
            return std::count_if(files.begin(), files.end(), [](const std::string& f) {
                return f.size() > 4 && f.compare(f.size() - 4, 4, ".png") == 0;
            });
        };
        while (pictures() < 1 && std::chrono::steady_clock::now() < give_up)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ::kill(pid, signal);
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        for (const std::string& f : VLMT::FilesIn(out)) {
            if (f.size() > 4 && f.compare(f.size() - 4, 4, ".png") == 0) {
                EXPECT_TRUE(VLMT::IsWholePng(out + "/" + f)) << f;
            } else {
                // A temporary file survives only a kill that allows no tidying up.
                EXPECT_EQ(signal, SIGKILL) << f;
                EXPECT_EQ(f[0], '.') << f;
            }
        }
        EXPECT_GE(pictures(), 1);
        EXPECT_LT(pictures(), 40);
    }
}
