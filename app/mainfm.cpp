#include "mainfm.h"

#include "qtcanvas.h"
#include "qtui.h"
#include "toolsfm.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include <algorithm>

TmainForm* mainForm = nullptr;

namespace {

const char* const WallPaperFilter =
    "EYE files(wpall1.all;eyecatch.all)|wpall1.all;eyecatch.all|all files(*.*)|*.*";
const char* const BackGroundFilter = "EYE files(nbgfile1.all)|nbgfile1.all|all files(*.*)|*.*";
const char* const CharacterFilter = "NC file(ncdat.all)|ncdat.all|all files(*.*)|*.*";
const char* const WallPaperPath = "d:\\velmora1\\eyecatch.all";
const char* const BackGroundPath = "d:\\velmora1\\nbgfile1.all";
const char* const CharacterPath = "d:\\velmora1\\ncdat.all";

QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

// " index/count", with "-" for a layer that shows nothing.
QString CaptionPart(int index, int count) {
    return QLatin1Char(' ') + (index < 0 ? QStringLiteral("-") : QString::number(index)) +
           QLatin1Char('/') + QString::number(count);
}

} // namespace

QStringList DialogFilters(const char* filter) {
    const QStringList parts = QString::fromLatin1(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        // "*.*" means every file on the desktop the filters were written for, dot or not.
        for (QString& p : patterns)
            if (p == QLatin1String("*.*")) p = QStringLiteral("*");
        // The dialog reads the patterns from the last parentheses and, told to hide them,
        // shows the label as it stands.
        filters << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return filters;
}

QString NameOnDisc(const QString& folder, const QString& name) {
    const QStringList entries =
        QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    if (entries.contains(name)) return name;
    for (const QString& entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0) return entry;
    return name;
}

// ---- Construction --------------------------------------------------------------------------

TmainForm::TmainForm(QWidget* owner) : QMainWindow(owner) {
    mainForm = this;
    setWindowTitle(QString::fromLatin1(VLMQ::AppTitle));
    setFont(VLMQ::FormFont());

    canvas = new TQtCanvas(this);
    setCentralWidget(canvas);
    connect(canvas, &TQtCanvas::resized, this, &TmainForm::FormResize);
    connect(canvas, &TQtCanvas::painting, this, &TmainForm::FormPaint);
    CreateMenus();
    // An outer size of 328 x 267 is a 320 x 224 client area inside a thin frame, a caption and
    // the menu bar. Qt sizes windows without their frame, so the client area is set instead:
    // the picture starts 1:1, not stretched by the few pixels a frame would have taken.
    SetClientSize(VLM::TScreen::DefaultRect.right, VLM::TScreen::DefaultRect.bottom);
    // Lay the window out now so that the client size below is the one it will show.
    layout()->activate();

    screen = std::make_unique<VLM::TScreen>();
    screen->target = canvas;
    screen->destRect = {0, 0, canvas->width(), canvas->height()};
    chIndex = bgIndex = wpIndex = -1;

    tools = new TtoolsForm(owner);
    tools->screen = screen.get();
    tools->mainForm = this;
}

TmainForm::~TmainForm() {
    if (tools) {
        tools->screen = nullptr;
        tools->mainForm = nullptr;
    }
    screen.reset();
    if (mainForm == this) mainForm = nullptr;
}

QAction* TmainForm::AddItem(QMenu* menu, const char* caption, Qt::Key key,
                            void (TmainForm::*handler)(), bool checkable) {
    QAction* action = menu->addAction(Utf8(caption));
    action->setShortcut(QKeySequence(Qt::CTRL | key));
    action->setCheckable(checkable);
    connect(action, &QAction::triggered, this, [this, action, handler] {
        // Qt flips a checkable item before it reports the choice; the handlers flip it
        // themselves, as when they are called directly.
        if (action->isCheckable()) action->setChecked(!action->isChecked());
        (this->*handler)();
    });
    return action;
}

void TmainForm::CreateMenus() {
    mainMenu = menuBar();
    fileMenu = mainMenu->addMenu(Utf8("ﾌｧｲﾙ(&F)"));
    openWallPaperMenu =
        AddItem(fileMenu, "壁紙を開く(&W)", Qt::Key_W, &TmainForm::openWallPaperMenuClick);
    openBackGroundMenu =
        AddItem(fileMenu, "背景を開く(&G)", Qt::Key_G, &TmainForm::openBackGroundMenuClick);
    openCharacterMenu =
        AddItem(fileMenu, "ｷｬﾗを開く(&C)", Qt::Key_C, &TmainForm::openCharacterMenuClick);
    mbar1 = fileMenu->addSeparator();
    exitMenu = AddItem(fileMenu, "終了(&X)", Qt::Key_X, &TmainForm::exitMenuClick);

    openDialog = new QFileDialog(this);
    openDialog->setOption(QFileDialog::DontUseNativeDialog);
    openDialog->setOption(QFileDialog::HideNameFilterDetails);
    openDialog->setFileMode(QFileDialog::ExistingFile);
    openDialog->setAcceptMode(QFileDialog::AcceptOpen);

    viewMenu = mainMenu->addMenu(Utf8("表示(&V)"));
    nextWallPaperMenu =
        AddItem(viewMenu, "次の壁紙(&V)", Qt::Key_V, &TmainForm::nextWallPaperMenuClick);
    prevWallPaperMenu =
        AddItem(viewMenu, "前の壁紙(&T)", Qt::Key_T, &TmainForm::prevWallPaperMenuClick);
    nextBackGroundMenu =
        AddItem(viewMenu, "次の背景(&F)", Qt::Key_F, &TmainForm::nextBackGroundMenuClick);
    prevBackGroundMenu =
        AddItem(viewMenu, "前の背景(&B)", Qt::Key_B, &TmainForm::prevBackGroundMenuClick);
    nextCharacterMenu =
        AddItem(viewMenu, "次のｷｬﾗ(&N)", Qt::Key_N, &TmainForm::nextCharacterMenuClick);
    prevCharacterMenu =
        AddItem(viewMenu, "前のｷｬﾗ(&P)", Qt::Key_P, &TmainForm::prevCharacterMenuClick);
    resetMenu = AddItem(viewMenu, "全ﾘｾｯﾄ(&R)", Qt::Key_R, &TmainForm::resetMenuClick);
    zoomMenu = AddItem(viewMenu, "拡大表示(&Z)", Qt::Key_Z, &TmainForm::zoomMenuClick, true);
    autoPlayMenu =
        AddItem(viewMenu, "自動表示(&A)", Qt::Key_A, &TmainForm::autoPlayMenuClick, true);

    timer = new QTimer(this);
    timer->setInterval(200);

    optionsMenu = mainMenu->addMenu(Utf8("ｵﾌﾟｼｮﾝ(&O)"));
    toolsMenu = AddItem(optionsMenu, "ﾂｰﾙ(&Y)", Qt::Key_Y, &TmainForm::toolsMenuClick, true);
    toolsMenu->setChecked(true);
    versionMenu = AddItem(optionsMenu, "ﾊﾞｰｼﾞｮﾝ(&H)", Qt::Key_H, &TmainForm::versionMenuClick);
}

void TmainForm::SetClientSize(int width, int height) {
    // The menu bar stands above the client area and may wrap onto more lines when narrow.
    int menuHeight = mainMenu->heightForWidth(std::max(width, mainMenu->minimumWidth()));
    if (menuHeight < 0) menuHeight = mainMenu->sizeHint().height();
    resize(width, height + menuHeight);
}

// ---- Open commands -------------------------------------------------------------------------

std::string TmainForm::DefaultFileName(const std::string& path) {
    if (VLM::FileExists(path)) return path;
    return VLM::FileNamePart(path);
}

bool TmainForm::ChooseFile(const char* filter, const char* defaultPath, std::string& chosen) {
    const QStringList filters = DialogFilters(filter);
    openDialog->setNameFilters(filters);
    if (!filters.isEmpty()) openDialog->selectNameFilter(filters.first());

    const QString start = VLMQ::FromHostName(DefaultFileName(VLM::HostPath(defaultPath)));
    if (start.contains(QLatin1Char('/'))) {
        const QFileInfo info(start);
        openDialog->setDirectory(info.absolutePath());
        openDialog->selectFile(info.fileName());
    } else {
        // Only the name: the dialog opens in its current folder, with the name spelt as it is
        // there so that Enter opens it at once.
        const QString folder = dialogFolder.isEmpty() ? QDir::currentPath() : dialogFolder;
        openDialog->setDirectory(folder);
        openDialog->selectFile(NameOnDisc(folder, start));
    }

    if (!VLMQ::RunFileDialog(*openDialog)) return false;
    const QStringList files = openDialog->selectedFiles();
    if (files.isEmpty()) return false;
    chosen = VLMQ::ToHostName(files.first());
    dialogFolder = QFileInfo(files.first()).absolutePath();
    return true;
}

void TmainForm::openWallPaperMenuClick() {
    std::string path;
    if (!ChooseFile(WallPaperFilter, WallPaperPath, path)) return;
    screen->putwpfn(path);
    wpIndex = 0;
    screen->DrawWallPaper(wpIndex);
    // The caption catches up at the next paint or command.
}

void TmainForm::openBackGroundMenuClick() {
    std::string path;
    if (!ChooseFile(BackGroundFilter, BackGroundPath, path)) return;
    screen->putbgfn(path);
    bgIndex = 0;
    screen->DrawBackGround(bgIndex);
    UpdateCaption();
}

void TmainForm::openCharacterMenuClick() {
    std::string path;
    if (!ChooseFile(CharacterFilter, CharacterPath, path)) return;
    screen->putchfn(path);
    chIndex = 0;
    screen->DrawCharacter(chIndex);
    UpdateCaption();
}

void TmainForm::exitMenuClick() {
    timer->stop();
    close();
}

// ---- Stepping ------------------------------------------------------------------------------

void TmainForm::nextWallPaperMenuClick() {
    if (++wpIndex >= screen->getwpcnt()) wpIndex = 0;
    screen->DrawWallPaper(wpIndex);
    UpdateCaption();
}

void TmainForm::prevWallPaperMenuClick() {
    if (--wpIndex < 0) wpIndex = screen->getwpcnt() - 1;
    screen->DrawWallPaper(wpIndex);
    UpdateCaption();
}

void TmainForm::nextBackGroundMenuClick() {
    if (++bgIndex >= screen->getbgcnt()) bgIndex = 0;
    screen->DrawBackGround(bgIndex);
    UpdateCaption();
}

void TmainForm::prevBackGroundMenuClick() {
    if (--bgIndex < 0) bgIndex = screen->getbgcnt() - 1;
    screen->DrawBackGround(bgIndex);
    UpdateCaption();
}

void TmainForm::nextCharacterMenuClick() {
    if (++chIndex >= screen->getchcnt()) chIndex = 0;
    screen->DrawCharacter(chIndex);
    UpdateCaption();
}

void TmainForm::prevCharacterMenuClick() {
    if (--chIndex < 0) chIndex = screen->getchcnt() - 1;
    screen->DrawCharacter(chIndex);
    UpdateCaption();
}

void TmainForm::resetMenuClick() {
    wpIndex = 0;
    screen->DrawWallPaper(wpIndex);
    bgIndex = 0;
    screen->DrawBackGround(bgIndex);
    chIndex = 0;
    screen->DrawCharacter(chIndex);
    UpdateCaption();
}

void TmainForm::zoomMenuClick() {
    zoomMenu->setChecked(!zoomMenu->isChecked());
    const VLM::TRect& r = VLM::TScreen::DefaultRect;
    const int w = r.right - r.left, h = r.bottom - r.top;
    // The resize that follows sets the destination rectangle and repaints.
    if (zoomMenu->isChecked())
        SetClientSize(2 * w, 2 * h);
    else
        SetClientSize(w, h);
}

// ---- Automatic display and version ---------------------------------------------------------

void TmainForm::autoPlayMenuClick() {
    timer->stop();
    autoPlayMenu->setChecked(!autoPlayMenu->isChecked());
    if (!autoPlayMenu->isChecked()) return;
    if (!autoPlayAttached) {
        connect(timer, &QTimer::timeout, this, &TmainForm::autoPlayTimer);
        autoPlayAttached = true;
    }
    timer->setInterval(100);
    timer->start();
}

void TmainForm::autoPlayTimer() {
    if (screen->getchcnt() == 0 && screen->getbgcnt() == 0 && screen->getwpcnt() == 0) {
        timer->stop();
        autoPlayMenu->setChecked(false);
        UpdateCaption();
        return;
    }
    // An odometer whose fastest wheel is the character; a wheel of count 0 carries at once.
    if (++chIndex >= screen->getchcnt()) {
        chIndex = 0;
        if (++bgIndex >= screen->getbgcnt()) {
            bgIndex = 0;
            if (++wpIndex >= screen->getwpcnt()) wpIndex = 0;
            screen->DrawWallPaper(wpIndex);
        }
        screen->DrawBackGround(bgIndex);
    }
    screen->DrawCharacter(chIndex);
    UpdateCaption();
}

QString TmainForm::VersionText() {
    return QStringLiteral("Velmora Viewer\n\r\n\r"
                          "Version: 1.04\n\r\n\r"
                          "   (Jul 16 1999    18:46:11)\n\r"
                          "\n\r"
                          "e-mail:  velmora-viewer@users.noreply.invalid");
}

void TmainForm::versionMenuClick() {
    VLMQ::ShowMessage(this, VersionText(), QString::fromLatin1(VLMQ::AppTitle));
}

// ---- Tools window --------------------------------------------------------------------------

void TmainForm::toolsMenuClick() {
    toolsMenu->setChecked(!toolsMenu->isChecked());
    if (!tools) return;
    if (!toolsMenu->isChecked()) {
        tools->hide();
        return;
    }
    tools->UpdateControls();
    tools->show();
}

// ---- Window events -------------------------------------------------------------------------

void TmainForm::UpdateCaption() {
    if (!screen) return;
    wpIndex = screen->getwp();
    bgIndex = screen->getbg();
    chIndex = screen->getch();
    setWindowTitle(QString::fromLatin1(VLMQ::AppTitle) + CaptionPart(wpIndex, screen->getwpcnt()) +
                   CaptionPart(bgIndex, screen->getbgcnt()) +
                   CaptionPart(chIndex, screen->getchcnt()));
    if (tools) tools->UpdateControls();
}

void TmainForm::FormPaint() {
    if (!screen) return;
    screen->Repaint();
    UpdateCaption();
}

void TmainForm::FormResize() {
    if (!screen) return;
    screen->destRect = {0, 0, canvas->width(), canvas->height()};
    FormPaint();
}

void TmainForm::FormShow() {
    if (!tools) return;
    if (screen && screen->getchloaded()) tools->UpdateControls();
    tools->show();
    toolsMenu->setChecked(true);
}

void TmainForm::setVisible(bool visible) {
    const bool showing = visible && !isVisible();
    QMainWindow::setVisible(visible);
    if (showing) FormShow();
}
