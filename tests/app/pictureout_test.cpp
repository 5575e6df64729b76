// Pictures out of the viewer: the composed picture saved and copied at the window's zoom, and a
// layer's archive exported as velmora-cli exports it, with progress, cancelling and a summary.
#include "apptest.h"

#include "clirun.h"
#include "vlmcharacter.h"

#include <QClipboard>
#include <QDirIterator>
#include <QFileDialog>
#include <QMenu>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QStatusBar>

#include <cstdio>

using VLMAT::TForms;

namespace {

// The off-screen picture as a saved file must hold it: 5-bit channels widened, zoom x zoom
// blocks.
QImage Widened(const VLM::TPicture& picture, int zoom) {
    const auto widen = [](unsigned c) { return int((c & 31) << 3 | (c & 31) >> 2); };
    QImage image(picture.Width() * zoom, picture.Height() * zoom, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const uint16_t c = picture.ScanLine(y / zoom)[x / zoom];
            image.setPixel(x, y, qRgb(widen(c >> 10), widen(c >> 5), widen(c)));
        }
    return image;
}

// Every file under folder (hidden ones too) with its bytes, by path below folder.
std::map<QString, QByteArray> Contents(const QString& folder) {
    std::map<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        f.open(QIODevice::ReadOnly);
        files[QDir(folder).relativeFilePath(f.fileName())] = f.readAll();
    }
    return files;
}

// Answers the save dialog with file and the folder dialog with folder, and remembers the name
// the save dialog offered (cancelled without a file); files in the way are kept.
struct TAnswers {
    QString file, folder, offered;
    int folderRuns = 0;
    TAnswers() {
        VLMQ::DialogSeams().question = [](const QString&) { return false; };
        VLMQ::DialogSeams().fileDialog = [this](QFileDialog& dialog) {
            if (dialog.fileMode() == QFileDialog::Directory) {
                ++folderRuns;
                dialog.setDirectory(folder);
                return true;
            }
            offered = QFileInfo(dialog.selectedFiles().value(0)).fileName();
            dialog.selectFile(file);
            return !file.isEmpty();
        };
    }
    ~TAnswers() {
        auto& seams = VLMQ::DialogSeams();
        seams.fileDialog = nullptr;
        seams.question = nullptr;
        seams.progress = nullptr;
    }
};

} // namespace

class TestPictureOut : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString archives[3];

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(dir.isValid());
        VLM::TCharacterBitmap::SetDumpPath(VLMQ::ToHostName(dir.filePath("run.log")));
        // Pictures 0 to 31 of every pixel its own; 32 and 33 lie past the end of the file.
        std::vector<VLMW::TWallPaperEntry> entries(32);
        for (int i = 0; i < 32; ++i) {
            entries[size_t(i)].index = i;
            entries[size_t(i)].picture = VLMW::PatternPicture(320, 224, uint32_t(i));
        }
        archives[0] = dir.filePath("WPALL1.ALL");
        VLMW::WallPaperArchive(entries).Save(VLMQ::ToHostName(archives[0]));
        archives[1] = dir.filePath("NBGFILE1.ALL");
        VLMAT::WriteBackGrounds(archives[1], {0, 4, 5}, {5});
        // Character 1's element lies outside its picture: a dump, and the viewer carries on.
        archives[2] = dir.filePath("NCDAT.ALL");
        VLMAT::WriteCharacters(archives[2], {{0, VLMAT::GroupRecord(0, {{10, 12, 8, 8}})},
                                             {1, VLMAT::GroupRecord(1, {{0, 300, 8, 8}})},
                                             {126, VLMAT::GroupRecord(126, {})}});
    }

    void menuItems() {
        TForms f;
        QCOMPARE(f.form->savePictureMenu->text(), QString::fromUtf8("画像を保存(&S)"));
        QCOMPARE(f.form->savePictureMenu->shortcut(), QKeySequence("Ctrl+S"));
        QCOMPARE(f.form->copyPictureMenu->text(), QString::fromUtf8("画像をｺﾋﾟｰ(&P)"));
        QCOMPARE(f.form->copyPictureMenu->shortcut(), QKeySequence("Ctrl+Shift+C"));
        QCOMPARE(f.form->exportMenu->title(), QString::fromUtf8("ｱｰｶｲﾌﾞを書き出す(&E)"));
        // Only a layer with an archive has anything to export.
        VLMAT::Open(f.form->openBackGroundMenu, archives[1]);
        emit f.form->exportMenu->aboutToShow();
        const QList<QAction*> items = f.form->exportMenu->actions();
        QCOMPARE(items.size(), 3);
        QVERIFY(!items[0]->isEnabled() && items[1]->isEnabled() && !items[2]->isEnabled());
    }

    void saveAndCopyTakeTheComposedPictureAtTheZoom_data() {
        QTest::addColumn<int>("zoom");
        QTest::addColumn<int>("background"); // drawn after opening; 5 is unreadable
        QTest::addColumn<QString>("offered");
        QTest::newRow("1:1") << 1 << 4 << "wp003-bg004-ch000.png";
        QTest::newRow("doubled, no background") << 2 << 5 << "wp003-ch000.png";
    }

    void saveAndCopyTakeTheComposedPictureAtTheZoom() {
        QFETCH(int, zoom);
        QFETCH(int, background);
        QFETCH(QString, offered);
        TForms f;
        TmainForm& m = *f.form;
        {
            TAnswers nothing;
            m.savePictureMenu->trigger();
            QCOMPARE(nothing.offered, QStringLiteral("velmora.png"));
        }
        for (int k = 0; k < 3; ++k)
            VLMAT::Open((k == 0   ? m.openWallPaperMenu
                         : k == 1 ? m.openBackGroundMenu
                                  : m.openCharacterMenu),
                        archives[k]);
        m.screen->DrawWallPaper(3);
        m.screen->DrawBackGround(background);
        if (zoom == 2) m.zoomMenu->trigger();
        QCOMPARE(m.ZoomFactor(), zoom);
        const QImage expected = Widened(m.screen->GetOffscreen(), zoom);

        QTemporaryDir out;
        TAnswers answers;
        answers.file = out.filePath("picture.png");
        // The dialog has confirmed replacing this one.
        QFile(answers.file).open(QIODevice::WriteOnly);
        m.savePictureMenu->trigger();
        QCOMPARE(answers.offered, offered);
        QCOMPARE(QImage(answers.file).convertToFormat(QImage::Format_RGB32), expected);
        QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);

        m.copyPictureMenu->trigger();
        QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
                 expected);
    }

    void aSaveThatCannotBeWrittenIsToldInABox() {
        TForms f;
        VLMAT::TBoxLog log;
        TAnswers answers;
        answers.file = dir.filePath("missing/picture.png");
        f.form->savePictureMenu->trigger();
        QCOMPARE(log.boxes.size(), size_t{1});
        QVERIFY(log.boxes[0].text.contains(QStringLiteral("No such file or directory")));
        QCOMPARE(VLMAT::Escaped(), 0);
    }

    void exportWritesWhatTheCommandLineWrites_data() {
        QTest::addColumn<int>("layer");
        QTest::addColumn<int>("written");
        QTest::addColumn<int>("total");
        QTest::addColumn<QString>("failure"); // the start of one line of the box, and its end
        QTest::addColumn<QString>("reason");
        // A background or character search finds the record of the nearest picture it can.
        QTest::newRow("wallpapers") << 0 << 32 << 34 << "033 "
                                    << "no picture record found";
        QTest::newRow("backgrounds") << 1 << 9 << 500 << "005 "
                                     << "header field out of range";
        QTest::newRow("characters") << 2 << 3 << 152 << "001 "
                                    << "element 1 reaches outside the picture";
    }

    void exportWritesWhatTheCommandLineWrites() {
        QFETCH(int, layer);
        QFETCH(int, written);
        QFETCH(int, total);
        QFETCH(QString, failure);
        QFETCH(QString, reason);
        TForms f;
        QAction* open[] = {f.form->openWallPaperMenu, f.form->openBackGroundMenu,
                           f.form->openCharacterMenu};
        VLMAT::Open(open[layer], archives[layer]);
        QTemporaryDir viewer, cli;
        VLMAT::TBoxLog log;
        {
            TAnswers answers;
            answers.folder = viewer.path();
            f.form->exportMenu->actions()[layer]->trigger();
            QCOMPARE(answers.folderRuns, 1);
        }
        // The same export by velmora-cli, run here; it leaves the engine's desktop hooks unset.
        VLM::TUserInterface& ui = VLM::UserInterface();
        QVERIFY(dynamic_cast<VLMQ::TQtUserInterface*>(&ui));
        VLMC::TConsole console;
        console.out = console.err = std::tmpfile();
        const int status = VLMC::Run(
            {"export", VLMQ::ToHostName(archives[layer]), "--out", VLMQ::ToHostName(cli.path())},
            console);
        std::fclose(console.out);
        VLM::SetUserInterface(&ui);
        QCOMPARE(status, 1);
        const auto files = Contents(viewer.path());
        QCOMPARE(int(files.size()), written);
        QVERIFY(files == Contents(cli.path()));

        // One box: the head, the first failures and how many more; a character that does not
        // fit has its dump, and no box of its own.
        QCOMPARE(log.boxes.size(), size_t{1});
        const QStringList lines = log.boxes[0].text.split('\n');
        QCOMPARE(lines[0], QStringLiteral("%1: %2 of %3 pictures written into %4.")
                               .arg(QFileInfo(archives[layer]).fileName())
                               .arg(written)
                               .arg(total)
                               .arg(viewer.path()));
        const int failures = total - written;
        if (failures > 12)
            QCOMPARE(lines.last(), QStringLiteral("... and %1 more.").arg(failures - 12));
        QCOMPARE(lines.filter(QRegularExpression("^\\d{3} ")).size(), std::min(failures, 12));
        QCOMPARE(lines.filter(QRegularExpression("^" + failure + ".*: .*" + reason)).size(), 1);
        QCOMPARE(lines.filter("diagnostic dump").size(), layer == 2 ? 1 : 0);
    }

    void cancelLeavesOnlyWholeFilesAndNoSecondExportStarts() {
        TForms f;
        VLMAT::Open(f.form->openWallPaperMenu, archives[0]);
        QTemporaryDir out;
        VLMAT::TBoxLog log;
        TAnswers answers;
        answers.folder = out.path();
        int steps = 0;
        VLMQ::DialogSeams().progress = [&](QProgressDialog& progress) {
            if (steps++ > 0) return;
            f.form->exportMenu->actions()[0]->trigger();
            progress.cancel();
        };
        f.form->exportMenu->actions()[0]->trigger();
        QCOMPARE(answers.folderRuns, 1);
        QVERIFY(log.boxes.empty()); // nothing failed
        const auto files = Contents(out.path());
        QVERIFY(!files.empty() && files.size() < 32);
        for (const auto& [name, bytes] : files) {
            QVERIFY2(!name.startsWith('.'), qPrintable(name));
            QVERIFY2(bytes.endsWith(QByteArray::fromHex("0000000049454e44ae426082")),
                     qPrintable(name));
        }
        QVERIFY(f.form->statusBar()->currentMessage().contains(QStringLiteral("Cancelled")));
    }

    void filesInTheFolderAreReplacedOnlyWhenTheUserAgrees() {
        TForms f;
        VLMAT::Open(f.form->openWallPaperMenu, archives[0]);
        QTemporaryDir out;
        const QString mine = out.filePath(QString::fromUtf8("031-壁紙31廊下!昼.png"));
        QFile(mine).open(QIODevice::WriteOnly);
        VLMAT::TBoxLog log;
        TAnswers answers;
        answers.folder = out.path();
        QStringList questions;
        for (bool agree : {false, true}) {
            VLMQ::DialogSeams().question = [&](const QString& text) {
                questions << text;
                return agree;
            };
            f.form->exportMenu->actions()[0]->trigger();
            QCOMPARE(QFileInfo(mine).size() > 0, agree);
            QCOMPARE(Contents(out.path()).size(), size_t(agree ? 32 : 1));
        }
        QCOMPARE(questions.size(), 2);
        QCOMPARE(questions[0], QStringLiteral("1 of the files to write are already in %1. "
                                              "Replace them?")
                                   .arg(out.path()));
    }
};

VLMAT_MAIN(TestPictureOut)
#include "pictureout_test.moc"
