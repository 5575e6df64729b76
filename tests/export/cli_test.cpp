// velmora-cli: its command line, exit statuses, listings, the composed picture, and how it
// behaves on a terminal, when interrupted and when a file is in the way.
#include "cliargs.h"
#include "clirun.h"
#include "exportsupport.h"
#include "vlmexport.h"
#include "vlmnames.h"
#include "vlmnaming.h"
#include "vlmscreen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// Three wallpapers of WPALL2.ALL, whole and in a file that ends inside the third, and
// EYECATCH.ALL with all of its 22 pictures.
struct TWallPapers {
    VLMT::TTempDir dir;
    std::string whole, cut, full;
    TWallPapers() {
        std::vector<VLMW::TWallPaperEntry> entries;
        for (int i = 0; i < 22; ++i)
            entries.push_back({i, VLMW::PatternPicture(320, 224, 30 + i)});
        full = dir.Write("EYECATCH.ALL", VLMW::WallPaperArchive(entries));
        entries.resize(3);
        const VLMW::TBytes bytes = VLMW::WallPaperArchive(entries);
        whole = dir.Write("WPALL2.ALL", bytes);
        ::mkdir(dir.File("cut").c_str(), 0700);
        cut = dir.Write("cut/WPALL2.ALL", bytes, 2 * 75776 + 40000);
    }
};

// The program with stderr in a file or on a terminal, or its Run() in a child of this process
// (which then writes this process's dump file).
enum class TWay { Program, Terminal, InProcess };

struct TChild {
    pid_t pid = -1;
    int terminal = -1; // the other end of the child's stderr (TWay::Terminal)
};

TChild Start(std::vector<std::string> args, TWay way, const std::string& out,
             const std::string& err) {
    std::fflush(nullptr); // nothing of this process's buffers ends in the child's files
    TChild child;
    child.pid =
        way == TWay::Terminal ? ::forkpty(&child.terminal, nullptr, nullptr, nullptr) : ::fork();
    if (child.pid != 0) return child;
    ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT, 0600), 1);
    if (way != TWay::Terminal) ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT, 0600), 2);
    if (way == TWay::InProcess) {
        const int status = VLMC::Run(args, VLMC::TConsole{});
        std::fflush(nullptr);
        ::_exit(status);
    }
    args.insert(args.begin(), VLM_CLI);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(VLM_CLI, argv.data());
    ::_exit(127);
}

int Wait(pid_t pid) { // the exit status, or 128 + the signal
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

struct TRun {
    int status = -1;
    std::string out, err;
};

TRun RunCli(const std::vector<std::string>& args, TWay way = TWay::Program) {
    VLMT::TTempDir dir;
    const TChild child = Start(args, way, dir.File("out"), dir.File("err"));
    TRun run;
    char buffer[512];
    for (ssize_t n; child.terminal >= 0 && (n = ::read(child.terminal, buffer, sizeof buffer)) > 0;)
        run.err.append(buffer, size_t(n));
    if (child.terminal >= 0) ::close(child.terminal);
    run.status = Wait(child.pid);
    run.out = VLMT::Slurp(dir.File("out"));
    if (way != TWay::Terminal) run.err = VLMT::Slurp(dir.File("err"));
    return run;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

bool IsPng(const std::string& name) {
    return name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0;
}

} // namespace

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
    const std::string out = wp.dir.File("out"), kept = wp.dir.File("kept"),
                      forced = wp.dir.File("forced");
    std::ofstream(wp.dir.File("afile")) << "x";
    ::mkdir(wp.dir.File("dir").c_str(), 0700);
    ::mkdir(wp.dir.File("dir/NCDAT.ALL").c_str(), 0700);
    for (const std::string& folder : {kept, forced}) {
        ::mkdir(folder.c_str(), 0700);
        std::ofstream(folder + "/001.png") << "mine";
    }
    const std::string name = VLMX::Cp932ToUtf8(VLM::EyeCatchNames[0].name);
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
        // A file in the way is kept, and named; the other pictures are still written.
        {{"export", wp.whole, "--out", kept, "--pictures", "0,1"},
         2,
         kept + "/001.png: exists (use --force to replace it)"},
        {{"export", wp.whole, "--out", forced, "--pictures", "0,1", "--force"}, 0, ""},
        {{"list", wp.full}, 0, "\tok\t" + name + "\n"}, // names in UTF-8
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
        const TRun run = RunCli(c.args);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_TRUE(Contains(c.status == 0 ? run.out : run.err, c.said)) << run.out << run.err;
    }
    EXPECT_EQ(VLMT::Slurp(kept + "/001.png"), "mine");
    for (const std::string& folder : {wp.dir.File("o2"), kept, forced})
        EXPECT_EQ(VLMT::FilesIn(folder), (std::vector<std::string>{"000.png", "001.png"}));
    for (const std::string& file : {kept + "/000.png", forced + "/001.png", wp.dir.File("c2.png")})
        EXPECT_TRUE(VLMT::IsWholePng(file)) << file;
}

TEST(CliList, EveryPictureOnALineOrInAJsonArray) {
    TWallPapers wp;
    const std::string text = RunCli({"list", wp.cut}).out;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 34);
    EXPECT_TRUE(Contains(text, "\n1\t75776\t320\t224\t-\tok\t(undefined)\n"
                               "2\t-\t-\t-\t-\trecord cut short at byte 191552\t(undefined)\n"))
        << text;

    const std::string json = RunCli({"list", wp.whole, "--json"}).out;
    EXPECT_EQ(json.substr(0, 2), "[\n");
    EXPECT_TRUE(Contains(json, "  {\"index\": 0, \"offset\": 0, \"width\": 320, \"height\": 224, "
                               "\"elements\": null, \"status\": \"ok\", \"name\": "
                               "\"(undefined)\"},\n"));
    EXPECT_TRUE(Contains(json, "\"index\": 33, \"offset\": null"));
    EXPECT_EQ(json.substr(json.size() - 4), "}\n]\n");
}

TEST(CliExport, AnElementOutsideItsPictureIsDumpedReportedAndPassedBy) {
    VLMT::TTempDir dir;
    VLM::TCharacterBitmap::SetDumpPath(dir.File("run.log"));
    const std::string path = VLMT::CharacterArchive(dir, {VLMT::ReachingOut(), VLMT::Character()});
    const TRun run =
        RunCli({"export", path, "--out", dir.File("out"), "--pictures", "126,144", "--quiet"},
               TWay::InProcess);
    VLM::TCharacterBitmap::SetDumpPath("");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.err, "diagnostic dump (also in " + dir.File("run.log") + "):\n" +
                                      path + ":0\n\tLeft:   10\n"))
        << run.err;
    EXPECT_EQ(VLMT::FilesIn(dir.File("out")).size(), 1u);
}

TEST(CliCompose, WritesTheCompositorsPictureWidenedToRgb) {
    TWallPapers wp;
    const auto bg = VLMT::SpacedBackGrounds({{296, 152}}, 12);
    const std::string bgPath = wp.dir.Write("NBGFILE1.ALL", bg.bytes);
    const std::string chPath = VLMT::CharacterArchive(wp.dir, {VLMT::Character()});
    // The wallpaper named last is drawn first; the elements go in in the order given.
    ASSERT_EQ(RunCli({"compose", "--background", bgPath + ":" + std::to_string(bg.indices[0]),
                      "--character", chPath + ":144:2,1", "--wallpaper", wp.whole + ":1", "--scale",
                      "2", "--out", wp.dir.File("c.png")})
                  .status,
              0);
    VLM::TScreen screen;
    screen.putwpfn(wp.whole), screen.DrawWallPaper(1);
    screen.putbgfn(bgPath), screen.DrawBackGround(bg.indices[0]);
    screen.putchfn(chPath), screen.DrawCharacter(144);
    screen.DrawCharacter(144, 2), screen.DrawCharacter(144, 1);
    const VLMT::TPng png = VLMT::ReadPng(wp.dir.File("c.png"));
    EXPECT_EQ(png.colourType, 2);
    EXPECT_EQ(png.width, 640);
    EXPECT_EQ(png.samples, VLMX::ScreenPicture(screen.GetOffscreen(), 2).pixels);
}

TEST(CliProgress, ABarOnlyWhenStderrIsATerminalAndNotQuiet) {
    TWallPapers wp;
    const auto run = [&](const std::string& out, TWay way, bool quiet = false) {
        std::vector<std::string> args = {"export", wp.whole, "--pictures",
                                         "0-2",    "--out",  wp.dir.File(out)};
        if (quiet) args.push_back("--quiet");
        return RunCli(args, way);
    };
    const TRun bar = run("t", TWay::Terminal);
    EXPECT_EQ(bar.status, 0);
    EXPECT_TRUE(Contains(bar.err, "\r[")) << bar.err;
    EXPECT_TRUE(Contains(bar.err, " 3/3 pictures, ")) << bar.err;
    EXPECT_EQ(run("q", TWay::Terminal, true).err, "");

    const TRun piped = run("p", TWay::Program);
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
        const TChild child =
            Start({"export", path, "--out", out, "--scale", "16", "--pictures", list},
                  TWay::Program, "/dev/null", "/dev/null");
        // Strike once the first picture is out, while others are being written.
        const auto pictures = [&] {
            const auto files = VLMT::FilesIn(out);
            return std::count_if(files.begin(), files.end(), IsPng);
        };
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (pictures() < 1 && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ::kill(child.pid, signal);
        EXPECT_EQ(Wait(child.pid), 128 + signal);
        for (const std::string& f : VLMT::FilesIn(out)) {
            if (IsPng(f)) {
                EXPECT_TRUE(VLMT::IsWholePng(out + "/" + f)) << f;
            } else { // a temporary survives only a kill that allows no tidying up
                EXPECT_EQ(signal, SIGKILL) << f;
                EXPECT_EQ(f[0], '.') << f;
            }
        }
        EXPECT_GE(pictures(), 1);
        EXPECT_LT(pictures(), 40);
    }
}
