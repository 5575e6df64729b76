// Helpers shared by the window tests: archives written into a temporary folder, both windows as
// the application holds them, and answers for the modal dialogs.
#pragma once

#include "language.h"
#include "mainfm.h"
#include "qtui.h"
#include "toolsfm.h"
#include "vlmwriter.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>

#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace VLMAT {

// The archive colour a numbered picture is painted in; distinct for every index below 4096.
uint16_t NumberColour(int index);
// How a screen colour shows in the client area.
QRgb Shown(uint16_t screenColour);
// The client-area colour of a numbered picture.
QRgb NumberShown(int index);

// A picture filled with palette entry 1 in the colour of its number.
VLMW::TIndexed NumberedPicture(int width, int height, int index);

// A wallpaper archive whose pictures 0 .. count - 1 are numbered pictures, except those left
// out; a missing picture fails to load (the search runs into the next one or the end).
void WriteWallPapers(const QString& path, int count, const std::vector<int>& missing = {});
// A background archive with numbered 288 x 144 pictures at the table offsets of indices; those
// also in unreadable have a header whose width is no multiple of 8.
void WriteBackGrounds(const QString& path, const std::vector<int>& indices,
                      const std::vector<int>& unreadable = {});
// A character archive with the given records at the table offsets of their indices.
void WriteCharacters(const QString& path, const std::map<int, VLMW::TCharRecord>& records);
// A character record: a numbered 64 x 64 base at (4, 6), then elements with the given
// rectangles {left, top, width, height}, each with its own pixels.
using TRects = std::vector<std::array<int, 4>>;
VLMW::TCharRecord GroupRecord(int index, const TRects& rects);
constexpr std::array<int, 4> BaseRect{4, 6, 64, 64};
// A record of count one-pixel elements: every neighbour on another pixel (as many groups as
// elements), or all on one pixel (one group).
VLMW::TCharRecord OnePixelRecord(int count, bool onePixel);

// The main window and the tools window, owned as the application owns them.
using TForms = TViewerWindows;

// Answers the open dialog for as long as it lives: OK with the file given (a name in the
// dialog's folder or a full path), or Cancel when there is none.
class TOpenAnswer {
public:
    explicit TOpenAnswer(const QString& file = QString());
    ~TOpenAnswer();
    TOpenAnswer(const TOpenAnswer&) = delete;
    TOpenAnswer& operator=(const TOpenAnswer&) = delete;

    int runs = 0;
    QString folder;      // where the dialog opened
    QString initialName; // the file name it offered
    QStringList filters;
};

// Records the message, information and error boxes for as long as it lives.
class TBoxLog {
public:
    TBoxLog();
    ~TBoxLog();
    TBoxLog(const TBoxLog&) = delete;
    TBoxLog& operator=(const TBoxLog&) = delete;

    struct TBox {
        QString kind, text, caption;
    };
    std::vector<TBox> boxes;
};

// Opens an archive of a layer through its menu item and the dialog.
void Open(QAction* item, const QString& path);

// Exceptions that reached the application's last resort instead of a handler's own edge.
int Escaped();

// Switches the viewer's language; every window has taken it in on return.
void UseLanguage(VLMQ::TLanguage language);
// English for as long as it lives, then Japanese again: for the tests of message texts, which
// are written in English in the code.
class TEnglish {
public:
    TEnglish() { UseLanguage(VLMQ::TLanguage::English); }
    ~TEnglish() { UseLanguage(VLMQ::TLanguage::Japanese); }
    TEnglish(const TEnglish&) = delete;
    TEnglish& operator=(const TEnglish&) = delete;
};

} // namespace VLMAT

// A test program on the viewer's own application object, so that its exception handling and
// engine hooks are the ones under test. The viewer's settings and Qt's go to a configuration
// folder of the program's own, never to the user's. The windows start in Japanese, the
// viewer's own language, whatever the environment asks for.
#define VLMAT_MAIN(TestClass)                                                                      \
    int main(int argc, char* argv[]) {                                                             \
        QTemporaryDir config;                                                                      \
        if (!config.isValid()) return 1;                                                           \
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));                              \
        qunsetenv("LANGUAGE");                                                                     \
        VLMQ::TApplication app(argc, argv);                                                        \
        VLMAT::UseLanguage(VLMQ::TLanguage::Japanese);                                             \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
