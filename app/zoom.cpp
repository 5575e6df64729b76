#include "zoom.h"

#include "vlmscreen.h"

#include <algorithm>
#include <cstdint>

namespace VLMQ {

namespace {

int PictureWidth() {
    return VLM::TScreen::DefaultRect.right - VLM::TScreen::DefaultRect.left;
}

int PictureHeight() {
    return VLM::TScreen::DefaultRect.bottom - VLM::TScreen::DefaultRect.top;
}

} // namespace

int ClampZoom(int factor) {
    return std::clamp(factor, MinZoom, MaxZoom);
}

VLM::TRect IntegerFit(const QSize& client) {
    const int w = PictureWidth(), h = PictureHeight();
    const int k = std::max(1, std::min(client.width() / w, client.height() / h));
    const int left = (client.width() - k * w) / 2, top = (client.height() - k * h) / 2;
    return {left, top, left + k * w, top + k * h};
}

std::optional<QPoint> PicturePoint(const QPoint& p, const VLM::TRect& dest) {
    const int64_t dw = dest.right - dest.left, dh = dest.bottom - dest.top;
    if (dw <= 0 || dh <= 0 || p.x() < dest.left || p.x() >= dest.right || p.y() < dest.top ||
        p.y() >= dest.bottom)
        return std::nullopt;
    // The canvas takes for each client pixel the picture pixel under its centre.
    const int64_t x = (2 * int64_t{p.x() - dest.left} + 1) * PictureWidth() / (2 * dw);
    const int64_t y = (2 * int64_t{p.y() - dest.top} + 1) * PictureHeight() / (2 * dh);
    return QPoint(static_cast<int>(x), static_cast<int>(y));
}

} // namespace VLMQ
