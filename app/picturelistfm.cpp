#include "picturelistfm.h"

#include "qtui.h"
#include "vlmcolor.h"
#include "vlmthumbnail.h"

#include <QAbstractListModel>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QListView>
#include <QPainter>
#include <QPixmap>
#include <QStringList>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>
#include <vector>

namespace {

// Window captions, by layer.
const char* const Titles[3] = {QT_TRANSLATE_NOOP("TPictureListForm", "壁紙一覧"),
                               QT_TRANSLATE_NOOP("TPictureListForm", "背景一覧"),
                               QT_TRANSLATE_NOOP("TPictureListForm", "ｷｬﾗ一覧")};

// The thumbnail area of a row, by layer: a 288 x 144 background at 1/4, a wallpaper at 1/2, and
// room for the usual characters at 1/2. Larger thumbnails are shrunk to fit.
const QSize TileSizes[3] = {QSize(160, 112), QSize(72, 36), QSize(104, 72)};

constexpr int Margin = 4;     // around a row's contents
constexpr int TextWidth = 96; // a row is at least this wide, for its name

// A 15-bit picture as an image; Transparent pixels become fully transparent. The colours are
// widened as the main window shows its pictures.
QImage ToImage(const VLM::TPicture& picture) {
    if (picture.Width() <= 0 || picture.Height() <= 0) return QImage();
    QImage image(picture.Width(), picture.Height(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < picture.Height(); ++y) {
        const uint16_t* in = picture.ScanLine(y);
        QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < picture.Width(); ++x) {
            const uint16_t c = in[x];
            if (c & VLM::TThumbnail::Transparent) {
                out[x] = 0;
                continue;
            }
            const VLM::TRgb rgb = VLM::ScreenToRgb(c);
            out[x] = qRgb(rgb.r, rgb.g, rgb.b);
        }
    }
    return image;
}

// Where an image of size goes in area: at its own size, centred, when it fits; otherwise as
// large as fits with its proportions kept.
QRect Fit(const QSize& size, const QRect& area) {
    QSize shown = size;
    if (size.width() > area.width() || size.height() > area.height())
        shown = size.scaled(area.size(), Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    return QRect(area.left() + (area.width() - shown.width()) / 2,
                 area.top() + (area.height() - shown.height()) / 2, shown.width(), shown.height());
}

// The ground under a transparent pixel, as image editors show it.
const QPixmap& Checker() {
    static const QPixmap checker = [] {
        QPixmap p(8, 8);
        p.fill(QColor(0xEE, 0xEE, 0xEE));
        QPainter painter(&p);
        painter.fillRect(0, 0, 4, 4, QColor(0xBB, 0xBB, 0xBB));
        painter.fillRect(4, 4, 4, 4, QColor(0xBB, 0xBB, 0xBB));
        return p;
    }();
    return checker;
}

} // namespace

// ---- The rows ------------------------------------------------------------------------------

class TPictureListModel : public QAbstractListModel {
public:
    struct TEntry {
        QString name;
        QImage thumbnail;
        // Why the picture could not be read: a load failure, or what a failure thrown said.
        // Put in words when asked for, so that they follow the language.
        VLM::TLoadError error;
        QString thrown;
        int outsideElement = -1; // of a picture that was read: an element outside it
        bool made = false;

        QString Failure() const { return thrown.isEmpty() ? VLMQ::ReasonText(error) : thrown; }
        QString Note() const {
            return outsideElement < 0 ? QString()
                                      : VLMQ::ReasonText(VLM::TLoadError{
                                            VLM::TFailure::ElementOutside, outsideElement});
        }
    };

    explicit TPictureListModel(QObject* parent) : QAbstractListModel(parent) {}

    void Reset(std::vector<TEntry> entries) {
        beginResetModel();
        rows = std::move(entries);
        endResetModel();
    }

    void SetThumbnail(int row, TEntry made) {
        TEntry& e = rows[static_cast<size_t>(row)];
        made.name = std::move(e.name);
        e = std::move(made);
        e.made = true;
        const QModelIndex i = index(row);
        emit dataChanged(i, i);
    }

    bool IsMade(int row) const { return rows[static_cast<size_t>(row)].made; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : static_cast<int>(rows.size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount()) return {};
        const TEntry& e = rows[static_cast<size_t>(index.row())];
        const QString text = QString::number(index.row()) + QStringLiteral(": ") + e.name;
        switch (role) {
        case Qt::DisplayRole:
            return text;
        case Qt::DecorationRole:
            return e.thumbnail;
        case Qt::ToolTipRole: {
            QStringList lines{text};
            if (const QString failure = e.Failure(); !failure.isEmpty()) lines << failure;
            if (const QString note = e.Note(); !note.isEmpty()) lines << note;
            return lines.join(QLatin1Char('\n'));
        }
        case TPictureListForm::NameRole:
            return e.name;
        case TPictureListForm::MadeRole:
            return e.made;
        case TPictureListForm::FailureRole:
            return e.Failure();
        default:
            return {};
        }
    }

private:
    std::vector<TEntry> rows;
};

// One row: the thumbnail in its area (a grey, crossed-out tile when unreadable, an empty frame
// until made), then the number and the name on two lines.
class TPictureTile : public QStyledItemDelegate {
public:
    explicit TPictureTile(QObject* parent) : QStyledItemDelegate(parent) {}

    void SetTile(const QSize& size) { tile = size; }
    QSize Cell(const QFont& font) const {
        const int lines = 2 * QFontMetrics(font).height();
        return QSize(std::max(tile.width(), TextWidth) + 2 * Margin,
                     tile.height() + lines + 3 * Margin);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        return Cell(option.font);
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        painter->save();
        const QRect cell = option.rect;
        const bool selected = option.state & QStyle::State_Selected;
        if (selected) painter->fillRect(cell, option.palette.highlight());

        const QRect area(cell.left() + (cell.width() - tile.width()) / 2, cell.top() + Margin,
                         tile.width(), tile.height());
        const QImage image = index.data(Qt::DecorationRole).value<QImage>();
        if (!index.data(TPictureListForm::FailureRole).toString().isEmpty()) {
            painter->fillRect(area, QColor(0xA0, 0xA0, 0xA0));
            painter->setPen(QPen(QColor(0x60, 0x60, 0x60), 2));
            painter->drawLine(area.topLeft(), area.bottomRight());
            painter->drawLine(area.topRight(), area.bottomLeft());
        } else if (!image.isNull()) {
            const QRect target = Fit(image.size(), area);
            painter->setBrushOrigin(target.topLeft());
            painter->fillRect(target, QBrush(Checker()));
            // Pixel art stays crisp: never smoothed, even when a large picture is shrunk.
            painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
            painter->drawImage(target, image);
        } else {
            painter->setPen(option.palette.color(QPalette::Mid));
            painter->drawRect(area.adjusted(0, 0, -1, -1));
        }

        painter->setFont(option.font);
        painter->setPen(
            option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        const QFontMetrics metrics(option.font);
        QRect line(cell.left() + 2, area.bottom() + 1 + Margin, cell.width() - 4, metrics.height());
        painter->drawText(line, Qt::AlignHCenter | Qt::AlignTop, QString::number(index.row()));
        line.translate(0, metrics.height());
        const QString name = index.data(TPictureListForm::NameRole).toString();
        painter->drawText(line, Qt::AlignHCenter | Qt::AlignTop,
                          metrics.elidedText(name, Qt::ElideRight, line.width()));
        painter->restore();
    }

private:
    QSize tile = TileSizes[1];
};

// ---- The window ----------------------------------------------------------------------------

TPictureListForm::TPictureListForm(QWidget* owner) : QWidget(owner, Qt::Window) {
    setFont(VLMQ::FormFont());
    // Closing the main window ends the program even while this one is shown.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(660, 520);

    list = new QListView(this);
    list->setViewMode(QListView::IconMode);
    list->setMovement(QListView::Static);
    list->setResizeMode(QListView::Adjust);
    list->setUniformItemSizes(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tiles = new TPictureTile(list);
    list->setItemDelegate(tiles);
    model = new TPictureListModel(this);
    list->setModel(model);
    list->setGridSize(tiles->Cell(list->font()));
    list->installEventFilter(this);
    connect(list, &QListView::clicked, this, [this](const QModelIndex& i) { Choose(i.row()); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list);

    timer = new QTimer(this);
    timer->setInterval(0);
    connect(timer, &QTimer::timeout, this, [this] { MakeSlice(); });
    ShowTitle();
}

TPictureListForm::~TPictureListForm() = default;

int TPictureListForm::Count() const {
    return model->rowCount();
}

void TPictureListForm::SetArchive(VLM::TLayerKind newLayer, const QString& path) {
    timer->stop();
    maker.reset();
    layer = newLayer;
    archive = path;
    made = 0;
    cursor = 0;

    std::vector<TPictureListModel::TEntry> rows;
    if (!path.isEmpty()) {
        maker = std::make_unique<VLM::TThumbnailMaker>(newLayer, VLMQ::ToHostName(path));
        rows.resize(static_cast<size_t>(std::max(maker->GetCount(), 0)));
        for (size_t i = 0; i < rows.size(); ++i)
            rows[i].name = VLMQ::FromCp932(maker->GetName(static_cast<int>(i)));
        tiles->SetTile(TileSizes[VLM::LayerIndex(newLayer)]);
        list->setGridSize(tiles->Cell(list->font()));
    }
    model->Reset(std::move(rows));
    ShowTitle();
    if (!Finished()) timer->start();
}

void TPictureListForm::ShowTitle() {
    QString title =
        layer ? tr(Titles[VLM::LayerIndex(*layer)]) : QString::fromLatin1(VLMQ::AppTitle);
    if (!archive.isEmpty()) title += QStringLiteral(" - ") + QFileInfo(archive).fileName();
    setWindowTitle(title);
}

void TPictureListForm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The rows put their failures in words when they are shown.
    if (event->type() == QEvent::LanguageChange) ShowTitle();
}

void TPictureListForm::SelectPicture(int index) {
    if (index < 0 || index >= Count()) {
        list->clearSelection();
        return;
    }
    const QModelIndex i = model->index(index);
    list->setCurrentIndex(i);
    list->scrollTo(i);
}

bool TPictureListForm::MakeSlice() {
    QElapsedTimer clock;
    clock.start();
    // The rows on screen go first, so what the user looks at fills before the rest.
    const QSize grid = list->gridSize();
    const QModelIndex shown = list->indexAt(QPoint(grid.width() / 2, grid.height() / 2));
    if (shown.isValid() && !model->IsMade(shown.row())) cursor = shown.row();
    do {
        const int row = NextRow();
        if (row < 0) break;
        MakeRow(row);
    } while (clock.elapsed() < SliceMs);
    if (Finished()) timer->stop();
    return !Finished();
}

int TPictureListForm::NextRow() {
    const int count = Count();
    if (made >= count) return -1;
    for (int i = 0; i < count; ++i) {
        const int row = (cursor + i) % count;
        if (!model->IsMade(row)) return cursor = row;
    }
    return -1;
}

void TPictureListForm::MakeRow(int row) {
    TPictureListModel::TEntry entry;
    try {
        const VLM::TThumbnail t = maker->Make(row);
        entry.error = t.error;
        if (!t.Failed()) {
            entry.thumbnail = ToImage(t.picture);
            entry.outsideElement = t.outsideElement;
        }
    } catch (const std::exception& e) {
        // Nothing escapes into the event loop: the row says what went wrong instead.
        entry.thrown = VLMQ::FromCp932(e.what());
        if (entry.thrown.isEmpty()) entry.thrown = QStringLiteral("?");
    }
    model->SetThumbnail(row, std::move(entry));
    ++made;
}

void TPictureListForm::Choose(int row) {
    if (layer && row >= 0 && row < Count()) emit pictureChosen(*layer, row);
}

bool TPictureListForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && list->currentIndex().isValid()) {
            Choose(list->currentIndex().row());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
