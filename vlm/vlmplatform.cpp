#include "vlmplatform.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace VLM {

ERowRange::ERowRange(int row) : std::out_of_range("row " + std::to_string(row) + " out of range") {}

// ---- TPicture ------------------------------------------------------------------------------

TPicture::TPicture() = default;

TPicture::TPicture(int w, int h) { SetSize(w, h); }

void TPicture::SetSize(int w, int h) {
    width = std::max(w, 0);
    height = std::max(h, 0);
    const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
    // A larger picture lets go of the old pixels first instead of briefly holding both.
    if (n > pixels.capacity()) std::vector<uint16_t>().swap(pixels);
    pixels.assign(n, 0);
}

uint16_t* TPicture::ScanLine(int y) {
    if (y < 0 || y >= height) throw ERowRange(y);
    return pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
}

const uint16_t* TPicture::ScanLine(int y) const {
    if (y < 0 || y >= height) throw ERowRange(y);
    return pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
}

void TPicture::FillBlack(const TRect& r) {
    const int left = std::max(r.left, 0), right = std::min(r.right, width);
    const int top = std::max(r.top, 0), bottom = std::min(r.bottom, height);
    if (left >= right) return;
    for (int y = top; y < bottom; ++y) {
        uint16_t* row = pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
        // Black is all zero bytes; one call a row (a per-pixel loop is what sanitizers slow).
        std::memset(row + left, 0, static_cast<size_t>(right - left) * sizeof(uint16_t));
    }
}

// ---- User interface ------------------------------------------------------------------------

namespace {

class TStderrInterface : public TUserInterface {
public:
    void MessageBox(const std::string& text, const std::string& caption) override {
        std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
    }
    void InformationDialog(const std::string& text) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    void Terminate() override { std::fprintf(stderr, "termination requested\n"); }
};

TStderrInterface stderrInterface;
TUserInterface* installed = nullptr;

} // namespace

void SetUserInterface(TUserInterface* ui) { installed = ui; }

TUserInterface& UserInterface() { return installed ? *installed : stderrInterface; }

// ---- Files ---------------------------------------------------------------------------------

namespace {
// A refill reads WindowSize bytes. Once reads have run on from where the last one stopped for
// two refills (the bands of a wide picture), each further refill reads twice as much, up to
// MaxWindowSize, so a long run costs a few large reads instead of a system call per piece; a
// short run (a record's element pixels) reads no more than it did.
constexpr size_t WindowSize = 16384;
constexpr size_t MaxWindowSize = 65536;
} // namespace

std::string TLoadError::Text() const {
    switch (kind) {
    case TFailure::None:
        return "ok";
    case TFailure::UnknownArchive:
        return "not an archive name of this kind";
    case TFailure::NoSuchPicture:
        return "no picture " + std::to_string(detail) + " in this archive";
    case TFailure::NotRegular:
        return "not a regular file";
    case TFailure::CannotOpen:
        return std::string("cannot open (") + std::strerror(static_cast<int>(detail)) + ")";
    case TFailure::NoRecord:
        return "no picture record found - not an archive of this kind";
    case TFailure::CutShort:
        return "record cut short at byte " + std::to_string(detail);
    case TFailure::BadHeader:
        return "header field out of range";
    case TFailure::TooLarge:
        return "too large (limit " + std::to_string(detail) + ")";
    case TFailure::ElementOutside:
        return "element " + std::to_string(detail) + " outside its picture";
    case TFailure::OutOfMemory:
        return "out of memory";
    }
    return "unknown failure";
}

EReadError::EReadError(TLoadError why) : std::runtime_error(why.Text()), reason(why) {}

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

TFile::TFile(const std::string& path) {
    // O_NONBLOCK keeps open() of a FIFO from waiting for a writer; it is refused below anyway.
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) throw EReadError({TFailure::CannotOpen, errno});
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        fd = -1;
        throw EReadError({TFailure::NotRegular, 0});
    }
    size = st.st_size;
}

TFile::~TFile() {
    if (fd >= 0) ::close(fd);
}

bool TFile::Seek(int64_t position) {
    if (position < 0) return false;
    pos = position;
    return true;
}

void TFile::SeekEnd() { pos = size; }

void TFile::Fill(int64_t at, size_t bytes) {
    if (windowCapacity < bytes) {
        window.reset(new uint8_t[bytes]); // no zero fill: every byte used is read first
        windowCapacity = bytes;
    }
    windowStart = at;
    windowLength = 0;
    while (windowLength < bytes) {
        const ssize_t got = ::pread(fd, window.get() + windowLength, bytes - windowLength,
                                    static_cast<off_t>(at + static_cast<int64_t>(windowLength)));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        windowLength += static_cast<size_t>(got);
    }
}

void TFile::Read(void* buffer, size_t n) {
    if (n == 0) return;
    auto* out = static_cast<uint8_t*>(buffer);
    if (pos < 0 || pos > size || n > static_cast<uint64_t>(size - pos))
        throw EReadError({TFailure::CutShort, size});
    const bool inWindow =
        pos >= windowStart &&
        pos + static_cast<int64_t>(n) <= windowStart + static_cast<int64_t>(windowLength);
    if (!inWindow) {
        runFills = pos == lastEnd ? runFills + 1 : 0;
        fillSize = runFills >= 2 ? std::min(fillSize * 2, MaxWindowSize) : WindowSize;
        if (n > fillSize / 2) {
            ReadDirect(out, n); // a large piece goes straight to the caller
            return;
        }
        Fill(pos, fillSize);
    }
    const size_t from = static_cast<size_t>(pos - windowStart);
    // The file shrank under us.
    if (from + n > windowLength) throw EReadError({TFailure::CutShort, windowStart + int64_t(windowLength)});
    std::memcpy(out, window.get() + from, n);
    pos += static_cast<int64_t>(n);
    lastEnd = pos;
}

void TFile::ReadDirect(uint8_t* out, size_t n) {
    size_t done = 0;
    while (done < n) {
        const ssize_t got =
            ::pread(fd, out + done, n - done, static_cast<off_t>(pos + static_cast<int64_t>(done)));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) throw EReadError({TFailure::CutShort, pos + static_cast<int64_t>(done)});
        done += static_cast<size_t>(got);
    }
    pos += static_cast<int64_t>(n);
    lastEnd = pos;
}

uint16_t TFile::ReadU16BE() {
    uint8_t b[2];
    Read(b, 2);
    return static_cast<uint16_t>(b[0] << 8 | b[1]);
}

uint32_t TFile::ReadU32BE() {
    uint8_t b[4];
    Read(b, 4);
    return uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | b[3];
}

// ---- Paths ---------------------------------------------------------------------------------

namespace {
bool IsShiftJisLead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
} // namespace

std::string FileNamePart(const std::string& path) {
    size_t start = 0;
    bool trail = false;
    for (size_t i = 0; i < path.size(); ++i) {
        const auto b = static_cast<uint8_t>(path[i]);
        const bool isTrail = trail;
        trail = !isTrail && IsShiftJisLead(b);
        if (b == '/' || b == ':' || (b == '\\' && !isTrail)) start = i + 1;
    }
    return path.substr(start);
}

std::string UpperAscii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::string HostPath(const std::string& builtInPath) {
    std::string path = builtInPath;
    if (path.size() >= 2 && path[1] == ':' &&
        ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z')))
        path.erase(0, 2);
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

} // namespace VLM
