#include "pictureout.h"

#include "qtui.h"
#include "vlmcharacter.h"
#include "vlmexport.h"
#include "vlmimage.h"
#include "vlmnaming.h"
#include "vlmpng.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProgressDialog>
#include <QStringList>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <vector>

namespace VLMQ {

namespace {

// Failures listed in the summary box itself; the rest are under its details.
constexpr int ListedFailures = 12;

QImage ToQImage(const VLMX::TImage& rgb) {
    QImage image(rgb.width, rgb.height, QImage::Format_RGB888);
    for (int y = 0; y < rgb.height; ++y)
        std::memcpy(image.scanLine(y), rgb.Row(y), rgb.RowBytes());
    return image;
}

// Set for as long as it lives.
struct TBusy {
    explicit TBusy(bool& flag) : flag(flag) { flag = true; }
    ~TBusy() { flag = false; }
    TBusy(const TBusy&) = delete;
    TBusy& operator=(const TBusy&) = delete;
    bool& flag;
};

bool AskQuestion(QWidget* parent, const QString& text) {
    if (DialogSeams().question) return DialogSeams().question(text);
    // Replacing is the step that cannot be undone: Enter keeps the files.
    return QMessageBox::question(parent, QString::fromLatin1(AppTitle), text,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

// A box of lines; when there are many, the first ones and a count, all of them under details.
void ShowSummary(QWidget* parent, const QStringList& head, const QStringList& lines) {
    QStringList shown = head;
    shown << lines.mid(0, ListedFailures);
    if (lines.size() > ListedFailures)
        shown << QCoreApplication::translate("VLMQ", "... and %1 more.")
                     .arg(lines.size() - ListedFailures);
    const QString text = shown.join(QLatin1Char('\n'));
    if (DialogSeams().messageBox) {
        DialogSeams().messageBox(text, QString::fromLatin1(AppTitle));
        return;
    }
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(AppTitle), text, QMessageBox::Ok,
                    parent);
    if (lines.size() > ListedFailures) box.setDetailedText(lines.join(QLatin1Char('\n')));
    box.exec();
}

// One step of the export's progress, on the calling thread: the dialog moves and the window
// answers events. Nothing may leave it, as the export's threads are running.
bool Progressed(QProgressDialog& progress, int done) noexcept {
    try {
        progress.setValue(done);
        // Until the dialog shows (it waits to see whether the export takes long), nothing
        // blocks the other windows: what the user types or clicks waits in the queue.
        QCoreApplication::processEvents(progress.isVisible() ? QEventLoop::AllEvents
                                                             : QEventLoop::ExcludeUserInputEvents);
        if (DialogSeams().progress) DialogSeams().progress(progress);
        return !progress.wasCanceled();
    } catch (const std::exception& e) {
        ReportCaught(nullptr, &e);
    } catch (...) {
        ReportCaught(nullptr, nullptr);
    }
    return false;
}

// The files picture i of names is exported as in format.
std::vector<std::string> FilesOf(VLM::TBitmap& names, int i, VLMX::TExportFormat format) {
    if (format == VLMX::TExportFormat::Png)
        return {VLMX::PictureStem(i, names.GetName(i)) + ".png"};
    return VLMX::LayeredFileNames(format, VLMX::LayeredStem(i, names.GetName(i), format));
}

// How many of the pictures' files are in folder already.
int TakenFiles(VLM::TBitmap& names, const std::vector<int>& pictures, const QString& folder,
               VLMX::TExportFormat format) {
    int taken = 0;
    for (int i : pictures)
        for (const std::string& file : FilesOf(names, i, format))
            if (QFileInfo::exists(folder + QLatin1Char('/') + QString::fromStdString(file)))
                ++taken;
    return taken;
}

// The save dialog's file types for a character, in the order of VLMX::AllFormats.
QStringList CharacterFilters() {
    return {QCoreApplication::translate("VLMQ", "PNG picture (*.png)"),
            QCoreApplication::translate("VLMQ", "OpenRaster, a layer an element (*.ora)"),
            QCoreApplication::translate("VLMQ", "Aseprite, a layer an element (*.aseprite)"),
            QCoreApplication::translate("VLMQ", "Sprite sheet, PNG and JSON (*.png)")};
}

QString FailureLine(VLM::TBitmap& names, const VLMX::TPictureFailure& f) {
    const QString picture = QStringLiteral("%1 %2")
                                .arg(f.index, 3, 10, QLatin1Char('0'))
                                .arg(FromCp932(names.GetName(f.index)));
    const QString file = FromHostName(f.file);
    const QString reason = QString::fromStdString(f.reason);
    switch (f.kind) {
    case VLMX::TPictureFailure::Unreadable:
        break;
    case VLMX::TPictureFailure::Exists:
        return QCoreApplication::translate("VLMQ", "%1: %2 is already there").arg(picture, file);
    case VLMX::TPictureFailure::CannotWrite:
        return QCoreApplication::translate("VLMQ", "%1: cannot write %2 (%3); the export stopped")
            .arg(picture, file, reason);
    }
    return QStringLiteral("%1: %2").arg(picture, reason);
}

} // namespace

QImage ComposedImage(const VLM::TScreen& screen, int zoom) {
    return ToQImage(VLMX::ScreenPicture(screen.GetOffscreen(), zoom));
}

QString PictureFileName(const VLM::TScreen& screen) {
    const struct {
        const char* prefix;
        int shown;
    } layers[] = {{"wp", screen.getwp()}, {"bg", screen.getbg()}, {"ch", screen.getch()}};
    QStringList parts;
    for (const auto& layer : layers)
        if (layer.shown >= 0)
            parts << QString::fromLatin1(layer.prefix) +
                         QStringLiteral("%1").arg(layer.shown, 3, 10, QLatin1Char('0'));
    if (parts.isEmpty()) parts << QStringLiteral("velmora");
    return parts.join(QLatin1Char('-')) + QStringLiteral(".png");
}

TPictureOut::TPictureOut(QWidget* window) : QObject(window), window(window) {}

void TPictureOut::Save(const VLM::TScreen& screen, int zoom) {
    if (!saveDialog) {
        saveDialog = new QFileDialog(window);
        saveDialog->setOption(QFileDialog::DontUseNativeDialog);
        saveDialog->setAcceptMode(QFileDialog::AcceptSave);
        saveDialog->setFileMode(QFileDialog::AnyFile);
        saveDialog->setDefaultSuffix(QStringLiteral("png"));
        saveDialog->setDirectory(QDir::currentPath());
    }
    // Each time: the language may have changed since.
    saveDialog->setWindowTitle(tr("Save picture"));
    saveDialog->setNameFilter(tr("PNG pictures (*.png)"));
    saveDialog->selectFile(PictureFileName(screen));
    if (!RunFileDialog(*saveDialog)) return;
    const QStringList files = saveDialog->selectedFiles();
    if (files.isEmpty()) return;
    const QString file = files.first();
    // The dialog has asked before it accepted a taken name; a file that appeared since is
    // not the user's to lose.
    const bool confirmed = QFileInfo::exists(file);
    const VLMX::TImage image = VLMX::ScreenPicture(screen.GetOffscreen(), zoom);
    const VLMX::TFileResult r = VLMX::WritePng(image, ToHostName(file), 1, confirmed);
    if (!r.Ok()) {
        const QString why = r.write.status == VLMX::TWriteResult::Exists
                                ? tr("a file of that name appeared meanwhile")
                                : QString::fromLocal8Bit(r.Text().c_str());
        ShowError(tr("The picture could not be saved as %1: %2.").arg(file, why));
        return;
    }
    emit told(tr("Saved %1 (%2 x %3).")
                  .arg(file, QString::number(image.width), QString::number(image.height)));
}

void TPictureOut::Copy(const VLM::TScreen& screen, int zoom) {
    const QImage image = ComposedImage(screen, zoom);
    QGuiApplication::clipboard()->setImage(image);
    emit told(tr("Copied the picture (%1 x %2).").arg(image.width()).arg(image.height()));
}

bool TPictureOut::ChooseFolder(const QString& archiveName, QString& folder) {
    if (!folderDialog) {
        folderDialog = new QFileDialog(window);
        folderDialog->setOption(QFileDialog::DontUseNativeDialog);
        folderDialog->setOption(QFileDialog::ShowDirsOnly);
        folderDialog->setFileMode(QFileDialog::Directory);
        folderDialog->setAcceptMode(QFileDialog::AcceptOpen);
        folderDialog->setDirectory(QDir::currentPath());
    }
    folderDialog->setWindowTitle(tr("Export %1 into folder").arg(archiveName));
    if (!RunFileDialog(*folderDialog)) return false;
    const QStringList chosen = folderDialog->selectedFiles();
    if (chosen.isEmpty()) return false;
    folder = chosen.first();
    return true;
}

void TPictureOut::SaveCharacter(const VLM::TScreen& screen) {
    const int index = screen.getch();
    if (index < 0) {
        emit told(tr("No character is shown."));
        return;
    }
    const auto picture = VLM::NewPicture(VLM::TLayerKind::Character, screen.getchfn());
    if (!picture->Select(index)) {
        ShowError(tr("Character %1 could not be read: %2.")
                      .arg(index)
                      .arg(ReasonText(picture->LoadError)));
        return;
    }
    const auto& character = static_cast<const VLM::TCharacterBitmap&>(*picture);
    if (!characterDialog) {
        characterDialog = new QFileDialog(window);
        characterDialog->setOption(QFileDialog::DontUseNativeDialog);
        characterDialog->setAcceptMode(QFileDialog::AcceptSave);
        characterDialog->setFileMode(QFileDialog::AnyFile);
        characterDialog->setDirectory(QDir::currentPath());
    }
    // Each time: the language may have changed since.
    const QStringList filters = CharacterFilters();
    characterDialog->setWindowTitle(tr("Save character"));
    characterDialog->setNameFilters(filters);
    characterDialog->selectNameFilter(filters.value(characterFormat));
    const std::string stem = VLMX::PictureStem(index, picture->GetName(index));
    characterDialog->selectFile(QString::fromStdString(stem) +
                                QLatin1String(VLMX::Suffix(VLMX::AllFormats[characterFormat])));
    if (!RunFileDialog(*characterDialog)) return;
    const QStringList files = characterDialog->selectedFiles();
    if (files.isEmpty()) return;
    characterFormat = std::max(0, int(filters.indexOf(characterDialog->selectedNameFilter())));
    const VLMX::TExportFormat format = VLMX::AllFormats[characterFormat];
    const QString suffix = QLatin1String(VLMX::Suffix(format));
    // The file type decides the suffix: one of another type's is replaced.
    QString file = files.first();
    for (const char* other : {".png", ".ora", ".aseprite", ".json"})
        if (file.endsWith(QLatin1String(other))) file.chop(int(std::strlen(other)));
    file += suffix;
    // The dialog has asked before it accepted a taken name (for a sheet, its JSON goes with it).
    const bool confirmed = QFileInfo::exists(file);
    const QFileInfo info(file);
    const std::string folder = ToHostName(info.absolutePath());
    const std::string name = ToHostName(info.fileName().chopped(suffix.size()));
    VLMX::TLayered layered;
    try {
        if (format == VLMX::TExportFormat::Png) {
            VLMX::TCharacterPicture composed =
                VLMX::CharacterPicture(character, screen.shownElements);
            layered.outside = composed.outside;
            layered.files.push_back({name + ".png", VLMX::EncodePng(composed.image)});
        } else {
            layered = VLMX::LayeredFiles(character, index, name, format, 1, screen.shownElements);
        }
    } catch (const std::runtime_error& e) {
        ShowError(tr("The character could not be saved as %1: %2.")
                      .arg(file, QString::fromStdString(e.what())));
        return;
    }
    if (layered.outside >= 0) {
        ShowError(tr("The character could not be saved as %1: element %2 reaches outside its "
                     "picture.")
                      .arg(file)
                      .arg(layered.outside));
        return;
    }
    for (const VLMX::TLayeredFile& f : layered.files) {
        const VLMX::TWriteResult r =
            VLMX::WriteFileAtomic(folder + "/" + f.name, f.bytes.data(), f.bytes.size(), confirmed);
        if (!r.Ok()) {
            const QString why = r.status == VLMX::TWriteResult::Exists
                                    ? tr("a file of that name appeared meanwhile")
                                    : QString::fromLocal8Bit(r.Text().c_str());
            ShowError(tr("The character could not be saved as %1: %2.")
                          .arg(FromHostName(folder + "/" + f.name), why));
            return;
        }
    }
    emit told(tr("Saved character %1 as %2.").arg(index).arg(file));
}

void TPictureOut::Export(VLM::TLayerKind kind, const std::string& archive,
                         VLMX::TExportFormat format) {
    if (exporting) return;
    const auto names = VLM::NewPicture(kind, archive);
    if (names->GetCount() <= 0) return;
    const QString archiveName = FromHostName(VLM::FileNamePart(archive));
    QString folder;
    if (!ChooseFolder(archiveName, folder) || !MakeExportFolder(folder)) return;
    std::vector<int> pictures(static_cast<size_t>(names->GetCount()));
    std::iota(pictures.begin(), pictures.end(), 0);
    // The folder dialog does not ask about files it would replace: ask once for all of them.
    const int taken = TakenFiles(*names, pictures, folder, format);
    if (taken > 0 && !AskQuestion(window, tr("%1 of the files to write are already in %2. "
                                             "Replace them?")
                                              .arg(taken)
                                              .arg(folder)))
        return;
    VLMX::TExportOptions options;
    options.overwrite = taken > 0;
    options.format = format;
    const VLMX::TExportReport report =
        ExportWithProgress(tr("Exporting %1 into %2").arg(archiveName, folder), pictures.size(),
                           [&](const VLMX::TProgress& progress) {
                               return VLMX::ExportPictures(kind, archive, pictures,
                                                           ToHostName(folder), options, progress);
                           });
    ShowExportReport(report, *names, archiveName, folder);
}

bool TPictureOut::MakeExportFolder(const QString& folder) {
    const int error = VLMX::MakeFolder(ToHostName(folder));
    if (error == 0) return true;
    ShowError(
        tr("Cannot export into %1: %2.").arg(folder, QString::fromLocal8Bit(std::strerror(error))));
    return false;
}

VLMX::TExportReport TPictureOut::ExportWithProgress(const QString& text, size_t total,
                                                    const TExportRun& run) {
    const TBusy busy(exporting);
    QProgressDialog progress(text, tr("Cancel"), 0, static_cast<int>(total), window);
    progress.setWindowTitle(QString::fromLatin1(AppTitle));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(500);
    progress.setValue(0);
    return run([&progress](int done, int) { return Progressed(progress, done); });
}

// What was written on the status bar; what was not, in a box.
void TPictureOut::ShowExportReport(const VLMX::TExportReport& report, VLM::TBitmap& names,
                                   const QString& archiveName, const QString& folder) {
    // In one pass: a name holding "%1" is no place marker.
    QString headline = tr("%1: %2 of %3 pictures written into %4.")
                           .arg(archiveName, QString::number(report.written),
                                QString::number(report.total), folder);
    if (report.cancelled) headline += QLatin1Char(' ') + tr("Cancelled; every file is whole.");
    if (!report.leftOut.empty()) {
        // Picture:element, the first few of them.
        QStringList named;
        for (size_t i = 0; i < report.leftOut.size() && i < 5; ++i)
            named << QStringLiteral("%1:%2")
                         .arg(report.leftOut[i].index, 3, 10, QLatin1Char('0'))
                         .arg(report.leftOut[i].element, 2, 10, QLatin1Char('0'));
        if (report.leftOut.size() > 5) named << QStringLiteral("...");
        headline += QLatin1Char(' ') +
                    tr("Elements of no pixels left out: %1.").arg(named.join(QStringLiteral(", ")));
    }
    if (report.failures.empty()) {
        emit told(headline);
        return;
    }
    QStringList head{headline};
    // A character that does not fit has its dump written, and would end the viewer; here it is
    // only said, and the export has gone on.
    if (std::any_of(report.failures.begin(), report.failures.end(),
                    [](const VLMX::TPictureFailure& f) { return !f.dump.empty(); }))
        head << tr("The diagnostic dump of the characters that do not fit was appended to %1.")
                    .arg(FromHostName(VLM::TCharacterBitmap::DumpPath()));
    head << tr("Not written:");
    QStringList lines;
    for (const VLMX::TPictureFailure& f : report.failures)
        lines << FailureLine(names, f);
    ShowSummary(window, head, lines);
}

} // namespace VLMQ
