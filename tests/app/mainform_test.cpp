// The main window: menus, open dialogs, stepping, reset, zoom, resizing, caption, status line,
// tools menu, exit and the handling of failures at each handler's edge.
#include "apptest.h"

#include "qtcanvas.h"
#include "vlmnames.h"
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
    QString eyeCatch, backGrounds, characters, shortWallPapers, patternWallPapers, badBackGrounds,
        brokenCharacters;

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
        // Pictures 11 and 13 read; picture 12's header is out of range.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("bad")));
        badBackGrounds = dir.filePath(QStringLiteral("bad/NBGFILE1.ALL"));
        VLMAT::WriteBackGrounds(badBackGrounds, {11, 12, 13}, {12});
        // Characters 1 and 2: their last element reaches below the composed picture.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("broken")));
        brokenCharacters = dir.filePath(QStringLiteral("broken/NCDAT.ALL"));
        VLMAT::WriteCharacters(brokenCharacters,
                               {{0, VLMAT::GroupRecord(0, {})},
                                {1, VLMAT::GroupRecord(1, {{0, 300, 8, 8}})},
                                {2, VLMAT::GroupRecord(2, {{0, 0, 8, 8}, {0, 290, 8, 8}})}});
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
        // The picture fills the client area, which neither the menu bar nor the status line
        // is part of.
        QCOMPARE(f.form->ClientArea()->geometry().top(), f.form->mainMenu->height());
        QCOMPARE(f.form->ClientArea()->size(), QSize(320, 224));
        QVERIFY(f.form->statusLine->mapTo(f.form.get(), QPoint(0, 0)).y() >
                f.form->ClientArea()->geometry().bottom());
        // How to open archives, in a line that the window shows whole at 1x.
        const QLabel& status = *f.form->statusLine;
        QCOMPARE(status.text(), Utf8("開く: Ctrl+W, Ctrl+G, Ctrl+C、またはアーカイブをドロップ"));
        QVERIFY(status.fontMetrics().horizontalAdvance(status.text()) <=
                status.contentsRect().width());
    }

    // Keys: every shortcut, the first one the Ctrl key; an item with more than one shows them
    // all after its caption.
    void menuItems_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("keys");
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
        row("nextWallPaperMenu", "次の壁紙(&V)", "Ctrl+V, PgDown");
        row("prevWallPaperMenu", "前の壁紙(&T)", "Ctrl+T, PgUp");
        row("nextBackGroundMenu", "次の背景(&F)", "Ctrl+F, Down");
        row("prevBackGroundMenu", "前の背景(&B)", "Ctrl+B, Up");
        row("nextCharacterMenu", "次のｷｬﾗ(&N)", "Ctrl+N, Right");
        row("prevCharacterMenu", "前のｷｬﾗ(&P)", "Ctrl+P, Left");
        row("resetMenu", "全ﾘｾｯﾄ(&R)", "Ctrl+R, Home");
        row("zoomMenu", "拡大表示(&Z)", "Ctrl+Z", true);
        row("autoPlayMenu", "自動表示(&A)", "Ctrl+A", true);
        row("zoomInMenu", "ｽﾞｰﾑｲﾝ(&I)", "Ctrl++, Ctrl+=");
        row("zoomOutMenu", "ｽﾞｰﾑｱｳﾄ(&O)", "Ctrl+-");
        row("zoomResetMenu", "等倍(&E)", "Ctrl+0");
        row("integerScaleMenu", "整数倍で表示(&S)", "", true);
        row("fullScreenMenu", "全画面表示(&U)", "F11", true);
        row("toolsMenu", "ﾂｰﾙ(&Y)", "Ctrl+Y", true, true);
        row("versionMenu", "ﾊﾞｰｼﾞｮﾝ(&H)", "Ctrl+H");
        row("savePictureMenu", "画像を保存(&S)", "Ctrl+S");
        row("copyPictureMenu", "画像をｺﾋﾟｰ(&P)", "Ctrl+Shift+C");
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
            {"zoomInMenu", &TmainForm::zoomInMenu},
            {"zoomOutMenu", &TmainForm::zoomOutMenu},
            {"zoomResetMenu", &TmainForm::zoomResetMenu},
            {"integerScaleMenu", &TmainForm::integerScaleMenu},
            {"fullScreenMenu", &TmainForm::fullScreenMenu},
            {"toolsMenu", &TmainForm::toolsMenu},
            {"versionMenu", &TmainForm::versionMenu},
            {"savePictureMenu", &TmainForm::savePictureMenu},
            {"copyPictureMenu", &TmainForm::copyPictureMenu}};
        QFETCH(QString, caption);
        QFETCH(QString, keys);
        QFETCH(bool, checkable);
        QFETCH(bool, checked);
        TForms f;
        QAction* item = f.form.get()->*items.at(QString::fromLatin1(QTest::currentDataTag()));
        QStringList shortcuts;
        for (const QKeySequence& key : item->shortcuts())
            shortcuts << key.toString();
        QCOMPARE(shortcuts.join(QStringLiteral(", ")), keys);
        // Several keys stand after the caption as the menu names them.
        QStringList shown;
        for (const QKeySequence& key : item->shortcuts())
            shown << key.toString(QKeySequence::NativeText);
        const QString text = shortcuts.size() > 1
                                 ? caption + QLatin1Char('\t') + shown.join(QStringLiteral(", "))
                                 : caption;
        QCOMPARE(item->text(), text);
        // The same again after a turn in English.
        VLMAT::UseLanguage(VLMQ::TLanguage::English);
        QVERIFY(item->text() != text);
        VLMAT::UseLanguage(VLMQ::TLanguage::Japanese);
        QCOMPARE(item->text(), text);
        QCOMPARE(item->isCheckable(), checkable);
        QCOMPARE(item->isChecked(), checked);
        // Ctrl keys work from every window; F11 is the main window's.
        QCOMPARE(item->shortcutContext(),
                 keys == QLatin1String("F11") ? Qt::WindowShortcut : Qt::ApplicationShortcut);
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
        QCOMPARE(f.form->bgIndex, 0); // asked for, not shown
        QCOMPARE(f.form->windowTitle(), Title(-1, 0, -1, 0, -1, 0));
        f.form->prevCharacterMenu->trigger();
        f.form->nextWallPaperMenu->trigger();
        QCOMPARE(f.form->windowTitle(), Title(-1, 0, -1, 0, -1, 0));
    }

    // Each row: the layer, the picture shown first, then one step a letter (n next, p previous)
    // and after each the picture tried and whether it shows.
    void steppingGoesOnPastAnUnreadablePicture_data() {
        QTest::addColumn<int>("layer");
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QList<int>>("tried");
        QTest::addColumn<QList<bool>>("shows");
        QTest::newRow("background: next past 12")
            << 1 << 11 << "nn" << QList<int>{12, 13} << QList<bool>{false, true};
        QTest::newRow("background: previous past 12")
            << 1 << 13 << "pp" << QList<int>{12, 11} << QList<bool>{false, true};
        QTest::newRow("wallpaper: past the end of a short file and back")
            << 0 << 3 << "nnpp" << QList<int>{4, 5, 4, 3} << QList<bool>{false, false, false, true};
    }

    void steppingGoesOnPastAnUnreadablePicture() {
        const VLMAT::TEnglish english; // the messages as the code writes them
        QFETCH(int, layer);
        QFETCH(int, from);
        QFETCH(QString, steps);
        QFETCH(QList<int>, tried);
        QFETCH(QList<bool>, shows);
        TForms f;
        TmainForm& m = *f.form;
        const bool wp = layer == 0;
        QAction* const items[2] = {wp ? m.prevWallPaperMenu : m.prevBackGroundMenu,
                                   wp ? m.nextWallPaperMenu : m.nextBackGroundMenu};
        VLMAT::Open(wp ? m.openWallPaperMenu : m.openBackGroundMenu,
                    wp ? shortWallPapers : badBackGrounds);
        m.PictureChosen(VLM::AllLayers[layer], from);
        for (qsizetype i = 0; i < steps.size(); ++i) {
            items[steps[i] == QLatin1Char('n')]->trigger();
            const int shown = shows[i] ? tried[i] : -1;
            QCOMPARE(m.windowTitle(),
                     wp ? Title(shown, 22, -1, 0, -1, 0) : Title(-1, 0, shown, 500, -1, 0));
            QCOMPARE(wp ? m.wpIndex : m.bgIndex, tried[i]);
            QCOMPARE(f.tools->combos[layer]->currentIndex(), tried[i]);
            // A failure names the archive, the picture and the reason.
            QCOMPARE(m.statusLine->text().startsWith(QStringLiteral("%1, picture %2: ")
                                                         .arg(wp ? "EYECATCH.ALL" : "NBGFILE1.ALL")
                                                         .arg(tried[i])),
                     !shows[i]);
        }
    }

    // Files a person may open by mistake or on purpose: each blanks only its layer, and the
    // status line says which picture of which file failed, and why.
    void statusLineTellsWhyALayerShowsNothing_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // "dir": a folder of that name
        QTest::addColumn<QString>("reason");
        const int64_t start = VLM::CharacterNames[0].offset; // where character 0 is looked for
        QTest::newRow("zero bytes") << "NCDAT.ALL" << QByteArray()
                                    << "no picture record found - not an archive of this kind";
        QTest::newRow("random bytes") << "NCDAT.ALL" << QByteArray(70000, '\x5A')
                                      << "no picture record found - not an archive of this kind";
        QTest::newRow("a folder") << "NCDAT.ALL" << QByteArray("dir") << "not a regular file";
        // "%1" in a name is no place marker of the message.
        QTest::newRow("another name")
            << "notes %1.txt" << QByteArray("x") << "not an archive name of this kind";
        // Where character 0 is looked for: the signature and an element count, then nothing.
        QTest::newRow("record cut short")
            << "NCDAT.ALL"
            << QByteArray(start, '\0') + QByteArray("\0\0\x01\0\0\0\x02\0\0\0\0\x05\0\0\0\0", 16)
            << QStringLiteral("record cut short at byte %1").arg(start + 16);
    }

    void statusLineTellsWhyALayerShowsNothing() {
        const VLMAT::TEnglish english; // the messages as the code writes them
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QTemporaryDir folder;
        const QString path = folder.filePath(name);
        if (bytes == "dir") {
            QVERIFY(QDir(folder.path()).mkdir(name));
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }
        TForms f;
        TmainForm& m = *f.form;
        VLMAT::Open(m.openWallPaperMenu, eyeCatch);
        VLMAT::Open(m.openCharacterMenu, path);
        QCOMPARE(m.windowTitle(), Title(0, 22, -1, 0, -1, name == "NCDAT.ALL" ? 152 : 0));
        QCOMPARE(m.statusLine->text(),
                 QStringLiteral("%1, picture 0: %2  |  %3")
                     .arg(name, reason, VLMQ::FromCp932(m.screen->wpmnes(0))));
        if (name.endsWith(".txt")) { // no count: previous asks for picture -1, not named
            m.prevCharacterMenu->trigger();
            QCOMPARE(m.statusLine->text(),
                     QStringLiteral("%1: %2  |  %3")
                         .arg(name, reason, VLMQ::FromCp932(m.screen->wpmnes(0))));
        }
    }

    void statusLineNamesThePicturesAndLeadsWithTheLastFailure() {
        const VLMAT::TEnglish english; // the messages as the code writes them
        TForms f;
        TmainForm& m = *f.form;
        VLMAT::Open(m.openWallPaperMenu, eyeCatch);
        VLMAT::Open(m.openBackGroundMenu, backGrounds);
        VLMAT::Open(m.openCharacterMenu, characters);
        m.PictureChosen(VLM::TLayerKind::Character, 4);
        const QStringList names = {VLMQ::FromCp932(m.screen->wpmnes(0)),
                                   VLMQ::FromCp932(m.screen->bgmnes(0)),
                                   VLMQ::FromCp932(m.screen->chmnes(4))};
        QCOMPARE(m.statusLine->text(), names.join(QStringLiteral("  |  ")));
        QCOMPARE(m.ClientArea()->size(), QSize(320, 224)); // however long the text

        VLMAT::Open(m.openWallPaperMenu, shortWallPapers);
        m.PictureChosen(VLM::TLayerKind::WallPaper, 9);
        VLMAT::Open(m.openBackGroundMenu, badBackGrounds);
        m.PictureChosen(VLM::TLayerKind::BackGround, 12);
        const QString wallPaper = QStringLiteral(
            "EYECATCH.ALL, picture 9: no picture record found - not an archive of this kind");
        const QString backGround =
            QStringLiteral("NBGFILE1.ALL, picture 12: header field out of range");
        QCOMPARE(m.statusLine->text(),
                 QStringList({backGround, wallPaper, names[2]}).join("  |  "));
        m.PictureChosen(VLM::TLayerKind::WallPaper, 9);
        QVERIFY(m.statusLine->text().startsWith(wallPaper + QStringLiteral("  |  ") + backGround));
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
                                                       << "EYE files(wpall1.all;wpall2.all;"
                                                          "wpall3.all;eyecatch.all)"
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

    // An element outside the picture fails every command that draws the character; one box
    // says so in words, and neither the box nor the exception gets in the user's way.
    void failureIsToldOnceInWordsAndTheWindowCarriesOn_data() {
        QTest::addColumn<int>("how"); // 0 a menu key, 1 the tools window's list, 2 a timer tick
        QTest::newRow("menu command") << 0;
        QTest::newRow("tools window list") << 1;
        QTest::newRow("automatic display") << 2;
    }

    void failureIsToldOnceInWordsAndTheWindowCarriesOn() {
        const VLMAT::TEnglish english; // the messages as the code writes them
        QFETCH(int, how);
        TForms f;
        TmainForm& m = *f.form;
        VLMAT::Open(m.openBackGroundMenu, backGrounds);
        VLMAT::Open(m.openCharacterMenu, brokenCharacters);
        const int escaped = VLMAT::Escaped();
        VLMAT::TBoxLog log;
        bool autoPlayOnAtTheBox = true;
        size_t boxesMeanwhile = 0;
        VLMQ::DialogSeams().error = [&](const QString& text) {
            log.boxes.push_back({QStringLiteral("error"), text, QString()});
            autoPlayOnAtTheBox = m.autoPlayMenu->isChecked() || m.timer->isActive();
            // While the box is up, other failing commands raise no second box.
            m.nextBackGroundMenu->trigger();
            m.PictureChosen(VLM::TLayerKind::Character, 2);
            QTest::qWait(50);
            boxesMeanwhile = log.boxes.size() - 1;
        };
        if (how == 0) {
            // Through the event loop, as a key press would run the command.
            QMetaObject::invokeMethod(m.nextCharacterMenu, &QAction::trigger, Qt::QueuedConnection);
        } else if (how == 1) {
            QComboBox& pictures = *f.tools->combos[2];
            pictures.setCurrentIndex(1);
            emit pictures.activated(1);
        } else {
            m.autoPlayMenu->trigger();
        }
        QTRY_COMPARE(log.boxes.size(), size_t{1});
        QCOMPARE(log.boxes[0].text,
                 QStringLiteral("NCDAT.ALL, picture 1: element 1 reaches outside the composed "
                                "picture, so the character cannot be shown whole."));
        QVERIFY(!autoPlayOnAtTheBox);
        QCOMPARE(boxesMeanwhile, size_t{0});
        QVERIFY(!m.timer->isActive());
        QCOMPARE(VLMAT::Escaped(), escaped);

        // Told once: the same failure again goes to the status line only.
        m.PictureChosen(VLM::TLayerKind::Character, 1);
        QTest::qWait(20);
        QCOMPARE(log.boxes.size(), size_t{1});
        QVERIFY(m.statusLine->text().startsWith(
            QStringLiteral("NCDAT.ALL, picture 1: element 1 outside its picture")));
        VLMQ::DialogSeams().error = nullptr;
    }

    void lastResortStillShowsAnEscapedException() {
        const VLMAT::TEnglish english; // the messages as the code writes them
        VLMAT::TBoxLog log;
        TFailingObject failing;
        failing.message = "vlmcharacter:315 \x82\xCD\x8E\xC0\x91\x95\x82\xB3\x82\xEA\x82\xC4"
                          "\x82\xA2\x82\xDC\x82\xB9\x82\xF1";
        const int escaped = VLMAT::Escaped();
        QEvent event(QEvent::User);
        QCOMPARE(QCoreApplication::sendEvent(&failing, &event), false);
        QCOMPARE(VLMAT::Escaped(), escaped + 1);
        // The box comes once the loop is back in control, its text decoded from code page 932.
        QTRY_COMPARE(log.boxes.size(), size_t{1});
        QCOMPARE(log.boxes[0].text,
                 Utf8("The command failed: vlmcharacter:315 は実装されていません"));
    }

    void shortcutsWorkFromTheToolsWindow_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("title");
        QTest::newRow("Ctrl+T") << int(Qt::Key_T) << Title(21, 22, -1, 0, -1, 0);
        QTest::newRow("Ctrl+C, which a list could take for copy")
            << int(Qt::Key_C) << Title(0, 22, -1, 0, 0, 152);
    }

    void shortcutsWorkFromTheToolsWindow() {
        QFETCH(int, key);
        QFETCH(QString, title);
        TForms f;
        f.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
        VLMAT::Open(f.form->openWallPaperMenu, eyeCatch);
        f.form->UpdateCaption();
        f.tools->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.tools.get()));
        f.tools->combos[0]->setFocus();
        TOpenAnswer answer(characters);
        QTest::keyClick(f.tools->combos[0], Qt::Key(key), Qt::ControlModifier);
        QCOMPARE(f.form->windowTitle(), title);
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
