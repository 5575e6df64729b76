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

namespace {

// Every file under folder, hidden ones too, with its bytes.
std::map<QString, QByteArray> Contents(const QString& folder) {
    std::map<QString, QByteArray> files;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         it.hasNext();) {
        QFile f(it.next());
        f.open(QIODevice::ReadOnly);
        files[QDir(folder).relativeFilePath(f.fileName())] = f.readAll();
    }
    return files;
}

// Answers the save dialog with file (Cancel when empty) and file type filter (unless -1), and the
// folder dialog with folder; files in the way are kept. Remembers the name the save dialog
// offered.
struct TAnswers {
    QString file, folder, offered;
    int folderRuns = 0, filter = -1;
    TAnswers() {
        auto& seams = VLMQ::DialogSeams();
        seams.question = [](const QString&) { return false; };
        seams.fileDialog = [this](QFileDialog& dialog) {
            if (dialog.fileMode() == QFileDialog::Directory) {
                ++folderRuns;
                dialog.setDirectory(folder);
                return true;
            }
            offered = QFileInfo(dialog.selectedFiles().value(0)).fileName();
            if (filter >= 0) dialog.selectNameFilter(dialog.nameFilters().value(filter));
            dialog.selectFile(file);
            return !file.isEmpty();
        };
    }
    ~TAnswers() {
        VLMQ::DialogSeams().fileDialog = nullptr;
        VLMQ::DialogSeams().question = nullptr;
        VLMQ::DialogSeams().progress = nullptr;
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
        // Pictures 0 to 31, every pixel its own; 32 and 33 lie past the end of the file.
        std::vector<VLMW::TWallPaperEntry> entries(32);
        for (int i = 0; i < 32; ++i) {
            entries[size_t(i)].index = i;
            entries[size_t(i)].picture = VLMW::PatternPicture(320, 224, uint32_t(i));
        }
        archives[0] = dir.filePath("WPALL1.ALL");
        VLMW::WallPaperArchive(entries).Save(VLMQ::ToHostName(archives[0]));
        archives[1] = dir.filePath("NBGFILE1.ALL");
        VLMAT::WriteBackGrounds(archives[1], {0, 4, 5}, {5});
        // Character 1 has an element outside its picture: dumped, and the viewer carries on.
        archives[2] = dir.filePath("NCDAT.ALL");
        VLMAT::WriteCharacters(archives[2], {{0, VLMAT::GroupRecord(0, {{10, 12, 8, 8}})},
                                             {1, VLMAT::GroupRecord(1, {{0, 300, 8, 8}})},
                                             {126, VLMAT::GroupRecord(126, {})}});
    }

    void saveAndCopyTakeTheComposedPictureAtTheZoom_data() {
        QTest::addColumn<int>("zoom");
        QTest::addColumn<int>("background"); // 5 is unreadable
        QTest::addColumn<QString>("offered");
        QTest::newRow("1:1") << 1 << 4 << "wp003-bg004-ch000.png";
        QTest::newRow("doubled, no background") << 2 << 5 << "wp003-ch000.png";
    }

    void saveAndCopyTakeTheComposedPictureAtTheZoom() {
        const VLMAT::TEnglish english; // the messages as the code writes them
        QFETCH(int, zoom);
        QFETCH(int, background);
        QFETCH(QString, offered);
        VLMAT::TForms f;
        TmainForm& m = *f.form;
        {
            const TAnswers cancel;
            m.savePictureMenu->trigger();
            QCOMPARE(cancel.offered, QStringLiteral("velmora.png"));
        }
        int k = 0;
        for (QAction* open : {m.openWallPaperMenu, m.openBackGroundMenu, m.openCharacterMenu})
            VLMAT::Open(open, archives[k++]);
        m.screen->DrawWallPaper(3);
        m.screen->DrawBackGround(background);
        if (zoom == 2) m.zoomMenu->trigger();
        QTemporaryDir out;
        VLMAT::TBoxLog log;
        TAnswers answers;
        answers.file = out.filePath("picture.png");
        QFile(answers.file).open(QIODevice::WriteOnly); // the dialog asked before replacing it
        m.savePictureMenu->trigger();
        QCOMPARE(answers.offered, offered);
        QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
        // Each pixel of the composed picture a zoom x zoom block of its colour, unsmoothed.
        const QImage saved = QImage(answers.file).convertToFormat(QImage::Format_RGB32);
        const VLM::TPicture& shown = m.screen->GetOffscreen();
        QCOMPARE(saved.size(), QSize(shown.Width(), shown.Height()) * zoom);
        // The wallpaper (every pixel its own colour) at its corners, the character, the background.
        for (const QPoint p :
             {QPoint(0, 0), QPoint(14, 17), QPoint(40, 40), QPoint(201, 97), QPoint(319, 223)})
            QCOMPARE(saved.pixel(p * zoom + QPoint(zoom - 1, zoom - 1)),
                     VLMAT::Shown(shown.ScanLine(p.y())[p.x()]));
        m.copyPictureMenu->trigger();
        QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
                 saved);
        QVERIFY(log.boxes.empty());

        answers.file = out.filePath("missing/picture.png");
        m.savePictureMenu->trigger();
        QCOMPARE(log.boxes.size(), size_t{1});
        QVERIFY(log.boxes[0].text.endsWith(QStringLiteral(": No such file or directory.")));
    }

    void exportWritesWhatTheCommandLineWrites_data() {
        QTest::addColumn<int>("layer");
        QTest::addColumn<int>("written");
        QTest::addColumn<int>("total");
        QTest::addColumn<QString>("failure"); // one line of the box
        QTest::addColumn<QString>("format");
        // A background or character search finds the record of the nearest picture it can.
        QTest::newRow("wallpapers") << 0 << 32 << 34 << "^033 .*: no picture record found"
                                    << "png";
        QTest::newRow("backgrounds") << 1 << 9 << 500 << "^005 .*: header field out of range"
                                     << "png";
        for (const char* format : {"png", "ora", "aseprite", "sheet"})
            QTest::newRow(format) << 2 << 3 << 152 << "^001 .*: element 1 reaches outside"
                                  << format;
    }

    void exportWritesWhatTheCommandLineWrites() {
        const VLMAT::TEnglish english; // the messages as the code writes them
        QFETCH(int, layer);
        QFETCH(int, written);
        QFETCH(int, total);
        QFETCH(QString, failure);
        QFETCH(QString, format);
        const VLMX::TExportFormat as = *VLMX::FormatNamed(format.toStdString());
        const int files =
            as == VLMX::TExportFormat::Png ? 1 : 1 + (as == VLMX::TExportFormat::Sheet);
        VLMAT::TForms f;
        QAction* open[] = {f.form->openWallPaperMenu, f.form->openBackGroundMenu,
                           f.form->openCharacterMenu};
        VLMAT::Open(open[layer], archives[layer]);
        // Only a layer with an archive has anything to export.
        emit f.form->exportMenu->aboutToShow();
        for (int k = 0; k < 3; ++k)
            QCOMPARE(f.form->exportMenu->actions()[k]->isEnabled(), k == layer);
        QTemporaryDir viewer, cli;
        VLMAT::TBoxLog log;
        TAnswers answers;
        answers.folder = viewer.path();
        if (as == VLMX::TExportFormat::Png)
            f.form->exportMenu->actions()[layer]->trigger();
        else
            f.form->exportFormatMenus[int(as) - 1]->trigger();

        // velmora-cli, run here, leaves the engine's desktop hooks unset.
        VLM::TUserInterface& ui = VLM::UserInterface();
        VLMC::TConsole console;
        console.out = console.err = std::tmpfile();
        QCOMPARE(VLMC::Run({"export", VLMQ::ToHostName(archives[layer]), "--out",
                            VLMQ::ToHostName(cli.path()), "--format", format.toStdString()},
                           console),
                 1);
        std::fclose(console.out);
        VLM::SetUserInterface(&ui);
        QCOMPARE(int(Contents(viewer.path()).size()), written * files);
        QVERIFY(Contents(viewer.path()) == Contents(cli.path()));

        // One box (a dump is no box of its own): the head, the first 12 failures, the rest
        // counted.
        QCOMPARE(log.boxes.size(), size_t{1});
        const QStringList lines = log.boxes[0].text.split('\n');
        QCOMPARE(lines[0], QStringLiteral("%1: %2 of %3 pictures written into %4.")
                               .arg(QFileInfo(archives[layer]).fileName())
                               .arg(written)
                               .arg(total)
                               .arg(viewer.path()));
        QCOMPARE(lines.filter(QRegularExpression("^\\d{3} ")).size(),
                 std::min(total - written, 12));
        QCOMPARE(lines.filter(QRegularExpression(failure)).size(), 1);
        QCOMPARE(lines.contains(QStringLiteral("... and %1 more.").arg(total - written - 12)),
                 total - written > 12);
        QCOMPARE(lines.filter("diagnostic dump").size(), layer == 2 ? 1 : 0);
    }

    // The shown character in the file type chosen, under the name offered, as velmora-cli
    // writes it in that format.
    void saveCharacterWritesTheChosenFormat() {
        VLMAT::TForms f;
        {
            const TAnswers none;
            f.form->saveCharacterMenu->trigger(); // nothing shown: nothing asked
            QCOMPARE(none.offered, QString());
        }
        VLMAT::Open(f.form->openCharacterMenu, archives[2]);
        f.form->screen->DrawCharacter(0);
        TAnswers answers;
        for (int filter = 0; filter < 4; ++filter) {
            const std::string format = VLMX::FormatName(VLMX::AllFormats[filter]);
            QTemporaryDir viewer, cli;
            answers.filter = filter;
            answers.file.clear(); // Cancel, to see the name offered
            f.form->saveCharacterMenu->trigger();
            answers.file = viewer.filePath(answers.offered);
            f.form->saveCharacterMenu->trigger();
            VLM::TUserInterface& ui = VLM::UserInterface();
            VLMC::TConsole console;
            console.out = console.err = std::tmpfile();
            QCOMPARE(
                VLMC::Run({"export", VLMQ::ToHostName(archives[2]), "--out",
                           VLMQ::ToHostName(cli.path()), "--pictures", "0", "--format", format},
                          console),
                0);
            std::fclose(console.out);
            VLM::SetUserInterface(&ui);
            QVERIFY2(!Contents(cli.path()).empty() &&
                         Contents(viewer.path()) == Contents(cli.path()),
                     format.c_str());
        }
    }

    void cancelLeavesWholeFilesThatAreReplacedOnlyWhenTheUserAgrees() {
        const VLMAT::TEnglish english; // the messages as the code writes them
        VLMAT::TForms f;
        VLMAT::Open(f.form->openWallPaperMenu, archives[0]);
        QTemporaryDir out;
        VLMAT::TBoxLog log;
        TAnswers answers;
        answers.folder = out.path();
        QStringList questions;
        int steps = 0;
        auto& seams = VLMQ::DialogSeams();
        seams.progress = [&](QProgressDialog& progress) {
            if (steps++ > 0) return;
            f.form->exportMenu->actions()[0]->trigger(); // no second export while one runs
            progress.cancel();
        };
        f.form->exportMenu->actions()[0]->trigger();
        QCOMPARE(answers.folderRuns, 1);
        // The status line says so, or the summary once pictures 32 and 33 were tried.
        const QString told =
            log.boxes.empty() ? f.form->statusBar()->currentMessage() : log.boxes.back().text;
        QVERIFY2(told.contains(QStringLiteral("Cancelled; every file is whole.")),
                 qPrintable(told));
        // How far the threads got before the cancel varies; what they wrote is whole.
        for (const auto& [name, bytes] : Contents(out.path()))
            QVERIFY2(!name.startsWith('.') &&
                         bytes.endsWith(QByteArray::fromHex("49454e44ae426082")), // IEND
                     qPrintable(name));

        // Some of the pictures already there: a whole export, then all but three taken away.
        seams.progress = nullptr;
        seams.question = [](const QString&) { return true; };
        f.form->exportMenu->actions()[0]->trigger();
        auto files = Contents(out.path());
        while (files.size() > 3) {
            QVERIFY(QFile::remove(QDir(out.path()).filePath(files.begin()->first)));
            files.erase(files.begin());
        }
        for (bool agree : {false, true}) {
            seams.question = [&](const QString& text) {
                questions << text;
                return agree;
            };
            f.form->exportMenu->actions()[0]->trigger();
            QCOMPARE(Contents(out.path()) == files, !agree);
        }
        QCOMPARE(Contents(out.path()).size(), size_t{32});
        QCOMPARE(questions, QStringList(2, QStringLiteral("%1 of the files to write are already "
                                                          "in %2. Replace them?")
                                               .arg(files.size())
                                               .arg(out.path())));
    }
};

VLMAT_MAIN(TestPictureOut)
#include "pictureout_test.moc"
