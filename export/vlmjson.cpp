#include "vlmjson.h"

namespace VLMX {

namespace {

std::string Dump(const TJson& value) {
    return value.dump(-1, ' ', false, TJson::error_handler_t::replace);
}

} // namespace

std::string JsonLine(const TJson& object) {
    std::string line = "{";
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it != object.begin()) line += ", ";
        line += Dump(it.key()) + ": " + Dump(it.value());
    }
    return line + "}";
}

std::string JsonLines(const std::vector<TJson>& objects) {
    std::string text = "[\n";
    for (size_t i = 0; i < objects.size(); ++i)
        text += "  " + JsonLine(objects[i]) + (i + 1 < objects.size() ? ",\n" : "\n");
    return text + "]\n";
}

} // namespace VLMX
