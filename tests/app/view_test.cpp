// The main window's view: zoom steps with crisp blocks, integer scaling, full screen, the plain
// keys and where they do not act, the pixel under the mouse, and the view of the last session.
#include "apptest.h"

#include "picturelistfm.h"
#include "qtcanvas.h"
#include "settings.h"
#include "vlmbitmap.h"
#include "zoom.h"

#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStatusBar>

using VLMAT::TForms;

namespace {

// Every client pixel shows the picture pixel under it, scaled by n into dest.
bool ShowsBlocks(const TmainForm& m, int n, const VLM::TRect& dest) {
    const VLM::TPicture& picture = m.screen->GetOffscreen();
    const QImage source = QImage(reinterpret_cast<const uchar*>(picture.ScanLine(0)), 320, 224, 640,
                                 QImage::Format_RGB555)
                              .convertToFormat(QImage::Format_RGB32);
    const QImage& shown = m.ClientArea()->Backing();
    for (int y = std::max(0, dest.top); y < std::min(shown.height(), dest.bottom); ++y)
        for (int x = std::max(0, dest.left); x < std::min(shown.width(), dest.right); ++x)
            if (shown.pixel(x, y) != source.pixel((x - dest.left) / n, (y - dest.top) / n))
                return false;
    return true;
}

// The tools window comes up with the main window and takes the keyboard; give it back.
bool ShowActive(TmainForm& m) {
    m.show();
    m.activateWindow();
    return QTest::qWaitForWindowActive(&m);
}

void Hover(TmainForm& m, const QPoint& at) {
    QMouseEvent move(QEvent::MouseMove, at, m.ClientArea()->mapToGlobal(at), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m.ClientArea(), &move);
}

} // namespace

class TestView : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString pattern, eyeCatch, backGrounds, characters;

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        pattern = dir.filePath(QStringLiteral("WPALL2.ALL"));
        VLMW::TWallPaperEntry entry;
        entry.picture = VLMW::PatternPicture(320, 224, 5);
        VLMW::WallPaperArchive({entry}).Save(VLMQ::ToHostName(pattern));
        eyeCatch = dir.filePath(QStringLiteral("EYECATCH.ALL"));
        VLMAT::WriteWallPapers(eyeCatch, 22);
        backGrounds = dir.filePath(QStringLiteral("NBGFILE1.ALL"));
        VLMAT::WriteBackGrounds(backGrounds, {0, 1, 499});
        characters = dir.filePath(QStringLiteral("NCDAT.ALL"));
        VLMAT::WriteCharacters(characters, {{0, VLMAT::GroupRecord(0, {})},
                                            {1, VLMAT::GroupRecord(1, {})},
                                            {151, VLMAT::GroupRecord(151, {})}});
    }

    void init() { VLMQ::OpenSettings()->clear(); }

    // Steps: + Ctrl++, = Ctrl+=, - Ctrl+-, 0 Ctrl+0, z Ctrl+Z, w / v half a wheel notch up /
    // down with Ctrl.
    void zoomStepsShowEveryPixelAsABlock_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("factor");
        QTest::newRow("Ctrl+Z: 2x, then 1x again") << "zz" << 1;
        QTest::newRow("Ctrl++ twice") << "++" << 3;
        QTest::newRow("Ctrl+= as Ctrl++") << "=" << 2;
        QTest::newRow("not below 1x") << "--" << 1;
        QTest::newRow("not above 8x") << "+++++++++" << 8;
        QTest::newRow("Ctrl+Z from 3x goes to 2x") << "++z" << 2;
        QTest::newRow("Ctrl+0 from 5x") << "++++0" << 1;
        QTest::newRow("half notches add up") << "wwwv" << 2;
    }

    void zoomStepsShowEveryPixelAsABlock() {
        QFETCH(QString, steps);
        QFETCH(int, factor);
        TForms f;
        TmainForm& m = *f.form;
        QVERIFY(ShowActive(m));
        VLMAT::Open(m.openWallPaperMenu, pattern);
        const Qt::Key keys[] = {Qt::Key_Plus, Qt::Key_Equal, Qt::Key_Minus, Qt::Key_0, Qt::Key_Z};
        for (QChar step : steps) {
            if (const qsizetype k = QStringLiteral("+=-0z").indexOf(step); k >= 0) {
                QTest::keyClick(&m, keys[k], Qt::ControlModifier);
                continue;
            }
            const QPoint at(10, 10), delta(0, step == 'w' ? 60 : -60);
            QWheelEvent wheel(at, m.ClientArea()->mapToGlobal(at), QPoint(), delta, Qt::NoButton,
                              Qt::ControlModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(m.ClientArea(), &wheel);
        }
        QCOMPARE(m.ZoomFactor(), factor);
        QCOMPARE(m.zoomMenu->isChecked(), factor == 2);
        QTRY_COMPARE(m.ClientArea()->size(), QSize(320 * factor, 224 * factor));
        QVERIFY(ShowsBlocks(m, factor, m.screen->destRect));
    }

    // Integer scaling in a client area of any size, then full screen (which Esc leaves): the
    // largest whole multiple that fits, centred on black.
    void wholeMultiplesCentredOnBlack() {
        TForms f;
        TmainForm& m = *f.form;
        QVERIFY(ShowActive(m));
        VLMAT::Open(m.openWallPaperMenu, pattern);
        QVERIFY(!m.integerScaleMenu->isChecked());
        m.integerScaleMenu->trigger();
        const std::pair<QSize, QRect> cases[] = {
            {{700, 500}, {30, 26, 640, 448}},
            {{1000, 460}, {180, 6, 640, 448}},
            {{320, 224}, {0, 0, 320, 224}},
            {{300, 200}, {-10, -12, 320, 224}}, // cut evenly
        };
        for (const auto& [client, picture] : cases) {
            m.SetClientSize(client.width(), client.height());
            QTRY_COMPARE(m.ClientArea()->size(), client);
            const VLM::TRect d = m.screen->destRect;
            QCOMPARE(QRect(d.left, d.top, d.right - d.left, d.bottom - d.top), picture);
            QVERIFY(ShowsBlocks(m, picture.width() / 320, d));
            if (picture.left() > 0)
                QCOMPARE(m.ClientArea()->Backing().pixel(picture.left() - 1, picture.top()),
                         qRgb(0, 0, 0));
        }
        m.integerScaleMenu->trigger(); // back to the stretch
        QCOMPARE(m.screen->destRect.right, 300);

        // A menu opened and closed from the keyboard leaves the menu bar with the keyboard.
        QTest::keyClick(&m, Qt::Key_V, Qt::AltModifier);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QTest::keyClick(&m, Qt::Key_F11);
        QVERIFY(m.isFullScreen() && m.fullScreenMenu->isChecked());
        QVERIFY(!m.menuBar()->isVisible() && !m.statusBar()->isVisible());
        QTRY_COMPARE(m.ClientArea()->size(), m.size());
        const VLM::TRect fit = VLMQ::IntegerFit(m.size()), d = m.screen->destRect;
        QCOMPARE(QRect(d.left, d.top, d.right, d.bottom),
                 QRect(fit.left, fit.top, fit.right, fit.bottom));
        QTest::keyClick(&m, Qt::Key_N, Qt::ControlModifier); // no menu bar, the keys still work
        QCOMPARE(m.chIndex, 0);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!m.isFullScreen() && !m.fullScreenMenu->isChecked());
        QVERIFY(m.menuBar()->isVisible() && m.statusBar()->isVisible());
        QTRY_COMPARE(m.ClientArea()->size(), QSize(300, 200));
    }

    // Where the keyboard is, and whether a key without Ctrl steps there.
    void plainKeysStepOnlyInTheMainWindow_data() {
        QTest::addColumn<int>("where"); // 0 main window, 1 a tools list, 2 a picture list
        QTest::addColumn<int>("key");
        QTest::addColumn<QList<int>>("shown"); // wallpaper, background, character after the key
        QTest::newRow("Right") << 0 << int(Qt::Key_Right) << QList<int>{0, 0, 1};
        QTest::newRow("Left") << 0 << int(Qt::Key_Left) << QList<int>{0, 0, 151};
        QTest::newRow("Down") << 0 << int(Qt::Key_Down) << QList<int>{0, 1, 0};
        QTest::newRow("Up") << 0 << int(Qt::Key_Up) << QList<int>{0, 499, 0};
        QTest::newRow("Page Down") << 0 << int(Qt::Key_PageDown) << QList<int>{1, 0, 0};
        QTest::newRow("Page Up") << 0 << int(Qt::Key_PageUp) << QList<int>{21, 0, 0};
        QTest::newRow("Right in the tools window")
            << 1 << int(Qt::Key_Right) << QList<int>{0, 0, 0};
        QTest::newRow("Page Down in the tools window")
            << 1 << int(Qt::Key_PageDown) << QList<int>{0, 0, 1};
        QTest::newRow("Right in a picture list") << 2 << int(Qt::Key_Right) << QList<int>{0, 0, 0};
    }

    void plainKeysStepOnlyInTheMainWindow() {
        QFETCH(int, where);
        QFETCH(int, key);
        QFETCH(QList<int>, shown);
        TForms f;
        TmainForm& m = *f.form;
        QVERIFY(ShowActive(m));
        m.OpenFiles({eyeCatch, backGrounds, characters});
        m.screen->DrawWallPaper(1); // Home brings it back
        QTest::keyClick(&m, Qt::Key_Home);
        QWidget* focus = &m;
        // The character list: its own Page Down shows the next character, the key's command
        // in the main window the next wallpaper.
        if (where == 1) focus = f.tools->combos[2];
        if (where == 2) {
            m.pictureListMenus[1]->trigger();
            focus = m.pictureLists[1]->List();
        }
        focus->window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(focus->window()));
        focus->setFocus();
        QTest::keyClick(focus, Qt::Key(key));
        QCOMPARE((QList<int>{m.screen->getwp(), m.screen->getbg(), m.screen->getch()}), shown);
    }

    void theStatusLineTellsThePixelUnderTheMouse() {
        const VLMAT::TEnglish english; // the messages as the code writes them
        TForms f;
        TmainForm& m = *f.form;
        m.show();
        m.OpenFiles({backGrounds});
        Hover(m, QPoint(3, 4));
        QVERIFY(m.statusLine->text().startsWith(QStringLiteral("(3, 4) nothing  |  ")));
        m.OpenFiles({eyeCatch, characters});
        // Numbered pictures paint palette entry 1.
        const auto expected = [](const char* at, const char* layer, int number) {
            const QRgb v = VLMAT::NumberShown(number);
            const int c = qRed(v) >> 3 << 10 | qGreen(v) >> 3 << 5 | qBlue(v) >> 3;
            return QStringLiteral("%1 %2, index 1, 0x%3 = RGB(%4,%5,%6)")
                .arg(QLatin1String(at), QLatin1String(layer),
                     QString::number(c, 16).toUpper().rightJustified(4, QLatin1Char('0')))
                .arg(qRed(v))
                .arg(qGreen(v))
                .arg(qBlue(v));
        };
        // 1x, then 2x, then integer scaling in a wider client area: (30, 26) is pixel (0, 0).
        const struct {
            int zoom;
            bool integer;
            QPoint at;
            QString text;
        } cases[] = {
            {1, false, {2, 2}, expected("(2, 2)", "wallpaper", 0)},
            {2, false, {41, 17}, expected("(20, 8)", "background", 1000)},
            {2, false, {41, 29}, expected("(20, 14)", "character element 0", 2000)},
            {2, true, {30, 26}, expected("(0, 0)", "wallpaper", 0)},
            {2, true, {29, 26}, QString()}, // the black around the picture
        };
        for (const auto& c : cases) {
            m.SetZoom(c.zoom);
            if (c.integer) {
                if (!m.integerScaleMenu->isChecked()) m.integerScaleMenu->trigger();
                m.SetClientSize(700, 500);
            }
            QTRY_COMPARE(m.ClientArea()->width(), c.integer ? 700 : 320 * c.zoom);
            Hover(m, c.at);
            const QString first = m.statusLine->text().section(QStringLiteral("  |  "), 0, 0);
            if (c.text.isEmpty())
                QVERIFY(!first.startsWith(QLatin1Char('(')));
            else
                QCOMPARE(first, c.text);
        }
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(m.ClientArea(), &leave);
        QVERIFY(!m.statusLine->text().contains(QLatin1Char('(')));
    }

    void theViewOfTheLastSessionComesBackButNotItsArchives() {
        const QPoint toolsAt(50, 60);
        {
            TForms f;
            TmainForm& m = *f.form;
            m.RestoreView(); // nothing saved: the first start's view
            m.show();
            QVERIFY(f.tools->isVisible());
            QCOMPARE(m.ZoomFactor(), 1);
            m.OpenFiles({eyeCatch});
            m.SetZoom(3);
            m.integerScaleMenu->trigger();
            QTRY_COMPARE(m.ClientArea()->size(), QSize(960, 672));
            f.tools->Place(toolsAt, toolsAt, true); // as if the user had put it there
            m.toolsMenu->trigger();
            m.close();
        }
        TForms f;
        TmainForm& m = *f.form;
        m.RestoreView();
        m.show();
        QCOMPARE(m.ZoomFactor(), 3);
        QVERIFY(m.integerScaleMenu->isChecked());
        QTRY_COMPARE(m.ClientArea()->size(), QSize(960, 672));
        QVERIFY(!f.tools->isVisible());
        QVERIFY(!m.toolsMenu->isChecked());
        QCOMPARE(m.windowTitle(), QStringLiteral("Velmora Viewer -/0 -/0 -/0"));
        m.toolsMenu->trigger();
        QTRY_COMPARE(f.tools->geometry().topLeft(), toolsAt);
        QVERIFY(f.tools->MovedByUser());
        // Kept where the user put it, but on the screen as a whole: screens change between runs.
        const QRect area = m.QWidget::screen()->availableGeometry();
        f.tools->Place(QPoint(area.right() - 10, 60), QPoint(area.right() - 10, 60), true);
        m.close();
        TForms again;
        again.form->RestoreView();
        again.form->show();
        QTRY_VERIFY(again.tools->isVisible());
        QVERIFY(area.contains(again.tools->frameGeometry()));
        QCOMPARE(again.tools->geometry().top(), 60);
    }
};

VLMAT_MAIN(TestView)
#include "view_test.moc"
