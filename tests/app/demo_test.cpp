// The demo archives: every picture of all six archives is found where the reader looks for it
// and reads completely; characters carry groups of alternatives.
#include "apptest.h"

#include "vlmbackground.h"
#include "vlmcharacter.h"
#include "vlmnames.h"
#include "vlmscreen.h"
#include "vlmwallpaper.h"

#include <QProcess>

class TestDemo : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    std::string File(const char* name) const {
        return VLMQ::ToHostName(dir.filePath(QString::fromLatin1(name)));
    }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        QProcess mkdemo;
        mkdemo.start(QStringLiteral(VLM_MKDEMO), {dir.path()});
        QVERIFY(mkdemo.waitForFinished(60000));
        QCOMPARE(mkdemo.exitStatus(), QProcess::NormalExit);
        QCOMPARE(mkdemo.exitCode(), 0);
    }

    void everyWallPaperReadsFromItsHint_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("count");
        QTest::newRow("EYECATCH.ALL") << "EYECATCH.ALL" << 22;
        QTest::newRow("WPALL1.ALL") << "WPALL1.ALL" << 34;
        QTest::newRow("WPALL2.ALL") << "WPALL2.ALL" << 34;
        QTest::newRow("WPALL3.ALL") << "WPALL3.ALL" << 34;
    }

    void everyWallPaperReadsFromItsHint() {
        QFETCH(QString, name);
        QFETCH(int, count);
        VLM::TWallPaperBitmap w;
        w.SetFileName(File(qPrintable(name)));
        QCOMPARE(w.GetCount(), count);
        std::vector<uint8_t> first;
        for (int i = 0; i < count; ++i) {
            QVERIFY2(w.Select(i), qPrintable(QString::number(i)));
            // A record found later than its hint would mean its first cells read as filler.
            QCOMPARE(int64_t{w.Offset}, VLM::TWallPaperBitmap::HintOffset(i));
            if (i == 0) first.assign(w.Pixels.get(), w.Pixels.get() + 320 * 224);
        }
        QVERIFY(!std::equal(first.begin(), first.end(), w.Pixels.get()));
    }

    void everyBackGroundReadsFromItsTableOffset() {
        VLM::TBackGroundBitmap b;
        b.SetFileName(File("NBGFILE1.ALL"));
        for (int i = 0; i < 500; ++i) {
            QVERIFY2(b.Select(i), qPrintable(QString::number(i)));
            QCOMPARE(b.Offset, VLM::BackGroundNames[i].offset);
            QCOMPARE(b.Width, 288);
            QCOMPARE(b.Height, 144);
        }
    }

    void everyCharacterReadsWithGroupsOfAlternatives() {
        VLM::TScreen screen;
        screen.putchfn(File("NCDAT.ALL"));
        for (int i = 0; i < 152; ++i) {
            screen.DrawCharacter(i);
            QVERIFY2(screen.getchloaded(), qPrintable(QString::number(i)));
            // Base, then hats, eyes, mouths and badges: one element of each group is shown.
            QCOMPARE(screen.getelcnt(), 13);
            QCOMPARE(screen.shownElements, (std::vector<int32_t>{0, 1, 3, 6, 10}));
        }
    }
};

VLMAT_MAIN(TestDemo)
#include "demo_test.moc"
