#include "qtui.h"

#include "vlmscreen.h"

#include <QByteArrayView>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QMessageBox>
#include <QStringDecoder>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <exception>
#include <new>

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
    QMessageBox box(QMessageBox::Critical, QString::fromLatin1(AppTitle), ForDisplay(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
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

// ---- Failures ------------------------------------------------------------------------------

QString ReasonText(const VLM::TLoadError& error) {
    using VLM::TFailure;
    const QString detail = QString::number(error.detail);
    switch (error.kind) {
    case TFailure::None:
        return QString();
    case TFailure::UnknownArchive:
        return QCoreApplication::translate("VLMQ", "not an archive name of this kind");
    case TFailure::NoSuchPicture:
        return QCoreApplication::translate("VLMQ", "no picture %1 in this archive").arg(detail);
    case TFailure::NotRegular:
        return QCoreApplication::translate("VLMQ", "not a regular file");
    case TFailure::CannotOpen:
        return QCoreApplication::translate("VLMQ", "cannot open (%1)")
            .arg(QString::fromLocal8Bit(std::strerror(static_cast<int>(error.detail))));
    case TFailure::NoRecord:
        return QCoreApplication::translate("VLMQ",
                                           "no picture record found - not an archive of this kind");
    case TFailure::CutShort:
        return QCoreApplication::translate("VLMQ", "record cut short at byte %1").arg(detail);
    case TFailure::BadHeader:
        return QCoreApplication::translate("VLMQ", "header field out of range");
    case TFailure::TooLarge:
        return QCoreApplication::translate("VLMQ", "too large (limit %1)").arg(detail);
    case TFailure::ElementOutside:
        return QCoreApplication::translate("VLMQ", "element %1 outside its picture").arg(detail);
    case TFailure::OutOfMemory:
        return QCoreApplication::translate("VLMQ", "out of memory");
    }
    return QCoreApplication::translate("VLMQ", "unknown failure");
}

QString FailureText(const VLM::TScreen* screen, const std::exception* e) {
    if (const auto* outside = dynamic_cast<const VLM::EElementOutside*>(e)) {
        const QString archive =
            screen ? FromHostName(VLM::FileNamePart(screen->getchfn())) : QString();
        return QCoreApplication::translate(
                   "VLMQ", "%1, picture %2: element %3 reaches outside the composed picture, "
                           "so the character cannot be shown whole.")
            .arg(archive.isEmpty() ? QCoreApplication::translate("VLMQ", "The character archive")
                                   : archive,
                 QString::number(outside->picture), QString::number(outside->element));
    }
    if (dynamic_cast<const std::bad_alloc*>(e))
        return QCoreApplication::translate("VLMQ",
                                           "Out of memory: the command was left unfinished.");
    if (e)
        return QCoreApplication::translate("VLMQ", "The command failed: %1")
            .arg(FromCp932(e->what()));
    return QCoreApplication::translate("VLMQ", "The command failed for an unknown reason.");
}

void TFailures::Report(const QString& text) {
    std::fprintf(stderr, "velmora: %s\n", text.toLocal8Bit().constData());
    const bool box = !boxPending && text != lastBoxed && QCoreApplication::instance();
    if (box) {
        boxPending = true;
        lastBoxed = text;
        QTimer::singleShot(0, this, [this, text]() noexcept {
            ++boxes;
            try {
                ShowError(text);
            } catch (...) {
                // The box itself failed (out of memory): the text is on stderr already.
            }
            boxPending = false;
        });
    }
    // A window that fails again while bringing itself in line is not told twice.
    if (reporting) return;
    reporting = true;
    try {
        emit reported(text);
    } catch (...) {
        std::fprintf(stderr, "velmora: a window failed again while taking in a failure\n");
    }
    reporting = false;
}

TFailures& Failures() {
    static TFailures failures;
    return failures;
}

void ReportCaught(const VLM::TScreen* screen, const std::exception* e) noexcept {
    try {
        Failures().Report(FailureText(screen, e));
    } catch (...) {
        // Out of memory even for the text: stderr is all that is left.
        std::fputs("velmora: a command failed\n", stderr);
    }
}

// ---- Application ---------------------------------------------------------------------------

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    VLM::SetUserInterface(&ui);
}

TApplication::~TApplication() {
    VLM::SetUserInterface(nullptr);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ++escaped;
        ReportCaught(nullptr, &e);
    } catch (...) {
        ++escaped;
        ReportCaught(nullptr, nullptr);
    }
    return false;
}

} // namespace VLMQ
