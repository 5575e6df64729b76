#include "cliargs.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <limits>

namespace VLMC {

namespace {

// The name CLI11 knows the positional words by (a name without dashes is positional).
constexpr char PositionalName[] = "words";

// CLI11 tells two mistakes in words of its own, naming the option: a value missing at the end
// ("--out: 1 required TEXT missing") and a value given to a flag ("force was given a
// disallowed flag override").
std::string InOwnWords(const CLI::App& app, const std::string& what) {
    for (const CLI::Option* o : app.get_options()) {
        const std::string name = o->get_name();
        if (name.rfind("--", 0) != 0) continue;
        if (what.rfind(name + ":", 0) == 0) return name + " needs a value";
        if (what.rfind(name.substr(2) + " was given", 0) == 0) return name + " takes no value";
    }
    return what;
}

TUsageError UnknownOption(const std::string& word) {
    return TUsageError{"unknown option " + word.substr(0, word.find('='))};
}

bool IsNumber(const std::string& text) {
    return !text.empty() && text.size() <= 9 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at - start));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

} // namespace

TCommandLine::TCommandLine() : app(std::make_unique<CLI::App>()) {
    app->set_help_flag(); // --help is a word of the program, not of each command
    app->allow_extras();  // words it does not know are told below, in this program's words
}

TCommandLine::~TCommandLine() = default;

TCommandLine& TCommandLine::Words(std::vector<std::string>& words) {
    app->add_option(PositionalName, words);
    return *this;
}

TCommandLine& TCommandLine::Value(const std::string& name, std::string& value) {
    app->add_option(name, value)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    return *this;
}

TCommandLine& TCommandLine::Flag(const std::string& name, bool& set) {
    app->add_flag(name, set)->disable_flag_override();
    return *this;
}

void TCommandLine::Parse(const std::vector<std::string>& args) {
    // CLI11 takes the words last first.
    std::vector<std::string> words(args.rbegin(), args.rend());
    try {
        app->parse(words);
    } catch (const CLI::ArgumentMismatch& e) {
        throw TUsageError{InOwnWords(*app, e.what())};
    } catch (const CLI::ParseError& e) {
        throw TUsageError{e.what()};
    }
    const std::vector<std::string> unknown = app->remaining(); // "--" itself among them
    for (const std::string& word : unknown)
        if (word != "--") throw UnknownOption(word);
    // CLI11 takes a word such as "-1" or "---x" for a positional one, unless it knows an option
    // of that name; before "--" this program calls it an unknown option.
    const CLI::Option* positional = app->get_option_no_throw(PositionalName);
    if (!positional || std::find(unknown.begin(), unknown.end(), "--") != unknown.end()) return;
    for (const std::string& word : positional->results())
        if (word.size() > 1 && word[0] == '-') throw UnknownOption(word);
}

bool TCommandLine::Given(const std::string& name) const {
    return app->count(name) > 0;
}

int ParseNumber(const std::string& text, int low, int high, const std::string& what) {
    if (!IsNumber(text) || std::atoi(text.c_str()) < low || std::atoi(text.c_str()) > high)
        throw TUsageError{what + " must be a whole number from " + std::to_string(low) + " to " +
                          std::to_string(high) + ", not \"" + text + "\""};
    return std::atoi(text.c_str());
}

std::vector<int> ParsePictureList(const std::string& text, int count) {
    std::vector<int> pictures;
    const auto bad = [&](const std::string& why) {
        return TUsageError{"--pictures " + text + ": " + why};
    };
    if (count <= 0) throw bad("the archive holds no pictures");
    for (const std::string& item : Split(text, ',')) {
        const size_t dash = item.find('-');
        const std::string from = item.substr(0, dash);
        const std::string to = dash == std::string::npos ? from : item.substr(dash + 1);
        if (!IsNumber(from) || !(IsNumber(to) || (dash != std::string::npos && to.empty())))
            throw bad("expected numbers and ranges such as 0-9,499");
        const int first = std::atoi(from.c_str());
        const int last = to.empty() ? count - 1 : std::atoi(to.c_str());
        if (first > last) throw bad("range " + item + " runs backwards");
        if (last >= count)
            throw bad("picture " + std::to_string(last) + " is outside 0-" +
                      std::to_string(count - 1));
        for (int i = first; i <= last; ++i)
            pictures.push_back(i);
    }
    std::sort(pictures.begin(), pictures.end());
    pictures.erase(std::unique(pictures.begin(), pictures.end()), pictures.end());
    return pictures;
}

TLayerRef ParseLayerRef(const std::string& text, bool withElements, const std::string& option) {
    const auto bad = [&] {
        return TUsageError{option + " " + text + ": expected FILE:INDEX" +
                           (withElements ? "[:ELEMENT,ELEMENT,...]" : "")};
    };
    TLayerRef ref;
    std::string rest = text;
    // FILE:K:E,... when the last part is a list of numbers and the one before it a number too.
    if (withElements) {
        const size_t last = rest.rfind(':');
        const size_t before =
            last == std::string::npos || last == 0 ? std::string::npos : rest.rfind(':', last - 1);
        if (before != std::string::npos && IsNumber(rest.substr(before + 1, last - before - 1))) {
            const std::string list = rest.substr(last + 1);
            const std::vector<std::string> parts = Split(list, ',');
            if (list.empty() || std::all_of(parts.begin(), parts.end(), IsNumber)) {
                for (const std::string& p : parts)
                    if (!p.empty()) ref.elements.push_back(std::atoi(p.c_str()));
                rest.resize(last);
            }
        }
    }
    const size_t colon = rest.rfind(':');
    if (colon == std::string::npos || colon == 0 || !IsNumber(rest.substr(colon + 1))) throw bad();
    ref.file = rest.substr(0, colon);
    ref.index = std::atoi(rest.c_str() + colon + 1);
    return ref;
}

} // namespace VLMC
