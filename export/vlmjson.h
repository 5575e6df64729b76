// The JSON this program writes (velmora-cli list --json, elements.json): an array of objects,
// one a line, keys in the order they were set. nlohmann writes every key and value; the layout
// around them is this program's own, as nlohmann's compact form has no space after ':' and ','.
//
//   [
//     {"index": 0, "name": "..."},
//     {"index": 1, "name": "..."}
//   ]
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace VLMX {

using TJson = nlohmann::ordered_json;

// {"key": value, "key": value}, without a line end. Bytes that are no UTF-8 become U+FFFD.
std::string JsonLine(const TJson& object);

// The objects as the array above, ending in a line end ("[\n]\n" when there are none).
std::string JsonLines(const std::vector<TJson>& objects);

} // namespace VLMX
