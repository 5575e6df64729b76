#include "vlmexport.h"

#include "vlmbackground.h"
#include "vlmcharacter.h"
#include "vlmnaming.h"
#include "vlmpng.h"
#include "vlmwallpaper.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sys/stat.h>
#include <thread>

namespace VLMX {

namespace {

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string OutsideText(int element) {
    return "element " + std::to_string(element) + " reaches outside the picture";
}

// What became of one picture, handed from its worker to the calling thread.
struct TOutcome {
    int index = 0;
    bool written = false;
    int64_t files = 0;
    int64_t bytes = 0;
    std::vector<TPictureFailure> failures;
    bool stop = false; // the folder refused a file
    // A character whose element did not fit: the calling thread composes that element again,
    // which writes the diagnostic dump and tells the user interface.
    std::unique_ptr<VLM::TBitmap> dump;
    int dumpElement = -1;
};

class TPictureExport {
public:
    TPictureExport(TArchiveKind kind, const std::string& archive, const std::string& folder,
                   const TExportOptions& options, const std::atomic<bool>& stop)
        : kind(kind), archive(archive), folder(folder), options(options), stop(stop),
          picture(NewPicture(kind, archive)) {}

    TOutcome Run(int index) {
        TOutcome o;
        o.index = index;
        try {
            Export(o);
        } catch (const std::exception& e) {
            // Anything a load does not turn into a reason itself (a failed allocation in the
            // middle of drawing, say): this picture fails, the object starts afresh.
            Fail(o, TPictureFailure::Unreadable, "", e.what());
            picture = NewPicture(kind, archive);
        }
        return o;
    }

private:
    void Fail(TOutcome& o, TPictureFailure::TKind why, const std::string& file,
              const std::string& reason) {
        o.failures.push_back({why, o.index, file, reason});
        if (why == TPictureFailure::CannotWrite) o.stop = true;
    }

    // Writes one file; true when it was written. Existing files are gathered into one
    // failure a picture, as a character's elements can be many.
    bool Write(TOutcome& o, const std::string& path, const TFileResult& r) {
        if (r.Ok()) {
            ++o.files;
            o.bytes += r.bytes;
            return true;
        }
        if (!r.problem.empty()) {
            Fail(o, TPictureFailure::Unreadable, path, r.problem);
        } else if (r.write.status == TWriteResult::Exists) {
            if (existing++ == 0) {
                firstExisting = o.failures.size();
                Fail(o, TPictureFailure::Exists, path, r.Text());
            }
        } else {
            Fail(o, TPictureFailure::CannotWrite, path, r.Text());
        }
        return false;
    }

    void Export(TOutcome& o) {
        existing = 0;
        if (!picture) {
            Fail(o, TPictureFailure::Unreadable, "", "not an archive the viewer reads");
            return;
        }
        if (!picture->Select(o.index)) {
            Fail(o, TPictureFailure::Unreadable, "", picture->LoadError.Text());
            return;
        }
        const std::string stem = PictureStem(o.index, picture->GetName(o.index));
        int outside = -1;
        const TImage image = ExportImage(*picture, &outside);
        if (outside >= 0) {
            Fail(o, TPictureFailure::Unreadable, "", OutsideText(outside));
            o.dump = std::move(picture);
            o.dumpElement = outside;
            picture = NewPicture(kind, archive);
            return;
        }
        const std::string path = Join(folder, stem + ".png");
        bool all = Write(o, path, WritePng(image, path, options.scale, options.overwrite));
        if (kind == TArchiveKind::Character && options.elements && !o.stop)
            all = WriteElements(o, Join(folder, stem)) && all;
        if (existing > 1)
            o.failures[firstExisting].reason +=
                " (and " + std::to_string(existing - 1) + " more files of this picture)";
        o.written = all;
    }

    bool WriteElements(TOutcome& o, const std::string& sub) {
        const auto& ch = static_cast<const VLM::TCharacterBitmap&>(*picture);
        if (const int error = MakeFolder(sub)) {
            Fail(o, TPictureFailure::CannotWrite, sub,
                 TWriteResult{TWriteResult::Failed, error}.Text());
            return false;
        }
        bool all = true;
        for (int e = 0; e < ch.Elems && !o.stop && !stop; ++e) {
            // A PNG has at least one pixel; an empty element shows only in elements.json.
            if (ch.getElemWidth(e) <= 0 || ch.getElemHeight(e) <= 0) continue;
            const std::string path = Join(sub, ElementFileName(e));
            all = Write(o, path,
                        WritePng(ElementPicture(ch, e), path, options.scale, options.overwrite)) &&
                  all;
        }
        if (o.stop || stop) return false;
        const std::vector<int32_t> spots = ch.ElemSpots(); // written as "group"
        std::string json = "[\n";
        for (int e = 0; e < ch.Elems; ++e) {
            json += "  {\"index\": " + std::to_string(e) +
                    ", \"left\": " + std::to_string(ch.getElemLeft(e)) +
                    ", \"top\": " + std::to_string(ch.getElemTop(e)) +
                    ", \"width\": " + std::to_string(ch.getElemWidth(e)) +
                    ", \"height\": " + std::to_string(ch.getElemHeight(e)) +
                    ", \"group\": " + std::to_string(spots[static_cast<size_t>(e)]) + "}" +
                    (e + 1 < ch.Elems ? ",\n" : "\n");
        }
        json += "]\n";
        const std::string path = Join(sub, "elements.json");
        TFileResult r;
        r.write = WriteFileAtomic(path, json.data(), json.size(), options.overwrite);
        r.bytes = static_cast<int64_t>(json.size());
        return Write(o, path, r) && all;
    }

    const TArchiveKind kind;
    const std::string archive, folder;
    const TExportOptions options;
    const std::atomic<bool>& stop;
    std::unique_ptr<VLM::TBitmap> picture; // this worker's own: loads run side by side
    int existing = 0;                      // files of the current picture found in place
    size_t firstExisting = 0;              // the failure that names the first of them
};

// Takes a finished picture into the report; on the calling thread.
void Absorb(TExportReport& report, TOutcome& o) {
    ++report.done;
    report.files += o.files;
    report.bytes += o.bytes;
    if (o.written) ++report.written;
    if (o.dump) {
        auto& ch = static_cast<VLM::TCharacterBitmap&>(*o.dump);
        try {
            ch.ComposeElem(o.dumpElement);
        } catch (const std::exception& e) {
            o.failures.back().reason += std::string("; the diagnostic dump failed: ") + e.what();
        }
    }
    for (auto& f : o.failures)
        report.failures.push_back(std::move(f));
}

} // namespace

TArchiveKind ArchiveKindOf(const std::string& path) {
    // Each class alone knows its archives' names: ask them in turn.
    for (TArchiveKind kind :
         {TArchiveKind::WallPaper, TArchiveKind::BackGround, TArchiveKind::Character})
        if (NewPicture(kind, path)->GetCount() > 0) return kind;
    return TArchiveKind::None;
}

const char* KindName(TArchiveKind kind) {
    switch (kind) {
    case TArchiveKind::WallPaper:
        return "wallpaper";
    case TArchiveKind::BackGround:
        return "background";
    case TArchiveKind::Character:
        return "character";
    case TArchiveKind::None:
        break;
    }
    return "unknown";
}

std::unique_ptr<VLM::TBitmap> NewPicture(TArchiveKind kind, const std::string& path) {
    std::unique_ptr<VLM::TBitmap> picture;
    switch (kind) {
    case TArchiveKind::WallPaper:
        picture = std::make_unique<VLM::TWallPaperBitmap>();
        break;
    case TArchiveKind::BackGround:
        picture = std::make_unique<VLM::TBackGroundBitmap>();
        break;
    case TArchiveKind::Character:
        picture = std::make_unique<VLM::TCharacterBitmap>();
        break;
    case TArchiveKind::None:
        return picture;
    }
    picture->SetFileName(path);
    return picture;
}

TPictureInfo Inspect(VLM::TBitmap& picture, int index) {
    TPictureInfo info;
    info.index = index;
    info.name = Cp932ToUtf8(picture.GetName(index));
    if (!picture.Select(index)) {
        info.reason = picture.LoadError.Text();
        return info;
    }
    info.read = true;
    info.offset = picture.Offset;
    info.width = picture.Width;
    info.height = picture.Height;
    if (auto* ch = dynamic_cast<VLM::TCharacterBitmap*>(&picture)) {
        info.elements = ch->Elems;
        int outside = -1;
        ExportImage(*ch, &outside);
        if (outside >= 0) {
            info.reason = OutsideText(outside);
            return info;
        }
    }
    info.ok = true;
    return info;
}

TImage ExportImage(const VLM::TBitmap& picture, int* outside) {
    if (outside) *outside = -1;
    const auto* ch = dynamic_cast<const VLM::TCharacterBitmap*>(&picture);
    if (!ch) return StoredPicture(picture);
    TCharacterPicture composed = CharacterPicture(*ch, ch->DefaultElems());
    if (composed.outside < 0) return std::move(composed.image);
    if (outside) *outside = composed.outside;
    return {};
}

TFileResult WritePng(const TImage& image, const std::string& path, int scale, bool overwrite) {
    TFileResult r;
    struct stat st {};
    // Checked before the work of encoding; the write checks again at the moment it counts.
    if (!overwrite && ::lstat(path.c_str(), &st) == 0) {
        r.write = {TWriteResult::Exists, 0};
        return r;
    }
    std::vector<uint8_t> png;
    try {
        png = EncodePng(image, scale);
    } catch (const EPngError& e) {
        r.problem = e.what();
        r.write.status = TWriteResult::Failed;
        return r;
    }
    r.write = WriteFileAtomic(path, png.data(), png.size(), overwrite);
    if (r.write.Ok()) r.bytes = static_cast<int64_t>(png.size());
    return r;
}

bool TExportReport::Unreadable() const {
    return std::any_of(failures.begin(), failures.end(), [](const TPictureFailure& f) {
        return f.kind == TPictureFailure::Unreadable;
    });
}

bool TExportReport::WriteFailed() const {
    return std::any_of(failures.begin(), failures.end(), [](const TPictureFailure& f) {
        return f.kind != TPictureFailure::Unreadable;
    });
}

TExportReport ExportPictures(const std::string& archive, const std::vector<int>& pictures,
                             const std::string& folder, const TExportOptions& options,
                             const TProgress& progress) {
    TExportReport report;
    report.total = static_cast<int>(pictures.size());
    const TArchiveKind kind = ArchiveKindOf(archive);
    std::atomic<bool> stop{false};
    const auto keepGoing = [&] {
        if (report.cancelled || !progress || progress(report.done, report.total)) return true;
        report.cancelled = true;
        return false;
    };

    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t threads = std::min<size_t>(options.threads > 0 ? options.threads : cores,
                                            std::max<size_t>(pictures.size(), 1));
    if (threads <= 1) {
        TPictureExport job(kind, archive, folder, options, stop);
        for (int index : pictures) {
            if (stop) break;
            TOutcome o = job.Run(index);
            if (o.stop) stop = true;
            Absorb(report, o);
            if (!keepGoing()) stop = true;
        }
    } else {
        std::mutex mutex;
        std::condition_variable wake;
        std::vector<TOutcome> finished; // waiting for the calling thread
        size_t running = threads;
        std::atomic<size_t> next{0};
        std::vector<std::thread> workers;
        for (size_t t = 0; t < threads; ++t)
            workers.emplace_back([&] {
                TPictureExport job(kind, archive, folder, options, stop);
                while (!stop) {
                    const size_t i = next++;
                    if (i >= pictures.size()) break;
                    TOutcome o = job.Run(pictures[i]);
                    if (o.stop) stop = true;
                    std::lock_guard<std::mutex> lock(mutex);
                    finished.push_back(std::move(o));
                    wake.notify_one();
                }
                std::lock_guard<std::mutex> lock(mutex);
                --running;
                wake.notify_one();
            });
        for (bool last = false; !last;) {
            std::vector<TOutcome> arrived;
            {
                std::unique_lock<std::mutex> lock(mutex);
                wake.wait_for(lock, std::chrono::milliseconds(100),
                              [&] { return !finished.empty() || running == 0; });
                arrived.swap(finished);
                last = running == 0;
            }
            for (TOutcome& o : arrived)
                Absorb(report, o);
            if (!keepGoing()) stop = true;
        }
        for (auto& w : workers)
            w.join();
    }
    std::stable_sort(
        report.failures.begin(), report.failures.end(),
        [](const TPictureFailure& a, const TPictureFailure& b) { return a.index < b.index; });
    return report;
}

} // namespace VLMX
