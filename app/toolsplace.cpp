// The tools window's place: against the main window's right edge (its left edge when the right
// one has no room), never off the screen, following the main window until the user moves it,
// and kept from one session to the next.
#include "toolsfm.h"

#include "qtui.h"

#include <QGuiApplication>
#include <QMoveEvent>
#include <QScreen>
#include <QSettings>
#include <QShowEvent>

#include <algorithm>

namespace {

// Settings keys.
const QString MovedKey = QStringLiteral("tools/moved");
const QString FrameKey = QStringLiteral("tools/frame");
const QString ClientKey = QStringLiteral("tools/client");

// The top-left corner that keeps a frame of the given size inside area, as far as it fits.
QPoint KeptInside(const QRect& area, QPoint place, const QSize& frame) {
    place.setX(std::clamp(place.x(), area.x(),
                          std::max(area.x(), area.x() + area.width() - frame.width())));
    place.setY(std::clamp(place.y(), area.y(),
                          std::max(area.y(), area.y() + area.height() - frame.height())));
    return place;
}

} // namespace

void TtoolsForm::FormShow() {
    emit showing();
}

void TtoolsForm::Place(const QPoint& frameTopLeft, const QPoint& clientTopLeft, bool byUser) {
    placed = true;
    movedByUser = byUser;
    placedAt = frameTopLeft;
    setGeometry(QRect(clientTopLeft, size()));
}

void TtoolsForm::PlaceBeside(const QWidget& window) {
    const QRect frame = window.frameGeometry();
    const QPoint clientOffset = window.geometry().topLeft() - frame.topLeft();
    // Until the desktop has framed this window, its frame is taken to be like the other one's.
    QRect ownFrame = frameGeometry();
    QPoint ownOffset = geometry().topLeft() - ownFrame.topLeft();
    if (ownFrame.size() == size()) {
        ownFrame.setSize(size() + frame.size() - window.geometry().size());
        ownOffset = clientOffset;
    }
    if (PlaceAsRestored(ownFrame.size())) return;
    QPoint place(frame.x() + frame.width(), frame.y());
    if (const QScreen* display = window.screen()) {
        const QRect area = display->availableGeometry();
        if (place.x() + ownFrame.width() > area.x() + area.width() &&
            frame.x() - ownFrame.width() >= area.x())
            place.setX(frame.x() - ownFrame.width());
        place = KeptInside(area, place, ownFrame.size());
    }
    Place(place, place + ownOffset);
}

// Where the user had put it when the viewer was last closed, if that is still on a screen, and
// then wholly on it: the screens may have changed since. Only the first placement looks.
bool TtoolsForm::PlaceAsRestored(const QSize& frameSize) {
    if (!placeAtStart) return false;
    const auto [frameAt, clientAt] = *placeAtStart;
    placeAtStart.reset();
    const QScreen* display = QGuiApplication::screenAt(frameAt);
    if (!display) return false;
    const QPoint place = KeptInside(display->availableGeometry(), frameAt, frameSize);
    Place(place, place + (clientAt - frameAt), true);
    return true;
}

void TtoolsForm::Follow(const QWidget& window) {
    // Against a full-screen window it would only stand over the picture; it follows again when
    // full screen is left.
    if (window.isFullScreen()) return;
    if (isVisible() && !movedByUser) PlaceBeside(window);
}

void TtoolsForm::RestorePlace(const QSettings& settings) {
    if (settings.value(MovedKey, false).toBool())
        placeAtStart =
            std::make_pair(settings.value(FrameKey).toPoint(), settings.value(ClientKey).toPoint());
}

void TtoolsForm::SavePlace(QSettings& settings, const TtoolsForm* tools) {
    const bool moved = tools && tools->MovedByUser();
    settings.setValue(MovedKey, moved);
    if (moved) {
        settings.setValue(FrameKey, tools->frameGeometry().topLeft());
        settings.setValue(ClientKey, tools->geometry().topLeft());
    }
}

void TtoolsForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) VLMQ::Guarded(screen, [this] { FormShow(); });
}

void TtoolsForm::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    // Only the desktop reports a move it made; one that lands elsewhere than where this window
    // was put is the user's.
    if (event->spontaneous() && placed && frameGeometry().topLeft() != placedAt) movedByUser = true;
}
