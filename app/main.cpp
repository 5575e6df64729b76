// Velmora Viewer: one main window, which creates the tools window; the application owns both.
#include "mainfm.h"
#include "qtui.h"
#include "toolsfm.h"

#include <memory>

int main(int argc, char* argv[]) {
    VLMQ::TApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(VLMQ::AppTitle));

    // Declared in this order so that the tools window, created last, is destroyed first.
    auto form = std::make_unique<TmainForm>();
    std::unique_ptr<TtoolsForm> tools(form->tools.data());
    form->show();
    return app.exec();
}
