#include "cliargs.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <limits>

namespace VLMC {

namespace {

bool Contains(const std::vector<std::string>& list, const std::string& word) {
    return std::find(list.begin(), list.end(), word) != list.end();
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

bool TArguments::Has(const std::string& flag) const {
    return Contains(flags, flag);
}

std::string TArguments::Value(const std::string& option, const std::string& fallback) const {
    const auto it = values.find(option);
    return it == values.end() ? fallback : it->second;
}

TArguments ParseArguments(const std::vector<std::string>& args,
                          const std::vector<std::string>& valueOptions,
                          const std::vector<std::string>& flagOptions) {
    TArguments parsed;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            parsed.words.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        const size_t equals = word.find('=');
        const std::string name = word.substr(0, equals);
        if (Contains(flagOptions, name)) {
            if (equals != std::string::npos) throw TUsageError{name + " takes no value"};
            parsed.flags.push_back(name);
        } else if (Contains(valueOptions, name)) {
            if (equals != std::string::npos) {
                parsed.values[name] = word.substr(equals + 1);
            } else {
                if (i + 1 >= args.size()) throw TUsageError{name + " needs a value"};
                parsed.values[name] = args[++i];
            }
        } else {
            throw TUsageError{"unknown option " + name};
        }
    }
    return parsed;
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
