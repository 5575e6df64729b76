// The command line of velmora-cli: each command's options, declared, and the picture lists and
// layer references they take.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace VLMC {

// Exit statuses.
constexpr int ExitOk = 0;
constexpr int ExitUnreadable = 1; // some pictures could not be read; the others were written
constexpr int ExitTrouble = 2;    // usage, an archive that cannot be opened, an output refused

// A usage error; its text goes to stderr with a pointer to --help.
struct TUsageError {
    std::string text;
};

// One command's words, declared: positional words, options that take a value ("--out DIR" or
// "--out=DIR"; the last one given counts) and flags. Each is bound to a variable of the
// caller's, which keeps what it held when the command line does not give it. A word after "--"
// is positional whatever it looks like.
class TCommandLine {
public:
    TCommandLine();
    ~TCommandLine();
    TCommandLine(const TCommandLine&) = delete;
    TCommandLine& operator=(const TCommandLine&) = delete;

    TCommandLine& Words(std::vector<std::string>& words);
    TCommandLine& Value(const std::string& name, std::string& value);
    TCommandLine& Flag(const std::string& name, bool& set);
    // Throws TUsageError: "unknown option --fast", "--out needs a value", "--force takes no
    // value".
    void Parse(const std::vector<std::string>& args);
    // Whether the command line gave option name (after Parse).
    bool Given(const std::string& name) const;

private:
    std::unique_ptr<CLI::App> app;
};

// A whole number in [low, high] from text, or TUsageError naming what.
int ParseNumber(const std::string& text, int low, int high, const std::string& what);

// "0-9,499,600-": pictures of an archive of count pictures, ascending, each once. "A-" runs to
// the last picture. Throws TUsageError for a malformed list or an index outside the archive.
std::vector<int> ParsePictureList(const std::string& text, int count);

// FILE:I, or for characters FILE:K:E,E,... The file name may itself hold ":"; the numbers are
// taken from the end. Throws TUsageError.
struct TLayerRef {
    std::string file;
    int index = 0;
    std::vector<int> elements;
};
TLayerRef ParseLayerRef(const std::string& text, bool withElements, const std::string& option);

} // namespace VLMC
