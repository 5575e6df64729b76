// The main window's view: zoom steps, integer scaling, full screen, the plain keys, the pixel
// under the mouse, and the view kept from one session to the next.
#include "mainfm.h"

#include "qtcanvas.h"
#include "settings.h"
#include "toolsfm.h"
#include "vlmcolor.h"
#include "zoom.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStatusBar>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>
#include <vector>

namespace {

// Keys without Ctrl step the pictures only while the main window has the keyboard: in the tools
// window, the picture lists, menus and dialogs the lists and boxes keep their arrow and page
// keys. Overriding a shortcut hands the key to the focused widget as an ordinary key press.
class TPlainKeys : public QObject {
public:
    TPlainKeys(QWidget* window, std::vector<int> keys)
        : QObject(window), window(window), keys(std::move(keys)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            return false;
        if (std::find(keys.begin(), keys.end(), key->key()) == keys.end()) return false;
        const auto* widget = qobject_cast<const QWidget*>(watched);
        const bool inWindow =
            widget ? widget->window() == window && !qobject_cast<const QMenuBar*>(widget)
                   : watched == window->windowHandle();
        if (inWindow) return false;
        event->accept();
        return true;
    }

private:
    QWidget* window;
    std::vector<int> keys;
};

// Settings keys.
const QString ZoomKey = QStringLiteral("view/zoom");
const QString IntegerKey = QStringLiteral("view/integerScaling");
const QString GeometryKey = QStringLiteral("window/geometry");
const QString ToolsShownKey = QStringLiteral("tools/visible");

} // namespace

void TmainForm::CreateViewItems() {
    AddPlainKeys();
    viewMenu->addSeparator();
    zoomInMenu = AddItem(viewMenu, Qt::Key_Plus, &TmainForm::zoomInMenuClick);
    // Ctrl+= as well: "+" is the shifted "=" on many keyboards.
    zoomInMenu->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    zoomOutMenu = AddItem(viewMenu, Qt::Key_Minus, &TmainForm::zoomOutMenuClick);
    zoomResetMenu = AddItem(viewMenu, Qt::Key_0, &TmainForm::zoomResetMenuClick);
    integerScaleMenu = AddItem(viewMenu, Qt::Key_unknown, &TmainForm::integerScaleMenuClick, true);
    integerScaleMenu->setShortcut(QKeySequence());
    CreateFullScreenItems();

    // Full screen hides the menu bar, whose items' keys then work through the window itself.
    for (QMenu* menu : {fileMenu, viewMenu, optionsMenu})
        for (QAction* item : menu->actions())
            if (!item->shortcut().isEmpty()) addAction(item);

    canvas->setMouseTracking(true);
    canvas->installEventFilter(this);
}

// Plain keys beside the Ctrl keys of the stepping commands.
void TmainForm::AddPlainKeys() {
    const std::pair<QAction*, Qt::Key> plain[] = {{nextWallPaperMenu, Qt::Key_PageDown},
                                                  {prevWallPaperMenu, Qt::Key_PageUp},
                                                  {nextBackGroundMenu, Qt::Key_Down},
                                                  {prevBackGroundMenu, Qt::Key_Up},
                                                  {nextCharacterMenu, Qt::Key_Right},
                                                  {prevCharacterMenu, Qt::Key_Left},
                                                  {resetMenu, Qt::Key_Home}};
    std::vector<int> plainKeys;
    for (const auto& [item, key] : plain) {
        item->setShortcuts({item->shortcut(), QKeySequence(key)});
        plainKeys.push_back(key);
    }
    qApp->installEventFilter(new TPlainKeys(this, std::move(plainKeys)));
}

void TmainForm::CreateFullScreenItems() {
    fullScreenMenu = AddItem(viewMenu, Qt::Key_F11, &TmainForm::fullScreenMenuClick, true);
    fullScreenMenu->setShortcut(QKeySequence(Qt::Key_F11));
    fullScreenMenu->setShortcutContext(Qt::WindowShortcut);
    // Esc leaves full screen wherever the keyboard is in the window: a key press would go to
    // the menu bar instead once a menu has been used from the keyboard.
    leaveFullScreenKey = new QAction(this);
    leaveFullScreenKey->setShortcut(QKeySequence(Qt::Key_Escape));
    leaveFullScreenKey->setShortcutContext(Qt::WindowShortcut);
    leaveFullScreenKey->setEnabled(false);
    addAction(leaveFullScreenKey);
    connect(leaveFullScreenKey, &QAction::triggered, this, [this] {
        Guard([this] {
            if (isFullScreen()) fullScreenMenu->trigger();
        });
    });
}

// ---- Zoom ----------------------------------------------------------------------------------

int TmainForm::ZoomFactor() const {
    return zoom;
}

void TmainForm::SetZoom(int factor) {
    zoom = VLMQ::ClampZoom(factor);
    zoomMenu->setChecked(zoom == 2);
    // Full screen keeps its size; the step applies when it is left.
    if (isFullScreen()) return;
    const VLM::TRect& r = VLM::TScreen::DefaultRect;
    SetClientSize(zoom * (r.right - r.left), zoom * (r.bottom - r.top));
}

void TmainForm::zoomInMenuClick() {
    SetZoom(zoom + 1);
}

void TmainForm::zoomOutMenuClick() {
    SetZoom(zoom - 1);
}

void TmainForm::zoomResetMenuClick() {
    SetZoom(1);
}

VLM::TRect TmainForm::PictureArea() const {
    const QSize client = canvas->size();
    if (isFullScreen() || integerScaleMenu->isChecked()) return VLMQ::IntegerFit(client);
    return {0, 0, client.width(), client.height()};
}

void TmainForm::integerScaleMenuClick() {
    integerScaleMenu->setChecked(!integerScaleMenu->isChecked());
    FormResize();
}

void TmainForm::fullScreenMenuClick() {
    fullScreenMenu->setChecked(!fullScreenMenu->isChecked());
    if (fullScreenMenu->isChecked() == isFullScreen()) return;
    if (fullScreenMenu->isChecked()) {
        geometryBeforeFullScreen = saveGeometry();
        zoomAtFullScreen = zoom;
        menuBar()->hide();
        statusBar()->hide();
        showFullScreen();
    } else {
        showNormal();
        menuBar()->show();
        statusBar()->show();
        if (zoom != zoomAtFullScreen) SetZoom(zoom);
    }
    leaveFullScreenKey->setEnabled(isFullScreen());
    // The picture's place changes even where the client size does not.
    FormResize();
}

// ---- The client area's mouse ---------------------------------------------------------------

bool TmainForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched != canvas) return QMainWindow::eventFilter(watched, event);
    bool taken = false;
    Guard([&] { taken = CanvasEvent(event); });
    return taken;
}

bool TmainForm::CanvasEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseMove:
        hoverAt = static_cast<QMouseEvent*>(event)->position().toPoint();
        ShowStatus();
        return false;
    case QEvent::Leave:
        hoverAt.reset();
        ShowStatus();
        return false;
    case QEvent::Wheel: {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        if (!(wheel->modifiers() & Qt::ControlModifier)) return false;
        // A notch is 120; finer wheels add up to whole steps.
        wheelDelta += wheel->angleDelta().y();
        const int steps = wheelDelta / 120;
        wheelDelta -= steps * 120;
        if (steps != 0) SetZoom(zoom + steps);
        return true;
    }
    default:
        return false;
    }
}

QString TmainForm::PixelText() const {
    if (!hoverAt || !screen) return QString();
    const std::optional<QPoint> p = VLMQ::PicturePoint(*hoverAt, screen->destRect);
    if (!p) return QString();
    const VLM::TPixelSource source = screen->PixelSource(p->x(), p->y());
    const QString at = QStringLiteral("(%1, %2)").arg(p->x()).arg(p->y());
    QString layer;
    switch (source.layer) {
    case VLM::TPixelSource::Nothing:
        return tr("%1 nothing").arg(at);
    case VLM::TPixelSource::WallPaper:
        layer = tr("wallpaper");
        break;
    case VLM::TPixelSource::BackGround:
        layer = tr("background");
        break;
    case VLM::TPixelSource::Element:
        layer = tr("character element %1").arg(source.element);
        break;
    }
    const VLM::TRgb rgb = VLM::ScreenToRgb(source.colour);
    return tr("%1 %2, index %3, 0x%4 = RGB(%5,%6,%7)")
        .arg(at, layer)
        .arg(source.paletteIndex)
        .arg(QStringLiteral("%1").arg(source.colour, 4, 16, QLatin1Char('0')).toUpper())
        .arg(int{rgb.r})
        .arg(int{rgb.g})
        .arg(int{rgb.b});
}

// ---- The view kept between sessions -----------------------------------------------------------

void TmainForm::RestoreView() {
    const std::unique_ptr<QSettings> settings = VLMQ::OpenSettings();
    integerScaleMenu->setChecked(settings->value(IntegerKey, false).toBool());
    SetZoom(settings->value(ZoomKey, 1).toInt());
    // After the zoom: a frame the user dragged to another size keeps that size.
    const QByteArray geometry = settings->value(GeometryKey).toByteArray();
    if (!geometry.isEmpty()) restoreGeometry(geometry);
    toolsShownAtStart = settings->value(ToolsShownKey, true).toBool();
    if (tools) tools->RestorePlace(*settings);
    FormResize();
}

void TmainForm::SaveView() const {
    const std::unique_ptr<QSettings> settings = VLMQ::OpenSettings();
    settings->setValue(GeometryKey, isFullScreen() ? geometryBeforeFullScreen : saveGeometry());
    settings->setValue(ZoomKey, zoom);
    settings->setValue(IntegerKey, integerScaleMenu->isChecked());
    settings->setValue(ToolsShownKey, tools && tools->isVisible());
    TtoolsForm::SavePlace(*settings, tools);
}

void TmainForm::closeEvent(QCloseEvent* event) {
    Guard([this] { SaveView(); });
    QMainWindow::closeEvent(event);
}
