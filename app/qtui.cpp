#include "qtui.h"

#include <QByteArrayView>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QMessageBox>
#include <QStringDecoder>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <exception>

namespace VLMQ {

const char* const AppTitle = "Velmora Viewer";

namespace {

QStringDecoder MakeCp932Decoder() {
    // ICU knows the code page under several names; the Microsoft ones map the NEC and IBM
    // extensions (circled digits, Roman numerals) that the game's texts may use.
    for (const char* name : {"windows-31j", "cp932", "Shift_JIS"}) {
        QStringDecoder decoder(name, QStringConverter::Flag::Stateless);
        if (decoder.isValid()) return decoder;
    }
    return QStringDecoder();
}

// Message texts built by the engine end their lines in LF CR; a CR at the start of a line
// would show as a blank there.
QString ForDisplay(QString text) {
    text.replace(QLatin1String("\n\r"), QLatin1String("\n"));
    return text;
}

} // namespace

QString FromCp932(const char* text) {
    if (!text) return QString();
    static QStringDecoder decoder = MakeCp932Decoder();
    const QByteArrayView bytes(text);
    if (decoder.isValid()) {
        decoder.resetState();
        QString decoded = decoder.decode(bytes);
        return decoded;
    }
    // No converter for the code page: keep ASCII readable and mark everything else.
    QString out;
    out.reserve(bytes.size());
    for (char c : bytes)
        out += static_cast<unsigned char>(c) < 0x80 ? QChar(c) : QChar(QChar::ReplacementCharacter);
    return out;
}

QString FromCp932(const std::string& text) {
    return FromCp932(text.c_str());
}

QString FromHostName(const std::string& name) {
    return QFile::decodeName(QByteArray(name.data(), static_cast<qsizetype>(name.size())));
}

std::string ToHostName(const QString& name) {
    return QFile::encodeName(name).toStdString();
}

QFont FormFont() {
    static const QFont font = [] {
        const QStringList installed = QFontDatabase::families();
        QString family = QString::fromUtf8("ＭＳ Ｐゴシック");
        for (const char* candidate :
             {"ＭＳ Ｐゴシック", "MS PGothic", "IPAPGothic", "IPA Pゴシック"}) {
            if (installed.contains(QString::fromUtf8(candidate))) {
                family = QString::fromUtf8(candidate);
                break;
            }
        }
        QFont f(family);
        f.setPixelSize(12);
        f.setStyleHint(QFont::SansSerif);
        return f;
    }();
    return font;
}

TDialogSeams& DialogSeams() {
    static TDialogSeams seams;
    return seams;
}

void ShowMessage(QWidget* parent, const QString& text, const QString& caption) {
    if (DialogSeams().messageBox) {
        DialogSeams().messageBox(text, caption);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, caption, ForDisplay(text), QMessageBox::Ok, parent);
    box.exec();
}

void ShowInformation(const QString& text) {
    if (DialogSeams().information) {
        DialogSeams().information(text);
        return;
    }
    // Without a parent the dialog is placed in the middle of the screen.
    QMessageBox box(QMessageBox::Information, QString::fromLatin1(AppTitle), ForDisplay(text),
                    QMessageBox::Ok);
    box.exec();
}

void ShowError(const QString& text) {
    if (DialogSeams().error) {
        DialogSeams().error(text);
        return;
    }
    // A second failure while the box is up (a paint behind it, say) must not stack boxes.
    static bool showing = false;
    if (showing) {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        return;
    }
    showing = true;
    QMessageBox box(QMessageBox::Critical, QString::fromLatin1(AppTitle), ForDisplay(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
    showing = false;
}

bool RunFileDialog(QFileDialog& dialog) {
    if (DialogSeams().fileDialog) return DialogSeams().fileDialog(dialog);
    return dialog.exec() == QDialog::Accepted;
}

// ---- Engine hooks --------------------------------------------------------------------------

void TQtUserInterface::MessageBox(const std::string& text, const std::string& caption) {
    ShowMessage(QApplication::activeWindow(), FromCp932(text), FromCp932(caption));
}

void TQtUserInterface::InformationDialog(const std::string& text) {
    ShowInformation(FromCp932(text));
}

void TQtUserInterface::Terminate() {
    // The command that asked for it still finishes; the loop ends when it regains control.
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, &QCoreApplication::quit, Qt::QueuedConnection);
}

// ---- Application ---------------------------------------------------------------------------

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    VLM::SetUserInterface(&ui);
}

TApplication::~TApplication() {
    VLM::SetUserInterface(nullptr);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    QString failure;
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        failure = FromCp932(e.what());
    } catch (...) {
        failure = QStringLiteral("Unknown exception");
    }
    // A modal box opened in the middle of painting would paint again inside that paint; such a
    // failure is shown once the loop is back in control.
    if (event->type() == QEvent::Paint || event->type() == QEvent::UpdateRequest)
        QTimer::singleShot(0, this, [failure] { ShowError(failure); });
    else
        ShowError(failure);
    return false;
}

} // namespace VLMQ
