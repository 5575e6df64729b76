#include "fuzzsupport.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <unistd.h>

namespace VLMF {

namespace {

// TMPDIR when given (scripts/fuzz points it at a scratch folder on /dev/shm that it removes
// afterwards), else /dev/shm itself: the inputs and the character dump then live in memory.
std::string WorkDirParent() {
    const char* tmp = std::getenv("TMPDIR");
    if (tmp && *tmp) return tmp;
    return ::access("/dev/shm", W_OK | X_OK) == 0 ? "/dev/shm" : "/tmp";
}

struct TWorkDir {
    std::string path;
    TWorkDir() {
        std::string templ = WorkDirParent() + "/vlmfuzz-XXXXXX";
        if (!::mkdtemp(templ.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        path = templ;
    }
    ~TWorkDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

[[noreturn]] void Fail(const std::string& what) {
    std::perror(what.c_str());
    std::abort();
}

void WriteAll(int fd, int64_t offset, const uint8_t* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, data + done, size - done,
                                   static_cast<off_t>(offset + static_cast<int64_t>(done)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) Fail("pwrite");
        done += static_cast<size_t>(n);
    }
}

// The engine opens archives by path and knows their kind only by the last part of the name.
// Each name is created once and held open; every input then overwrites it in place, which on a
// memory file system costs no more than copying the bytes. (A link to /proc/self/fd/N of a
// memfd would do as well, but every open then resolves two more names.)
struct THeldFile {
    std::string path;
    int fd = -1;
};

THeldFile& HeldFile(const std::string& relative) {
    static std::map<std::string, THeldFile> files;
    if (const auto it = files.find(relative); it != files.end()) return it->second;
    THeldFile file;
    file.path = WorkDir() + "/" + relative;
    std::filesystem::create_directories(std::filesystem::path(file.path).parent_path());
    file.fd = ::open(file.path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (file.fd < 0) Fail(file.path);
    return files.emplace(relative, std::move(file)).first->second;
}

class TQuietInterface : public VLM::TUserInterface {
public:
    void MessageBox(const std::string&, const std::string&) override {}
    void InformationDialog(const std::string&) override {}
    void Terminate() override {}
};

TQuietInterface quiet;

} // namespace

const std::string& WorkDir() {
    static TWorkDir dir;
    return dir.path;
}

const std::string& WriteFileAt(const std::string& relative, int64_t offset, const uint8_t* data,
                               size_t size) {
    const THeldFile& file = HeldFile(relative);
    // Bytes left from the last input would show through the hole; without one, every byte
    // that stays is overwritten, so the pages are kept. (What this does depends on this input
    // alone: a branch on what the last one left would show the fuzzer coverage that is not
    // the input's.)
    if (offset > 0 && ::ftruncate(file.fd, 0) != 0) Fail("ftruncate");
    if (::ftruncate(file.fd, static_cast<off_t>(std::max<int64_t>(offset, 0) +
                                                static_cast<int64_t>(size))) != 0)
        Fail("ftruncate");
    WriteAll(file.fd, std::max<int64_t>(offset, 0), data, size);
    return file.path;
}

const std::string& WriteFile(const std::string& relative, const uint8_t* data, size_t size) {
    return WriteFileAt(relative, 0, data, size);
}

void Quiet() {
    static const std::string dumpPath = [] {
        const std::string path = WorkDir() + "/run.log";
        VLM::TCharacterBitmap::SetDumpPath(path);
        return path;
    }();
    VLM::SetUserInterface(&quiet);
    // Dumps append: each input starts without the file.
    ::unlink(dumpPath.c_str());
}

// ---- Canvas --------------------------------------------------------------------------------

void TCheckingCanvas::Read(const VLM::TPicture& picture, const VLM::TRect& r) {
    if (r.left < 0 || r.top < 0 || r.left > r.right || r.top > r.bottom ||
        r.right > picture.Width() || r.bottom > picture.Height()) {
        std::fprintf(stderr, "canvas given (%d, %d, %d, %d) of a %d x %d picture\n", r.left, r.top,
                     r.right, r.bottom, picture.Width(), picture.Height());
        std::abort();
    }
    if (r.left == r.right) return;
    // The ends of every row: enough for the address checks to see a picture of the wrong size.
    for (int y = r.top; y < r.bottom; ++y) {
        const uint16_t* row = picture.ScanLine(y);
        sum += row[r.left] + row[r.right - 1];
    }
}

void TCheckingCanvas::Draw(int, int, const VLM::TPicture& picture) {
    Read(picture, {0, 0, picture.Width(), picture.Height()});
}

void TCheckingCanvas::StretchDraw(const VLM::TRect&, const VLM::TPicture& picture) {
    Read(picture, {0, 0, picture.Width(), picture.Height()});
}

void TCheckingCanvas::CopyRect(const VLM::TRect&, const VLM::TPicture& picture,
                               const VLM::TRect& src) {
    Read(picture, src);
}

void TCheckingCanvas::FillBlack(const VLM::TRect&) {}

// ---- Layers --------------------------------------------------------------------------------

void DrawWallPaper(VLM::TWallPaperBitmap& w, VLM::TPicture& screen, TCheckingCanvas& canvas) {
    w.Draw(screen, 0, 0);
    w.Draw(canvas, 0, 0);
    w.Draw(canvas, VLM::TRect{0, 0, 640, 448}, VLM::TRect{8, 8, 72, 40});
    (void)w.GetCurrentName();
}

void DrawBackGround(VLM::TBackGroundBitmap& b, VLM::TPicture& screen, TCheckingCanvas& canvas) {
    b.Draw(screen, 16, 8, 0, 0, 288, 144);
    b.Draw(canvas, 0, 0);
    (void)b.GetCurrentName();
}

void DrawCharacter(VLM::TCharacterBitmap& c, VLM::TPicture& screen, TCheckingCanvas& canvas) {
    (void)c.GetCurrentName();
    // An element whose first row lies below the picture paints nothing; DrawElem only throws.
    // After the first such throw the others are left out: a garbled table has thousands of
    // them, and their throws would cost more than everything else the input does.
    bool threwBelow = false;
    for (int e = -1; e <= c.Elems; ++e) {
        (void)c.getElemLeft(e);
        (void)c.getElemWidth(e);
        (void)c.getElemHeight(e);
        (void)c.SameElemRect(0, e < 0 ? 0 : e);
        const bool below = int64_t{8} + c.getElemTop(e) >= screen.Height();
        if (below && threwBelow) continue;
        try {
            c.DrawElem(e, screen, 16, 8);
        } catch (const VLM::ERowRange&) {
            // An element reaching above or below the picture: the caller's business by design.
            threwBelow = threwBelow || below;
        }
    }
    // The viewer ends after the first dump, so composing stops there too; a dump of every
    // element of a large record would only measure the file system. A record of far more
    // elements than any real one (74) is not composed at all: its one dump lists them all,
    // which costs more than the rest of the input and reaches no code a small one does not.
    if (c.Elems <= 256)
        for (int e = 0; e < c.Elems; ++e)
            if (!c.ComposeElem(e)) break;
    c.Draw(canvas);
    c.Draw(canvas, VLM::TRect{0, 0, 16, 16}, VLM::TRect{0, 0, 8, 8});
    if (c.Elems <= 16) c.Draw(canvas, VLM::TRect{0, 0, 640, 448}); // composes every element
    try {
        c.Draw(screen, 16, 8);
    } catch (const std::runtime_error&) {
        // Not implemented for pictures, by design.
    }
}

// ---- Reader --------------------------------------------------------------------------------

const uint8_t* TReader::Take(size_t n) {
    const uint8_t* at = p;
    p += std::min(n, Left());
    return at;
}

uint8_t TReader::U8() {
    return Empty() ? 0 : *p++;
}

int32_t TReader::I32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v = v << 8 | U8();
    return static_cast<int32_t>(v);
}

} // namespace VLMF
