// The command line of velmora-cli: options, picture lists and layer references.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace VLMC {

// Exit statuses.
constexpr int ExitOk = 0;
constexpr int ExitUnreadable = 1; // some pictures could not be read; the others were written
constexpr int ExitTrouble = 2;    // usage, an archive that cannot be opened, an output refused

// A usage error; its text goes to stderr with a pointer to --help.
struct TUsageError {
    std::string text;
};

// The words after the command: positional words in order, options by name ("--scale"). An
// option takes its value from "--name=value" or from the next word; a flag takes none.
struct TArguments {
    std::vector<std::string> words;
    std::map<std::string, std::string> values;
    std::vector<std::string> flags;

    bool Has(const std::string& flag) const;
    // The value of option, or fallback when it was not given.
    std::string Value(const std::string& option, const std::string& fallback = "") const;
};
// Throws TUsageError for an option not in valueOptions or flagOptions, or one without value.
TArguments ParseArguments(const std::vector<std::string>& args,
                          const std::vector<std::string>& valueOptions,
                          const std::vector<std::string>& flagOptions);

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
