// The client area as the engine's drawing surface: where pictures land, nearest-neighbour
// scaling, and which part of the window each drawing schedules for the screen.
#include "apptest.h"

#include "qtcanvas.h"

#include <QPaintEvent>

namespace {

// A 5-5-5 picture whose every pixel has its own colour.
VLM::TPicture Pattern(int width, int height) {
    VLM::TPicture p(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.ScanLine(y)[x] = static_cast<uint16_t>((x * 37 + y * 1021 + 5) & 0x7FFF);
    return p;
}

QRgb Shown(const VLM::TPicture& p, int x, int y) {
    return VLMAT::Shown(p.ScanLine(y)[x]);
}

// Remembers the regions the canvas was asked to paint.
class TPaintLog : public QObject {
public:
    QList<QRegion> regions;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) regions << static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

} // namespace

class TestCanvas : public QObject {
    Q_OBJECT

    std::unique_ptr<TQtCanvas> canvas;
    TPaintLog log;

    // Lets every scheduled paint happen, then forgets them.
    void Settle() {
        QCoreApplication::processEvents();
        QTest::qWait(50);
        log.regions.clear();
    }

private slots:
    void init() {
        canvas = std::make_unique<TQtCanvas>();
        canvas->resize(320, 224);
        canvas->show();
        QVERIFY(QTest::qWaitForWindowExposed(canvas.get()));
        canvas->installEventFilter(&log);
        Settle();
    }

    void cleanup() { canvas.reset(); }

    void drawPlacesAnOddSizedPictureUnscaled() {
        const VLM::TPicture p = Pattern(47, 33);
        canvas->Draw(5, 7, p);
        const QImage& b = canvas->Backing();
        for (int y = 0; y < 33; ++y)
            for (int x = 0; x < 47; ++x)
                if (b.pixel(5 + x, 7 + y) != Shown(p, x, y))
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
        QCOMPARE(b.pixel(4, 7), qRgb(0, 0, 0));
        QCOMPARE(b.pixel(52, 39), qRgb(0, 0, 0));
        QTRY_COMPARE(log.regions.size(), 1);
        QCOMPARE(log.regions[0], QRegion(5, 7, 47, 33));
    }

    void stretchIsNearestNeighbour() {
        const VLM::TPicture p = Pattern(47, 33);
        canvas->StretchDraw({10, 20, 10 + 3 * 47, 20 + 2 * 33}, p);
        const QImage& b = canvas->Backing();
        for (int y = 0; y < 2 * 33; ++y)
            for (int x = 0; x < 3 * 47; ++x)
                if (b.pixel(10 + x, 20 + y) != Shown(p, x / 3, y / 2))
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
    }

    void copyRectTouchesOnlyItsDestination() {
        const VLM::TPicture p = Pattern(320, 224);
        canvas->StretchDraw({0, 0, 320, 224}, p);
        Settle();
        VLM::TPicture changed = p;
        changed.FillBlack({0, 0, 320, 224});
        changed.ScanLine(12)[30] = 0x7C00; // red
        canvas->CopyRect({30, 12, 31, 13}, changed, {30, 12, 31, 13});
        const QImage& b = canvas->Backing();
        QCOMPARE(b.pixel(30, 12), qRgb(255, 0, 0));
        QCOMPARE(b.pixel(31, 12), Shown(p, 31, 12));
        QTRY_COMPARE(log.regions.size(), 1);
        QCOMPARE(log.regions[0], QRegion(30, 12, 1, 1));
    }

    void copyRectScalesItsSource() {
        canvas->resize(640, 448);
        QTRY_COMPARE(canvas->Backing().size(), QSize(640, 448));
        const VLM::TPicture p = Pattern(320, 224);
        canvas->CopyRect({20, 40, 40, 80}, p, {10, 20, 20, 40});
        const QImage& b = canvas->Backing();
        QCOMPARE(b.pixel(20, 40), Shown(p, 10, 20));
        QCOMPARE(b.pixel(21, 41), Shown(p, 10, 20));
        QCOMPARE(b.pixel(39, 79), Shown(p, 19, 39));
        QCOMPARE(b.pixel(40, 80), qRgb(0, 0, 0));
    }

    void drawingWhilePaintingDoesNotPaintAgain() {
        const VLM::TPicture p = Pattern(320, 224);
        int paints = 0;
        connect(canvas.get(), &TQtCanvas::painting, this, [&] {
            ++paints;
            canvas->StretchDraw({0, 0, 320, 224}, p); // what the main window does on paint
        });
        canvas->update();
        QTRY_COMPARE(paints, 1);
        QTest::qWait(50);
        QCoreApplication::processEvents();
        QCOMPARE(paints, 1);
        QCOMPARE(canvas->Backing().pixel(100, 100), Shown(p, 100, 100));
        disconnect(canvas.get(), &TQtCanvas::painting, this, nullptr);
    }
};

VLMAT_MAIN(TestCanvas)
#include "canvas_test.moc"
