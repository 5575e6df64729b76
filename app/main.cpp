// Velmora Viewer: one main window, which creates the tools window; the application owns both.
// Archives named on the command line open as if through the open dialogs.
#include "commandline.h"
#include "language.h"
#include "mainfm.h"
#include "qtui.h"

#include <cstdio>

int main(int argc, char* argv[]) {
    if (const int status = VLMQ::EarlyOptions(argc, argv); status >= 0) return status;
    VLMQ::TApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(VLMQ::AppTitle));
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.velmora.Viewer"));
    const VLMQ::TCommandLine line = VLMQ::ParseCommandLine(QApplication::arguments());
    if (!line.error.isEmpty()) {
        std::fprintf(stderr, "velmora: %s\nTry 'velmora --help'.\n",
                     line.error.toLocal8Bit().constData());
        return 2;
    }

    VLMQ::SetLanguage(VLMQ::StartLanguage());
    TViewerWindows windows;
    windows.form->RestoreView();
    windows.form->show();
    windows.form->OpenFiles(line.archives);
    return app.exec();
}
