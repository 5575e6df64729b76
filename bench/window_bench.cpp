// The window's steps: the Qt canvas stretching the composed picture, a character step from the
// menu command to the end of its caption update, and the tools window's refresh on its own.
#include "benchdata.h"
#include "benchregister.h"
#include "benchrun.h"
#include "benchtable.h"

#include "mainfm.h"
#include "qtcanvas.h"
#include "qtui.h"
#include "toolsfm.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QProcess>

#include <functional>
#include <memory>
#include <string>

namespace VLMB {

const std::string& DemoFolder() {
    static const std::string folder = [] {
        const std::string path = Data().folder + "/demo";
        QProcess mkdemo;
        mkdemo.start(QStringLiteral(VLM_MKDEMO), {QString::fromStdString(path)});
        if (!mkdemo.waitForFinished(120000) || mkdemo.exitStatus() != QProcess::NormalExit ||
            mkdemo.exitCode() != 0)
            Fail("the demo generator failed");
        return path;
    }();
    return folder;
}

namespace {

// Picks path in the open dialog the command runs, as a person would.
void Open(QAction* command, const std::string& path) {
    VLMQ::DialogSeams().fileDialog = [&path](QFileDialog& dialog) {
        dialog.selectFile(QString::fromStdString(path));
        return true;
    };
    command->trigger();
    VLMQ::DialogSeams().fileDialog = nullptr;
}

// Both windows as the application holds them (the tools window goes first), shown, with the
// demo's first wallpaper archive, its background and its character archive open.
struct TWindows {
    std::unique_ptr<TmainForm> form;
    std::unique_ptr<TtoolsForm> tools;

    TWindows() : form(std::make_unique<TmainForm>()), tools(form->tools.data()) {
        form->show();
        QCoreApplication::processEvents();
        const std::string& demo = DemoFolder();
        Open(form->openWallPaperMenu, demo + "/EYECATCH.ALL");
        Open(form->openBackGroundMenu, demo + "/NBGFILE1.ALL");
        Open(form->openCharacterMenu, demo + "/NCDAT.ALL");
        QCoreApplication::processEvents();
    }
    bool AllOpen() const {
        return form->screen->getwploaded() && form->screen->getbgloaded() &&
               form->screen->getchloaded();
    }
};

// A 320 x 224 picture with something in every pixel.
VLM::TPicture Composed() {
    VLM::TPicture picture(ScreenWidth, ScreenHeight);
    for (int y = 0; y < ScreenHeight; ++y) {
        uint16_t* row = picture.ScanLine(y);
        for (int x = 0; x < ScreenWidth; ++x)
            row[x] = static_cast<uint16_t>((x * 97 + y * 31) & 0x7FFF);
    }
    return picture;
}

void Stretch(benchmark::State& state, int width, int height) {
    TQtCanvas canvas;
    canvas.resize(width, height);
    canvas.show();
    QCoreApplication::processEvents(); // the backing image takes the client size
    if (canvas.Backing().size() != QSize(width, height)) {
        state.SkipWithError("the canvas did not take its size");
        return;
    }
    const VLM::TPicture picture = Composed();
    const VLM::TRect dst{0, 0, width, height};
    RunSingle(state, [&] { canvas.StretchDraw(dst, picture); });
}

void CharacterStep(benchmark::State& state) {
    TWindows w;
    if (!w.AllOpen()) {
        state.SkipWithError("the demo archives did not open");
        return;
    }
    // Each step is followed, untimed, by what the event loop does next: the paint it asked for.
    RunSingle(
        state, [&] { w.form->nextCharacterMenu->trigger(); },
        [] { QCoreApplication::processEvents(); });
    if (!w.form->screen->getchloaded() || w.form->chIndex != w.form->screen->getch())
        state.SkipWithError("the steps did not show characters");
}

void ToolsRefresh(benchmark::State& state) {
    TWindows w;
    if (!w.AllOpen()) {
        state.SkipWithError("the demo archives did not open");
        return;
    }
    RunSingle(
        state, [&] { w.tools->UpdateControls(); },
        [&] {
            w.form->nextCharacterMenu->trigger();
            QCoreApplication::processEvents();
        });
    if (w.tools->combos[2]->currentIndex() != w.form->screen->getch())
        state.SkipWithError("the tools window does not follow the steps");
}

void Register(const std::string& name, const std::string& label, double maxMs,
              std::function<void(benchmark::State&)> fn) {
    benchmark::RegisterBenchmark(name.c_str(), std::move(fn))
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond);
    AddRow({label, name, false, 0, maxMs, 0});
}

} // namespace

void RegisterWindowBenchmarks() {
    const int sizes[][2] = {{320, 224}, {640, 448}, {1280, 896}};
    for (const auto& s : sizes) {
        const int width = s[0], height = s[1];
        const std::string dims = std::to_string(width) + "x" + std::to_string(height);
        Register("stretch" + dims, "Qt canvas StretchDraw 320x224 -> " + dims, 0,
                 [width, height](benchmark::State& st) { Stretch(st, width, height); });
    }
    Register("menustep", "next character: menu command to caption's end", 5, CharacterStep);
    Register("toolsrefresh", "UpdateControls after a step (no refill)", 2, ToolsRefresh);
}

} // namespace VLMB
