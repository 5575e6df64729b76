// Exporting the pictures of an archive as PNG files, for the command-line tool and the viewer
// alike: one picture, or a list of them on every core with progress and cancelling.
//
// What one picture gives, in folder DIR (NNN-NAME from PictureStem):
//   wallpaper, background  DIR/NNN-NAME.png   the stored indices and palette, whole
//   character              DIR/NNN-NAME.png   the default elements on a transparent ground
//     with elements, also  DIR/NNN-NAME/EE.png (every element) and DIR/NNN-NAME/elements.json
//   character in a layered format or as a sheet: the files vlmlayered.h names
#pragma once

#include "vlmbitmap.h"
#include "vlmimage.h"
#include "vlmlayered.h"
#include "vlmlayers.h"
#include "vlmwrite.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace VLMX {

// What a picture holds once loaded, for listings.
struct TPictureInfo {
    int index = 0;
    bool ok = false;    // read, and exportable
    bool read = false;  // read: the fields below are known (a character may still not fit)
    std::string reason; // why it is not ok (ASCII); empty when ok
    int32_t offset = 0; // record start
    int width = 0;      // the stored picture; a character's work picture
    int height = 0;
    int elements = -1; // characters only
    std::string name;  // display name, UTF-8
};
// Selects picture index on picture (the archive's own object, which keeps it loaded).
TPictureInfo Inspect(VLM::TBitmap& picture, int index);

// The image a picture is exported as: the stored picture, or a character with its default
// elements. picture must be loaded. A character element outside the work picture gives an
// empty image and its index in outside.
TImage ExportImage(const VLM::TBitmap& picture, int* outside = nullptr);

// Writes image as a PNG file; the viewer's "Save picture" uses this with overwrite set once the
// user has agreed to replace a file.
struct TFileResult {
    TWriteResult write;
    int64_t bytes = 0;
    std::string problem; // the encoder's refusal (too large); write is then Failed
    bool Ok() const { return problem.empty() && write.Ok(); }
    std::string Text() const { return problem.empty() ? write.Text() : problem; }
};
TFileResult WritePng(const TImage& image, const std::string& path, int scale, bool overwrite);

struct TExportOptions {
    int scale = 1;          // 1 to MaxScale
    bool elements = false;  // characters: every element and elements.json as well
    bool overwrite = false; // replace existing files
    int threads = 0;        // 0: one per core
    // Characters only; the layered formats take no scale and no elements.
    TExportFormat format = TExportFormat::Png;
};

// An element of no pixels, which a layered file or a sheet leaves out.
struct TLeftOut {
    int index = 0;
    int element = 0;
};

struct TPictureFailure {
    enum TKind {
        Unreadable, // the picture (or a character's default elements) could not be read
        Exists,     // a file is there and overwrite is off
        CannotWrite // the folder refused a file: the export stops
    } kind = Unreadable;
    int index = 0;
    std::string file;   // the file concerned (Exists, CannotWrite)
    std::string reason; // readable, ASCII
    // A character whose elements do not fit: the diagnostic dump appended to its file for it
    // (code page 932, LF CR line ends), for the caller to show. Empty otherwise.
    std::string dump;
};

struct TExportReport {
    int total = 0;   // pictures asked for
    int done = 0;    // pictures finished, whatever came of them
    int written = 0; // pictures all of whose files were written
    int64_t files = 0;
    int64_t bytes = 0;
    std::vector<TPictureFailure> failures; // in picture order
    std::vector<TLeftOut> leftOut;         // likewise
    bool cancelled = false;
    bool Unreadable() const;  // some picture could not be read
    bool WriteFailed() const; // some file was not written (exists or refused)
};

// Called on the calling thread after pictures finish and at least ten times a second while
// they run; false asks to stop: pictures under way still finish (every file is whole), no
// other starts.
//
// A character whose elements do not fit its picture is reported as unreadable, and its
// diagnostic dump is appended to the dump file on the calling thread, as the viewer does for
// it; the dump's text comes back in the failure. The export never calls VLM::UserInterface().
using TProgress = std::function<bool(int done, int total)>;

// Exports pictures (indices of the archive, each once, in any order) into folder, which must
// exist; archive is read as a kind archive (VLM::LayerKindOf tells it). The pictures are read and
// written on options.threads threads; progress and the diagnostic dumps stay on the calling
// thread, so a window may answer progress directly.
TExportReport ExportPictures(VLM::TLayerKind kind, const std::string& archive,
                             const std::vector<int>& pictures, const std::string& folder,
                             const TExportOptions& options, const TProgress& progress = {});

} // namespace VLMX
