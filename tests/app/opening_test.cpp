// Archives from outside the open dialogs: the command line (parsed, and --help and --version
// without a display), routing by name, drops onto either window, the recent archives, and the
// picture lists of the View menu.
#include "apptest.h"

#include "commandline.h"
#include "openfiles.h"
#include "picturelistfm.h"
#include "recent.h"
#include "settings.h"
#include "vlmversion.h"

#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QProcess>

using VLMAT::TForms;

namespace {

QString Title(const char* parts) {
    return QStringLiteral("Velmora Viewer ") + QLatin1String(parts);
}

// Runs the viewer; its exit status and standard output.
std::pair<int, QString> RunViewer(const QStringList& arguments, const QString& platform) {
    QProcess viewer;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    viewer.setProcessEnvironment(env);
    viewer.start(QStringLiteral(VLM_VIEWER), arguments);
    if (!viewer.waitForFinished(20000)) return {-1, QString()};
    return {viewer.exitStatus() == QProcess::NormalExit ? viewer.exitCode() : -1,
            QString::fromLocal8Bit(viewer.readAllStandardOutput())};
}

} // namespace

class TestOpening : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString eyeCatch, backGrounds, characters, brokenCharacters;

    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        // Names in other letter cases: the layer comes from the name whatever its case.
        eyeCatch = Path("EyeCatch.All");
        VLMAT::WriteWallPapers(eyeCatch, 22);
        backGrounds = Path("nbgfile1.all");
        VLMAT::WriteBackGrounds(backGrounds, {0, 1, 499});
        characters = Path("NCDAT.ALL");
        VLMAT::WriteCharacters(characters, {{0, VLMAT::GroupRecord(0, {})}});
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("broken")));
        brokenCharacters = Path("broken/NCDAT.ALL"); // character 0 reaches below the picture
        VLMAT::WriteCharacters(brokenCharacters, {{0, VLMAT::GroupRecord(0, {{0, 300, 8, 8}})}});
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("WPALL1.ALL"))); // a folder
    }

    void init() { VLMQ::OpenSettings()->clear(); }

    void helpAndVersionNeedNoDisplay() {
        // On the X platform without a display the application object would abort.
        const QString x = QStringLiteral("xcb");
        QCOMPARE(RunViewer({QStringLiteral("--version")}, x),
                 std::make_pair(0, QStringLiteral("velmora %1\n").arg(VLM::ReleaseVersion)));
        QCOMPARE(RunViewer({QStringLiteral("a.ALL"), QStringLiteral("--help")}, x),
                 std::make_pair(0, QString::fromLatin1(VLMQ::Usage)));
        QCOMPARE(RunViewer({QStringLiteral("--bogus")}, QStringLiteral("offscreen")).first, 2);
    }

    void filesGoToTheirLayersAndTheRestIsReported() {
        const VLMAT::TEnglish english; // the messages as the code writes them
        const QStringList paths{brokenCharacters,   Path("notes.txt"),  eyeCatch,
                                Path("WPALL1.ALL"), Path("WPALL3.ALL"), backGrounds};
        QStringList routed; // wallpapers first, then backgrounds, then characters
        for (const VLMQ::TArchiveFile& file : VLMQ::RouteArchives(paths).archives)
            routed << file.path;
        QCOMPARE(routed, (QStringList{eyeCatch, backGrounds, brokenCharacters}));

        const QStringList problems{
            Path("notes.txt") + ": not an archive the viewer knows by name (EYECATCH.ALL, "
                                "WPALL1.ALL, WPALL2.ALL, WPALL3.ALL, NBGFILE1.ALL, NCDAT.ALL)",
            Path("WPALL1.ALL") + ": not a regular file",
            Path("WPALL3.ALL") + ": cannot open (No such file or directory)",
            QStringLiteral("NCDAT.ALL, picture 0: ")};
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls << QUrl::fromLocalFile(path);
        QMimeData data;
        data.setUrls(urls);

        // Dropped onto either window: a character that fails to draw leaves the others open;
        // the status line leads with the files that could not be opened, then the picture that
        // could not be drawn.
        for (bool onTools : {false, true}) {
            TForms f;
            VLMAT::TBoxLog boxes;
            QWidget* target = onTools ? static_cast<QWidget*>(f.tools.get()) : f.form.get();
            QDragEnterEvent enter({5, 5}, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(target, &enter);
            QVERIFY(enter.isAccepted());
            QDropEvent drop({5, 5}, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(target, &drop);
            QCOMPARE(f.form->windowTitle(), Title("0/22 0/500 0/152"));
            const QString status = f.form->statusLine->text();
            QVERIFY2(status.startsWith(problems.join(QStringLiteral("  |  "))), qPrintable(status));
            // A command clears what the last one reported.
            f.form->nextBackGroundMenu->trigger();
            QVERIFY(!f.form->statusLine->text().contains(QStringLiteral("notes.txt")));
        }
    }

    void recentArchivesKeepTheLastEightOfEachLayer() {
        QStringList copies;
        for (int i = 0; i < 10; ++i) {
            const QString folder = Path("recent") + QString::number(i);
            QVERIFY(QDir().mkpath(folder));
            copies << folder + QStringLiteral("/WPALL1.ALL");
            QVERIFY(QFile::copy(eyeCatch, copies.last()));
        }
        TForms f;
        for (const QString& copy : copies)
            f.form->OpenFiles({copy});
        f.form->OpenFiles({copies[5], backGrounds}); // again: to the top, not twice
        VLMAT::Open(f.form->openCharacterMenu, characters);
        f.form->FillRecentMenu();
        QStringList items;
        for (QAction* item : f.form->recentMenu->actions())
            items << (item->isSeparator() ? QStringLiteral("-") + item->text() : item->text());
        // Three sections of 8, 1 and 1 archives, the last opened first.
        QStringList expected{QString::fromUtf8("-壁紙")};
        for (int i : {5, 9, 8, 7, 6, 4, 3, 2})
            expected << QStringLiteral("&%1 %2").arg(expected.size()).arg(copies[i]);
        expected << QString::fromUtf8("-背景") << "&1 " + backGrounds << QString::fromUtf8("-ｷｬﾗ")
                 << "&1 " + characters;
        QCOMPARE(items, expected);

        // A file that is gone is said to be and taken off; the shown archive stays.
        const VLMAT::TEnglish english; // the messages as the code writes them
        QVERIFY(QFile::remove(copies[9]));
        f.form->recentMenu->actions().at(2)->trigger();
        QCOMPARE(VLMQ::RecentArchives(VLM::TLayerKind::WallPaper).size(), 7);
        QVERIFY(f.form->statusLine->text().startsWith(copies[9] + ": no longer there"));
        f.form->recentMenu->actions().at(1)->trigger();
        QCOMPARE(f.form->screen->getwpfn(), VLMQ::ToHostName(copies[5]));
    }

    void pictureListsShowAndFollowTheirLayer() {
        TForms f;
        TmainForm& m = *f.form;
        m.OpenFiles({backGrounds});
        m.pictureListMenus[1]->trigger();
        TPictureListForm* list = m.pictureLists[1];
        QVERIFY(list && list->isVisible());
        QCOMPARE(list->Count(), 500); // the layer's archive
        QCOMPARE(list->List()->currentIndex().row(), 0);
        // Chosen in the list: shown, and the list marks it; a step elsewhere moves the mark.
        emit list->pictureChosen(VLM::TLayerKind::BackGround, 499);
        QCOMPARE(m.windowTitle(), Title("-/0 499/500 -/0"));
        QCOMPARE(list->List()->currentIndex().row(), 499);
        m.nextBackGroundMenu->trigger();
        QCOMPARE(list->List()->currentIndex().row(), 0);
        // Another archive of the layer starts the list over; one menu item, one list.
        const QString other = Path("broken/NBGFILE1.ALL");
        VLMAT::WriteBackGrounds(other, {3});
        m.OpenFiles({other});
        QCOMPARE(list->Archive(), other);
        m.pictureListMenus[1]->trigger();
        QCOMPARE(m.pictureLists[1].data(), list);
        QCOMPARE(m.findChildren<TPictureListForm*>().size(), qsizetype{1});
    }
};

VLMAT_MAIN(TestOpening)
#include "opening_test.moc"
