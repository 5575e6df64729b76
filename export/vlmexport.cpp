#include "vlmexport.h"

#include "vlmcharacter.h"
#include "vlmjson.h"
#include "vlmnaming.h"
#include "vlmpng.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
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

// Each element's rectangle, and its spot (the lowest-numbered element of the same rectangle),
// written under the file's "group" key, which readers of elements.json already know.
std::string ElementsJson(const VLM::TCharacterBitmap& ch) {
    const std::vector<int32_t> spots = ch.ElemSpots();
    std::vector<TJson> elements;
    for (int e = 0; e < ch.Elems; ++e) {
        TJson& element = elements.emplace_back();
        element["index"] = e;
        element["left"] = ch.getElemLeft(e);
        element["top"] = ch.getElemTop(e);
        element["width"] = ch.getElemWidth(e);
        element["height"] = ch.getElemHeight(e);
        element["group"] = spots[static_cast<size_t>(e)];
    }
    return JsonLines(elements);
}

// What became of one picture, handed from its worker to the calling thread.
struct TOutcome {
    int index = 0;
    bool written = false;
    int64_t files = 0;
    int64_t bytes = 0;
    std::vector<TPictureFailure> failures;
    std::vector<TLeftOut> leftOut;
    bool stop = false; // the folder refused a file
    // A character whose element did not fit, for the calling thread to dump.
    std::unique_ptr<VLM::TBitmap> dump;
};

// What every picture of a batch shares.
struct TJob {
    VLM::TLayerKind kind;
    std::string archive, folder;
    TExportOptions options;
};

// One worker's pictures, one at a time, through a picture object of its own.
class TPictureExport {
public:
    TPictureExport(const TJob& job, const std::atomic<bool>& stop)
        : kind(job.kind), archive(job.archive), folder(job.folder), options(job.options),
          stop(stop), picture(VLM::NewPicture(kind, archive)) {}

    TOutcome Run(int index) {
        TOutcome o;
        o.index = index;
        try {
            Export(o);
        } catch (const std::exception& e) {
            // Anything a load does not turn into a reason itself (a failed allocation in the
            // middle of drawing, say): this picture fails, the object starts afresh.
            Fail(o, TPictureFailure::Unreadable, "", e.what());
            picture = VLM::NewPicture(kind, archive);
        }
        return o;
    }

private:
    void Fail(TOutcome& o, TPictureFailure::TKind why, const std::string& file,
              const std::string& reason) {
        o.failures.push_back({why, o.index, file, reason, {}});
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
        if (!picture->Select(o.index)) {
            Fail(o, TPictureFailure::Unreadable, "", picture->LoadError.Text());
            return;
        }
        if (options.format == TExportFormat::Png)
            ExportComposed(o);
        else
            ExportLayered(o);
        if (existing > 1)
            o.failures[firstExisting].reason +=
                " (and " + std::to_string(existing - 1) + " more files of this picture)";
    }

    void ExportComposed(TOutcome& o) {
        const std::string stem = PictureStem(o.index, picture->GetName(o.index));
        int outside = -1;
        const TImage image = ExportImage(*picture, &outside);
        if (outside >= 0) {
            Fail(o, TPictureFailure::Unreadable, "", OutsideText(outside));
            o.dump = std::move(picture);
            picture = VLM::NewPicture(kind, archive);
            return;
        }
        const std::string path = Join(folder, stem + ".png");
        bool all = Write(o, path, WritePng(image, path, options.scale, options.overwrite));
        if (kind == VLM::TLayerKind::Character && options.elements && !o.stop)
            all = WriteElements(o, Join(folder, stem)) && all;
        o.written = all;
    }

    // A character in a layered format or as a sheet: nothing is made when its files are there.
    void ExportLayered(TOutcome& o) {
        const auto& ch = static_cast<const VLM::TCharacterBitmap&>(*picture);
        const std::string stem = LayeredStem(o.index, picture->GetName(o.index), options.format);
        struct stat st {};
        bool taken = false;
        for (const std::string& name : LayeredFileNames(options.format, stem))
            if (!options.overwrite && ::lstat(Join(folder, name).c_str(), &st) == 0) {
                Write(o, Join(folder, name), {{TWriteResult::Exists, 0}, 0, {}});
                taken = true;
            }
        if (taken) return;
        TLayered layered;
        try {
            layered = LayeredFiles(ch, o.index, stem, options.format, options.scale);
        } catch (const std::runtime_error& e) {
            Fail(o, TPictureFailure::Unreadable, "", e.what());
            return;
        }
        if (layered.outside >= 0) {
            Fail(o, TPictureFailure::Unreadable, "", OutsideText(layered.outside));
            o.dump = std::move(picture);
            picture = VLM::NewPicture(kind, archive);
            return;
        }
        for (int e : layered.empty)
            o.leftOut.push_back({o.index, e});
        bool all = true;
        for (const TLayeredFile& f : layered.files) {
            if (o.stop) break;
            const std::string path = Join(folder, f.name);
            TFileResult r;
            r.write = WriteFileAtomic(path, f.bytes.data(), f.bytes.size(), options.overwrite);
            if (r.write.Ok()) r.bytes = static_cast<int64_t>(f.bytes.size());
            all = Write(o, path, r) && all;
        }
        o.written = all && !o.stop;
    }

    // Every element as DIR/NNN-NAME/EE.png, then elements.json; true when all were written.
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
        const std::string json = ElementsJson(ch);
        const std::string path = Join(sub, "elements.json");
        TFileResult r;
        r.write = WriteFileAtomic(path, json.data(), json.size(), options.overwrite);
        r.bytes = static_cast<int64_t>(json.size());
        return Write(o, path, r) && all;
    }

    const VLM::TLayerKind kind;
    const std::string archive, folder;
    const TExportOptions options;
    const std::atomic<bool>& stop;
    std::unique_ptr<VLM::TBitmap> picture; // this worker's own: loads run side by side
    int existing = 0;                      // files of the current picture found in place
    size_t firstExisting = 0;              // the failure that names the first of them
};

// The calling thread's side of a batch: finished pictures go into the report (a character
// that does not fit is dumped here, one at a time), and progress is asked whether to go on.
class TBatch {
public:
    TBatch(int total, const TProgress& progress) : progress(progress) { report.total = total; }

    void Absorb(TOutcome& o) {
        ++report.done;
        report.files += o.files;
        report.bytes += o.bytes;
        if (o.written) ++report.written;
        if (o.dump) Dump(o);
        for (auto& f : o.failures)
            report.failures.push_back(std::move(f));
        report.leftOut.insert(report.leftOut.end(), o.leftOut.begin(), o.leftOut.end());
    }

    // A "no" stops the batch: no other picture starts.
    void AskProgress() {
        if (report.cancelled || !progress || progress(report.done, report.total)) return;
        report.cancelled = true;
        stop = true;
    }

    TExportReport Finish() {
        std::stable_sort(
            report.failures.begin(), report.failures.end(),
            [](const TPictureFailure& a, const TPictureFailure& b) { return a.index < b.index; });
        std::stable_sort(report.leftOut.begin(), report.leftOut.end(),
                         [](const TLeftOut& a, const TLeftOut& b) { return a.index < b.index; });
        return std::move(report);
    }

    std::atomic<bool> stop{false}; // read by the workers before each picture

private:
    static void Dump(TOutcome& o) {
        TPictureFailure& f = o.failures.back();
        try {
            f.dump = static_cast<const VLM::TCharacterBitmap&>(*o.dump).AppendDump();
        } catch (const std::exception& e) {
            f.reason += std::string("; the diagnostic dump failed: ") + e.what();
        }
    }

    const TProgress& progress;
    TExportReport report;
};

// Finished pictures on their way from the workers to the calling thread.
class TMailbox {
public:
    explicit TMailbox(size_t workers) : running(workers) {}

    void Post(TOutcome o) {
        std::lock_guard<std::mutex> lock(mutex);
        finished.push_back(std::move(o));
        wake.notify_one();
    }
    void WorkerEnded() {
        std::lock_guard<std::mutex> lock(mutex);
        --running;
        wake.notify_one();
    }
    // Waits up to 100 ms for pictures to arrive and moves them into arrived; true once every
    // worker has ended (nothing arrives after that).
    bool Collect(std::vector<TOutcome>& arrived) {
        std::unique_lock<std::mutex> lock(mutex);
        wake.wait_for(lock, std::chrono::milliseconds(100),
                      [&] { return !finished.empty() || running == 0; });
        arrived.swap(finished);
        return running == 0;
    }

private:
    std::mutex mutex;
    std::condition_variable wake;
    std::vector<TOutcome> finished; // waiting for the calling thread
    size_t running;
};

size_t ThreadCount(const TExportOptions& options, size_t pictures) {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return std::min<size_t>(options.threads > 0 ? options.threads : cores,
                            std::max<size_t>(pictures, 1));
}

void ExportHere(TBatch& batch, const TJob& job, const std::vector<int>& pictures) {
    TPictureExport exporter(job, batch.stop);
    for (int index : pictures) {
        if (batch.stop) break;
        TOutcome o = exporter.Run(index);
        if (o.stop) batch.stop = true;
        batch.Absorb(o);
        batch.AskProgress();
    }
}

// The workers take the pictures in turn; the calling thread takes in what they finish and asks
// progress at least ten times a second.
void ExportOnThreads(TBatch& batch, const TJob& job, const std::vector<int>& pictures,
                     size_t threads) {
    TMailbox mailbox(threads);
    std::atomic<size_t> next{0};
    std::vector<std::thread> workers;
    for (size_t t = 0; t < threads; ++t)
        workers.emplace_back([&] {
            TPictureExport exporter(job, batch.stop);
            while (!batch.stop) {
                const size_t i = next++;
                if (i >= pictures.size()) break;
                TOutcome o = exporter.Run(pictures[i]);
                if (o.stop) batch.stop = true;
                mailbox.Post(std::move(o));
            }
            mailbox.WorkerEnded();
        });
    for (bool last = false; !last;) {
        std::vector<TOutcome> arrived;
        last = mailbox.Collect(arrived);
        for (TOutcome& o : arrived)
            batch.Absorb(o);
        batch.AskProgress();
    }
    for (auto& w : workers)
        w.join();
}

} // namespace

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

TExportReport ExportPictures(VLM::TLayerKind kind, const std::string& archive,
                             const std::vector<int>& pictures, const std::string& folder,
                             const TExportOptions& options, const TProgress& progress) {
    if (options.format != TExportFormat::Png && kind != VLM::TLayerKind::Character)
        throw std::invalid_argument("only characters have layers");
    TBatch batch(static_cast<int>(pictures.size()), progress);
    const TJob job{kind, archive, folder, options};
    const size_t threads = ThreadCount(options, pictures.size());
    if (threads <= 1)
        ExportHere(batch, job, pictures);
    else
        ExportOnThreads(batch, job, pictures, threads);
    return batch.Finish();
}

} // namespace VLMX
