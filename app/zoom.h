// Where the composed picture stands in the client area: zoom steps, the largest whole multiple
// that fits, and the way back from a client-area point to a picture pixel.
#pragma once

#include "vlmplatform.h"

#include <QPoint>
#include <QSize>

#include <optional>

namespace VLMQ {

constexpr int MinZoom = 1, MaxZoom = 8;

// factor brought into MinZoom .. MaxZoom.
int ClampZoom(int factor);

// The picture at the largest whole multiple of its size that fits client (at least 1x),
// centred; a client area smaller than the picture crops it evenly on both sides.
VLM::TRect IntegerFit(const QSize& client);

// The picture pixel shown at client point p when the whole picture is drawn into dest: the one
// whose block holds the centre of p, as the canvas samples it. Nothing outside dest.
std::optional<QPoint> PicturePoint(const QPoint& p, const VLM::TRect& dest);

} // namespace VLMQ
