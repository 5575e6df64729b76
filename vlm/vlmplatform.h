// The engine's view of the platform: pictures, drawing surfaces, the desktop and files.
// Nothing here knows a windowing toolkit; the front end supplies TCanvas and TUserInterface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace VLM {

struct TRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0; // right, bottom exclusive
};

// Row access outside a picture.
class ERowRange : public std::out_of_range {
public:
    explicit ERowRange(int row);
};

// 15-bit picture: 2 bytes a pixel, 5-5-5 (red in bits 10-14), rows top-down.
class TPicture {
public:
    TPicture();                      // 0 x 0
    TPicture(int width, int height); // filled with 0 (black)
    int Width() const { return width; }
    int Height() const { return height; }
    void SetSize(int width, int height); // keeps nothing; new pixels are 0
    uint16_t* ScanLine(int y);           // throws ERowRange unless 0 <= y < Height()
    const uint16_t* ScanLine(int y) const;
    void FillBlack(const TRect& r); // clipped to the picture

private:
    int width = 0;
    int height = 0;
    std::vector<uint16_t> pixels;
};

class TCanvas { // a drawing surface (the main window's client area)
public:
    virtual ~TCanvas() = default;
    virtual void Draw(int x, int y, const TPicture& picture) = 0;            // unscaled
    virtual void StretchDraw(const TRect& dst, const TPicture& picture) = 0; // whole picture into dst
    virtual void CopyRect(const TRect& dst, const TPicture& picture,
                          const TRect& src) = 0; // src part into dst
    virtual void FillBlack(const TRect& r) = 0;
};

class TUserInterface { // what the engine asks of the desktop; the app installs one
public:
    virtual ~TUserInterface() = default;
    virtual void MessageBox(const std::string& text, const std::string& caption) = 0;
    virtual void InformationDialog(const std::string& text) = 0; // modal, centred
    virtual void Terminate() = 0; // ends when the loop regains control
};
void SetUserInterface(TUserInterface* ui); // null: a default that writes to stderr
TUserInterface& UserInterface();           // the one installed now (never null)

// ---- Files ---------------------------------------------------------------------------------

// Why the last load of a picture object failed, as one value with a readable text. The
// windows and the command-line tool report it; the engine itself shows nothing.
enum class TFailure : uint8_t {
    None,           // the last load succeeded, or none has run
    UnknownArchive, // the file name is not one of the archives this kind of picture reads
    NoSuchPicture,  // detail: the index asked for
    NotRegular,     // a directory, FIFO, socket or device
    CannotOpen,     // detail: errno
    NoRecord,       // no picture record found: not an archive of this kind
    CutShort,       // the record runs past the end of the file; detail: the file's size
    BadHeader,      // a header field out of range
    TooLarge,       // beyond a cap; detail: the cap
    ElementOutside, // detail: the element
    OutOfMemory,
};

struct TLoadError {
    TFailure kind = TFailure::None;
    int64_t detail = 0;
    bool Failed() const { return kind != TFailure::None; }
    std::string Text() const; // ASCII, e.g. "record cut short at byte 1200"
};

// Open and read failures of an archive load, with their reason; caught at the edge of each load.
class EReadError : public std::runtime_error {
public:
    explicit EReadError(TLoadError reason);
    const TLoadError& Reason() const { return reason; }

private:
    TLoadError reason;
};

// True when something exists at path (a load then tries to open it).
bool FileExists(const std::string& path);

// A read-only archive file. Only regular files open: a directory, FIFO, socket or device is
// an open failure, so a hostile name can never block or stream forever.
// Reads go through a small window buffer, so the loaders' 16-byte record searches cost a
// memory copy rather than a system call each.
class TFile {
public:
    explicit TFile(const std::string& path); // throws EReadError
    ~TFile();
    TFile(const TFile&) = delete;
    TFile& operator=(const TFile&) = delete;

    // Moves to an absolute position. A negative position cannot be reached: the position is
    // left as it was and false is returned. Positions past the end are allowed; reads fail.
    bool Seek(int64_t position);
    void SeekEnd();
    int64_t Position() const { return pos; }
    int64_t Size() const { return size; }
    // Reads exactly n bytes at the position and moves past them; fewer is an EReadError.
    void Read(void* buffer, size_t n);
    // Reads a big-endian 16-bit or 32-bit value.
    uint16_t ReadU16BE();
    uint32_t ReadU32BE();

private:
    void Fill(int64_t at, size_t bytes);
    void ReadDirect(uint8_t* out, size_t n);

    int fd = -1;
    int64_t pos = 0;
    int64_t size = 0;
    // Bytes [windowStart, windowStart + windowLength) of the file.
    std::unique_ptr<uint8_t[]> window;
    size_t windowCapacity = 0;
    int64_t windowStart = 0;
    size_t windowLength = 0;
    size_t fillSize = 0;  // bytes the last refill asked for
    int runFills = 0;     // refills in a row that went on where the last read stopped
    int64_t lastEnd = -1; // where the last read stopped
};

// ---- Paths ---------------------------------------------------------------------------------

// The file-name part of a path: after the last "\", ":" or "/". A 5C byte that is the second
// byte of a Shift-JIS double-byte character is not a separator.
std::string FileNamePart(const std::string& path);

// ASCII letters a-z to upper case; every other byte unchanged.
std::string UpperAscii(std::string text);

// The host form of a drive-letter path built into the program: on a POSIX host the drive is
// dropped and "\" becomes "/" ("c:\tmp\run.log" -> "/tmp/run.log").
std::string HostPath(const std::string& builtInPath);

} // namespace VLM
