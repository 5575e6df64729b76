// The desktop side of the engine on Qt: text decoding, the forms' font, the modal dialogs (each
// with a seam a test can answer instead of a person), the engine's user-interface hooks and the
// application object that shows exceptions escaping an event handler.
#pragma once

#include "vlmplatform.h"

#include <QApplication>
#include <QFont>
#include <QString>

#include <functional>
#include <string>

class QFileDialog;
class QWidget;

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
    std::function<bool(QFileDialog& dialog)> fileDialog; // true: the user chose OK
};
TDialogSeams& DialogSeams();

// Modal message box: text, caption, one OK button, no icon.
void ShowMessage(QWidget* parent, const QString& text, const QString& caption);
// Modal information box centred on the screen.
void ShowInformation(const QString& text);
// The application's error box for an exception nobody handled.
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

// The application: installs the Qt user interface for the engine and shows any exception that
// escapes an event handler in the error box, after which the windows carry on.
class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    ~TApplication() override;
    bool notify(QObject* receiver, QEvent* event) override;

private:
    TQtUserInterface ui;
};

} // namespace VLMQ
