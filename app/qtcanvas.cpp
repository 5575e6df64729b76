#include "qtcanvas.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScopedValueRollback>

namespace {

// The picture's rows as an image, without a copy: both are 5-5-5 with red in bits 10-14.
QImage Wrap(const VLM::TPicture& picture) {
    if (picture.Width() <= 0 || picture.Height() <= 0) return QImage();
    return QImage(reinterpret_cast<const uchar*>(picture.ScanLine(0)), picture.Width(),
                  picture.Height(), static_cast<qsizetype>(picture.Width()) * 2,
                  QImage::Format_RGB555);
}

QRect ToQRect(const VLM::TRect& r) {
    return QRect(QPoint(r.left, r.top), QSize(r.right - r.left, r.bottom - r.top));
}

} // namespace

TQtCanvas::TQtCanvas(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    FitBacking();
}

void TQtCanvas::FitBacking() {
    // A hidden widget learns of its new size only when shown; drawing must not wait for that.
    if (backing.size() == size()) return;
    backing = QImage(size(), QImage::Format_RGB32);
    backing.fill(Qt::black);
}

void TQtCanvas::Touched(const QRect& area) {
    const QRect r = area.intersected(backing.rect());
    if (!inPaint && !r.isEmpty()) update(r);
}

void TQtCanvas::Draw(int x, int y, const VLM::TPicture& picture) {
    FitBacking();
    const QImage image = Wrap(picture);
    if (image.isNull() || backing.isNull()) return;
    QPainter painter(&backing);
    painter.drawImage(QPoint(x, y), image);
    Touched(QRect(QPoint(x, y), image.size()));
}

void TQtCanvas::StretchDraw(const VLM::TRect& dst, const VLM::TPicture& picture) {
    FitBacking();
    const QImage image = Wrap(picture);
    const QRect target = ToQRect(dst);
    if (image.isNull() || backing.isNull() || target.isEmpty()) return;
    // No smooth transform: every picture pixel becomes a sharp block.
    QPainter painter(&backing);
    painter.drawImage(target, image);
    Touched(target);
}

void TQtCanvas::CopyRect(const VLM::TRect& dst, const VLM::TPicture& picture,
                         const VLM::TRect& src) {
    FitBacking();
    const QImage image = Wrap(picture);
    const QRect target = ToQRect(dst);
    const QRect source = ToQRect(src);
    if (image.isNull() || backing.isNull() || target.isEmpty() || source.isEmpty()) return;
    QPainter painter(&backing);
    painter.drawImage(target, image, source);
    Touched(target);
}

void TQtCanvas::FillBlack(const VLM::TRect& r) {
    FitBacking();
    const QRect target = ToQRect(r);
    if (backing.isNull() || target.isEmpty()) return;
    QPainter painter(&backing);
    painter.fillRect(target, Qt::black);
    Touched(target);
}

void TQtCanvas::paintEvent(QPaintEvent* event) {
    FitBacking();
    {
        const QScopedValueRollback<bool> guard(inPaint, true);
        emit painting();
    }
    QPainter painter(this);
    painter.drawImage(event->rect(), backing, event->rect());
}

void TQtCanvas::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FitBacking();
    emit resized();
}
