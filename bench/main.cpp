// The benchmark program: engine steps beside their floors and, when the viewer is built, the
// window's steps. Takes Google Benchmark's flags; --raw also shows every run as it finishes.
#include "benchdata.h"
#include "benchregister.h"
#include "benchtable.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#ifdef VLM_BENCH_WINDOW
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#endif

int main(int argc, char** argv) {
    bool raw = false;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--raw") == 0)
            raw = true;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;

#ifdef VLM_BENCH_WINDOW
    // The windows are measured without a display unless one is asked for.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The windows keep recent archives and dialog folders: in settings of the run's own, never
    // in the user's.
    QTemporaryDir config;
    if (!config.isValid()) return 1;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QApplication app(argc, argv);
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    VLMB::Data(); // every archive is written before the first measurement
    VLMB::RegisterEngineBenchmarks();
#ifdef VLM_BENCH_WINDOW
    VLMB::RegisterWindowBenchmarks();
    VLMB::RegisterPictureListBenchmarks();
#endif

    std::unique_ptr<benchmark::BenchmarkReporter> console;
    if (raw) console = std::make_unique<benchmark::ConsoleReporter>();
    VLMB::TCollector collector(console.get());
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::Shutdown();
    VLMB::PrintTable(collector);
    return 0;
}
