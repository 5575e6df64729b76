// The main window: menus, the open dialogs, stepping through the three layers, zoom, the
// caption with index and count of each layer, the status line under the picture, the automatic
// display and the version box. It carries out what the tools window and the picture lists ask
// for and places the tools window. Opening from outside the dialogs (command line, drops,
// recent archives) and the picture lists are in mainopen.cpp; zoom steps, integer scaling,
// full screen, the plain keys, the pixel under the mouse and the saved view in mainview.cpp.
#pragma once

#include "language.h"
#include "qtui.h"
#include "vlmlayered.h"
#include "vlmlayers.h"
#include "vlmscreen.h"

#include <QByteArray>
#include <QMainWindow>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

class QAction;
class QFileDialog;
class QLabel;
class QMenu;
class QMenuBar;
class QTimer;
class TQtCanvas;
class TPictureListForm;
class TtoolsForm;
namespace VLMQ {
class TPictureOut;
}

class TmainForm : public QMainWindow {
    Q_OBJECT

public:
    // The tools window gets the same owner; with none, the application owns both windows.
    explicit TmainForm(QWidget* owner = nullptr);
    ~TmainForm() override;

    // The menus and their items in menu-bar order, as CreateMenus makes them, with the open
    // dialog and the automatic display's timer.
    QMenuBar* mainMenu = nullptr;
    QMenu* fileMenu = nullptr;
    QAction* openWallPaperMenu = nullptr;
    QAction* openBackGroundMenu = nullptr;
    QAction* openCharacterMenu = nullptr;
    // Pictures out: the composed picture, the shown character in a format of the user's
    // choice, or one layer's whole archive (an item a layer, then the character archive in
    // each layered format: OpenRaster, Aseprite, sprite sheet).
    QAction* savePictureMenu = nullptr;
    QAction* copyPictureMenu = nullptr;
    QAction* saveCharacterMenu = nullptr;
    QMenu* exportMenu = nullptr;
    std::array<QAction*, 3> exportFormatMenus{};
    QAction* mbar1 = nullptr; // the separator above exitMenu
    QAction* exitMenu = nullptr;
    QFileDialog* openDialog = nullptr;
    QMenu* viewMenu = nullptr;
    QAction* nextWallPaperMenu = nullptr;
    QAction* prevWallPaperMenu = nullptr;
    QAction* nextBackGroundMenu = nullptr;
    QAction* prevBackGroundMenu = nullptr;
    QAction* nextCharacterMenu = nullptr;
    QAction* prevCharacterMenu = nullptr;
    QAction* resetMenu = nullptr;
    QAction* zoomMenu = nullptr;
    QAction* autoPlayMenu = nullptr;
    QTimer* timer = nullptr;
    QMenu* optionsMenu = nullptr;
    QAction* toolsMenu = nullptr;
    QAction* versionMenu = nullptr;
    // Options > language: Japanese, the viewer's own, or English; kept for the next start.
    QMenu* languageMenu = nullptr;
    QAction* japaneseMenu = nullptr;
    QAction* englishMenu = nullptr;

    QPointer<TtoolsForm> tools;           // owned by the application, not by this window
    std::unique_ptr<VLM::TScreen> screen; // the compositor
    // The picture of each layer that the next step goes on from: the one shown, or the one
    // tried last while its layer shows nothing.
    int32_t wpIndex = -1;
    int32_t bgIndex = -1;
    int32_t chIndex = -1;
    // Under the picture, not part of the client area: the names of the shown pictures, or why
    // a layer shows nothing.
    QLabel* statusLine = nullptr;

    // Items of the view and of the ways to archives (CreateViewItems, CreateOpenItems): zoom
    // steps, integer scaling, full screen, the recent archives and one picture list per layer
    // (made on first use, children of this window).
    QAction* zoomInMenu = nullptr;
    QAction* zoomOutMenu = nullptr;
    QAction* zoomResetMenu = nullptr;
    QAction* integerScaleMenu = nullptr;
    QAction* fullScreenMenu = nullptr;
    QAction* leaveFullScreenKey = nullptr; // Esc, only while full screen
    QMenu* recentMenu = nullptr;
    std::array<QAction*, 3> pictureListMenus{};
    std::array<QPointer<TPictureListForm>, 3> pictureLists;

    void UpdateCaption();
    // What the status line says now.
    QString StatusText() const;
    // The path itself when a file is there, else only its file-name part.
    static std::string DefaultFileName(const std::string& path);
    // The version box's text, line breaks LF CR.
    static QString VersionText();

    // Menu handlers.
    void openWallPaperMenuClick();
    void openBackGroundMenuClick();
    void openCharacterMenuClick();
    void exitMenuClick();
    void nextWallPaperMenuClick();
    void prevWallPaperMenuClick();
    void nextBackGroundMenuClick();
    void prevBackGroundMenuClick();
    void nextCharacterMenuClick();
    void prevCharacterMenuClick();
    void resetMenuClick();
    void zoomMenuClick();
    void autoPlayMenuClick();
    void toolsMenuClick();
    void versionMenuClick();
    void autoPlayTimer();
    void savePictureMenuClick();
    void copyPictureMenuClick();
    void exportMenuClick(VLM::TLayerKind layer);
    void saveCharacterMenuClick();
    void exportFormatMenuClick(VLMX::TExportFormat format);
    void languageMenuClick(VLMQ::TLanguage language);

    void zoomInMenuClick();
    void zoomOutMenuClick();
    void zoomResetMenuClick();
    void integerScaleMenuClick();
    void fullScreenMenuClick();

    // The zoom step, 1 to 8: the client area is 320N x 224N unless the frame was resized since.
    int ZoomFactor() const;
    void SetZoom(int factor);
    // Where the picture stands in the client area: all of it, or the largest whole multiple
    // that fits, centred, with integer scaling or in full screen.
    VLM::TRect PictureArea() const;

    // Opens each file in the layer its name says, wallpapers first, then backgrounds, then
    // characters, each at picture 0; the others still open when one cannot.
    void OpenFiles(const QStringList& paths);
    // A recent archive: opened, or taken off the list when it is no longer there.
    void OpenRecent(VLM::TLayerKind layer, const QString& path);
    void FillRecentMenu();
    // Shows the picture list of a layer, making it on first use.
    void ShowPictureList(VLM::TLayerKind layer);

    // The view of the last session (window, zoom, integer scaling, tools window); the archives
    // are not reopened. SaveView runs when the window closes.
    void RestoreView();
    void SaveView() const;

    // Window events.
    void FormPaint();
    void FormResize();
    void FormShow();

    // What the tools window asks for.
    void OpenRequested(VLM::TLayerKind layer);
    void PictureChosen(VLM::TLayerKind layer, int index);
    void ElementChosen(int element);
    // Puts the tools window against this window's right edge (toolsplace.cpp has the rules).
    void PlaceTools();

    // The client area (the picture's surface; the menu bar is not part of it).
    TQtCanvas* ClientArea() const { return canvas; }
    // Sizes the window so that its client area is width x height.
    void SetClientSize(int width, int height);

    // Showing runs FormShow once the window stands on the desktop, so that the tools window
    // can be placed against its frame.
    void setVisible(bool visible) override;

protected:
    // A new language: every text of the window again.
    void changeEvent(QEvent* event) override;
    // The tools window follows this one unless the user has moved it.
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // The client area's mouse: the pixel under it, and zoom by Ctrl and the wheel.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs a handler's body at its Qt edge; a failure is told through VLMQ::Failures().
    template <class F> void Guard(F&& body) { VLMQ::Guarded(screen.get(), body); }
    // A command failed half way: the automatic display stops and the window shows what is there.
    void FailureReported();
    void Open(VLM::TLayerKind layer);
    void OpenArchive(VLM::TLayerKind layer, const std::string& path);
    void ArchiveOpened(VLM::TLayerKind layer, const std::string& path);
    // Tells a problem of the command under way on stderr and in the status line.
    void Note(const QString& text);
    void ShowStatus();
    void MarkShownPictures();
    QString PixelText() const;
    bool CanvasEvent(QEvent* event);
    void CreateViewItems();
    void AddPlainKeys();
    void CreateFullScreenItems();
    void CreateOpenItems();
    void Step(VLM::TLayerKind layer, bool next);
    void FollowWithTools();
    void CreateMenus();
    void CreateFileMenu();
    void CreateExportMenu();
    void CreateViewMenu();
    void CreateOptionsMenu();
    // Sets the text of every menu and item (and the status line) in the present language.
    void RetranslateUi();
    QAction* AddItem(QMenu* menu, Qt::Key key, void (TmainForm::*handler)(),
                     bool checkable = false);
    // Runs the open dialog; the chosen path, or nothing when the user cancels.
    bool ChooseFile(const char* filter, const char* defaultPath, std::string& chosen);

    TQtCanvas* canvas = nullptr;
    bool autoPlayAttached = false;
    // The layer the last command drew: its failure leads the status line.
    VLM::TLayerKind lastLayer = VLM::TLayerKind::Character;
    // The folder the open dialog stands in: the start-up folder until the user opens a file
    // elsewhere, then that file's folder.
    QString dialogFolder;

    int zoom = 1;
    int zoomAtFullScreen = 1;
    int wheelDelta = 0;                       // a wheel's turn not yet a whole step
    QByteArray geometryBeforeFullScreen;      // what is kept when the viewer closes full screen
    std::optional<QPoint> hoverAt;            // the mouse in the client area
    QStringList notes;                        // problems of the last command, status line first
    std::array<int, 3> listMarks{-2, -2, -2}; // the picture each list marks (-2: not yet)
    bool toolsShownAtStart = true;            // the tools window comes up with the first show
    VLMQ::TPictureOut* pictureOut = nullptr;  // a child of this window
};

// The one main window.
extern TmainForm* mainForm;

// Both windows as the application owns them: the main window, made without an owner, and the
// tools window it made, which the application adopts here. The tools window goes first.
struct TViewerWindows {
    TViewerWindows();
    ~TViewerWindows();
    TViewerWindows(const TViewerWindows&) = delete;
    TViewerWindows& operator=(const TViewerWindows&) = delete;

    std::unique_ptr<TmainForm> form;
    std::unique_ptr<TtoolsForm> tools; // declared after form: destroyed before it
};

// A filter list of label|pattern pairs as the open dialog's name filters: the label as it
// stands, the patterns for the host ("*.*" is every file, letter case does not matter).
QStringList DialogFilters(const char* filter);
// name as it is spelt in folder when a file of that name in another letter case is there.
QString NameOnDisc(const QString& folder, const QString& name);
