// The main window's client area as the engine's drawing surface. Drawing goes into a backing
// image the size of the client area; only the touched rectangle is scheduled for the screen.
#pragma once

#include "vlmplatform.h"

#include <QImage>
#include <QWidget>

class TQtCanvas : public QWidget, public VLM::TCanvas {
    Q_OBJECT

public:
    explicit TQtCanvas(QWidget* parent = nullptr);

    void Draw(int x, int y, const VLM::TPicture& picture) override;
    void StretchDraw(const VLM::TRect& dst, const VLM::TPicture& picture) override;
    void CopyRect(const VLM::TRect& dst, const VLM::TPicture& picture,
                  const VLM::TRect& src) override;
    void FillBlack(const VLM::TRect& r) override;

    // What the client area shows (after the next paint).
    const QImage& Backing() const { return backing; }

signals:
    // The client area has a new size, and so has the backing image.
    void resized();
    // A paint is about to copy the backing image to the screen; what is drawn now goes into
    // the backing image only, and is shown by this same paint.
    void painting();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void FitBacking();
    void Touched(const QRect& area);

    QImage backing;
    bool inPaint = false;
};
