// Exporting every picture of the six demo archives: velmora's export (one job and one per
// core) against the way a user scripts it today, raw RGB through ImageMagick's convert one
// file at a time; the three PNG writers the export could use, on the same pictures; and the
// demo characters in each export format against png. Prints tables of medians; the ratios
// compare figures of the same run.
#include "benchmedian.h"
#include "vlmexport.h"
#include "vlmpng.h"

#include <benchmark/benchmark.h>
#include <spng.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

#ifdef VLM_BENCH_LIBPNG
#include <png.h>
#endif
#ifdef VLM_BENCH_QT
#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#endif

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr char Convert[] = "/usr/bin/convert";
const char* const Archives[] = {"EYECATCH.ALL", "WPALL1.ALL",   "WPALL2.ALL",
                                "WPALL3.ALL",   "NBGFILE1.ALL", "NCDAT.ALL"};

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "export_bench: %s\n", what.c_str());
    std::exit(1);
}

int Spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int64_t FolderBytes(const fs::path& folder) {
    int64_t bytes = 0;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file()) bytes += static_cast<int64_t>(e.file_size());
    return bytes;
}

// One exported picture as the export sees it, and as raw samples for convert.
struct TPicture {
    VLMX::TImage image;
    int kind = 0;     // 0 wallpaper, 1 background, 2 character
    std::string raw;  // r g b (a) samples, written once
    std::string size; // "WxH"
    bool alpha = false;
};

struct TData {
    fs::path folder;
    std::vector<std::pair<std::string, std::vector<int>>> archives; // path, pictures
    std::vector<TPicture> pictures;
    int count = 0;
};

const TData& Data() {
    static const TData data = [] {
        TData d;
        d.folder = fs::temp_directory_path() / ("vlm-export-bench-" + std::to_string(getpid()));
        fs::create_directories(d.folder / "raw");
        if (Spawn({VLM_MKDEMO, (d.folder / "demo").string()}) != 0)
            Fail("the demo generator failed");
        for (const char* name : Archives) {
            const std::string path = (d.folder / "demo" / name).string();
            const VLM::TLayerKind kind = *VLM::LayerKindOf(path);
            const auto picture = VLM::NewPicture(kind, path);
            std::vector<int> indices;
            for (int i = 0; i < picture->GetCount(); ++i) {
                if (!picture->Select(i)) continue;
                int outside = -1;
                TPicture p;
                p.image = VLMX::ExportImage(*picture, &outside);
                p.kind = static_cast<int>(kind);
                if (outside >= 0) continue;
                indices.push_back(i);
                p.alpha = p.image.transparentZero;
                p.size = std::to_string(p.image.width) + "x" + std::to_string(p.image.height);
                p.raw = (d.folder / "raw" / (std::to_string(d.pictures.size()) + ".raw")).string();
                std::string samples;
                for (uint8_t index : p.image.pixels) {
                    const VLMX::TRgb c = p.image.palette[index];
                    samples += {char(c.r), char(c.g), char(c.b)};
                    if (p.alpha) samples += char(index == 0 ? 0 : 255);
                }
                std::ofstream(p.raw, std::ios::binary) << samples;
                d.pictures.push_back(std::move(p));
            }
            d.archives.emplace_back(path, indices);
        }
        d.count = static_cast<int>(d.pictures.size());
        return d;
    }();
    return data;
}

constexpr const char* KindCounters[3] = {"bytes_wallpapers", "bytes_backgrounds",
                                         "bytes_characters"};

// bytes: by kind of archive.
void Finish(benchmark::State& state, double seconds, const int64_t (&bytes)[3]) {
    state.counters["pictures_per_s"] = Data().count / seconds;
    state.counters["bytes"] = static_cast<double>(bytes[0] + bytes[1] + bytes[2]);
    for (int k = 0; k < 3; ++k)
        state.counters[KindCounters[k]] = static_cast<double>(bytes[k]);
    state.counters["wall_s"] = seconds;
}

// Processor seconds of this process's threads and of its finished children so far.
double CpuSeconds() {
    double total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage u{};
        getrusage(who, &u);
        total += double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
                 double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
    }
    return total;
}

// Wall seconds of f; its processor seconds go to the state's counters.
template <class F> double Seconds(benchmark::State& state, F&& f) {
    const double cpu = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    f();
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.counters["cpu_s"] = CpuSeconds() - cpu;
    return wall;
}

void VelmoraExport(benchmark::State& state) {
    const TData& d = Data();
    VLMX::TExportOptions options;
    options.threads = static_cast<int>(state.range(0));
    static int run = 0; // every repetition writes into a folder of its own
    for (auto _ : state) {
        const fs::path out = d.folder / ("export" + std::to_string(run++));
        fs::create_directories(out);
        int written = 0;
        const double s = Seconds(state, [&] {
            // A folder an archive, as pictures without names share their file names.
            for (const auto& [path, pictures] : d.archives) {
                const fs::path folder = out / fs::path(path).filename();
                fs::create_directory(folder);
                written += VLMX::ExportPictures(*VLM::LayerKindOf(path), path, pictures,
                                                folder.string(), options)
                               .written;
            }
        });
        if (written != d.count) Fail("the export wrote " + std::to_string(written) + " pictures");
        state.SetIterationTime(s);
        int64_t bytes[3] = {};
        for (const auto& [path, pictures] : d.archives)
            bytes[static_cast<int>(*VLM::LayerKindOf(path))] +=
                FolderBytes(out / fs::path(path).filename());
        Finish(state, s, bytes);
        // Kept until the end: ext4 gives out a new inode slowly while many were freed in the
        // last minutes, which would make every later run pay for this one's removal.
    }
}

// The demo characters in format AllFormats[range(0)], one job, as velmora-cli exports them.
void CharacterFormat(benchmark::State& state) {
    const TData& d = Data();
    const auto& [path, pictures] = d.archives.back(); // NCDAT.ALL
    VLMX::TExportOptions options;
    options.threads = 1;
    options.format = VLMX::AllFormats[state.range(0)];
    static int run = 0; // every repetition writes into a folder of its own
    for (auto _ : state) {
        const fs::path out = d.folder / ("format" + std::to_string(run++));
        fs::create_directories(out);
        int written = 0;
        const double s = Seconds(state, [&] {
            written = VLMX::ExportPictures(VLM::TLayerKind::Character, path, pictures, out.string(),
                                           options)
                          .written;
        });
        if (written != int(pictures.size()))
            Fail(std::string(VLMX::FormatName(options.format)) + ": " + std::to_string(written) +
                 " characters written");
        state.SetIterationTime(s);
        const int64_t bytes[3] = {0, 0, FolderBytes(out)};
        Finish(state, s, bytes);
        state.counters["pictures_per_s"] = double(pictures.size()) / s;
    }
}

void ImageMagick(benchmark::State& state) {
    const TData& d = Data();
    static int run = 0; // every repetition writes into a folder of its own
    for (auto _ : state) {
        const fs::path out = d.folder / ("convert" + std::to_string(run++));
        fs::create_directories(out);
        const double s = Seconds(state, [&] {
            for (size_t i = 0; i < d.pictures.size(); ++i) {
                const TPicture& p = d.pictures[i];
                const std::string png = (out / (std::to_string(i) + ".png")).string();
                if (Spawn({Convert, "-size", p.size, "-depth", "8",
                           (p.alpha ? "rgba:" : "rgb:") + p.raw, png}) != 0)
                    Fail("convert failed on " + p.raw);
            }
        });
        state.SetIterationTime(s);
        int64_t bytes[3] = {};
        for (size_t i = 0; i < d.pictures.size(); ++i)
            bytes[d.pictures[i].kind] +=
                static_cast<int64_t>(fs::file_size(out / (std::to_string(i) + ".png")));
        Finish(state, s, bytes);
        // Kept until the end: ext4 gives out a new inode slowly while many were freed in the
        // last minutes, which would make every later run pay for this one's removal.
    }
}

// ---- The writers, in memory on one thread ---------------------------------------------------

template <class E> void Writer(benchmark::State& state, E encode) {
    for (auto _ : state) {
        int64_t bytes[3] = {};
        const double s = Seconds(state, [&] {
            for (const TPicture& p : Data().pictures)
                bytes[p.kind] += static_cast<int64_t>(encode(p.image));
        });
        state.SetIterationTime(s);
        Finish(state, s, bytes);
    }
}

// libspng with no choice made: level 7, the filters left to the library (none for palette
// pictures, as libpng and Qt do). The export's own choices are EncodePng.
size_t SpngPlain(const VLMX::TImage& image) {
    spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
    spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
    spng_set_option(ctx, SPNG_IMG_COMPRESSION_LEVEL, 7);
    spng_ihdr ihdr{};
    ihdr.width = static_cast<uint32_t>(image.width);
    ihdr.height = static_cast<uint32_t>(image.height);
    ihdr.bit_depth = 8;
    ihdr.color_type = SPNG_COLOR_TYPE_INDEXED;
    spng_set_ihdr(ctx, &ihdr);
    spng_plte plte{};
    plte.n_entries = 256;
    for (size_t i = 0; i < 256; ++i)
        plte.entries[i] = {image.palette[i].r, image.palette[i].g, image.palette[i].b, 255};
    spng_set_plte(ctx, &plte);
    spng_trns trns{};
    trns.n_type3_entries = 1;
    if (image.transparentZero) spng_set_trns(ctx, &trns);
    if (spng_encode_image(ctx, image.pixels.data(), image.pixels.size(), SPNG_FMT_PNG,
                          SPNG_ENCODE_FINALIZE) != 0)
        Fail("libspng failed");
    size_t size = 0;
    int error = 0;
    std::free(spng_get_png_buffer(ctx, &size, &error));
    spng_ctx_free(ctx);
    return size;
}

#ifdef VLM_BENCH_LIBPNG
// libpng with the export's own choices: one filter a picture chosen by trial at level 1 for
// palette pictures, level 7 for the file.
size_t LibPng(const VLMX::TImage& image, int level, int filter) {
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) Fail("libpng failed");
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t n) {
            auto* v = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
            v->insert(v->end(), data, data + n);
        },
        nullptr);
    png_set_compression_level(png, level);
    if (filter >= 0) png_set_filter(png, 0, filter);
    const bool indexed = image.format == VLMX::TImage::TFormat::Indexed;
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
                 static_cast<png_uint_32>(image.height), 8,
                 indexed ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color palette[256];
    png_byte alpha = 0;
    if (indexed) {
        for (int i = 0; i < 256; ++i)
            palette[i] = {image.palette[size_t(i)].r, image.palette[size_t(i)].g,
                          image.palette[size_t(i)].b};
        png_set_PLTE(png, info, palette, 256);
        if (image.transparentZero) png_set_tRNS(png, info, &alpha, 1, nullptr);
    }
    png_write_info(png, info);
    for (int y = 0; y < image.height; ++y)
        png_write_row(png, const_cast<png_bytep>(image.Row(y)));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out.size();
}

size_t LibPngAsExport(const VLMX::TImage& image) {
    // The trials see one band of 8 rows in 4, as the export's do.
    VLMX::TImage sample = image;
    if (image.height >= 64) {
        sample.pixels.clear();
        for (int y = 0; y < image.height; ++y)
            if (y / 8 % 4 == 0)
                sample.pixels.insert(sample.pixels.end(), image.Row(y), image.Row(y) + image.width);
        sample.height = static_cast<int>(sample.pixels.size() / image.RowBytes());
    }
    int best = PNG_FILTER_NONE;
    size_t bestSize = 0;
    for (int filter : {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP}) {
        const size_t size = LibPng(sample, 1, filter);
        if (bestSize == 0 || size < bestSize) best = filter, bestSize = size;
    }
    return LibPng(image, 7, best);
}

size_t LibPngPlain(const VLMX::TImage& image) {
    return LibPng(image, 7, -1);
}
#endif

#ifdef VLM_BENCH_QT
// QImageWriter at quality 25, which Qt turns into deflate level 7; it leaves the filters to
// libpng's own choice (none for palette pictures) and offers no other.
size_t QtWriter(const VLMX::TImage& image) {
    QImage q(image.pixels.data(), image.width, image.height, image.width, QImage::Format_Indexed8);
    QList<QRgb> colours;
    for (size_t i = 0; i < 256; ++i) {
        const VLMX::TRgb c = image.palette[i];
        colours.push_back(qRgba(c.r, c.g, c.b, i == 0 && image.transparentZero ? 0 : 255));
    }
    q.setColorTable(colours);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setQuality(25);
    if (!writer.write(q)) Fail("Qt's writer failed");
    return static_cast<size_t>(bytes.size());
}
#endif

// ---- The table -------------------------------------------------------------------------------

struct TMedian {
    double pps = 0, bytes = 0, wall = 0, cpu = 0;
    double kinds[3] = {};
    int64_t repetitions = 0;
};

// Keeps the median of every benchmark and shows one line a benchmark on stderr while it runs.
class TCollector : public TMedianReporter {
public:
    std::map<std::string, TMedian> medians;

protected:
    void Keep(const std::string& name, const Run& r) override {
        TMedian& m = medians[name];
        m.pps = r.counters.at("pictures_per_s");
        m.bytes = r.counters.at("bytes");
        m.wall = r.counters.at("wall_s");
        m.cpu = r.counters.at("cpu_s");
        for (int k = 0; k < 3; ++k)
            m.kinds[k] = r.counters.at(KindCounters[k]);
        m.repetitions = r.repetitions;
        std::fprintf(stderr, "%-28s %8.2f s\n", name.c_str(), m.wall);
    }
};

void PrintTable(const TCollector& c) {
    const auto find = [&](const std::string& name) -> const TMedian* {
        const auto it = c.medians.find(name);
        return it == c.medians.end() ? nullptr : &it->second;
    };
    const TMedian* im = find("imagemagick_convert");
    std::printf("\nExport of every picture of the six demo archives (%d pictures), medians\n",
                Data().count);
    std::printf("%-34s %7s %7s %11s %10s %9s %9s   %s\n", "", "wall s", "cpu s", "pictures/s",
                "bytes", "speed/IM", "bytes/IM", "bytes/IM: wallpapers backgrounds characters");
    // speed: whether the pictures-per-second ratio to convert means anything for the row.
    const auto row = [&](const std::string& label, const TMedian* m, bool speed) {
        if (!m) return;
        std::printf("%-34s %7.2f %7.2f %11.1f %10.0f", label.c_str(), m->wall, m->cpu, m->pps,
                    m->bytes);
        if (im && im != m) {
            if (speed)
                std::printf(" %8.1fx", m->pps / im->pps);
            else
                std::printf(" %9s", "");
            std::printf(" %9.3f   %10.3f %11.3f %10.3f", m->bytes / im->bytes,
                        m->kinds[0] / im->kinds[0], m->kinds[1] / im->kinds[1],
                        m->kinds[2] / im->kinds[2]);
        }
        std::printf("\n");
    };
    const std::string cores = std::to_string(std::max(1u, std::thread::hardware_concurrency()));
    row("velmora export, 1 job", find("velmora_export/1"), true);
    if (cores != "1")
        row("velmora export, " + cores + " jobs", find("velmora_export/" + cores), true);
    row("convert from raw RGB, one a file", im, true);
    std::printf("\nPNG writers on the same pictures, in memory, one thread, medians\n");
    row("libspng, the export's choices", find("writer_libspng_export"), false);
    row("libpng, the export's choices", find("writer_libpng_export"), false);
    row("libspng, level 7, no filter", find("writer_libspng_plain"), false);
    row("libpng, level 7, no filter", find("writer_libpng_plain"), false);
    row("Qt QImageWriter, level 7", find("writer_qt_plain"), false);

    const TMedian* png = find("character_format/0");
    if (!png) return;
    std::printf("\nThe %zu demo characters in each format, one job, medians\n",
                Data().archives.back().second.size());
    std::printf("%-34s %7s %7s %11s %10s %9s %9s\n", "", "wall s", "cpu s", "pictures/s", "bytes",
                "wall/png", "cpu/png");
    for (int f = 0; f < 4; ++f)
        if (const TMedian* m = find("character_format/" + std::to_string(f)))
            std::printf("%-34s %7.3f %7.3f %11.1f %10.0f %8.2fx %8.2fx\n",
                        (std::string("--format ") + VLMX::FormatName(VLMX::AllFormats[f])).c_str(),
                        m->wall, m->cpu, m->pps, m->bytes, m->wall / png->wall, m->cpu / png->cpu);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (access(Convert, X_OK) != 0) Fail(std::string(Convert) + " is missing (imagemagick)");
    Data(); // demo archives and raw files are made before the first measurement

    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    auto* exp = benchmark::RegisterBenchmark("velmora_export", VelmoraExport)->Arg(1);
    if (cores > 1) exp->Arg(cores);
    exp->UseManualTime()->Iterations(1)->Repetitions(7)->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark("character_format", CharacterFormat)
        ->DenseRange(0, 3)
        ->UseManualTime()
        ->Iterations(1)
        ->Repetitions(21) // a run is a tenth of a second: many give a steady median
        ->ReportAggregatesOnly(true);
    // A minute a run on a busy machine: three runs give a median.
    benchmark::RegisterBenchmark("imagemagick_convert", ImageMagick)
        ->UseManualTime()
        ->Iterations(1)
        ->Repetitions(3)
        ->ReportAggregatesOnly(true);
    const auto writer = [](const char* name, auto encode) {
        benchmark::RegisterBenchmark(name, [encode](benchmark::State& s) { Writer(s, encode); })
            ->UseManualTime()
            ->Iterations(1)
            ->Repetitions(7)
            ->ReportAggregatesOnly(true);
    };
    writer("writer_libspng_export",
           [](const VLMX::TImage& i) { return VLMX::EncodePng(i).size(); });
    writer("writer_libspng_plain", SpngPlain);
#ifdef VLM_BENCH_LIBPNG
    writer("writer_libpng_export", LibPngAsExport);
    writer("writer_libpng_plain", LibPngPlain);
#endif
#ifdef VLM_BENCH_QT
    writer("writer_qt_plain", QtWriter);
#endif

    TCollector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::Shutdown();
    PrintTable(collector);
    fs::remove_all(Data().folder);
    return 0;
}
