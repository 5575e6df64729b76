#include "vlmwrite.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace VLMX {

namespace {

std::atomic<unsigned> temporaryCount{0};

// ".NAME.PID-N.tmp" beside path: hidden, and never mistaken for a finished picture. Long names
// are shortened so that the temporary name still fits a folder entry.
std::string TemporaryName(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    if (base.size() > 200) base.resize(200);
    char tail[48];
    std::snprintf(tail, sizeof tail, ".%ld-%u.tmp", static_cast<long>(::getpid()),
                  temporaryCount.fetch_add(1));
    return folder + "." + base + tail;
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool Unsupported(int error) {
    return error == EINVAL || error == ENOSYS || error == ENOTSUP;
}

// Renames from onto to unless to exists: in one step where the folder's file system can, by a
// second link where it has links, and by a look before the rename on the rest (FAT, say).
int RenameNoReplace(const char* from, const char* to) {
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
    if (!Unsupported(errno)) return errno;
    if (::link(from, to) == 0) {
        ::unlink(from);
        return 0;
    }
    if (errno != EPERM && !Unsupported(errno)) return errno;
    struct stat st {};
    if (::lstat(to, &st) == 0) return EEXIST;
    return ::rename(from, to) == 0 ? 0 : errno;
}

TWriteResult Failure(int error) {
    return {TWriteResult::Failed, error};
}

} // namespace

std::string TWriteResult::Text() const {
    switch (status) {
    case Written:
        return "written";
    case Exists:
        return "exists";
    case Failed:
        break;
    }
    return std::strerror(error);
}

TWriteResult WriteFileAtomic(const std::string& path, const void* data, size_t size,
                             bool overwrite) {
    struct stat st {};
    if (!overwrite && ::lstat(path.c_str(), &st) == 0) return {TWriteResult::Exists, EEXIST};

    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = TemporaryName(path);
        // The mode is left to the umask, as for any new file.
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0 && errno != EEXIST) return Failure(errno);
    }
    if (fd < 0) return Failure(EEXIST);

    const bool written = WriteAll(fd, static_cast<const uint8_t*>(data), size);
    const int writeError = errno;
    // close() reports what a network or quota-limited file system held back until now.
    const bool closed = ::close(fd) == 0;
    const int closeError = errno;
    if (!written || !closed) {
        ::unlink(temporary.c_str());
        return Failure(!written ? writeError : closeError);
    }
    const int error = overwrite ? (::rename(temporary.c_str(), path.c_str()) == 0 ? 0 : errno)
                                : RenameNoReplace(temporary.c_str(), path.c_str());
    if (error != 0) {
        ::unlink(temporary.c_str());
        if (error == EEXIST) return {TWriteResult::Exists, EEXIST};
        return Failure(error);
    }
    return {};
}

int RenameInto(const std::string& from, const std::string& to, bool overwrite) {
    if (!overwrite) return RenameNoReplace(from.c_str(), to.c_str());
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int MakeFolder(const std::string& path) {
    if (path.empty()) return ENOENT;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    const size_t slash = path.find_last_not_of('/') == std::string::npos
                             ? std::string::npos
                             : path.rfind('/', path.find_last_not_of('/'));
    if (slash != std::string::npos && slash > 0) {
        const int parent = MakeFolder(path.substr(0, slash));
        if (parent != 0) return parent;
    }
    if (::mkdir(path.c_str(), 0777) == 0 || errno == EEXIST) {
        if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return 0;
        return ENOTDIR;
    }
    return errno;
}

} // namespace VLMX
