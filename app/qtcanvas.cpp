#include "qtcanvas.h"

#include "vlmcolor.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScopedValueRollback>

#include <cstring>
#include <vector>

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

// Every 5-5-5 colour as the window shows it (each channel's 5 bits repeated into 8, as Qt
// expands them), looked up rather than widened for each pixel drawn.
const QRgb* Rgb555() {
    static const std::vector<QRgb> table = [] {
        std::vector<QRgb> t(32768);
        for (size_t c = 0; c < t.size(); ++c) {
            const VLM::TRgb rgb = VLM::ScreenToRgb(static_cast<uint16_t>(c));
            t[c] = qRgb(rgb.r, rgb.g, rgb.b);
        }
        return t;
    }();
    return table.data();
}

// Nearest-neighbour copy of source (in picture) onto target (in backing, an RGB32 image),
// taking for each target pixel the source pixel under its centre. A general painter converts
// and filters on every call; this is one table look-up per pixel, and a repeated row is copied.
void Blit(QImage& backing, const QRect& target, const VLM::TPicture& picture, QRect source) {
    source = source.intersected(QRect(0, 0, picture.Width(), picture.Height()));
    const QRect clip = target.intersected(backing.rect());
    if (clip.isEmpty() || source.isEmpty()) return;
    const int64_t dw = target.width(), dh = target.height();
    const int64_t sw = source.width(), sh = source.height();
    std::vector<int> xs(static_cast<size_t>(clip.width()));
    for (int i = 0; i < clip.width(); ++i) {
        const int64_t d = clip.left() + i - target.left();
        xs[static_cast<size_t>(i)] = source.left() + static_cast<int>((2 * d + 1) * sw / (2 * dw));
    }
    const QRgb* table = Rgb555();
    const size_t rowBytes = static_cast<size_t>(clip.width()) * sizeof(QRgb);
    int previous = -1;
    const QRgb* previousRow = nullptr;
    for (int y = clip.top(); y <= clip.bottom(); ++y) {
        const int64_t d = y - target.top();
        const int sy = source.top() + static_cast<int>((2 * d + 1) * sh / (2 * dh));
        QRgb* out = reinterpret_cast<QRgb*>(backing.scanLine(y)) + clip.left();
        if (sy == previous) {
            std::memcpy(out, previousRow, rowBytes);
            continue;
        }
        const uint16_t* in = picture.ScanLine(sy);
        for (size_t i = 0; i < xs.size(); ++i)
            out[i] = table[in[xs[i]] & 0x7FFF];
        previous = sy;
        previousRow = out;
    }
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
    const QRect target = ToQRect(dst);
    if (picture.Width() <= 0 || picture.Height() <= 0 || backing.isNull() || target.isEmpty())
        return;
    // No smooth transform: every picture pixel becomes a sharp block.
    Blit(backing, target, picture, QRect(0, 0, picture.Width(), picture.Height()));
    Touched(target);
}

void TQtCanvas::CopyRect(const VLM::TRect& dst, const VLM::TPicture& picture,
                         const VLM::TRect& src) {
    FitBacking();
    const QRect target = ToQRect(dst);
    const QRect source = ToQRect(src);
    if (backing.isNull() || target.isEmpty() || source.isEmpty()) return;
    Blit(backing, target, picture, source);
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
