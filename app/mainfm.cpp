#include "mainfm.h"

#include "language.h"
#include "pictureout.h"
#include "qtcanvas.h"
#include "qtui.h"
#include "toolsfm.h"
#include "vlmlayers.h"

#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <functional>

TmainForm* mainForm = nullptr;

namespace {

// The open dialog of each layer: its filter list and default path.
const char* const Filters[3] = {"EYE files(wpall1.all;wpall2.all;wpall3.all;eyecatch.all)|"
                                "wpall1.all;wpall2.all;wpall3.all;eyecatch.all|all files(*.*)|*.*",
                                "EYE files(nbgfile1.all)|nbgfile1.all|all files(*.*)|*.*",
                                "NC file(ncdat.all)|ncdat.all|all files(*.*)|*.*"};
const char* const DefaultPaths[3] = {"d:\\velmora1\\eyecatch.all", "d:\\velmora1\\nbgfile1.all",
                                     "d:\\velmora1\\ncdat.all"};
int32_t TmainForm::*const Indices[3] = {&TmainForm::wpIndex, &TmainForm::bgIndex,
                                        &TmainForm::chIndex};
const char* const ExportItems[3] = {QT_TRANSLATE_NOOP("TmainForm", "壁紙(&W)"),
                                    QT_TRANSLATE_NOOP("TmainForm", "背景(&G)"),
                                    QT_TRANSLATE_NOOP("TmainForm", "ｷｬﾗ(&C)")};
// The character archive in each layered format, after the layers' items.
constexpr VLMX::TExportFormat LayeredFormats[3] = {
    VLMX::TExportFormat::Ora, VLMX::TExportFormat::Aseprite, VLMX::TExportFormat::Sheet};
const char* const ExportFormatItems[3] = {QT_TRANSLATE_NOOP("TmainForm", "ｷｬﾗ (OpenRaster)(&O)"),
                                          QT_TRANSLATE_NOOP("TmainForm", "ｷｬﾗ (Aseprite)(&A)"),
                                          QT_TRANSLATE_NOOP("TmainForm", "ｷｬﾗ (ｽﾌﾟﾗｲﾄｼｰﾄ)(&S)")};
const char* const PictureListItems[3] = {QT_TRANSLATE_NOOP("TmainForm", "壁紙一覧(&1)"),
                                         QT_TRANSLATE_NOOP("TmainForm", "背景一覧(&2)"),
                                         QT_TRANSLATE_NOOP("TmainForm", "ｷｬﾗ一覧(&3)")};
QAction* TmainForm::*const OpenItems[3] = {
    &TmainForm::openWallPaperMenu, &TmainForm::openBackGroundMenu, &TmainForm::openCharacterMenu};

// A menu shows only an item's first key; every key of a command stands after its caption.
void ShowKeys(QAction* action) {
    QStringList keys;
    for (const QKeySequence& key : action->shortcuts())
        keys << key.toString(QKeySequence::NativeText);
    action->setText(action->text().section(QLatin1Char('\t'), 0, 0) + QLatin1Char('\t') +
                    keys.join(QStringLiteral(", ")));
}

// " index/count", with "-" for a layer that shows nothing.
QString CaptionPart(int index, int count) {
    return QLatin1Char(' ') + (index < 0 ? QStringLiteral("-") : QString::number(index)) +
           QLatin1Char('/') + QString::number(count);
}

// A one-line label whose text, when longer than the line, ends in an ellipsis rather than
// widening the window.
class TStatusLine : public QLabel {
public:
    explicit TStatusLine(QWidget* parent) : QLabel(parent) {
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        setTextFormat(Qt::PlainText);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QRect area = contentsRect();
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
        style()->drawItemText(&painter, area, Qt::AlignLeft | Qt::AlignVCenter, palette(),
                              isEnabled(), shown, foregroundRole());
    }
};

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
    connect(canvas, &TQtCanvas::resized, this, [this] { Guard([this] { FormResize(); }); });
    connect(canvas, &TQtCanvas::painting, this, [this] { Guard([this] { FormPaint(); }); });
    statusLine = new TStatusLine(statusBar());
    statusBar()->addWidget(statusLine, 1);
    CreateMenus();

    screen = std::make_unique<VLM::TScreen>();
    screen->target = canvas;
    chIndex = bgIndex = wpIndex = -1;

    tools = new TtoolsForm(owner);
    tools->screen = screen.get();
    connect(tools, &TtoolsForm::openRequested, this, &TmainForm::OpenRequested);
    connect(tools, &TtoolsForm::pictureChosen, this, &TmainForm::PictureChosen);
    connect(tools, &TtoolsForm::elementChosen, this, &TmainForm::ElementChosen);
    connect(tools, &TtoolsForm::showing, this, &TmainForm::PlaceTools);
    connect(&VLMQ::Failures(), &VLMQ::TFailures::reported, this, &TmainForm::FailureReported);
    CreateViewItems();
    CreateOpenItems();
    RetranslateUi();

    // Once the menu bar has its captions. An outer size of 328 x 267 is a 320 x 224 client area
    // inside a thin frame, a caption and the menu bar. Qt sizes windows without their frame, so
    // the client area is set instead: the picture starts 1:1, not stretched by the few pixels a
    // frame would have taken.
    SetClientSize(VLM::TScreen::DefaultRect.right, VLM::TScreen::DefaultRect.bottom);
    // Lay the window out now so that the client size below is the one it will show.
    layout()->activate();
    screen->destRect = {0, 0, canvas->width(), canvas->height()};
}

TmainForm::~TmainForm() {
    if (tools) tools->screen = nullptr;
    screen.reset();
    if (mainForm == this) mainForm = nullptr;
}

TViewerWindows::TViewerWindows() : form(std::make_unique<TmainForm>()), tools(form->tools.data()) {}

TViewerWindows::~TViewerWindows() = default;

QAction* TmainForm::AddItem(QMenu* menu, Qt::Key key, void (TmainForm::*handler)(),
                            bool checkable) {
    QAction* action = menu->addAction(QString());
    action->setShortcut(QKeySequence(Qt::CTRL | key));
    // The keys work in the tools window too.
    action->setShortcutContext(Qt::ApplicationShortcut);
    action->setCheckable(checkable);
    connect(action, &QAction::triggered, this, [this, action, handler] {
        Guard([&] {
            // Qt flips a checkable item before it reports the choice; the handlers flip it
            // themselves, as when they are called directly.
            if (action->isCheckable()) action->setChecked(!action->isChecked());
            (this->*handler)();
        });
    });
    return action;
}

// Each menu in the order it stands in the menu bar; RetranslateUi gives every menu and item
// its text.
void TmainForm::CreateMenus() {
    mainMenu = menuBar();
    CreateFileMenu();
    openDialog = new QFileDialog(this);
    openDialog->setOption(QFileDialog::DontUseNativeDialog);
    openDialog->setOption(QFileDialog::HideNameFilterDetails);
    openDialog->setFileMode(QFileDialog::ExistingFile);
    openDialog->setAcceptMode(QFileDialog::AcceptOpen);
    CreateViewMenu();
    CreateOptionsMenu();
}

void TmainForm::CreateFileMenu() {
    fileMenu = mainMenu->addMenu(QString());
    openWallPaperMenu = AddItem(fileMenu, Qt::Key_W, &TmainForm::openWallPaperMenuClick);
    openBackGroundMenu = AddItem(fileMenu, Qt::Key_G, &TmainForm::openBackGroundMenuClick);
    openCharacterMenu = AddItem(fileMenu, Qt::Key_C, &TmainForm::openCharacterMenuClick);
    fileMenu->addSeparator();
    savePictureMenu = AddItem(fileMenu, Qt::Key_S, &TmainForm::savePictureMenuClick);
    copyPictureMenu = AddItem(fileMenu, Qt::Key_C, &TmainForm::copyPictureMenuClick);
    copyPictureMenu->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    saveCharacterMenu = AddItem(fileMenu, Qt::Key_S, &TmainForm::saveCharacterMenuClick);
    saveCharacterMenu->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    CreateExportMenu();
    mbar1 = fileMenu->addSeparator();
    exitMenu = AddItem(fileMenu, Qt::Key_X, &TmainForm::exitMenuClick);
}

// An item a layer, and what carries out their exports.
void TmainForm::CreateExportMenu() {
    exportMenu = fileMenu->addMenu(QString());
    for (VLM::TLayerKind layer : VLM::AllLayers)
        connect(exportMenu->addAction(QString()), &QAction::triggered, this,
                [this, layer] { Guard([&] { exportMenuClick(layer); }); });
    exportMenu->addSeparator();
    for (int k = 0; k < 3; ++k) {
        exportFormatMenus[k] = exportMenu->addAction(QString());
        connect(
            exportFormatMenus[k], &QAction::triggered, this,
            [this, format = LayeredFormats[k]] { Guard([&] { exportFormatMenuClick(format); }); });
    }
    // A layer without an archive has nothing to export.
    connect(exportMenu, &QMenu::aboutToShow, this, [this] {
        Guard([this] {
            for (int k = 0; k < 3; ++k)
                exportMenu->actions()[k]->setEnabled(std::invoke(VLM::LayerOps[k].count, *screen) >
                                                     0);
            for (QAction* item : exportFormatMenus)
                item->setEnabled(screen->getchcnt() > 0);
        });
    });
    pictureOut = new VLMQ::TPictureOut(this);
    connect(pictureOut, &VLMQ::TPictureOut::told, this,
            [this](const QString& text) { statusBar()->showMessage(text, 10000); });
}

// The stepping commands and the automatic display with its timer.
void TmainForm::CreateViewMenu() {
    viewMenu = mainMenu->addMenu(QString());
    nextWallPaperMenu = AddItem(viewMenu, Qt::Key_V, &TmainForm::nextWallPaperMenuClick);
    prevWallPaperMenu = AddItem(viewMenu, Qt::Key_T, &TmainForm::prevWallPaperMenuClick);
    nextBackGroundMenu = AddItem(viewMenu, Qt::Key_F, &TmainForm::nextBackGroundMenuClick);
    prevBackGroundMenu = AddItem(viewMenu, Qt::Key_B, &TmainForm::prevBackGroundMenuClick);
    nextCharacterMenu = AddItem(viewMenu, Qt::Key_N, &TmainForm::nextCharacterMenuClick);
    prevCharacterMenu = AddItem(viewMenu, Qt::Key_P, &TmainForm::prevCharacterMenuClick);
    resetMenu = AddItem(viewMenu, Qt::Key_R, &TmainForm::resetMenuClick);
    zoomMenu = AddItem(viewMenu, Qt::Key_Z, &TmainForm::zoomMenuClick, true);
    autoPlayMenu = AddItem(viewMenu, Qt::Key_A, &TmainForm::autoPlayMenuClick, true);

    timer = new QTimer(this);
    timer->setInterval(200);
}

void TmainForm::CreateOptionsMenu() {
    optionsMenu = mainMenu->addMenu(QString());
    toolsMenu = AddItem(optionsMenu, Qt::Key_Y, &TmainForm::toolsMenuClick, true);
    toolsMenu->setChecked(true);
    versionMenu = AddItem(optionsMenu, Qt::Key_H, &TmainForm::versionMenuClick);

    languageMenu = optionsMenu->addMenu(QString());
    auto* languages = new QActionGroup(languageMenu);
    // Each language is named in itself, so that it can be found whatever the menus are in.
    const std::pair<QAction * TmainForm::*, VLMQ::TLanguage> items[] = {
        {&TmainForm::japaneseMenu, VLMQ::TLanguage::Japanese},
        {&TmainForm::englishMenu, VLMQ::TLanguage::English}};
    for (const auto& [item, language] : items) {
        QAction* action = languageMenu->addAction(language == VLMQ::TLanguage::Japanese
                                                      ? QString::fromUtf8("日本語")
                                                      : QStringLiteral("English"));
        action->setCheckable(true);
        action->setActionGroup(languages);
        connect(action, &QAction::triggered, this,
                [this, lang = language] { Guard([&] { languageMenuClick(lang); }); });
        this->*item = action;
    }
}

void TmainForm::RetranslateUi() {
    fileMenu->setTitle(tr("ﾌｧｲﾙ(&F)"));
    openWallPaperMenu->setText(tr("壁紙を開く(&W)"));
    openBackGroundMenu->setText(tr("背景を開く(&G)"));
    openCharacterMenu->setText(tr("ｷｬﾗを開く(&C)"));
    savePictureMenu->setText(tr("画像を保存(&S)"));
    copyPictureMenu->setText(tr("画像をｺﾋﾟｰ(&P)"));
    saveCharacterMenu->setText(tr("形式を選んでｷｬﾗを保存(&K)"));
    exportMenu->setTitle(tr("ｱｰｶｲﾌﾞを書き出す(&E)"));
    for (int k = 0; k < 3; ++k)
        exportMenu->actions()[k]->setText(tr(ExportItems[k]));
    for (int k = 0; k < 3; ++k)
        exportFormatMenus[k]->setText(tr(ExportFormatItems[k]));
    recentMenu->setTitle(tr("最近開いたｱｰｶｲﾌﾞ(&R)"));
    exitMenu->setText(tr("終了(&X)"));

    viewMenu->setTitle(tr("表示(&V)"));
    nextWallPaperMenu->setText(tr("次の壁紙(&V)"));
    prevWallPaperMenu->setText(tr("前の壁紙(&T)"));
    nextBackGroundMenu->setText(tr("次の背景(&F)"));
    prevBackGroundMenu->setText(tr("前の背景(&B)"));
    nextCharacterMenu->setText(tr("次のｷｬﾗ(&N)"));
    prevCharacterMenu->setText(tr("前のｷｬﾗ(&P)"));
    resetMenu->setText(tr("全ﾘｾｯﾄ(&R)"));
    zoomMenu->setText(tr("拡大表示(&Z)"));
    autoPlayMenu->setText(tr("自動表示(&A)"));
    zoomInMenu->setText(tr("ｽﾞｰﾑｲﾝ(&I)"));
    zoomOutMenu->setText(tr("ｽﾞｰﾑｱｳﾄ(&O)"));
    zoomResetMenu->setText(tr("等倍(&E)"));
    integerScaleMenu->setText(tr("整数倍で表示(&S)"));
    fullScreenMenu->setText(tr("全画面表示(&U)"));
    for (int k = 0; k < 3; ++k)
        pictureListMenus[k]->setText(tr(PictureListItems[k]));

    optionsMenu->setTitle(tr("ｵﾌﾟｼｮﾝ(&O)"));
    toolsMenu->setText(tr("ﾂｰﾙ(&Y)"));
    versionMenu->setText(tr("ﾊﾞｰｼﾞｮﾝ(&H)"));
    languageMenu->setTitle(tr("言語(&L)"));
    japaneseMenu->setChecked(VLMQ::CurrentLanguage() == VLMQ::TLanguage::Japanese);
    englishMenu->setChecked(VLMQ::CurrentLanguage() == VLMQ::TLanguage::English);

    // After the captions, which replace the keys' column too.
    for (QMenu* menu : {fileMenu, viewMenu, optionsMenu})
        for (QAction* item : menu->actions())
            if (item->shortcuts().size() > 1) ShowKeys(item);
    FillRecentMenu();
    if (screen) ShowStatus();
}

void TmainForm::languageMenuClick(VLMQ::TLanguage language) {
    VLMQ::SaveLanguage(language);
    VLMQ::SetLanguage(language);
}

void TmainForm::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) Guard([this] { RetranslateUi(); });
}

void TmainForm::SetClientSize(int width, int height) {
    // The menu bar stands above the client area and may wrap onto more lines when narrow; the
    // status line stands below it.
    int menuHeight = mainMenu->heightForWidth(std::max(width, mainMenu->minimumWidth()));
    if (menuHeight < 0) menuHeight = mainMenu->sizeHint().height();
    resize(width, height + menuHeight + statusBar()->sizeHint().height());
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

void TmainForm::Open(VLM::TLayerKind layer) {
    std::string path;
    const int k = VLM::LayerIndex(layer);
    if (!ChooseFile(Filters[k], DefaultPaths[k], path)) return;
    notes.clear();
    OpenArchive(layer, path);
    // The wallpaper command leaves the caption to the next paint or command.
    if (layer != VLM::TLayerKind::WallPaper) UpdateCaption();
}

void TmainForm::OpenArchive(VLM::TLayerKind layer, const std::string& path) {
    VLMQ::Failures().Forget();
    lastLayer = layer;
    VLM::TScreen& s = *screen;
    std::invoke(VLM::OpsOf(layer).put, s, path);
    this->*Indices[VLM::LayerIndex(layer)] = 0;
    // Before the draw, which a broken character can fail.
    ArchiveOpened(layer, path);
    std::invoke(VLM::OpsOf(layer).draw, s, 0);
}

void TmainForm::openWallPaperMenuClick() {
    Open(VLM::TLayerKind::WallPaper);
}

void TmainForm::openBackGroundMenuClick() {
    Open(VLM::TLayerKind::BackGround);
}

void TmainForm::openCharacterMenuClick() {
    Open(VLM::TLayerKind::Character);
}

void TmainForm::exitMenuClick() {
    timer->stop();
    close();
}

// ---- Stepping ------------------------------------------------------------------------------

void TmainForm::Step(VLM::TLayerKind layer, bool next) {
    lastLayer = layer;
    notes.clear();
    VLM::TScreen& s = *screen;
    int32_t& i = this->*Indices[VLM::LayerIndex(layer)];
    const int n = std::invoke(VLM::OpsOf(layer).count, s);
    if (next) {
        if (++i >= n) i = 0;
    } else {
        if (--i < 0) i = n - 1;
    }
    std::invoke(VLM::OpsOf(layer).draw, s, i);
    UpdateCaption();
}

void TmainForm::nextWallPaperMenuClick() {
    Step(VLM::TLayerKind::WallPaper, true);
}

void TmainForm::prevWallPaperMenuClick() {
    Step(VLM::TLayerKind::WallPaper, false);
}

void TmainForm::nextBackGroundMenuClick() {
    Step(VLM::TLayerKind::BackGround, true);
}

void TmainForm::prevBackGroundMenuClick() {
    Step(VLM::TLayerKind::BackGround, false);
}

void TmainForm::nextCharacterMenuClick() {
    Step(VLM::TLayerKind::Character, true);
}

void TmainForm::prevCharacterMenuClick() {
    Step(VLM::TLayerKind::Character, false);
}

void TmainForm::resetMenuClick() {
    notes.clear();
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
    // The check mark stands for 2x: from any other step the item goes to 2x, from 2x to 1x.
    // The resize that follows sets the destination rectangle and repaints.
    SetZoom(zoomMenu->isChecked() ? 2 : 1);
}

// ---- Pictures out --------------------------------------------------------------------------

void TmainForm::savePictureMenuClick() {
    pictureOut->Save(*screen, ZoomFactor());
}

void TmainForm::copyPictureMenuClick() {
    pictureOut->Copy(*screen, ZoomFactor());
}

void TmainForm::exportMenuClick(VLM::TLayerKind layer) {
    pictureOut->Export(layer, std::invoke(VLM::OpsOf(layer).fileName, *screen));
}

void TmainForm::saveCharacterMenuClick() {
    pictureOut->SaveCharacter(*screen);
}

void TmainForm::exportFormatMenuClick(VLMX::TExportFormat format) {
    pictureOut->Export(VLM::TLayerKind::Character, screen->getchfn(), format);
}

// ---- Automatic display and version ---------------------------------------------------------

void TmainForm::autoPlayMenuClick() {
    timer->stop();
    autoPlayMenu->setChecked(!autoPlayMenu->isChecked());
    if (!autoPlayMenu->isChecked()) return;
    if (!autoPlayAttached) {
        connect(timer, &QTimer::timeout, this, [this] { Guard([this] { autoPlayTimer(); }); });
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
    VLM::TScreen& s = *screen;
    QString title = QString::fromLatin1(VLMQ::AppTitle);
    for (int k = 0; k < 3; ++k) {
        const VLM::TLayerOps& ops = VLM::LayerOps[k];
        // A layer that shows nothing keeps the index it tried, so that the next step goes on
        // from there instead of starting again at 0 or repeating itself.
        if (std::invoke(ops.loaded, s)) this->*Indices[k] = std::invoke(ops.current, s);
        title += CaptionPart(std::invoke(ops.current, s), std::invoke(ops.count, s));
    }
    setWindowTitle(title);
    ShowStatus();
    if (tools) tools->UpdateControls();
    MarkShownPictures();
}

void TmainForm::ShowStatus() {
    const QString status = StatusText();
    statusLine->setText(status);
    statusLine->setToolTip(status);
}

QString TmainForm::StatusText() const {
    VLM::TScreen& s = *screen;
    QStringList failures, names;
    for (VLM::TLayerKind layer : VLM::AllLayers) {
        const VLM::TLayerOps& ops = VLM::OpsOf(layer);
        const std::string& file = std::invoke(ops.fileName, s);
        if (file.empty()) continue;
        const VLM::TLoadError& error = std::invoke(ops.error, s);
        if (error.Failed()) {
            const QString archive = VLMQ::FromHostName(VLM::FileNamePart(file));
            const int picture = std::invoke(ops.drawn, s);
            // Previous on an archive of no known name asks for picture -1: no picture to name.
            // One pass of arg(): a file name holding "%2" is no place marker.
            const QString failure =
                picture < 0 ? tr("%1: %2").arg(archive, VLMQ::ReasonText(error))
                            : tr("%1, picture %2: %3")
                                  .arg(archive, QString::number(picture), VLMQ::ReasonText(error));
            // What the last command ran into comes first; older failures follow.
            if (layer == lastLayer)
                failures.prepend(failure);
            else
                failures << failure;
        }
        if (std::invoke(ops.loaded, s))
            names << VLMQ::FromCp932(std::invoke(ops.name, s, std::invoke(ops.current, s)));
    }
    // The pixel under the mouse, then what the last command ran into.
    QStringList parts = notes + failures + names;
    if (const QString pixel = PixelText(); !pixel.isEmpty()) parts.prepend(pixel);
    if (parts.isEmpty()) return tr("Open: Ctrl+W, Ctrl+G, Ctrl+C, or drop archives here");
    return parts.join(QStringLiteral("  |  "));
}

void TmainForm::FormPaint() {
    if (!screen) return;
    screen->Repaint();
    UpdateCaption();
}

void TmainForm::FormResize() {
    if (!screen) return;
    const VLM::TRect client{0, 0, canvas->width(), canvas->height()};
    const VLM::TRect area = PictureArea();
    // Around a centred picture the client area is black.
    if (area.left > 0 || area.top > 0 || area.right < client.right || area.bottom < client.bottom)
        canvas->FillBlack(client);
    screen->destRect = area;
    FormPaint();
}

void TmainForm::FormShow() {
    if (!tools) return;
    if (screen && screen->getchloaded()) tools->UpdateControls();
    // Put away when the viewer was last closed: it stays away until asked for.
    if (!toolsShownAtStart) {
        toolsShownAtStart = true;
        toolsMenu->setChecked(false);
        return;
    }
    tools->show();
    toolsMenu->setChecked(true);
}

void TmainForm::setVisible(bool visible) {
    const bool showing = visible && !isVisible();
    QMainWindow::setVisible(visible);
    if (showing) Guard([this] { FormShow(); });
}

void TmainForm::FailureReported() {
    // The automatic display would only fail again on its next tick; the box must not wait
    // behind it.
    if (autoPlayMenu->isChecked()) {
        timer->stop();
        autoPlayMenu->setChecked(false);
    }
    // The command stopped half way: show what is composed and what each layer now holds.
    if (!screen) return;
    screen->Repaint();
    UpdateCaption();
}

// ---- The tools window ----------------------------------------------------------------------

void TmainForm::OpenRequested(VLM::TLayerKind layer) {
    (this->*OpenItems[VLM::LayerIndex(layer)])->trigger();
}

void TmainForm::PictureChosen(VLM::TLayerKind layer, int index) {
    Guard([&] {
        if (!screen) return;
        lastLayer = layer;
        notes.clear();
        this->*Indices[VLM::LayerIndex(layer)] = index;
        std::invoke(VLM::OpsOf(layer).draw, *screen, index);
        UpdateCaption();
    });
}

void TmainForm::ElementChosen(int element) {
    // Draws and flushes by itself; the caption has nothing new to say.
    Guard([&] {
        if (screen) screen->DrawElement(element);
    });
}

void TmainForm::PlaceTools() {
    if (tools) tools->PlaceBeside(*this);
}

void TmainForm::FollowWithTools() {
    if (tools) Guard([this] { tools->Follow(*this); });
}

void TmainForm::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    FollowWithTools();
}

void TmainForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FollowWithTools();
}
