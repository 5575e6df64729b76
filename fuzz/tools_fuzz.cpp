// The tools window (offscreen Qt) after the compositor shows a character read from the input:
// the element groups, their lists and captions, the window's size rules, a choice in every
// group, and the layout and paint that follow. One window lives through all inputs, as it
// lives through every character the viewer shows.
#include "fuzzsupport.h"
#include "toolsfm.h"
#include "vlmscreen.h"

#include <QApplication>
#include <QListView>

namespace {

struct TWindow {
    VLM::TScreen screen;
    TtoolsForm tools;
    TWindow() {
        tools.screen = &screen;
        // What the main window does with a choice of element; it reports what fails.
        QObject::connect(&tools, &TtoolsForm::elementChosen, [this](int element) {
            try {
                screen.DrawElement(element);
            } catch (const VLM::ERowRange&) {
            }
        });
        tools.show();
    }
};

TWindow& Window() {
    static int argc = 1;
    static char name[] = "vlm-fuzz-tools";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    static TWindow* window = (static_cast<void>(app), new TWindow);
    return *window;
}

} // namespace

// fontconfig keeps what it loads for the life of the process; the leak check at exit sees it.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TWindow& w = Window();
    VLMF::Quiet();
    w.screen.putchfn(VLMF::WriteFile("NCDAT.ALL", data, size));
    // 144 lies at offset 0, 126 at 16384, 128 at 83968: inside a small input.
    for (int index : {144, 126, 128, 0}) {
        try {
            w.screen.DrawCharacter(index);
        } catch (const VLM::ERowRange&) {
            // An element outside the picture: the main window tells it; the window still updates.
        }
        w.tools.UpdateControls();
        for (QListView* box : w.tools.boxes)
            if (!box->isHidden() && box->model()->rowCount() > 1)
                box->setCurrentIndex(box->model()->index(box->model()->rowCount() - 1, 0));
        QCoreApplication::processEvents();
    }
    return 0;
}
