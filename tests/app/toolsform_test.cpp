// The tools window: construction layout, archive lines and picture rows, element groups, the
// handlers (raised by a user's choice only, told as signals), sizing and placement.
#include "apptest.h"

#include "qtcanvas.h"
#include "vlmnames.h"
#include "vlmscreen.h"

#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QWindow>

using VLMAT::BaseRect;
using VLMAT::TForms;
using VLMAT::TRects;

namespace {

QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

QStringList Rows(const QListView& box) {
    QStringList rows;
    for (int i = 0; i < box.model()->rowCount(); ++i)
        rows << box.model()->index(i, 0).data().toString();
    return rows;
}

QStringList SelectedRows(const QListView& box) {
    QStringList rows;
    for (const QModelIndex& index : box.selectionModel()->selectedIndexes())
        rows << index.data().toString();
    return rows;
}

// Shown group lists: their rows, in group order.
QList<QStringList> VisibleGroups(const TtoolsForm& tools) {
    QList<QStringList> groups;
    for (const QListView* box : tools.boxes)
        if (!box->isHidden()) groups << Rows(*box);
    return groups;
}

// As a person picks a row of a drop-down list.
void Pick(QComboBox& combo, int row) {
    combo.setCurrentIndex(row);
    emit combo.activated(row);
}

// As a person clicks a row of a list.
void Click(QListView& box, int row) {
    const QRect r = box.visualRect(box.model()->index(row, 0));
    QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, r.center());
}

} // namespace

class TestToolsForm : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString eyeCatch, characters;
    // Where the records of 65,535 one-pixel elements lie: the last table offset, with room after
    // it.
    static constexpr int HostileEntry = 107;

    // Characters by index: 0 a base and an alternative for it plus an element of its own;
    // 1 equal rectangles apart; 2 five groups; 3 two groups; 4 many groups in a row.
    void WriteCharacterArchive() {
        const std::array<int, 4> a{8, 8, 8, 8}, b{16, 24, 16, 8};
        std::map<int, VLMW::TCharRecord> records;
        records[0] = VLMAT::GroupRecord(0, {BaseRect, a});
        records[1] = VLMAT::GroupRecord(1, {a, b, a});
        records[2] = VLMAT::GroupRecord(2, {a, a, b, {0, 0, 4, 4}, {60, 2, 4, 4}, {60, 2, 4, 4}});
        records[3] = VLMAT::GroupRecord(3, {a, a, a});
        TRects many;
        for (int i = 0; i < 60; ++i)
            many.push_back({i, i, 2, 2});
        records[4] = VLMAT::GroupRecord(4, many);
        VLMAT::WriteCharacters(characters, records);
    }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        eyeCatch = dir.filePath(QStringLiteral("EYECATCH.ALL"));
        VLMAT::WriteWallPapers(eyeCatch, 22);
        characters = dir.filePath(QStringLiteral("NCDAT.ALL"));
        WriteCharacterArchive();
        for (bool onePixel : {false, true}) {
            const QString folder = QString::fromLatin1(onePixel ? "onepixel" : "apart");
            QVERIFY(QDir(dir.path()).mkdir(folder));
            VLMAT::WriteCharacters(dir.filePath(folder + "/NCDAT.ALL"),
                                   {{HostileEntry, VLMAT::OnePixelRecord(65535, onePixel)}});
        }
    }

    void constructionPlacesTheControls() {
        TtoolsForm tools;
        QCOMPARE(tools.windowTitle(), QStringLiteral("Velmora Tools"));
        const QFontMetrics metrics(tools.font());
        const char* captions[3] = {"壁紙を開く", "背景を開く", "キャラを開く"};
        int x = 4;
        for (int k = 0; k < 3; ++k) {
            QPushButton& button = *tools.buttons[k];
            QCOMPARE(button.text(), Utf8(captions[k]));
            QCOMPARE(button.geometry(),
                     QRect(x, 4, metrics.horizontalAdvance(Utf8(captions[k])) + 8, 25));
            x += button.width() + 4;
        }
        int y = 4 + 25 + 4;
        for (int k = 0; k < 3; ++k) {
            QCOMPARE(tools.labels[k]->text(), QStringLiteral(" "));
            QCOMPARE(tools.labels[k]->pos(), QPoint(4, y));
            QCOMPARE(tools.labels[k]->buddy(), tools.combos[k]);
            y += tools.labels[k]->height();
            QComboBox& combo = *tools.combos[k];
            QCOMPARE(combo.pos(), QPoint(4, y));
            QCOMPARE(combo.width(), 32 * metrics.horizontalAdvance(QLatin1Char('X')));
            QVERIFY(!combo.isEditable());
            QCOMPARE(combo.maxVisibleItems(), 16);
            QCOMPARE(combo.count(), 0);
            QVERIFY(combo.isEnabled());
            y += combo.height();
        }
        QCOMPARE(tools.height(), y + 4);
        QVERIFY(tools.boxes.empty());
        QVERIFY(tools.caps.empty());
        // The window alone owns its controls.
        for (int k = 0; k < 3; ++k)
            for (QWidget* control :
                 {static_cast<QWidget*>(tools.buttons[k]), static_cast<QWidget*>(tools.labels[k]),
                  static_cast<QWidget*>(tools.combos[k])})
                QCOMPARE(control->parentWidget(), &tools);
    }

    void withoutACompositorNothingChanges() {
        TtoolsForm tools;
        const QSize size = tools.size();
        tools.UpdateControls();
        QCOMPARE(tools.labels[0]->text(), QStringLiteral(" "));
        QVERIFY(tools.combos[0]->isEnabled());
        QCOMPARE(tools.size(), size);
    }

    void nothingLoaded() {
        TForms f;
        TtoolsForm& t = *f.tools;
        t.UpdateControls();
        const char* lines[3] = {"壁紙(&W): (none)", "背景(&G): (none)", "キャラ(&C): (none)"};
        for (int k = 0; k < 3; ++k) {
            QCOMPARE(t.labels[k]->text(), Utf8(lines[k]));
            QCOMPARE(t.combos[k]->count(), 0);
            QVERIFY(!t.combos[k]->isEnabled());
            QCOMPARE(t.combos[k]->currentIndex(), -1);
        }
        QVERIFY(t.boxes.empty());
        const QComboBox& last = *t.combos[2];
        QCOMPARE(t.width(), last.x() + last.width() + 4);
        QCOMPARE(t.height(), last.y() + last.height() + 4);
    }

    void pictureRowsNumberEveryPicture() {
        TForms f;
        VLMAT::Open(f.form->openWallPaperMenu, eyeCatch);
        f.form->UpdateCaption();
        QComboBox& combo = *f.tools->combos[0];
        QCOMPARE(f.tools->labels[0]->text(), Utf8("壁紙(&W): ") + eyeCatch);
        QCOMPARE(combo.count(), 22);
        QVERIFY(combo.isEnabled());
        QCOMPARE(combo.itemText(0),
                 QStringLiteral("0: ") + VLMQ::FromCp932(VLM::EyeCatchNames[0].name));
        QVERIFY(combo.itemText(10).startsWith(QStringLiteral("10: ")));
        QCOMPARE(combo.currentIndex(), 0);
        f.form->nextWallPaperMenu->trigger();
        QCOMPARE(combo.currentIndex(), 1);
    }

    void listsAreRefilledOnlyForAnotherArchive() {
        TForms f;
        VLMAT::Open(f.form->openWallPaperMenu, eyeCatch);
        f.form->UpdateCaption();
        QComboBox& combo = *f.tools->combos[0];
        combo.setItemData(3, QStringLiteral("mark"));
        f.form->nextWallPaperMenu->trigger();
        VLMAT::Open(f.form->openWallPaperMenu, eyeCatch); // the same path again
        f.form->UpdateCaption();
        QCOMPARE(combo.itemData(3).toString(), QStringLiteral("mark"));

        QTemporaryDir other;
        const QString copy = other.filePath(QStringLiteral("eyecatch.all"));
        QVERIFY(QFile::copy(eyeCatch, copy));
        VLMAT::Open(f.form->openWallPaperMenu, copy);
        f.form->UpdateCaption();
        QVERIFY(!combo.itemData(3).isValid());
        QCOMPARE(combo.count(), 22);
    }

    void elementRows_data() {
        QTest::addColumn<int>("element");
        QTest::addColumn<QString>("row");
        QTest::newRow("0") << 0 << "00";
        QTest::newRow("7") << 7 << "07";
        QTest::newRow("12") << 12 << "12";
        QTest::newRow("123") << 123 << "123";
    }

    void elementRows() {
        QFETCH(int, element);
        QFETCH(QString, row);
        QCOMPARE(TtoolsForm::ElementRow(element), row);
    }

    void leadingNumbers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("number");
        QTest::newRow("row") << "12: name" << 12;
        QTest::newRow("blanks and sign") << "  +7:x" << 7;
        QTest::newRow("negative") << "-3: x" << -3;
        QTest::newRow("no digits") << ": x" << 0;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("huge") << "99999999999999" << 2147483647;
    }

    void leadingNumbers() {
        QFETCH(QString, text);
        QFETCH(int, number);
        QCOMPARE(TtoolsForm::LeadingNumber(text), number);
    }

    void neighboursWithOneRectangleFormAGroup() {
        TForms f;
        VLMAT::Open(f.form->openCharacterMenu, characters);
        TtoolsForm& t = *f.tools;
        QCOMPARE(VisibleGroups(t), (QList<QStringList>{{"00", "01"}, {"02"}}));
        QCOMPARE(t.caps[0]->text(), QStringLiteral("&0. (4,6)"));
        QCOMPARE(t.caps[1]->text(), QStringLiteral("&1. (8,8)"));
        QVERIFY(t.boxes[0]->isEnabled());
        QVERIFY(!t.boxes[1]->isEnabled());
        QCOMPARE(SelectedRows(*t.boxes[0]), QStringList{"00"});
        QCOMPARE(SelectedRows(*t.boxes[1]), QStringList{"02"});
        QCOMPARE(t.caps[0]->buddy(), t.boxes[0]);
        // Side by side under the third drop-down list, each as wide as its caption.
        const QComboBox& last = *t.combos[2];
        QCOMPARE(t.caps[0]->pos(), QPoint(4, last.y() + last.height()));
        QCOMPARE(t.boxes[0]->pos(), QPoint(4, t.caps[0]->y() + t.caps[0]->height()));
        QCOMPARE(t.boxes[0]->width(), t.caps[0]->width());
        QCOMPARE(t.caps[1]->x(), 4 + t.boxes[0]->width() + 4);
        QCOMPARE(t.boxes[0]->height(), 10 * QFontMetrics(t.font()).height());
        QCOMPARE(t.height(), t.boxes[0]->y() + t.boxes[0]->height() + 4);
    }

    void equalRectanglesApartAreSeparateGroups() {
        TForms f;
        VLMAT::Open(f.form->openCharacterMenu, characters);
        f.form->screen->DrawCharacter(1);
        f.form->UpdateCaption();
        QCOMPARE(VisibleGroups(*f.tools), (QList<QStringList>{{"00"}, {"01"}, {"02"}, {"03"}}));
    }

    void choosingAnElementSwapsIt() {
        TForms f;
        f.tools->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.tools.get()));
        VLMAT::Open(f.form->openCharacterMenu, characters);
        f.form->screen->DrawCharacter(3); // group 1 holds elements 1, 2 and 3
        f.form->UpdateCaption();
        QListView& group = *f.tools->boxes[1];
        QCOMPARE(Rows(group), (QStringList{"01", "02", "03"}));
        QCOMPARE(f.form->screen->shownElements, (std::vector<int32_t>{0, 1}));
        Click(group, 2);
        QCOMPARE(f.form->screen->shownElements, (std::vector<int32_t>{0, 3}));
        Click(group, 0);
        QCOMPARE(f.form->screen->shownElements, (std::vector<int32_t>{0, 1}));

        // Character 0: elements 0 and 1 share the base's rectangle; the row "00" does nothing.
        f.form->screen->DrawCharacter(0);
        f.form->UpdateCaption();
        QListView& base = *f.tools->boxes[0];
        Click(base, 1);
        QCOMPARE(f.form->screen->shownElements, (std::vector<int32_t>{2, 1}));
        Click(base, 0);
        QCOMPARE(f.form->screen->shownElements, (std::vector<int32_t>{2, 1}));
    }

    void settingRowsFromTheProgramRaisesNothing() {
        TForms f;
        VLMAT::Open(f.form->openWallPaperMenu, eyeCatch);
        VLMAT::Open(f.form->openCharacterMenu, characters);
        TtoolsForm& t = *f.tools;
        QSignalSpy picked(t.combos[0], &QComboBox::activated);
        QSignalSpy changed(t.combos[0], &QComboBox::currentIndexChanged);
        // A choice of this window's is told by these signals alone.
        QSignalSpy pictures(&t, &TtoolsForm::pictureChosen);
        QSignalSpy elements(&t, &TtoolsForm::elementChosen);
        f.form->nextWallPaperMenu->trigger();
        f.form->screen->DrawCharacter(2);
        f.form->UpdateCaption();
        f.form->screen->DrawCharacter(0);
        f.form->UpdateCaption();
        QCOMPARE(t.combos[0]->currentIndex(), 1);
        QCOMPARE(picked.count(), 0);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(pictures.count(), 0);
        QCOMPARE(elements.count(), 0);
    }

    void pickingARowShowsThePictureItNames() {
        TForms f;
        VLMAT::Open(f.form->openWallPaperMenu, eyeCatch);
        f.form->UpdateCaption();
        QComboBox& combo = *f.tools->combos[0];
        Pick(combo, 5);
        QCOMPARE(f.form->screen->getwp(), 5);
        QCOMPARE(f.form->windowTitle(), QStringLiteral("Velmora Viewer 5/22 -/0 -/0"));
        QCOMPARE(combo.currentIndex(), 5);

        // The number comes from the row's text, not from its place.
        combo.setItemText(6, QStringLiteral("9: renamed"));
        Pick(combo, 6);
        QCOMPARE(f.form->screen->getwp(), 9);
        combo.setItemText(2, QStringLiteral("-3: negative"));
        combo.setItemText(3, QStringLiteral("22: past the end"));
        Pick(combo, 2);
        Pick(combo, 3);
        QCOMPARE(f.form->screen->getwp(), 9);
        // Another list's choice is not this handler's business.
        f.tools->wallPaperBoxChange(f.tools->combos[1]);
        QCOMPARE(f.form->screen->getwp(), 9);
    }

    void groupListsAreHiddenButKept() {
        TForms f;
        VLMAT::Open(f.form->openCharacterMenu, characters);
        f.form->screen->DrawCharacter(2);
        f.form->UpdateCaption();
        TtoolsForm& t = *f.tools;
        QCOMPARE(VisibleGroups(t),
                 (QList<QStringList>{{"00"}, {"01", "02"}, {"03"}, {"04"}, {"05", "06"}}));
        const std::vector<QListView*> lists = t.boxes;

        f.form->screen->DrawCharacter(3);
        f.form->UpdateCaption();
        QCOMPARE(t.boxes.size(), size_t{5});
        QCOMPARE(t.caps.size(), size_t{5});
        QCOMPARE(VisibleGroups(t), (QList<QStringList>{{"00"}, {"01", "02", "03"}}));
        for (size_t g = 2; g < 5; ++g)
            QVERIFY(t.boxes[g]->isHidden() && t.caps[g]->isHidden());

        f.form->screen->DrawCharacter(2);
        f.form->UpdateCaption();
        QCOMPARE(t.boxes.size(), size_t{5});
        for (size_t g = 0; g < 5; ++g) {
            QCOMPARE(t.boxes[g], lists[g]);
            QVERIFY(!t.boxes[g]->isHidden() && !t.caps[g]->isHidden());
        }
    }

    void commonWidthNeverShrinks() {
        QTemporaryDir deep;
        const QString folder = deep.filePath(QStringLiteral("a/rather/long/folder/name/for/the/"
                                                            "archives/of/the/game/disc"));
        QVERIFY(QDir().mkpath(folder));
        const QString longPath = folder + QStringLiteral("/EYECATCH.ALL");
        QVERIFY(QFile::copy(eyeCatch, longPath));
        TForms f;
        TtoolsForm& t = *f.tools;
        VLMAT::Open(f.form->openWallPaperMenu, longPath);
        f.form->UpdateCaption();
        const int wide = t.combos[0]->width();
        QVERIFY(wide > 32 * QFontMetrics(t.font()).horizontalAdvance(QLatin1Char('X')));
        for (int k = 0; k < 3; ++k) {
            QCOMPARE(t.labels[k]->width(), wide);
            QCOMPARE(t.combos[k]->width(), wide);
        }
        VLMAT::Open(f.form->openWallPaperMenu, eyeCatch);
        f.form->UpdateCaption();
        QCOMPARE(t.combos[0]->width(), wide);
        QCOMPARE(t.labels[0]->width(), wide);
    }

    // Rows of groups wider than the display: the window keeps its width, and lists are made
    // only for the groups that can come into view.
    void clientSizeStopsShortOfTheDisplay_data() {
        QTest::addColumn<QString>("archive");
        QTest::addColumn<int>("character");
        QTest::addColumn<int>("groups");
        QTest::newRow("61 groups") << "" << 4 << 61;
        QTest::newRow("65,535 one-pixel elements apart") << "apart" << HostileEntry << 65535;
    }

    void clientSizeStopsShortOfTheDisplay() {
        QFETCH(QString, archive);
        QFETCH(int, character);
        QFETCH(int, groups);
        TForms f;
        TtoolsForm& t = *f.tools;
        VLMAT::Open(f.form->openCharacterMenu,
                    archive.isEmpty() ? characters : dir.filePath(archive + "/NCDAT.ALL"));
        const QSize before = t.size();
        f.form->PictureChosen(VLM::TLayerKind::Character, character);
        QCOMPARE(f.form->screen->getch(), character);
        QCOMPARE(t.GroupCount(), groups);
        const int display = t.QWidget::screen()->size().width();
        QVERIFY(t.boxes.size() < size_t(groups));
        // The next group would have started past the display's edge.
        const QListView& last = *t.boxes.back();
        QVERIFY(last.x() < display && last.x() + last.width() + 4 >= display);
        QCOMPARE(t.width(), before.width());
        QCOMPARE(t.height(), t.boxes[0]->y() + t.boxes[0]->height() + 4);
        QCOMPARE(SelectedRows(*t.boxes[1]), QStringList{"01"});
    }

    void oneGroupOfManyElementsIsOneList() {
        TForms f;
        TtoolsForm& t = *f.tools;
        t.show();
        QVERIFY(QTest::qWaitForWindowExposed(&t));
        VLMAT::Open(f.form->openCharacterMenu, dir.filePath("onepixel/NCDAT.ALL"));
        f.form->PictureChosen(VLM::TLayerKind::Character, HostileEntry);
        QCOMPARE(VisibleGroups(t).size(), 1);
        QListView& group = *t.boxes[0];
        QCOMPARE(group.model()->rowCount(), 65535);
        QCOMPARE(group.model()->index(65534, 0).data().toString(), QStringLiteral("65534"));
        QCOMPARE(SelectedRows(group), QStringList{"00"});
        Click(group, 1);
        QCOMPARE(f.form->screen->shownElements, (std::vector<int32_t>{1}));
        QCOMPARE(SelectedRows(group), QStringList{"01"});
    }

    // The window only reads the compositor: picking a picture or an element, or pressing an
    // open button, is told to whoever listens and changes nothing by itself.
    void choicesAreToldAsSignals() {
        VLM::TScreen screen;
        screen.putwpfn(VLMQ::ToHostName(eyeCatch));
        screen.putchfn(VLMQ::ToHostName(characters));
        screen.DrawWallPaper(0);
        screen.DrawCharacter(3);
        TtoolsForm t;
        t.screen = &screen;
        t.UpdateControls();
        QSignalSpy opened(&t, &TtoolsForm::openRequested);
        QSignalSpy pictures(&t, &TtoolsForm::pictureChosen);
        QSignalSpy elements(&t, &TtoolsForm::elementChosen);
        t.show();
        QVERIFY(QTest::qWaitForWindowExposed(&t));
        Pick(*t.combos[0], 7);
        t.buttons[1]->click();
        Click(*t.boxes[1], 2);
        using TCalls = QList<QList<QVariant>>;
        const auto layer = [](VLM::TLayerKind kind) { return QVariant::fromValue(kind); };
        QCOMPARE(TCalls(pictures), (TCalls{{layer(VLM::TLayerKind::WallPaper), 7}}));
        QCOMPARE(TCalls(opened), (TCalls{{layer(VLM::TLayerKind::BackGround)}}));
        QCOMPARE(TCalls(elements), (TCalls{{3}}));
        QCOMPARE(screen.getwp(), 0);
        QCOMPARE(screen.shownElements, (std::vector<int32_t>{0, 1}));
    }

    void unreadablePictureRowIsMarked() {
        const VLMAT::TEnglish english; // the messages as the code writes them
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("NBGFILE1.ALL"));
        VLMAT::WriteBackGrounds(path, {11, 12, 13}, {12});
        TForms f;
        TtoolsForm& t = *f.tools;
        VLMAT::Open(f.form->openBackGroundMenu, path);
        f.form->PictureChosen(VLM::TLayerKind::BackGround, 11);
        QComboBox& combo = *t.combos[1];
        const QString plain = combo.itemText(12);
        f.form->nextBackGroundMenu->trigger(); // 12
        // The archive stays named and its rows stay; the row tried is chosen and says why.
        QCOMPARE(t.labels[1]->text(), QStringLiteral("Back&ground: ") + path);
        QCOMPARE(combo.count(), 500);
        QCOMPARE(combo.currentText(),
                 plain + QStringLiteral(" - not shown: header field out of range"));
        QVERIFY(!combo.itemIcon(12).isNull());
        f.form->nextBackGroundMenu->trigger(); // 13: the mark on 12 stays, 13 is plain
        QCOMPARE(combo.currentIndex(), 13);
        QVERIFY(combo.itemText(12) != plain && combo.itemIcon(13).isNull());

        // Readable after all (the file was mended): the mark goes.
        VLMAT::WriteBackGrounds(path, {11, 12, 13});
        f.form->PictureChosen(VLM::TLayerKind::BackGround, 12);
        QCOMPARE(combo.itemText(12), plain);
        QVERIFY(combo.itemIcon(12).isNull());
    }

    void openButtonsRunTheMainWindowsCommands() {
        TForms f;
        const QString expected[3] = {
            QStringLiteral("EYE files(wpall1.all;wpall2.all;wpall3.all;eyecatch.all)"),
            QStringLiteral("EYE files(nbgfile1.all)"), QStringLiteral("NC file(ncdat.all)")};
        for (int k = 0; k < 3; ++k) {
            VLMAT::TOpenAnswer cancel;
            f.tools->buttons[k]->click();
            QCOMPARE(cancel.runs, 1);
            QVERIFY(cancel.filters.first().startsWith(expected[k]));
        }
        VLMAT::TOpenAnswer ok(characters);
        f.tools->buttons[2]->click();
        QCOMPARE(f.form->screen->getch(), 0);
        QCOMPARE(f.tools->labels[2]->text(), Utf8("キャラ(&C): ") + characters);
    }

    void standsAgainstTheMainWindowsRightEdge() {
        TForms f;
        f.form->move(40, 50);
        f.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
        QVERIFY(f.tools->isVisible());
        const QRect main = f.form->frameGeometry();
        QCOMPARE(f.tools->pos(), QPoint(main.x() + main.width(), main.y()));

        f.form->move(100, 20);
        f.tools->hide();
        f.tools->show();
        const QRect moved = f.form->frameGeometry();
        QCOMPARE(f.tools->pos(), QPoint(moved.x() + moved.width(), moved.y()));
    }

    // The tools window follows the main window as it grows or moves, never off the screen,
    // until the user moves it; showing it again puts it back.
    void followsTheMainWindowUntilTheUserMovesIt() {
        TForms f;
        TmainForm& m = *f.form;
        TtoolsForm& t = *f.tools;
        m.move(10, 20);
        m.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m));
        const auto rightEdge = [&m] {
            const QRect main = m.frameGeometry();
            return QPoint(main.x() + main.width(), main.y());
        };
        // Grown as zoom grows it, though only as far as the test's small screen has room for.
        m.SetClientSize(400, 300);
        m.move(30, 40);
        QTRY_COMPARE(m.ClientArea()->size(), QSize(400, 300));
        QCOMPARE(t.pos(), rightEdge());

        // As the desktop reports a drag of the user's.
        t.windowHandle()->setFramePosition(QPoint(5, 500));
        QTRY_VERIFY(t.MovedByUser());
        m.SetClientSize(320, 224);
        m.move(50, 60);
        QTRY_COMPARE(m.ClientArea()->size(), QSize(320, 224));
        QCOMPARE(t.pos(), QPoint(5, 500));

        m.toolsMenu->trigger();
        m.toolsMenu->trigger();
        QVERIFY(!t.MovedByUser());
        QCOMPARE(t.pos(), rightEdge());

        // In the screen's bottom right corner: beside the left edge, pushed up into the screen.
        const QRect area = m.QWidget::screen()->availableGeometry();
        m.move(area.right() - 360, area.bottom() - 300);
        QVERIFY(area.contains(t.frameGeometry()));
        QCOMPARE(t.frameGeometry().right() + 1, m.frameGeometry().left());
    }

    void closingOnlyHides() {
        TForms f;
        f.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
        VLMAT::Open(f.form->openCharacterMenu, characters);
        QPointer<TtoolsForm> tools = f.tools.get();
        QVERIFY(tools->close());
        QCoreApplication::processEvents();
        QVERIFY(tools);
        QVERIFY(!tools->isVisible());
        QCOMPARE(tools->boxes.size(), size_t{2});
        QVERIFY(f.form->isVisible());
    }
};

VLMAT_MAIN(TestToolsForm)
#include "toolsform_test.moc"
