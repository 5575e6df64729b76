// Files written whole or not at all: the bytes go to a temporary name in the target's own
// folder and are renamed into place, so a reader (or an interrupted run) never sees a part.
#pragma once

#include <cstddef>
#include <string>

namespace VLMX {

struct TWriteResult {
    enum TStatus { Written, Exists, Failed } status = Written;
    int error = 0; // errno of a failure
    bool Ok() const { return status == Written; }
    // "exists (use --force to replace it)", or the system's text of the failure.
    std::string Text() const;
};

// Writes size bytes to path. An existing path is replaced only when overwrite is set, and an
// existing one is never touched otherwise, even when it appears while the bytes are written.
// On any failure the temporary file is removed and path is as it was.
TWriteResult WriteFileAtomic(const std::string& path, const void* data, size_t size,
                             bool overwrite);

// Renames from to to, replacing an existing to only when overwrite is set (EEXIST otherwise);
// errno on failure, else 0.
int RenameInto(const std::string& from, const std::string& to, bool overwrite);

// Makes the folder (and its parents) unless it exists; errno on failure, else 0.
int MakeFolder(const std::string& path);

} // namespace VLMX
