// The main window: menus, open dialogs, stepping, reset, zoom, resizing, caption, tools menu,
// exit and the handling of exceptions that escape a command.
#include "apptest.h"

#include "qtcanvas.h"
#include "vlmwallpaper.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include <map>
#include <set>
#include <stdexcept>

using VLMAT::TForms;
using VLMAT::TOpenAnswer;

namespace {

QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

QString Title(int wp, int wpCount, int bg, int bgCount, int ch, int chCount) {
    const auto part = [](int i, int n) {
        return QStringLiteral(" %1/%2")
            .arg(i < 0 ? QStringLiteral("-") : QString::number(i))
            .arg(n);
    };
    return QStringLiteral("Velmora Viewer") + part(wp, wpCount) + part(bg, bgCount) +
           part(ch, chCount);
}

// The names the dialog's file list shows under its current filter, once it has read the folder.
QStringList ListedNames(QFileDialog& dialog) {
    auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
    if (!view || !view->model()) return {};
    QStringList names;
    const QModelIndex root = view->rootIndex();
    for (int r = 0; r < view->model()->rowCount(root); ++r)
        names << view->model()->index(r, 0, root).data().toString();
    names.sort();
    return names;
}

// An object whose every event fails the way an engine call can.
class TFailingObject : public QObject {
public:
    std::string message;
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) throw std::runtime_error(message);
        return QObject::event(e);
    }
};

} // namespace

class TestMainForm : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString eyeCatch, backGrounds, characters, shortWallPapers, patternWallPapers;

    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        eyeCatch = Path("EYECATCH.ALL");
        VLMAT::WriteWallPapers(eyeCatch, 22);
        backGrounds = Path("NBGFILE1.ALL");
        VLMAT::WriteBackGrounds(backGrounds, {0, 4, 5, 6, 499});
        characters = Path("NCDAT.ALL");
        VLMAT::WriteCharacters(characters, {{0, VLMAT::GroupRecord(0, {})},
                                            {4, VLMAT::GroupRecord(4, {})},
                                            {5, VLMAT::GroupRecord(5, {})},
                                            {6, VLMAT::GroupRecord(6, {})},
                                            {151, VLMAT::GroupRecord(151, {})}});
        // Pictures 0 to 3 only: picture 4 runs into the end of the file.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("short")));
        shortWallPapers = dir.filePath(QStringLiteral("short/EYECATCH.ALL"));
        VLMAT::WriteWallPapers(shortWallPapers, 4);
        // One picture whose every pixel differs from its neighbours.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("pattern")));
        patternWallPapers = dir.filePath(QStringLiteral("pattern/WPALL2.ALL"));
        VLMW::TWallPaperEntry entry;
        entry.picture = VLMW::PatternPicture(320, 224, 11);
        VLMW::WallPaperArchive({entry}).Save(VLMQ::ToHostName(patternWallPapers));
    }

    void startsEmptyWithToolsShown() {
        TForms f;
        QCOMPARE(f.form->wpIndex, -1);
        QCOMPARE(f.form->bgIndex, -1);
        QCOMPARE(f.form->chIndex, -1);
        QCOMPARE(mainForm, f.form.get());
        QVERIFY(!f.form->timer->isActive());
        QCOMPARE(f.form->timer->interval(), 200);
        QVERIFY(f.form->timer->parent() == f.form.get());

        f.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
        QTRY_COMPARE(f.form->windowTitle(), Title(-1, 0, -1, 0, -1, 0));
        QVERIFY(f.tools->isVisible());
        QVERIFY(f.form->toolsMenu->isChecked());
        const QImage shown = f.form->ClientArea()->Backing();
        QVERIFY(!shown.isNull());
        QCOMPARE(shown.pixel(shown.width() / 2, shown.height() / 2), qRgb(0, 0, 0));
        // The picture fills the client area, which the menu bar is not part of.
        QCOMPARE(f.form->ClientArea()->geometry().top(), f.form->mainMenu->height());
    }

    void menuItems_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("shortcut");
        QTest::addColumn<bool>("checkable");
        QTest::addColumn<bool>("checked");
        const auto row = [](const char* item, const char* caption, const char* keys,
                            bool checkable = false, bool checked = false) {
            QTest::newRow(item) << Utf8(caption) << QString::fromLatin1(keys) << checkable
                                << checked;
        };
        row("openWallPaperMenu", "壁紙を開く(&W)", "Ctrl+W");
        row("openBackGroundMenu", "背景を開く(&G)", "Ctrl+G");
        row("openCharacterMenu", "ｷｬﾗを開く(&C)", "Ctrl+C");
        row("exitMenu", "終了(&X)", "Ctrl+X");
        row("nextWallPaperMenu", "次の壁紙(&V)", "Ctrl+V");
        row("prevWallPaperMenu", "前の壁紙(&T)", "Ctrl+T");
        row("nextBackGroundMenu", "次の背景(&F)", "Ctrl+F");
        row("prevBackGroundMenu", "前の背景(&B)", "Ctrl+B");
        row("nextCharacterMenu", "次のｷｬﾗ(&N)", "Ctrl+N");
        row("prevCharacterMenu", "前のｷｬﾗ(&P)", "Ctrl+P");
        row("resetMenu", "全ﾘｾｯﾄ(&R)", "Ctrl+R");
        row("zoomMenu", "拡大表示(&Z)", "Ctrl+Z", true);
        row("autoPlayMenu", "自動表示(&A)", "Ctrl+A", true);
        row("toolsMenu", "ﾂｰﾙ(&Y)", "Ctrl+Y", true, true);
        row("versionMenu", "ﾊﾞｰｼﾞｮﾝ(&H)", "Ctrl+H");
    }

    void menuItems() {
        static const std::map<QString, QAction* TmainForm::*> items = {
            {"openWallPaperMenu", &TmainForm::openWallPaperMenu},
            {"openBackGroundMenu", &TmainForm::openBackGroundMenu},
            {"openCharacterMenu", &TmainForm::openCharacterMenu},
            {"exitMenu", &TmainForm::exitMenu},
            {"nextWallPaperMenu", &TmainForm::nextWallPaperMenu},
            {"prevWallPaperMenu", &TmainForm::prevWallPaperMenu},
            {"nextBackGroundMenu", &TmainForm::nextBackGroundMenu},
            {"prevBackGroundMenu", &TmainForm::prevBackGroundMenu},
            {"nextCharacterMenu", &TmainForm::nextCharacterMenu},
            {"prevCharacterMenu", &TmainForm::prevCharacterMenu},
            {"resetMenu", &TmainForm::resetMenu},
            {"zoomMenu", &TmainForm::zoomMenu},
            {"autoPlayMenu", &TmainForm::autoPlayMenu},
            {"toolsMenu", &TmainForm::toolsMenu},
            {"versionMenu", &TmainForm::versionMenu}};
        QFETCH(QString, caption);
        QFETCH(QString, shortcut);
        QFETCH(bool, checkable);
        QFETCH(bool, checked);
        TForms f;
        QAction* item = f.form.get()->*items.at(QString::fromLatin1(QTest::currentDataTag()));
        QCOMPARE(item->text(), caption);
        QCOMPARE(item->shortcut(), QKeySequence(shortcut));
        QCOMPARE(item->isCheckable(), checkable);
        QCOMPARE(item->isChecked(), checked);
    }

    void openedWallPaperShowsAtOnceAndCaptionFollowsLater() {
        TForms f;
        f.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
        QTRY_COMPARE(f.form->windowTitle(), Title(-1, 0, -1, 0, -1, 0));

        VLMAT::Open(f.form->openWallPaperMenu, eyeCatch);
        QCOMPARE(f.form->screen->getwpfn(), VLMQ::ToHostName(eyeCatch));
        QCOMPARE(f.form->wpIndex, 0);
        const QImage& shown = f.form->ClientArea()->Backing();
        QCOMPARE(shown.pixel(2, 2), VLMAT::NumberShown(0));
        // The wallpaper command leaves the caption to the next paint or command.
        QCOMPARE(f.form->windowTitle(), Title(-1, 0, -1, 0, -1, 0));
        f.form->ClientArea()->update();
        QTRY_COMPARE(f.form->windowTitle(), Title(0, 22, -1, 0, -1, 0));
    }

    void cancelledDialogChangesNothing() {
        TForms f;
        VLMAT::Open(f.form->openWallPaperMenu, eyeCatch);
        f.form->UpdateCaption();
        const QString title = f.form->windowTitle();
        for (QAction* item :
             {f.form->openWallPaperMenu, f.form->openBackGroundMenu, f.form->openCharacterMenu}) {
            TOpenAnswer cancel;
            item->trigger();
            QCOMPARE(cancel.runs, 1);
        }
        QCOMPARE(f.form->screen->getwpfn(), VLMQ::ToHostName(eyeCatch));
        QVERIFY(f.form->screen->getbgfn().empty());
        QVERIFY(f.form->screen->getchfn().empty());
        QCOMPARE(f.form->windowTitle(), title);
        QCOMPARE(f.form->screen->getwp(), 0);
    }

    void stepsWrapAround_data() {
        QTest::addColumn<int>("layer"); // 0 wallpaper, 1 background, 2 character
        QTest::addColumn<bool>("next");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::newRow("next wallpaper at 21 of 22") << 0 << true << 21 << 0;
        QTest::newRow("previous wallpaper at 0") << 0 << false << 0 << 21;
        QTest::newRow("previous wallpaper at 5") << 0 << false << 5 << 4;
        QTest::newRow("next wallpaper at 5") << 0 << true << 5 << 6;
        QTest::newRow("next background at 499 of 500") << 1 << true << 499 << 0;
        QTest::newRow("previous background at 0") << 1 << false << 0 << 499;
        QTest::newRow("previous background at 5") << 1 << false << 5 << 4;
        QTest::newRow("next character at 151 of 152") << 2 << true << 151 << 0;
        QTest::newRow("previous character at 0") << 2 << false << 0 << 151;
        QTest::newRow("next character at 5") << 2 << true << 5 << 6;
    }

    void stepsWrapAround() {
        QFETCH(int, layer);
        QFETCH(bool, next);
        QFETCH(int, from);
        QFETCH(int, to);
        TForms f;
        TmainForm& m = *f.form;
        VLMAT::Open(m.openWallPaperMenu, eyeCatch);
        VLMAT::Open(m.openBackGroundMenu, backGrounds);
        VLMAT::Open(m.openCharacterMenu, characters);
        QAction* const steps[3][2] = {{m.prevWallPaperMenu, m.nextWallPaperMenu},
                                      {m.prevBackGroundMenu, m.nextBackGroundMenu},
                                      {m.prevCharacterMenu, m.nextCharacterMenu}};
        if (layer == 0) m.screen->DrawWallPaper(from);
        if (layer == 1) m.screen->DrawBackGround(from);
        if (layer == 2) m.screen->DrawCharacter(from);
        m.UpdateCaption();

        steps[layer][next]->trigger();
        int shown[3] = {0, 0, 0};
        shown[layer] = to;
        QCOMPARE(m.windowTitle(), Title(shown[0], 22, shown[1], 500, shown[2], 152));
        QCOMPARE((QList<int>{m.wpIndex, m.bgIndex, m.chIndex}),
                 (QList<int>{shown[0], shown[1], shown[2]}));
    }

    void stepWithoutArchiveLoadsNothing() {
        TForms f;
        f.form->nextBackGroundMenu->trigger();
        QCOMPARE(f.form->bgIndex, -1);
        QCOMPARE(f.form->windowTitle(), Title(-1, 0, -1, 0, -1, 0));
        f.form->prevCharacterMenu->trigger();
        f.form->nextWallPaperMenu->trigger();
        QCOMPARE(f.form->windowTitle(), Title(-1, 0, -1, 0, -1, 0));
    }

    void failedLoadRestartsTheLayerAtZero() {
        TForms f;
        VLMAT::Open(f.form->openWallPaperMenu, shortWallPapers);
        f.form->screen->DrawWallPaper(3);
        f.form->UpdateCaption();
        QCOMPARE(f.form->windowTitle(), Title(3, 22, -1, 0, -1, 0));
        f.form->nextWallPaperMenu->trigger(); // picture 4 is not in the file
        QCOMPARE(f.form->wpIndex, -1);
        QCOMPARE(f.form->windowTitle(), Title(-1, 22, -1, 0, -1, 0));
        f.form->nextWallPaperMenu->trigger();
        QCOMPARE(f.form->windowTitle(), Title(0, 22, -1, 0, -1, 0));
    }

    void resetShowsPictureZeroOfEveryLayer() {
        TForms f;
        TmainForm& m = *f.form;
        VLMAT::Open(m.openWallPaperMenu, eyeCatch);
        VLMAT::Open(m.openBackGroundMenu, backGrounds);
        VLMAT::Open(m.openCharacterMenu, characters);
        m.screen->DrawWallPaper(7);
        m.screen->DrawBackGround(5);
        m.screen->DrawCharacter(6);
        m.UpdateCaption();
        QCOMPARE(m.windowTitle(), Title(7, 22, 5, 500, 6, 152));
        m.resetMenu->trigger();
        QCOMPARE(m.windowTitle(), Title(0, 22, 0, 500, 0, 152));
    }

    void zoomDoublesTheClientAreaAndEveryPixel() {
        TForms f;
        TmainForm& m = *f.form;
        m.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m));
        VLMAT::Open(m.openWallPaperMenu, patternWallPapers);

        m.zoomMenu->trigger();
        QVERIFY(m.zoomMenu->isChecked());
        QTRY_COMPARE(m.ClientArea()->size(), QSize(640, 448));
        QCOMPARE(m.screen->destRect.right, 640);
        QCOMPARE(m.screen->destRect.bottom, 448);
        const VLM::TPicture& picture = m.screen->GetOffscreen();
        const QImage source(reinterpret_cast<const uchar*>(picture.ScanLine(0)), 320, 224, 640,
                            QImage::Format_RGB555);
        const QImage& shown = m.ClientArea()->Backing();
        QCOMPARE(shown.size(), QSize(640, 448));
        for (int y = 0; y < 224; ++y)
            for (int x = 0; x < 320; ++x)
                for (int d = 0; d < 4; ++d)
                    if (shown.pixel(2 * x + d % 2, 2 * y + d / 2) != source.pixel(x, y))
                        QFAIL(qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));

        m.zoomMenu->trigger();
        QVERIFY(!m.zoomMenu->isChecked());
        QTRY_COMPARE(m.ClientArea()->size(), QSize(320, 224));
        QCOMPARE(m.ClientArea()->Backing().pixel(319, 223), source.pixel(319, 223));
    }

    void anyClientSizeStretchesThePicture() {
        TForms f;
        TmainForm& m = *f.form;
        m.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m));
        VLMAT::Open(m.openWallPaperMenu, patternWallPapers);
        m.zoomMenu->trigger();
        QTRY_COMPARE(m.ClientArea()->size(), QSize(640, 448));

        m.SetClientSize(400, 300); // as dragging the frame does
        QTRY_COMPARE(m.ClientArea()->size(), QSize(400, 300));
        QVERIFY(m.zoomMenu->isChecked());
        QCOMPARE(m.screen->destRect.right, 400);
        QCOMPARE(m.screen->destRect.bottom, 300);
        const VLM::TPicture& picture = m.screen->GetOffscreen();
        const QImage source(reinterpret_cast<const uchar*>(picture.ScanLine(0)), 320, 224, 640,
                            QImage::Format_RGB555);
        const QImage& shown = m.ClientArea()->Backing();
        QCOMPARE(shown.pixel(0, 0), source.pixel(0, 0));
        QCOMPARE(shown.pixel(399, 299), source.pixel(319, 223));
        QCOMPARE(shown.pixel(200, 150), source.pixel(160, 112));
    }

    void defaultFileNameKeepsOnlyTheNameOfAMissingFile() {
        QCOMPARE(TmainForm::DefaultFileName("/nowhere/velmora1/eyecatch.all"),
                 std::string("eyecatch.all"));
        QCOMPARE(TmainForm::DefaultFileName(VLMQ::ToHostName(eyeCatch)),
                 VLMQ::ToHostName(eyeCatch));
    }

    void openDialogStartsInTheCurrentFolder_data() {
        QTest::addColumn<int>("layer");
        QTest::addColumn<QString>("onDisc");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("offered");
        QTest::newRow("wallpaper, upper case on disc") << 0 << "EYECATCH.ALL"
                                                       << "EYE files(wpall1.all;eyecatch.all)"
                                                       << "EYECATCH.ALL";
        QTest::newRow("background, mixed case on disc") << 1 << "NbgFile1.All"
                                                        << "EYE files(nbgfile1.all)"
                                                        << "NbgFile1.All";
        QTest::newRow("character, not on disc") << 2 << ""
                                                << "NC file(ncdat.all)"
                                                << "ncdat.all";
    }

    void openDialogStartsInTheCurrentFolder() {
        QFETCH(int, layer);
        QFETCH(QString, onDisc);
        QFETCH(QString, label);
        QFETCH(QString, offered);
        QTemporaryDir folder;
        if (!onDisc.isEmpty()) QVERIFY(QFile(folder.filePath(onDisc)).open(QIODevice::WriteOnly));
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(folder.path()));
        TForms f;
        TOpenAnswer cancel;
        QAction* items[3] = {f.form->openWallPaperMenu, f.form->openBackGroundMenu,
                             f.form->openCharacterMenu};
        items[layer]->trigger();
        QDir::setCurrent(before);

        QCOMPARE(cancel.folder, QDir(folder.path()).absolutePath());
        QCOMPARE(cancel.initialName, offered);
        QCOMPARE(cancel.filters.size(), 2);
        QFileDialog& dialog = *f.form->openDialog;
        // The first entry is active, shown by its label alone.
        QCOMPARE(dialog.selectedNameFilter(), label);
        QVERIFY(dialog.testOption(QFileDialog::DontUseNativeDialog));
        auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        QVERIFY(types);
        QCOMPARE(types->itemText(0), label);
        QCOMPARE(types->itemText(1), QStringLiteral("all files(*.*)"));
    }

    void openDialogStaysInTheFolderOfTheLastOpenedFile() {
        QTemporaryDir elsewhere;
        const QString archive = elsewhere.filePath(QStringLiteral("EYECATCH.ALL"));
        VLMAT::WriteWallPapers(archive, 2);
        TForms f;
        VLMAT::Open(f.form->openWallPaperMenu, archive);
        TOpenAnswer cancel;
        f.form->openBackGroundMenu->trigger();
        QCOMPARE(cancel.folder, QDir(elsewhere.path()).absolutePath());
        QCOMPARE(cancel.initialName, QStringLiteral("nbgfile1.all"));
    }

    void openDialogPatternsIgnoreLetterCase() {
        QTemporaryDir folder;
        for (const char* name : {"EYECATCH.ALL", "wpall1.all", "notes.txt", "EYECATCH.ALL.BAK"})
            QVERIFY(QFile(folder.filePath(QString::fromLatin1(name))).open(QIODevice::WriteOnly));
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(folder.path()));
        TForms f;
        TOpenAnswer cancel;
        f.form->openWallPaperMenu->trigger();
        QDir::setCurrent(before);

        QFileDialog& dialog = *f.form->openDialog;
        QTRY_COMPARE(ListedNames(dialog), (QStringList{"EYECATCH.ALL", "wpall1.all"}));
        dialog.selectNameFilter(cancel.filters.at(1));
        QTRY_COMPARE(ListedNames(dialog),
                     (QStringList{"EYECATCH.ALL", "EYECATCH.ALL.BAK", "notes.txt", "wpall1.all"}));
    }

    void toolsMenuHidesAndShowsAnUpToDateWindow() {
        TForms f;
        TmainForm& m = *f.form;
        m.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m));
        QVERIFY(f.tools->isVisible());

        m.toolsMenu->trigger();
        QVERIFY(!m.toolsMenu->isChecked());
        QVERIFY(!f.tools->isVisible());
        // Behind the windows' back, so that only the tools menu can bring the lists up to date.
        m.screen->putwpfn(VLMQ::ToHostName(eyeCatch));
        m.screen->DrawWallPaper(2);
        m.toolsMenu->trigger();
        QVERIFY(m.toolsMenu->isChecked());
        QVERIFY(f.tools->isVisible());
        QCOMPARE(f.tools->labels[0]->text(), Utf8("壁紙(&W): ") + eyeCatch);
        QCOMPARE(f.tools->combos[0]->currentIndex(), 2);
    }

    void exitStopsTheTimerAndCloses() {
        TForms f;
        f.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
        f.form->autoPlayMenu->trigger();
        QVERIFY(f.form->timer->isActive());
        f.form->exitMenu->trigger();
        QVERIFY(!f.form->timer->isActive());
        QVERIFY(!f.form->isVisible());
    }

    void escapedExceptionIsShownAndTheWindowCarriesOn() {
        // Element 1 reaches below the composed picture: drawing it fails.
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("NCDAT.ALL"));
        VLMAT::WriteCharacters(
            path, {{0, VLMAT::GroupRecord(0, {})}, {1, VLMAT::GroupRecord(1, {{0, 300, 8, 8}})}});
        TForms f;
        VLMAT::Open(f.form->openCharacterMenu, path);
        VLMAT::TBoxLog log;
        // Through the event loop, as a key press would run the command.
        QMetaObject::invokeMethod(f.form->nextCharacterMenu, &QAction::trigger,
                                  Qt::QueuedConnection);
        QTRY_COMPARE(log.boxes.size(), size_t{1});
        QCOMPARE(log.boxes[0].kind, QStringLiteral("error"));
        QVERIFY(log.boxes[0].text.contains(QStringLiteral("out of range")));

        f.form->prevCharacterMenu->trigger();
        QCOMPARE(f.form->windowTitle(), Title(-1, 0, -1, 0, 0, 152));
    }

    void exceptionTextIsDecodedFromCodePage932() {
        VLMAT::TBoxLog log;
        TFailingObject failing;
        failing.message = "vlmcharacter:315 \x82\xCD\x8E\xC0\x91\x95\x82\xB3\x82\xEA\x82\xC4"
                          "\x82\xA2\x82\xDC\x82\xB9\x82\xF1";
        QEvent event(QEvent::User);
        QCOMPARE(QCoreApplication::sendEvent(&failing, &event), false);
        QCOMPARE(log.boxes.size(), size_t{1});
        QCOMPARE(log.boxes[0].text, Utf8("vlmcharacter:315 は実装されていません"));
    }

    void engineMessagesReachTheDesktop() {
        QVERIFY(dynamic_cast<VLMQ::TQtUserInterface*>(&VLM::UserInterface()));
        VLMAT::TBoxLog log;
        VLM::UserInterface().MessageBox("Now building...", ".\\vlmcharacter");
        VLM::UserInterface().InformationDialog("a\n\r\x82\xA0");
        QCOMPARE(log.boxes.size(), size_t{2});
        QCOMPARE(log.boxes[0].kind, QStringLiteral("message"));
        QCOMPARE(log.boxes[0].text, QStringLiteral("Now building..."));
        QCOMPARE(log.boxes[0].caption, QStringLiteral(".\\vlmcharacter"));
        QCOMPARE(log.boxes[1].kind, QStringLiteral("information"));
        QCOMPARE(log.boxes[1].text, Utf8("a\n\rあ"));
    }

    // Last: it runs the application's own loop, which the termination ends.
    void terminationEndsTheLoopOnceItRegainsControl() {
        bool returned = false;
        QTimer::singleShot(0, [&returned] {
            VLM::UserInterface().Terminate();
            returned = true; // the caller still finishes
        });
        // A safety net only: the loop must not run on if the request is lost.
        QTimer safety;
        safety.setSingleShot(true);
        connect(&safety, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        safety.start(20000);
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(returned);
    }
};

VLMAT_MAIN(TestMainForm)
#include "mainform_test.moc"
