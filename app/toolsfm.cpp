#include "toolsfm.h"

#include "qtui.h"
#include "vlmlayers.h"
#include "vlmscreen.h"

#include <QAbstractListModel>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyle>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>

namespace {

const char* const ButtonCaptions[3] = {QT_TRANSLATE_NOOP("TtoolsForm", "壁紙を開く"),
                                       QT_TRANSLATE_NOOP("TtoolsForm", "背景を開く"),
                                       QT_TRANSLATE_NOOP("TtoolsForm", "キャラを開く")};
const char* const LabelPrefixes[3] = {QT_TRANSLATE_NOOP("TtoolsForm", "壁紙(&W): "),
                                      QT_TRANSLATE_NOOP("TtoolsForm", "背景(&G): "),
                                      QT_TRANSLATE_NOOP("TtoolsForm", "キャラ(&C): ")};

// A picture row that could not be shown carries the reason under this role.
constexpr int FailureRole = Qt::UserRole + 1;

// The rows of one element group: elements first .. first + count - 1. Rows are made when the
// view asks for them, so a group of thousands of elements costs two numbers.
class TElementGroupModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    void SetRange(int newFirst, int newCount) {
        // The same rows again: the view keeps its layout.
        if (newFirst == first && newCount == count) return;
        beginResetModel();
        first = newFirst;
        count = newCount;
        endResetModel();
    }
    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : count; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid() || index.row() >= count) return {};
        return TtoolsForm::ElementRow(first + index.row());
    }

private:
    int first = 0, count = 0;
};

// A list whose rows run down one column and on into the next, three columns sharing its width.
class TElementBox : public QListView {
public:
    explicit TElementBox(QWidget* parent) : QListView(parent), rows(new TElementGroupModel(this)) {
        setModel(rows);
        setSelectionMode(QAbstractItemView::SingleSelection);
        setFlow(QListView::TopToBottom);
        setWrapping(true);
        setResizeMode(QListView::Adjust);
        setUniformItemSizes(true);
        // A column is a third of a narrow list: clip a row's text rather than replace it by
        // an ellipsis.
        setTextElideMode(Qt::ElideNone);
    }
    TElementGroupModel* Rows() const { return rows; }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QListView::resizeEvent(event);
        setGridSize(QSize(std::max(1, viewport()->width() / 3), fontMetrics().height()));
    }

private:
    TElementGroupModel* rows; // a child of this list
};

// A label sizes itself to its text: one line, as wide as the text.
void SetLabelText(QLabel& label, const QString& text) {
    label.setText(text);
    label.adjustSize();
}

} // namespace

// ---- Construction and destruction ----------------------------------------------------------

TtoolsForm::TtoolsForm(QWidget* owner) : QWidget(owner, Qt::Window) {
    setWindowTitle(QStringLiteral("Velmora Tools"));
    setFont(VLMQ::FormFont());
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    // Closing the main window ends the program even while this one is shown.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(440, 322);

    const QFontMetrics metrics(font());
    for (int k = 0; k < 3; ++k) {
        QPushButton* button = new QPushButton(this);
        connect(button, &QPushButton::clicked, this, [this, button] { openButtonClick(button); });
        buttons[k] = button;
    }
    int right = LayOutButtons();
    int y = buttons[0]->y() + buttons[0]->height() + 4;
    for (int k = 0; k < 3; ++k) {
        labels[k] = new QLabel(this);
        labels[k]->move(4, y);
        SetLabelText(*labels[k], QStringLiteral(" "));
        y += labels[k]->height();
        right = std::max(right, labels[k]->width());

        combos[k] = new QComboBox(this);
        combos[k]->setEditable(false);
        combos[k]->setMaxVisibleItems(16);
        // Some styles open a plain list as tall as the screen and ignore the row count.
        combos[k]->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
        combos[k]->setGeometry(4, y, 32 * metrics.horizontalAdvance(QLatin1Char('X')),
                               combos[k]->sizeHint().height());
        y += combos[k]->height();
        right = std::max(right, combos[k]->width());

        labels[k]->setBuddy(combos[k]);
    }

    // activated is raised by a user's choice only, never by setting the row from here.
    connect(combos[0], &QComboBox::activated, this, [this] { wallPaperBoxChange(combos[0]); });
    connect(combos[1], &QComboBox::activated, this, [this] { backGroundBoxChange(combos[1]); });
    connect(combos[2], &QComboBox::activated, this, [this] { characterBoxChange(combos[2]); });

    resize(4 + right + 4, y + 4);
}

TtoolsForm::~TtoolsForm() = default;

int TtoolsForm::LayOutButtons() {
    const QFontMetrics metrics(font());
    int x = 4;
    for (int k = 0; k < 3; ++k) {
        const QString caption = tr(ButtonCaptions[k]);
        buttons[k]->setText(caption);
        buttons[k]->setGeometry(x, 4, metrics.horizontalAdvance(caption) + 8, 25);
        x += buttons[k]->width() + 4;
    }
    return x;
}

void TtoolsForm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::LanguageChange) return;
    // The labels take their new prefix, and the lists their new marks, from UpdateControls.
    VLMQ::Guarded(screen, [this] {
        LayOutButtons();
        UpdateControls();
    });
}

// ---- Rows ----------------------------------------------------------------------------------

QString TtoolsForm::ElementRow(int e) {
    return QString::number(e / 10) + QString::number(e % 10);
}

int TtoolsForm::LeadingNumber(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        negative = text[i++] == QLatin1Char('-');
    constexpr int64_t Limit = int64_t{std::numeric_limits<int>::max()} + 1;
    int64_t value = 0;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i)
        value = std::min(value * 10 + (text[i].unicode() - '0'), Limit);
    value = negative ? -value : std::min(value, Limit - 1);
    return static_cast<int>(value);
}

QString TtoolsForm::PictureRow(int k, int index) const {
    return QString::number(index) + QStringLiteral(": ") +
           VLMQ::FromCp932(std::invoke(VLM::LayerOps[k].name, *screen, index));
}

// ---- Keeping up with the compositor --------------------------------------------------------

void TtoolsForm::UpdateControls() {
    if (!screen) return;
    const QScopedValueRollback<bool> quiet(settingRows, true);

    for (int k = 0; k < 3; ++k) {
        // The archive stays named while one of its pictures cannot be read: its list stays,
        // with that row marked.
        const std::string& file = std::invoke(VLM::LayerOps[k].fileName, *screen);
        const QString text = tr(LabelPrefixes[k]) +
                             (file.empty() ? QStringLiteral("(none)") : VLMQ::FromHostName(file));
        // Refilling hundreds of rows on every step would be slow; only a new archive does it.
        if (labels[k]->text() != text) {
            SetLabelText(*labels[k], text);
            FillPictureRows(k);
        }
    }
    for (int k = 0; k < 3; ++k)
        ShowChosenRow(k);

    // The lists keep last time's width, so the common width never shrinks.
    int column = 0;
    for (int k = 0; k < 3; ++k)
        column = std::max({column, labels[k]->width(), combos[k]->width()});
    for (int k = 0; k < 3; ++k) {
        labels[k]->resize(column, labels[k]->height());
        combos[k]->resize(column, combos[k]->height());
    }

    UpdateElementGroups();
}

void TtoolsForm::FillPictureRows(int k) {
    QComboBox& combo = *combos[k];
    const QSignalBlocker blocker(combo);
    combo.clear();
    const int count = std::invoke(VLM::LayerOps[k].count, *screen);
    QStringList rows;
    rows.reserve(std::max(count, 0));
    for (int i = 0; i < count; ++i)
        rows << PictureRow(k, i);
    combo.addItems(rows);
    combo.setEnabled(combo.count() > 0);
}

void TtoolsForm::ShowChosenRow(int k) {
    const VLM::TLayerOps& ops = VLM::LayerOps[k];
    QComboBox& combo = *combos[k];
    const QSignalBlocker blocker(combo);
    int row = std::invoke(ops.current, *screen);
    const VLM::TLoadError& error = std::invoke(ops.error, *screen);
    if (error.Failed()) {
        // The picture tried last is chosen and marked, so the list says where stepping stands.
        const int tried = std::invoke(ops.drawn, *screen);
        if (tried >= 0 && tried < combo.count()) {
            const QString reason = VLMQ::ReasonText(error);
            if (combo.itemData(tried, FailureRole).toString() != reason) {
                combo.setItemText(tried,
                                  tr("%1 - not shown: %2").arg(PictureRow(k, tried), reason));
                combo.setItemIcon(tried, style()->standardIcon(QStyle::SP_MessageBoxWarning));
                combo.setItemData(tried, reason, Qt::ToolTipRole);
                combo.setItemData(tried, reason, FailureRole);
            }
            row = tried;
        }
    } else if (row >= 0 && row < combo.count() && combo.itemData(row, FailureRole).isValid()) {
        // Read after all (the file changed): the mark goes.
        combo.setItemText(row, PictureRow(k, row));
        combo.setItemIcon(row, QIcon());
        combo.setItemData(row, QVariant(), Qt::ToolTipRole);
        combo.setItemData(row, QVariant(), FailureRole);
    }
    combo.setCurrentIndex(row < combo.count() ? row : -1);
}

void TtoolsForm::UpdateElementGroups() {
    if (!screen->getchloaded()) HideElementBoxes(0);
    const std::vector<TGroupSpan> spans = GroupSpans();
    groupCount = static_cast<int>(spans.size());
    const QSize display = QWidget::screen()->size();
    const QSize content = LayOutElementGroups(spans, display.width());
    // Content that would reach the display's size keeps the window's present size instead.
    resize(content.width() < display.width() ? content.width() : width(),
           content.height() < display.height() ? content.height() : height());
}

std::vector<TtoolsForm::TGroupSpan> TtoolsForm::GroupSpans() const {
    // Runs of neighbouring elements with one rectangle form a group; equal rectangles apart
    // from each other do not.
    std::vector<TGroupSpan> spans;
    const int elements = screen->getelcnt();
    for (int e = 0; e < elements; ++e) {
        if (e == 0 || !screen->SameElementRect(e - 1, e))
            spans.push_back({e, 1});
        else
            ++spans.back().count;
    }
    return spans;
}

QSize TtoolsForm::LayOutElementGroups(const std::vector<TGroupSpan>& spans, int displayWidth) {
    // The shown elements in order, to find each group's chosen row by a search.
    std::vector<int32_t> shown = screen->shownElements;
    std::sort(shown.begin(), shown.end());

    const int y0 = combos[2]->y() + combos[2]->height();
    int bottom = y0;
    int right = combos[2]->x() + combos[2]->width();
    int x = 4;
    size_t made = 0; // groups given a list this time
    for (const TGroupSpan& span : spans) {
        if (x >= displayWidth) {
            // This group and the ones after it would start past any width the window can take.
            right = std::max(right, x);
            break;
        }
        const int g = static_cast<int>(made++);
        FillElementGroup(g, span, shown);
        QListView& box = *boxes[static_cast<size_t>(g)];
        QLabel& cap = *caps[static_cast<size_t>(g)];
        cap.move(x, y0);
        box.move(x, y0 + cap.height());
        box.resize(cap.width(), box.height());
        x += box.width() + 4;
        bottom = std::max(bottom, box.y() + box.height());
        right = std::max(right, box.x() + box.width());
    }
    HideElementBoxes(made);

    // The buttons' captions in English are wider than the narrowest lists.
    right = std::max(right, buttons[2]->x() + buttons[2]->width());
    return QSize(right + 4, bottom + 4);
}

void TtoolsForm::FillElementGroup(int g, const TGroupSpan& span,
                                  const std::vector<int32_t>& shown) {
    EnsureElementBoxes(g);
    auto& box = *static_cast<TElementBox*>(boxes[static_cast<size_t>(g)]);
    QLabel& cap = *caps[static_cast<size_t>(g)];
    const VLM::TScreen::TElemBounds bounds = screen->getElemBounds(span.first);
    SetLabelText(cap, QStringLiteral("&%1. (%2,%3)").arg(g).arg(bounds.left).arg(bounds.top));
    cap.show();
    box.Rows()->SetRange(span.first, span.count);
    if (box.isHidden()) box.show();
    // Of the group's elements that are shown, the last one is chosen.
    const auto after = std::upper_bound(shown.begin(), shown.end(), span.first + span.count - 1);
    if (after != shown.begin() && *(after - 1) >= span.first)
        box.setCurrentIndex(box.Rows()->index(*(after - 1) - span.first));
    else
        box.clearSelection();
    // A group of one element has nothing to choose.
    box.setEnabled(span.count > 1);
}

void TtoolsForm::HideElementBoxes(size_t from) {
    for (size_t g = from; g < boxes.size(); ++g) {
        static_cast<TElementBox*>(boxes[g])->Rows()->SetRange(0, 0);
        boxes[g]->hide();
        caps[g]->hide();
    }
}

void TtoolsForm::EnsureElementBoxes(int32_t g) {
    // Both lists only ever grow here, two by two.
    if (boxes.size() != caps.size()) {
        std::fprintf(stderr, "toolsfm: assertion failed: boxes->Count == caps->Count\n");
        std::abort();
    }
    const QFontMetrics metrics(font());
    while (static_cast<int64_t>(boxes.size()) < int64_t{g} + 1) {
        auto* box = new TElementBox(this);
        box->resize(box->width(), 10 * metrics.height());
        connect(box->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                [this, box] { elementBoxClick(box); });
        box->show();
        boxes.push_back(box);

        auto* cap = new QLabel(this);
        cap->setBuddy(box);
        cap->show();
        caps.push_back(cap);
    }
}

// ---- Handlers ------------------------------------------------------------------------------

void TtoolsForm::BoxChange(VLM::TLayerKind layer, QObject* sender) {
    VLMQ::Guarded(screen, [&] {
        const int k = VLM::LayerIndex(layer);
        if (!screen || sender != combos[k]) return;
        // The picture comes from the row's text, not from its place in the list.
        const int n = LeadingNumber(combos[k]->currentText());
        if (n < 0 || n >= std::invoke(VLM::OpsOf(layer).count, *screen)) return;
        emit pictureChosen(layer, n);
    });
}

void TtoolsForm::wallPaperBoxChange(QObject* sender) {
    BoxChange(VLM::TLayerKind::WallPaper, sender);
}
void TtoolsForm::backGroundBoxChange(QObject* sender) {
    BoxChange(VLM::TLayerKind::BackGround, sender);
}
void TtoolsForm::characterBoxChange(QObject* sender) {
    BoxChange(VLM::TLayerKind::Character, sender);
}

void TtoolsForm::elementBoxClick(QObject* sender) {
    if (settingRows) return;
    VLMQ::Guarded(screen, [&] {
        if (!screen || !screen->getchloaded()) return;
        const auto* box = qobject_cast<QListView*>(sender);
        if (!box || !box->model() || box->model()->rowCount() < 2) return;
        const QModelIndexList selected = box->selectionModel()->selectedIndexes();
        bool ok = false;
        int n = selected.isEmpty() ? -1 : selected.first().data().toString().toInt(&ok);
        if (!ok) n = -1;
        // Element 0 is the base picture: its row never swaps anything.
        if (n > 0) emit elementChosen(n);
    });
}

void TtoolsForm::openButtonClick(QObject* sender) {
    VLMQ::Guarded(screen, [&] {
        for (VLM::TLayerKind layer : VLM::AllLayers)
            if (sender == buttons[VLM::LayerIndex(layer)]) emit openRequested(layer);
    });
}
