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

TEST(CliArguments, PictureListsNameEachPictureOnceAndLayersTakeTheirNumbersFromTheEnd) {
    EXPECT_EQ(VLMC::ParsePictureList("0-3,499,2,497-", 500),
              (std::vector<int>{0, 1, 2, 3, 497, 498, 499}));
    EXPECT_EQ(VLMC::ParsePictureList("7", 8), std::vector<int>{7});
    for (const char* bad : {"", "5-3", "1,,2", "-4", "a", "0-500", "500", "1-2-3", "99999999999"})
        EXPECT_THROW(VLMC::ParsePictureList(bad, 500), VLMC::TUsageError) << bad;

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

// Each command's exit status, what it says, what it lists and what it writes.
TEST(CliRuns, ZeroOneOrTwoAsTheOutcomeDeserves) {
    const VLMT::TWallPapers wp;
    const auto bg = VLMT::SpacedBackGrounds({{296, 152}}, 12);
    const std::string bgPath = wp.dir.Write("NBGFILE1.ALL", bg.bytes);
    const std::string chPath = VLMT::CharacterArchive(wp.dir, {VLMT::Character()});
    const std::string out = wp.dir.File("out"), kept = wp.dir.File("kept"),
                      forced = wp.dir.File("forced"), afile = wp.dir.File("afile");
    std::ofstream(afile) << "x";
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
        std::string err;                   // in stderr's first line
        std::vector<std::string> out = {}; // parts of stdout, empty when none
    } cases[] = {
        {{"--version"}, 0, "", {"velmora-cli 1.1.0\n"}},
        {{"--help"}, 0, "", {"Exit status: 0 all written"}},
        {{}, 2, "no command given"},
        {{"show"}, 2, "unknown command \"show\""},
        {{"export", wp.whole}, 2, "export needs --out DIR"},
        {{"export", wp.whole, "--out", out, "--scale", "17"}, 2, "--scale must be"},
        {{"export", wp.whole, "--out", out, "--fast"}, 2, "unknown option --fast"},
        {{"export", wp.whole, "--out"}, 2, "--out needs a value"},
        {{"list", wp.whole, "--json=yes"}, 2, "--json takes no value"},
        {{"export", wp.whole, "--out", out, "--pictures", "0-34"}, 2, "picture 34 is outside 0-33"},
        {{"export", afile, "--out", out}, 2, "not an archive the viewer reads"},
        {{"export", wp.dir.File("none/NCDAT.ALL"), "--out", out}, 2, "cannot be opened"},
        {{"export", wp.dir.File("dir/NCDAT.ALL"), "--out", out}, 2, "cannot be opened"},
        {{"export", wp.whole, "--out", afile + "/x"}, 2, "Not a directory"},
        {{"export", wp.whole, "--out=" + out, "--pictures=0-1", "--quiet"}, 0, ""},
        {{"export", wp.cut, "--out", wp.dir.File("o2"), "--pictures", "0-3"}, 1, "picture 2: "},
        // A file in the way is kept, and named; the other pictures are still written.
        {{"export", wp.whole, "--out", kept, "--pictures", "0,1"},
         2,
         kept + "/001.png: exists (use --force to replace it)"},
        {{"export", wp.whole, "--out", forced, "--pictures", "0,1", "--force"},
         0,
         "2 of 2 pictures written to " + forced + " (2 files, "},
        {{"export", chPath, "--out", out, "--format", "ora", "--scale", "2"},
         2,
         "--scale applies to png and sheet, not to ora"},
        {{"export", chPath, "--out", out, "--format", "psd"}, 2, "--format must be png, ora,"},
        {{"export", wp.whole, "--out", out, "--format", "sheet"}, 2, "takes a character archive"},
        {{"export", chPath, "--out", wp.dir.File("o3"), "--format", "aseprite", "--pictures",
          "144"},
         0,
         "1 of 1 pictures written to"},
        {{"list", wp.full}, 0, "", {"\tok\t" + name + "\n"}}, // names in UTF-8
        {{"list", wp.cut},
         1,
         "32 of 34 pictures could not be read",
         {"\n1\t75776\t320\t224\t-\tok\t(undefined)\n"
          "2\t-\t-\t-\t-\trecord cut short at byte 191552\t(undefined)\n",
          "\n33\t-\t-\t-\t-\t"}},
        {{"list", wp.whole, "--json"},
         1,
         "31 of 34",
         {"[\n  {\"index\": 0, \"offset\": 0, \"width\": 320, \"height\": 224, \"elements\": "
          "null, \"status\": \"ok\", \"name\": \"(undefined)\"},\n",
          "{\"index\": 33, \"offset\": null", "\"(undefined)\"}\n]\n"}},
        {{"compose", "--background", wp.whole + ":0", "--out", wp.dir.File("c.png")},
         2,
         "not a background archive"},
        {{"compose", "--wallpaper", wp.whole + ":0"}, 2, "compose needs --out"},
        // A layer that cannot be read is named and left as the compositor leaves it.
        {{"compose", "--wallpaper", wp.cut + ":2", "--out", wp.dir.File("c2.png")},
         1,
         "wallpaper 2: record cut short"},
        // The wallpaper named last is drawn first; the elements go in in the order given.
        {{"compose", "--background", bgPath + ":" + std::to_string(bg.indices[0]), "--character",
          chPath + ":144:2,1", "--wallpaper", wp.whole + ":1", "--scale", "2", "--out",
          wp.dir.File("c.png")},
         0,
         ""},
    };
    for (const auto& c : cases) {
        std::string line;
        for (const auto& a : c.args)
            line += a + " ";
        SCOPED_TRACE(line);
        const TRun run = RunCli(c.args);
        EXPECT_EQ(run.status, c.status) << run.err;
        // A message comes first (no bar when stderr is not a terminal), or nothing at all.
        const std::string first = run.err.substr(0, run.err.find('\n'));
        EXPECT_TRUE(c.err.empty() ? run.err.empty()
                                  : first.rfind("velmora-cli: ", 0) == 0 && Contains(first, c.err))
            << run.err;
        EXPECT_EQ(run.out.empty(), c.out.empty()) << run.out;
        for (const std::string& part : c.out)
            EXPECT_TRUE(Contains(run.out, part)) << run.out;
    }
    EXPECT_EQ(VLMT::Slurp(kept + "/001.png"), "mine");
    for (const std::string& folder : {wp.dir.File("o2"), kept, forced})
        EXPECT_EQ(VLMT::FilesIn(folder), (std::vector<std::string>{"000.png", "001.png"}));
    for (const std::string& file : {kept + "/000.png", forced + "/001.png", wp.dir.File("c2.png")})
        EXPECT_TRUE(VLMT::IsWholePng(file)) << file;

    // The composed picture is the compositor's, widened to RGB.
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

// A character whose element reaches outside its picture: the export library dumps it on the
// calling thread, as the viewer does, and hands the dump back; velmora-cli prints it. Neither
// tells the desktop or ends the batch.
TEST(CliExport, AnElementOutsideItsPictureIsDumpedReportedAndPassedBy) {
    VLMT::TTempDir dir;
    VLMT::TRecordingInterface ui;
    const std::string log = dir.File("run.log");
    VLM::TCharacterBitmap::SetDumpPath(log);
    const std::string path = VLMT::CharacterArchive(dir, {VLMT::ReachingOut(), VLMT::Character()});
    VLMX::MakeFolder(dir.File("lib"));
    VLMX::TExportOptions options;
    options.threads = 2;
    const auto r = VLMX::ExportPictures(VLM::TLayerKind::Character, path, {144, 126},
                                        dir.File("lib"), options);
    const TRun run =
        RunCli({"export", path, "--out", dir.File("cli"), "--pictures", "126,144", "--quiet"},
               TWay::InProcess);

    ASSERT_EQ(r.failures.size(), 1u);
    EXPECT_EQ(r.failures[0].index, 144);
    EXPECT_EQ(r.failures[0].reason, "element 1 reaches outside the picture");
    // The dump the viewer writes, of the right character, in the file (once by each export)
    // and in the report; the desktop is not told.
    EXPECT_NE(r.failures[0].dump.find("\tElems:  2\n\r"), std::string::npos);
    EXPECT_EQ(VLMT::Slurp(log), r.failures[0].dump + r.failures[0].dump);
    EXPECT_TRUE(ui.dialogs.empty());
    EXPECT_EQ(ui.terminations, 0);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(
        Contains(run.err, "diagnostic dump (also in " + log + "):\n" + path + ":0\n\tLeft:   10\n"))
        << run.err;
    for (const char* out : {"lib", "cli"})
        EXPECT_EQ(VLMT::FilesIn(dir.File(out)),
                  std::vector<std::string>{VLMT::Stem(126, VLM::CharacterNames) + ".png"});

    // A listing tells what an export would, without a dump.
    const auto picture = VLM::NewPicture(VLM::TLayerKind::Character, path);
    const VLMX::TPictureInfo outside = VLMX::Inspect(*picture, 144),
                             good = VLMX::Inspect(*picture, 126);
    EXPECT_TRUE(outside.read && !outside.ok);
    EXPECT_EQ(outside.reason, "element 1 reaches outside the picture");
    EXPECT_TRUE(good.ok && good.width == 24 && good.elements == 4);
    EXPECT_FALSE(VLMX::Inspect(*picture, 3).read);
    EXPECT_EQ(VLMT::Slurp(log).size(), 2 * r.failures[0].dump.size());
    VLM::TCharacterBitmap::SetDumpPath("");
}

TEST(CliProgress, ABarOnlyWhenStderrIsATerminalAndNotQuiet) {
    const VLMT::TWallPapers wp;
    const TRun bar = RunCli({"export", wp.whole, "--pictures", "0-2", "--out", wp.dir.File("t")},
                            TWay::Terminal);
    EXPECT_EQ(bar.status, 0);
    EXPECT_TRUE(Contains(bar.err, "\r[") && Contains(bar.err, " 3/3 pictures, ")) << bar.err;
    EXPECT_EQ(
        RunCli({"export", wp.whole, "--pictures", "0-2", "--out", wp.dir.File("q"), "--quiet"},
               TWay::Terminal)
            .err,
        "");
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
