// The automatic display (an odometer over character, background and wallpaper) and the
// version box.
#include "apptest.h"

#include <QLabel>
#include <QTimer>

using VLMAT::TForms;

namespace {

struct TShown {
    int wp, bg, ch;
    bool operator==(const TShown& o) const { return wp == o.wp && bg == o.bg && ch == o.ch; }
};

TShown Shown(const TmainForm& m) {
    return {m.screen->getwp(), m.screen->getbg(), m.screen->getch()};
}

char* toString(const TShown& s) {
    return qstrdup(qPrintable(QStringLiteral("wp %1 bg %2 ch %3").arg(s.wp).arg(s.bg).arg(s.ch)));
}

} // namespace

class TestAutoPlay : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString wallPapers, backGrounds, characters, fewCharacters;

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        wallPapers = dir.filePath(QStringLiteral("WPALL1.ALL"));
        VLMAT::WriteWallPapers(wallPapers, 34);
        backGrounds = dir.filePath(QStringLiteral("NBGFILE1.ALL"));
        VLMAT::WriteBackGrounds(backGrounds, {0, 1, 2, 498, 499});
        characters = dir.filePath(QStringLiteral("NCDAT.ALL"));
        std::map<int, VLMW::TCharRecord> records;
        for (int i : {0, 1, 2, 6, 150, 151})
            records[i] = VLMAT::GroupRecord(i, {});
        VLMAT::WriteCharacters(characters, records);
    }

    void switchesItselfOffWithNothingOpen() {
        TForms f;
        TmainForm& m = *f.form;
        m.setWindowTitle(QStringLiteral("stale"));
        m.autoPlayMenu->trigger();
        QVERIFY(m.autoPlayMenu->isChecked());
        QVERIFY(m.timer->isActive());
        QCOMPARE(m.timer->interval(), 100);
        m.autoPlayTimer();
        QVERIFY(!m.autoPlayMenu->isChecked());
        QVERIFY(!m.timer->isActive());
        QCOMPARE(m.windowTitle(), QStringLiteral("Velmora Viewer -/0 -/0 -/0"));
    }

    void timerTicksWalkTheWallPapers() {
        TForms f;
        TmainForm& m = *f.form;
        VLMAT::Open(m.openWallPaperMenu, wallPapers);
        m.autoPlayMenu->trigger();
        QTRY_VERIFY(m.screen->getwp() >= 2);
        m.autoPlayMenu->trigger();
        QVERIFY(!m.timer->isActive());
        QVERIFY(!m.autoPlayMenu->isChecked());
    }

    void onlyWallPapersOpenStepsAWallPaperATick() {
        TForms f;
        TmainForm& m = *f.form;
        VLMAT::Open(m.openWallPaperMenu, wallPapers);
        m.screen->DrawWallPaper(6);
        m.UpdateCaption();
        m.autoPlayTimer();
        QCOMPARE(Shown(m), (TShown{7, -1, -1}));
        QCOMPARE(m.windowTitle(), QStringLiteral("Velmora Viewer 7/34 -/0 -/0"));
        m.screen->DrawWallPaper(33);
        m.UpdateCaption();
        m.autoPlayTimer();
        QCOMPARE(Shown(m), (TShown{0, -1, -1}));
    }

    void onlyBackGroundsOpenStepsABackGroundATick() {
        TForms f;
        TmainForm& m = *f.form;
        VLMAT::Open(m.openBackGroundMenu, backGrounds);
        m.autoPlayTimer();
        QCOMPARE(Shown(m), (TShown{-1, 1, -1}));
        m.autoPlayTimer();
        QCOMPARE(Shown(m), (TShown{-1, 2, -1}));
    }

    void charactersAreTheFastestWheel() {
        TForms f;
        TmainForm& m = *f.form;
        VLMAT::Open(m.openBackGroundMenu, backGrounds);
        VLMAT::Open(m.openCharacterMenu, characters);
        QCOMPARE(Shown(m), (TShown{-1, 0, 0}));
        m.autoPlayTimer();
        QCOMPARE(Shown(m), (TShown{-1, 0, 1}));

        m.screen->DrawCharacter(151);
        m.UpdateCaption();
        m.autoPlayTimer();
        QCOMPARE(Shown(m), (TShown{-1, 1, 0}));
        QCOMPARE(m.windowTitle(), QStringLiteral("Velmora Viewer -/0 1/500 0/152"));

        // After the last background the wallpaper wheel turns, with nothing to show.
        m.screen->DrawBackGround(499);
        m.screen->DrawCharacter(151);
        m.UpdateCaption();
        m.autoPlayTimer();
        QCOMPARE(Shown(m), (TShown{-1, 0, 0}));
        QCOMPARE(m.wpIndex, 0); // the wheel turned, though there is nothing to show
    }

    // A picture that cannot be read is passed over: the next tick goes on after it, so every
    // wheel still comes round to its carry.
    void anUnreadablePictureDoesNotStopItsWheel() {
        const VLMAT::TEnglish english; // the messages as the code writes them
        QTemporaryDir folder;
        const QString bad = folder.filePath(QStringLiteral("NBGFILE1.ALL"));
        VLMAT::WriteBackGrounds(bad, {11, 12, 13}, {12});
        TForms f;
        TmainForm& m = *f.form;
        VLMAT::Open(m.openBackGroundMenu, bad);
        VLMAT::Open(m.openCharacterMenu, characters);
        m.PictureChosen(VLM::TLayerKind::BackGround, 11);
        m.PictureChosen(VLM::TLayerKind::Character, 151);
        m.autoPlayTimer();
        QCOMPARE(Shown(m), (TShown{-1, -1, 0}));
        QVERIFY(m.statusLine->text().startsWith(QStringLiteral("NBGFILE1.ALL, picture 12: ")));
        m.PictureChosen(VLM::TLayerKind::Character, 6);
        m.autoPlayTimer(); // no record lies at or after character 7's table offset
        QCOMPARE(Shown(m), (TShown{-1, -1, -1}));
        m.PictureChosen(VLM::TLayerKind::Character, 151);
        m.autoPlayTimer();
        QCOMPARE(Shown(m), (TShown{-1, 13, 0}));
    }

    void offAndOnAgainResumesFromTheCurrentPictures() {
        TForms f;
        TmainForm& m = *f.form;
        VLMAT::Open(m.openWallPaperMenu, wallPapers);
        m.autoPlayMenu->trigger();
        m.autoPlayTimer();
        m.autoPlayTimer();
        m.autoPlayMenu->trigger(); // off
        QCOMPARE(Shown(m).wp, 2);
        m.nextWallPaperMenu->trigger(); // other commands move the same wheels
        m.autoPlayMenu->trigger();      // on again
        QCOMPARE(m.timer->interval(), 100);
        m.autoPlayTimer();
        QCOMPARE(Shown(m).wp, 4);
        m.autoPlayMenu->trigger();
    }

    void versionBoxText() {
        const QString text = TmainForm::VersionText();
        QCOMPARE(text, QStringLiteral("Velmora Viewer\n\r\n\rVersion: 1.04\n\r\n\r"
                                      "   (Jul 16 1999    18:46:11)\n\r\n\r"
                                      "e-mail:  velmora-viewer@users.noreply.invalid"));
        QCOMPARE(text.count(QStringLiteral("\n\r")), 6);
        QVERIFY(!text.endsWith(QLatin1Char('\r')));

        TForms f;
        VLMAT::TBoxLog log;
        f.form->versionMenu->trigger();
        QCOMPARE(log.boxes.size(), size_t{1});
        QCOMPARE(log.boxes[0].kind, QStringLiteral("message"));
        QCOMPARE(log.boxes[0].caption, QStringLiteral("Velmora Viewer"));
        QCOMPARE(log.boxes[0].text, text);
    }
};

VLMAT_MAIN(TestAutoPlay)
#include "autoplay_test.moc"
