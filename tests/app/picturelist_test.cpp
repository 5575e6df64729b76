// The picture list: rows with number, name and thumbnail for each layer, unreadable pictures
// marked, the rows on screen made first, a click or Enter asking for the picture, a new
// archive starting the list over.
#include "apptest.h"
#include "picturelistfm.h"

#include "vlmnames.h"

#include <QListView>
#include <QSignalSpy>
#include <QStandardPaths>

using VLM::TLayerKind;

namespace {

constexpr int Missing = 15; // the background with the largest offset: nothing follows it

// How many pixels of image are colour.
int Pixels(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) == colour;
    return n;
}

QVariant Data(const TPictureListForm& form, int row, int role) {
    return form.List()->model()->index(row, 0).data(role);
}

} // namespace

class TestPictureList : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString backGrounds, eyeCatch, characters;

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(dir.isValid());
        backGrounds = dir.filePath(QStringLiteral("NBGFILE1.ALL"));
        eyeCatch = dir.filePath(QStringLiteral("EYECATCH.ALL"));
        characters = dir.filePath(QStringLiteral("NCDAT.ALL"));
        std::vector<int> indices;
        for (int i = 0; i < 500; ++i)
            if (i != Missing) indices.push_back(i);
        VLMAT::WriteBackGrounds(backGrounds, indices);
        VLMAT::WriteWallPapers(eyeCatch, 22);
        // Character 3: a 64 x 64 base whose left half is index 0, so it shows the ground.
        VLMW::TCharRecord r = VLMAT::GroupRecord(3, {});
        for (int y = 0; y < 64; ++y)
            std::fill_n(r.elements[0].pixels.begin() + y * 64, 32, uint8_t{0});
        VLMAT::WriteCharacters(characters, {{3, r}});
    }

    void everyLayerListsItsPicturesWithThumbnails() {
        constexpr TLayerKind Wp = TLayerKind::WallPaper, Bg = TLayerKind::BackGround,
                             Ch = TLayerKind::Character;
        const struct {
            TLayerKind layer;
            QString path;
            int count, row;
            QSize size;
            const char* name;
            int number;     // the numbered picture's colour
            int unreadable; // a row that cannot be read, or -1
        } cases[] = {
            {Bg, backGrounds, 500, 7, {72, 36}, VLM::BackGroundNames[7].name, 1007, Missing},
            {Wp, eyeCatch, 22, 21, {160, 112}, VLM::EyeCatchNames[21].name, 21, -1},
            {Ch, characters, 152, 3, {32, 32}, VLM::CharacterNames[3].name, 2003, 4},
        };
        // One window for all: each new archive starts the list over.
        TPictureListForm form;
        form.show();
        for (const auto& c : cases) {
            form.SetArchive(c.layer, c.path);
            QCOMPARE(form.Count(), c.count);
            QVERIFY(form.windowTitle().endsWith(QFileInfo(c.path).fileName()));
            // All of them are made by the event loop within a bounded time.
            QTRY_VERIFY_WITH_TIMEOUT(form.Finished(), 10000);

            QCOMPARE(Data(form, c.row, Qt::DisplayRole).toString(),
                     QString::number(c.row) + ": " + VLMQ::FromCp932(c.name));
            const QImage image = Data(form, c.row, Qt::DecorationRole).value<QImage>();
            const QRgb right = VLMAT::NumberShown(c.number);
            QCOMPARE(image.size(), c.size);
            QCOMPARE(image.pixel(c.size.width() - 1, 0), right);
            QCOMPARE(qAlpha(image.pixel(0, 0)), c.layer == Ch ? 0 : 255); // the character's ground
            if (c.unreadable >= 0) {
                const QString why =
                    Data(form, c.unreadable, TPictureListForm::FailureRole).toString();
                QVERIFY(!why.isEmpty());
                QVERIFY(Data(form, c.unreadable, Qt::DecorationRole).value<QImage>().isNull());
                QVERIFY(Data(form, c.unreadable, Qt::ToolTipRole).toString().contains(why));
            }
            // Painted one to one and unsmoothed: the row shows exactly the thumbnail's pixels.
            const QModelIndex index = form.List()->model()->index(c.row, 0);
            form.List()->scrollTo(index);
            const QImage shown = form.List()->viewport()->grab().toImage();
            QCOMPARE(Pixels(shown.copy(form.List()->visualRect(index)), right),
                     Pixels(image, right));
        }
        // No path, or a path the layer cannot read: an empty list, with nothing left to make.
        for (const auto& [layer, path] : {std::pair{Bg, QString()}, {Ch, backGrounds}}) {
            form.SetArchive(layer, path);
            QCOMPARE(form.Count(), 0);
            QVERIFY(form.Finished());
        }
    }

    void theRowsOnScreenAreMadeFirstAndAClickOrEnterAsksForOne() {
        TPictureListForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.SetArchive(TLayerKind::BackGround, backGrounds);
        QSignalSpy changed(form.List()->model(), &QAbstractItemModel::dataChanged);
        QSignalSpy chosen(&form, &TPictureListForm::pictureChosen);
        form.List()->doItemsLayout();
        form.List()->scrollToBottom();
        form.MakeSlice();
        QVERIFY(!changed.isEmpty());
        const QModelIndex first = changed.first().first().toModelIndex();
        QVERIFY(first.row() > 400);
        QVERIFY(form.List()->viewport()->rect().intersects(form.List()->visualRect(first)));

        const QModelIndex last = form.List()->model()->index(499, 0);
        QTest::mouseClick(form.List()->viewport(), Qt::LeftButton, {},
                          form.List()->visualRect(last).center());
        QCOMPARE(chosen.size(), 1);
        const QVariant backGround = QVariant::fromValue(TLayerKind::BackGround);
        QCOMPARE(chosen.at(0), (QList<QVariant>{backGround, 499}));
        form.SelectPicture(7); // the main window's own step asks for nothing
        QCOMPARE(chosen.size(), 1);
        QTest::keyClick(form.List(), Qt::Key_Return);
        QCOMPARE(chosen.size(), 2);
        QCOMPARE(chosen.at(1), (QList<QVariant>{backGround, 7}));
    }
};

VLMAT_MAIN(TestPictureList)
#include "picturelist_test.moc"
