// Getting pictures out of the viewer: the composed picture saved as a PNG file or copied to the
// clipboard at the window's zoom, the shown character saved in a format of the user's choice,
// and every picture of one layer's archive exported into a folder, file for file as
// velmora-cli export writes them.
#pragma once

#include "vlmlayered.h"
#include "vlmlayers.h"
#include "vlmscreen.h"

#include <QImage>
#include <QObject>
#include <QString>

#include <cstddef>
#include <functional>
#include <string>

class QFileDialog;
class QWidget;
namespace VLMX {
struct TExportReport;
}

namespace VLMQ {

// The compositor's off-screen picture enlarged zoom times, its colours widened by
// VLM::ScreenToRgb: the pixels a saved file holds.
QImage ComposedImage(const VLM::TScreen& screen, int zoom);

// The name the save dialog offers, from the picture each layer shows: "wp003-bg012-ch045.png",
// layers that show nothing left out, "velmora.png" when none shows anything.
QString PictureFileName(const VLM::TScreen& screen);

// The three commands with their dialogs. Failures are told in a box; what was done goes to
// told() for the status bar.
class TPictureOut : public QObject {
    Q_OBJECT

public:
    // window: the parent of this object and of the dialogs.
    explicit TPictureOut(QWidget* window);

    // The save dialog, then the file, written whole. A taken name is replaced only when the
    // dialog has asked about it.
    void Save(const VLM::TScreen& screen, int zoom);
    void Copy(const VLM::TScreen& screen, int zoom);
    // The character on screen, its shown elements the visible ones, as a PNG, a layered file
    // or a sprite sheet: the save dialog's file type chooses.
    void SaveCharacter(const VLM::TScreen& screen);
    // Every picture of archive, read as a kind archive, into a folder the user chooses, with a
    // progress dialog that can cancel; a summary box names the pictures that could not be read.
    // A character archive may go out in a layered format or as sprite sheets.
    void Export(VLM::TLayerKind kind, const std::string& archive,
                VLMX::TExportFormat format = VLMX::TExportFormat::Png);
    // An export is under way (its progress lets events through, the menu among them).
    bool Exporting() const { return exporting; }

signals:
    void told(const QString& text);

private:
    // Runs an export, handing it the progress to report to.
    using TExportRun = std::function<VLMX::TExportReport(const std::function<bool(int, int)>&)>;

    bool ChooseFolder(const QString& archiveName, QString& folder);
    // Makes the folder if it is missing; a box says why it cannot be.
    bool MakeExportFolder(const QString& folder);
    // run behind a progress dialog (saying text) that can cancel it.
    VLMX::TExportReport ExportWithProgress(const QString& text, size_t total,
                                           const TExportRun& run);
    void ShowExportReport(const VLMX::TExportReport& report, VLM::TBitmap& names,
                          const QString& archiveName, const QString& folder);

    QWidget* window;
    QFileDialog* saveDialog = nullptr;      // made at the first use; keeps its folder
    QFileDialog* characterDialog = nullptr; // likewise
    int characterFormat = 0;                // the file type chosen last, in VLMX::AllFormats
    QFileDialog* folderDialog = nullptr;    // likewise
    bool exporting = false;
};

} // namespace VLMQ
