// The picture list on the demo's 500 backgrounds: the time from choosing the archive until
// every thumbnail is made and painted, beside 500 plain loads; and the longest pass of the event
// loop meanwhile (what the desktop waits at worst), beside one plain load.
#include "benchdata.h"
#include "benchregister.h"
#include "benchrun.h"
#include "benchtable.h"

#include "picturelistfm.h"
#include "vlmbackground.h"

#include <QCoreApplication>
#include <QString>

#include <algorithm>
#include <memory>
#include <string>

namespace VLMB {

namespace {

// The list shown, as a person has it, with the demo's background archive to fill it from.
struct TListWindow {
    TPictureListForm form;
    const QString archive = QString::fromStdString(DemoFolder() + "/NBGFILE1.ALL");
    TListWindow() {
        form.show();
        QCoreApplication::processEvents();
    }
};

// The least a list of them must do: each picture loaded and converted at its full size.
struct TPlainLoads {
    VLM::TBackGroundBitmap bg;
    VLM::TPicture picture{ShownWidth, ShownHeight};
    int next = 0;
    TPlainLoads() { bg.SetFileName(DemoFolder() + "/NBGFILE1.ALL"); }
    void Load() {
        bg.Select(next);
        bg.Draw(picture, 0, 0, 0, 0, bg.Width, bg.Height);
        benchmark::DoNotOptimize(picture.ScanLine(0));
        next = next + 1 < bg.GetCount() ? next + 1 : 0;
    }
};

void AllShown(benchmark::State& state) {
    TListWindow w;
    TPlainLoads plain;
    auto engine = [&] {
        w.form.SetArchive(VLM::TLayerKind::BackGround, w.archive);
        while (!w.form.Finished())
            QCoreApplication::processEvents();
        QCoreApplication::processEvents(); // the paint of the last ones
    };
    auto floor = [&] {
        for (int i = 0; i < 500; ++i)
            plain.Load();
    };
    RunPaired(state, engine, floor);
    if (w.form.Count() != 500 || w.form.Made() != 500)
        state.SkipWithError("the list did not make 500 thumbnails");
}

void LongestPass(benchmark::State& state) {
    TListWindow w;
    TPlainLoads plain;
    auto set = [&] { w.form.SetArchive(VLM::TLayerKind::BackGround, w.archive); };
    auto pass = [] { QCoreApplication::processEvents(); };
    auto load = [&] { plain.Load(); };
    std::vector<double> longest, floors;
    for (auto _ : state) {
        double worst = TimeNs(set);
        while (!w.form.Finished())
            worst = std::max(worst, TimeNs(pass));
        worst = std::max(worst, TimeNs(pass));
        longest.push_back(worst);
        floors.push_back(TimeNs(load));
        state.SetIterationTime(worst * 1e-9);
    }
    const double e = Median(longest), f = Median(floors);
    state.counters["step_ns"] = e;
    state.counters["floor_ns"] = f;
    state.counters["ratio"] = f > 0 ? e / f : 0;
}

void Register(const std::string& name, const std::string& label, double maxMs,
              void (*fn)(benchmark::State&)) {
    benchmark::RegisterBenchmark(name.c_str(), fn)->UseManualTime()->Unit(benchmark::kMillisecond);
    AddRow({label, name, true, 0, maxMs, 0});
}

} // namespace

void RegisterPictureListBenchmarks() {
    Register("listall", "picture list: 500 thumbnails vs 500 loads", 1500, AllShown);
    Register("listpass", "picture list: longest UI pass vs 1 load", 50, LongestPass);
}

} // namespace VLMB
