#include "vlmnaming.h"

#include "vlmbitmap.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <iconv.h>
#include <memory>

namespace VLMX {

namespace {

// The longest file name the host's folders take, in bytes.
constexpr size_t MaxFileName = 255;
constexpr char Replacement[] = "\xEF\xBF\xBD"; // U+FFFD

struct TIconvClose {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

// glibc knows Microsoft's code page as CP932; other C libraries call it by its older names.
std::unique_ptr<void, TIconvClose> OpenDecoder() {
    for (const char* name : {"CP932", "WINDOWS-31J", "SHIFT_JIS", "SJIS"}) {
        iconv_t cd = iconv_open("UTF-8", name);
        if (cd != reinterpret_cast<iconv_t>(-1)) return {cd, {}};
    }
    return {nullptr, {}};
}

// Bytes below 0x80 as they are, the rest as U+FFFD: what is left when no decoder exists.
std::string AsciiOnly(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x80)
            out += static_cast<char>(c);
        else
            out += Replacement;
    }
    return out;
}

// Length of the UTF-8 character that starts with lead (1 for a stray continuation byte).
size_t CharLength(unsigned char lead) {
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

} // namespace

std::string Cp932ToUtf8(const std::string& cp932) {
    const auto decoder = OpenDecoder();
    if (!decoder) return AsciiOnly(cp932);
    iconv_t cd = static_cast<iconv_t>(decoder.get());
    std::string out;
    std::string in = cp932;
    char* inp = in.data();
    size_t inLeft = in.size();
    char buffer[256];
    while (inLeft > 0) {
        char* outp = buffer;
        size_t outLeft = sizeof buffer;
        const size_t rc = iconv(cd, &inp, &inLeft, &outp, &outLeft);
        out.append(buffer, static_cast<size_t>(outp - buffer));
        if (rc != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) continue;
        // EILSEQ: no character; EINVAL: a lead byte cut off by the end of the text.
        out += Replacement;
        ++inp, --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

std::string PictureStem(int index, const std::string& cp932Name, size_t suffix) {
    char number[16];
    std::snprintf(number, sizeof number, "%03d", index);
    std::string stem = number;
    if (cp932Name.empty() || cp932Name == VLM::UndefinedName) return stem;
    std::string name;
    const std::string utf8 = Cp932ToUtf8(cp932Name);
    for (size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        size_t n = std::min(CharLength(c), utf8.size() - i);
        // C1 controls (U+0080 to U+009F) are C2 80 to C2 9F.
        const bool c1 = c == 0xC2 && n == 2 && static_cast<unsigned char>(utf8[i + 1]) < 0xA0;
        if (c < 0x20 || c == 0x7F || c == '/' || c1)
            name += '_';
        else
            name.append(utf8, i, n);
        i += n;
    }
    // Room for "NNN-", the name and the suffix (a folder of elements drops it).
    const size_t room = MaxFileName - stem.size() - 1 - suffix;
    if (name.size() > room) {
        size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name.resize(cut);
    }
    return stem + "-" + name;
}

std::string ElementFileName(int element) {
    char name[32];
    std::snprintf(name, sizeof name, "%02d.png", element);
    return name;
}

} // namespace VLMX
