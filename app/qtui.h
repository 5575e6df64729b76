// The desktop side of the engine on Qt: text decoding, the forms' font, the modal dialogs (each
// with a seam a test can answer instead of a person), the engine's user-interface hooks, the
// one place where failures caught at a handler's edge are told, and the application object.
#pragma once

#include "vlmplatform.h"

#include <QApplication>
#include <QFont>
#include <QObject>
#include <QString>

#include <exception>
#include <functional>
#include <string>

class QFileDialog;
class QProgressDialog;
class QWidget;
namespace VLM {
class TScreen;
}

namespace VLMQ {

// The caption of the program's own message boxes.
extern const char* const AppTitle; // "Velmora Viewer"

// Code page 932 bytes (display names, engine messages) to text.
QString FromCp932(const char* text);
QString FromCp932(const std::string& text);

// File names stay as the host gives them (bytes in the locale's encoding, UTF-8 here).
QString FromHostName(const std::string& name);
std::string ToHostName(const QString& name);

// "ＭＳ Ｐゴシック", 12 pixels high, or the nearest proportional Japanese gothic installed.
QFont FormFont();

// When a seam is set it answers its dialog instead of a person; nothing modal is shown.
struct TDialogSeams {
    std::function<void(const QString& text, const QString& caption)> messageBox;
    std::function<void(const QString& text)> information;
    std::function<void(const QString& text)> error;
    std::function<bool(QFileDialog& dialog)> fileDialog;   // true: the user chose OK
    std::function<bool(const QString& text)> question;     // true: the user chose Yes
    std::function<void(QProgressDialog& dialog)> progress; // at each step; may cancel it
};
TDialogSeams& DialogSeams();

// Modal message box: text, caption, one OK button, no icon.
void ShowMessage(QWidget* parent, const QString& text, const QString& caption);
// Modal information box centred on the screen.
void ShowInformation(const QString& text);
// The error box (or its seam); TFailures decides when it is shown.
void ShowError(const QString& text);
// Runs a file dialog modally; true when the user accepted it.
bool RunFileDialog(QFileDialog& dialog);

// What the engine asks of the desktop, on Qt.
class TQtUserInterface : public VLM::TUserInterface {
public:
    void MessageBox(const std::string& text, const std::string& caption) override;
    void InformationDialog(const std::string& text) override;
    void Terminate() override;
};

// ---- Failures ------------------------------------------------------------------------------

// Why a load failed, in words ("record cut short at byte 1200").
QString ReasonText(const VLM::TLoadError& error);
// What a handler's failure was, in words. An element outside the picture is told with its
// archive (from screen, which may be null), picture and element. e null: not a std::exception.
QString FailureText(const VLM::TScreen* screen, const std::exception* e);

// Where every failure caught at a handler's edge is told. The box comes once the event loop is
// back in control, so no handler is left half way through a modal loop; there is at most one
// box at a time, and a failure told by the last box is not boxed again until an archive is
// opened (the windows' status line keeps telling it): a broken character cannot raise a box on
// every later command.
class TFailures : public QObject {
    Q_OBJECT

public:
    void Report(const QString& text);
    // A new archive: its failures are new, whatever the last box said.
    void Forget() { lastBoxed.clear(); }
    int BoxesShown() const { return boxes; }

signals:
    // Before the box: whatever runs by itself stops, and the windows bring themselves in line.
    void reported(const QString& text);

private:
    bool boxPending = false;
    bool reporting = false;
    QString lastBoxed;
    int boxes = 0;
};
TFailures& Failures();

// Tells a caught failure through Failures(); never throws.
void ReportCaught(const VLM::TScreen* screen, const std::exception* e) noexcept;

// Runs one handler's body at the edge of Qt's event delivery (a menu command, a button, a list,
// the timer, a paint or a resize): nothing it throws goes on into Qt.
template <class F> void Guarded(const VLM::TScreen* screen, F&& body) noexcept {
    try {
        body();
    } catch (const std::exception& e) {
        ReportCaught(screen, &e);
    } catch (...) {
        ReportCaught(screen, nullptr);
    }
}

// The application: installs the Qt user interface for the engine. Every handler catches at its
// own edge; notify only catches what a handler let through, as a last resort, and counts it.
class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    ~TApplication() override;
    bool notify(QObject* receiver, QEvent* event) override;
    int Escaped() const { return escaped; }

private:
    TQtUserInterface ui;
    int escaped = 0;
};

} // namespace VLMQ
