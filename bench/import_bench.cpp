// Importing a folder of the demo's 500 backgrounds with 10 of them edited, against exporting
// the same archive (one job, and one a core as velmora-cli does by default). Prints the medians
// and their ratio; the import is meant to take no longer than the export.
#include "benchmedian.h"
#include "vlmexport.h"
#include "vlmimport.h"
#include "vlmnaming.h"
#include "vlmpng.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr int Edited = 10;

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "import_bench: %s\n", what.c_str());
    std::exit(1);
}

struct TData {
    fs::path folder;
    std::string archive, in; // the demo's NBGFILE1.ALL, and its export with 10 pictures edited
    std::vector<int> pictures;
};

const TData& Data() {
    static const TData data = [] {
        TData d;
        d.folder = fs::temp_directory_path() / ("vlm-import-bench-" + std::to_string(getpid()));
        fs::create_directories(d.folder / "in");
        const std::string demo = (d.folder / "demo").string();
        if (std::system((std::string(VLM_MKDEMO) + " " + demo + " >/dev/null").c_str()) != 0)
            Fail("the demo generator failed");
        d.archive = demo + "/NBGFILE1.ALL";
        d.in = (d.folder / "in").string();
        const auto picture = VLM::NewPicture(VLM::TLayerKind::BackGround, d.archive);
        for (int i = 0; i < picture->GetCount(); ++i)
            d.pictures.push_back(i);
        const VLMX::TExportReport r =
            VLMX::ExportPictures(VLM::TLayerKind::BackGround, d.archive, d.pictures, d.in, {});
        if (r.written != int(d.pictures.size())) Fail("the export of the demo failed");
        // Ten pictures spread over the archive, each with a stroke of another index.
        for (int k = 0; k < Edited; ++k) {
            const int index = k * 50 + 7;
            if (!picture->Select(index)) Fail("the demo's background cannot be read");
            VLMX::TImage image = VLMX::StoredPicture(*picture);
            std::fill_n(image.pixels.begin() + image.width * 10, image.width, uint8_t(k + 1));
            const std::string path =
                d.in + "/" + VLMX::PictureStem(index, picture->GetName(index)) + ".png";
            const std::vector<uint8_t> png = VLMX::EncodePng(image);
            std::ofstream(path, std::ios::binary)
                .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
        }
        return d;
    }();
    return data;
}

template <class F> double Seconds(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Import(benchmark::State& state) {
    const TData& d = Data();
    VLMX::TImportOptions options;
    options.folder = d.in;
    for (auto _ : state) {
        const fs::path out = d.folder / "out";
        fs::remove_all(out);
        fs::create_directories(out);
        size_t replaced = 0;
        state.SetIterationTime(Seconds([&] {
            const VLMX::TImportPlan plan =
                VLMX::PlanImport(VLM::TLayerKind::BackGround, d.archive, options);
            if (!plan.refusals.empty())
                Fail(plan.refusals[0].file + ": " + plan.refusals[0].reason);
            if (VLMX::WriteImport(plan, (out / "NBGFILE1.ALL").string(), false).status !=
                VLMX::TImportResult::Written)
                Fail("the import was not written");
            replaced = plan.replaced.size();
        }));
        if (replaced != Edited)
            Fail("the import replaced " + std::to_string(replaced) + " pictures");
    }
}

void Export(benchmark::State& state) {
    const TData& d = Data();
    VLMX::TExportOptions options;
    options.threads = int(state.range(0));
    static int run = 0; // a folder a run: no run pays for removing the last one's files
    for (auto _ : state) {
        const fs::path out = d.folder / ("export" + std::to_string(run++));
        fs::create_directories(out);
        int written = 0;
        state.SetIterationTime(Seconds([&] {
            written = VLMX::ExportPictures(VLM::TLayerKind::BackGround, d.archive, d.pictures,
                                           out.string(), options)
                          .written;
        }));
        if (written != int(d.pictures.size())) Fail("the export wrote too few pictures");
    }
}

// Keeps the median of each benchmark.
class TCollector : public TMedianReporter {
public:
    std::map<std::string, double> medians;

protected:
    void Keep(const std::string& name, const Run& r) override {
        medians[name] = r.GetAdjustedRealTime() / 1e3; // ms to s
        std::fprintf(stderr, "%-20s %8.3f s\n", name.c_str(), medians[name]);
    }
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Data();
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    const auto repeat = [](benchmark::internal::Benchmark* b) {
        b->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->Repetitions(7)
            ->ReportAggregatesOnly(true);
    };
    repeat(benchmark::RegisterBenchmark("import", Import));
    auto* exp = benchmark::RegisterBenchmark("export", Export)->Arg(1);
    if (cores > 1) exp->Arg(cores);
    repeat(exp);
    TCollector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    const double import = collector.medians["import"];
    std::printf("\n500 backgrounds of the demo, %d of them edited: medians\n", Edited);
    std::printf("%-36s %8.3f s\n", "import (plan, copy, read back)", import);
    for (const std::string& jobs : {std::string("1"), std::to_string(cores)}) {
        const auto it = collector.medians.find("export/" + jobs);
        if (it == collector.medians.end() || (jobs != "1" && cores == 1)) continue;
        std::printf("%-36s %8.3f s   import/export %.2f\n",
                    ("export, " + jobs + (jobs == "1" ? " job" : " jobs")).c_str(), it->second,
                    import / it->second);
        if (cores == 1) break;
    }
    fs::remove_all(Data().folder);
    return 0;
}
