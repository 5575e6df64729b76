#include "toolsfm.h"

#include "mainfm.h"
#include "qtui.h"
#include "vlmscreen.h"

#include <QAction>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QSignalBlocker>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

// What each of the three layer slots (wallpaper, background, character) shows and calls.
struct TLayerSlot {
    const char* button;
    const char* prefix;
    bool (VLM::TScreen::*loaded)() const;
    const std::string& (VLM::TScreen::*fileName)() const;
    int (VLM::TScreen::*count)();
    const char* (VLM::TScreen::*name)(int);
    int (VLM::TScreen::*index)() const;
    void (VLM::TScreen::*draw)(int);
    QAction* TmainForm::*command;
};

const TLayerSlot Slots[3] = {
    {"壁紙を開く", "壁紙(&W): ", &VLM::TScreen::getwploaded, &VLM::TScreen::getwpfn,
     &VLM::TScreen::getwpcnt, &VLM::TScreen::wpmnes, &VLM::TScreen::getwp,
     &VLM::TScreen::DrawWallPaper, &TmainForm::openWallPaperMenu},
    {"背景を開く", "背景(&G): ", &VLM::TScreen::getbgloaded, &VLM::TScreen::getbgfn,
     &VLM::TScreen::getbgcnt, &VLM::TScreen::bgmnes, &VLM::TScreen::getbg,
     &VLM::TScreen::DrawBackGround, &TmainForm::openBackGroundMenu},
    {"キャラを開く", "キャラ(&C): ", &VLM::TScreen::getchloaded, &VLM::TScreen::getchfn,
     &VLM::TScreen::getchcnt, &VLM::TScreen::chmnes, &VLM::TScreen::getch,
     static_cast<void (VLM::TScreen::*)(int)>(&VLM::TScreen::DrawCharacter),
     &TmainForm::openCharacterMenu},
};

// A list box whose rows run down one column and on into the next, three columns sharing its
// width.
class TElementBox : public QListWidget {
public:
    explicit TElementBox(QWidget* parent) : QListWidget(parent) {
        setSelectionMode(QAbstractItemView::SingleSelection);
        setFlow(QListView::TopToBottom);
        setWrapping(true);
        setResizeMode(QListView::Adjust);
        setUniformItemSizes(true);
        // A column is a third of a narrow list: clip a row's text rather than replace it by
        // an ellipsis.
        setTextElideMode(Qt::ElideNone);
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QListWidget::resizeEvent(event);
        setGridSize(QSize(std::max(1, viewport()->width() / 3), fontMetrics().height()));
    }
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
    int x = 4, rowBottom = 4;
    for (int k = 0; k < 3; ++k) {
        const QString caption = QString::fromUtf8(Slots[k].button);
        QPushButton* button = new QPushButton(caption, this);
        button->setGeometry(x, 4, metrics.horizontalAdvance(caption) + 8, 25);
        connect(button, &QPushButton::clicked, this, [this, button] { openButtonClick(button); });
        buttons[k] = button;
        x += button->width() + 4;
        rowBottom = std::max(rowBottom, button->y() + button->height());
    }

    int right = x, y = rowBottom + 4;
    for (int k = 0; k < 3; ++k) {
        labels[k] = std::make_unique<QLabel>(this);
        labels[k]->move(4, y);
        SetLabelText(*labels[k], QStringLiteral(" "));
        y += labels[k]->height();
        right = std::max(right, labels[k]->width());

        combos[k] = std::make_unique<QComboBox>(this);
        combos[k]->setEditable(false);
        combos[k]->setMaxVisibleItems(16);
        // Some styles open a plain list as tall as the screen and ignore the row count.
        combos[k]->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
        combos[k]->setGeometry(4, y, 32 * metrics.horizontalAdvance(QLatin1Char('X')),
                               combos[k]->sizeHint().height());
        y += combos[k]->height();
        right = std::max(right, combos[k]->width());

        labels[k]->setBuddy(combos[k].get());
    }

    // activated is raised by a user's choice only, never by setting the row from here.
    connect(combos[0].get(), &QComboBox::activated, this,
            [this] { wallPaperBoxChange(combos[0].get()); });
    connect(combos[1].get(), &QComboBox::activated, this,
            [this] { backGroundBoxChange(combos[1].get()); });
    connect(combos[2].get(), &QComboBox::activated, this,
            [this] { characterBoxChange(combos[2].get()); });

    resize(4 + right + 4, y + 4);
}

TtoolsForm::~TtoolsForm() {
    for (int k = 2; k >= 0; --k) {
        combos[k].reset();
        labels[k].reset();
    }
    for (size_t g = boxes.size(); g-- > 0;) {
        caps[g].reset();
        boxes[g].reset();
    }
    caps.clear();
    boxes.clear();
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

// ---- Keeping up with the compositor --------------------------------------------------------

void TtoolsForm::UpdateControls() {
    if (!screen) return;

    for (int k = 0; k < 3; ++k) {
        const TLayerSlot& slot = Slots[k];
        const QString text =
            QString::fromUtf8(slot.prefix) + ((screen->*slot.loaded)()
                                                  ? VLMQ::FromHostName((screen->*slot.fileName)())
                                                  : QStringLiteral("(none)"));
        // Refilling hundreds of rows on every step would be slow; only a new archive does it.
        if (labels[k]->text() != text) {
            SetLabelText(*labels[k], text);
            QComboBox& combo = *combos[k];
            const QSignalBlocker blocker(combo);
            combo.clear();
            const int count = (screen->*slot.count)();
            QStringList rows;
            rows.reserve(std::max(count, 0));
            for (int i = 0; i < count; ++i)
                rows << QString::number(i) + QStringLiteral(": ") +
                            VLMQ::FromCp932((screen->*slot.name)(i));
            combo.addItems(rows);
            combo.setEnabled(combo.count() > 0);
        }
    }

    for (int k = 0; k < 3; ++k) {
        const QSignalBlocker blocker(*combos[k]);
        const int index = (screen->*Slots[k].index)();
        combos[k]->setCurrentIndex(index < combos[k]->count() ? index : -1);
    }

    // The lists keep last time's width, so the common width never shrinks.
    int column = 0;
    for (int k = 0; k < 3; ++k)
        column = std::max({column, labels[k]->width(), combos[k]->width()});
    for (int k = 0; k < 3; ++k) {
        labels[k]->resize(column, labels[k]->height());
        combos[k]->resize(column, combos[k]->height());
    }

    if (!screen->getchloaded()) {
        for (size_t g = 0; g < boxes.size(); ++g) {
            const QSignalBlocker blocker(*boxes[g]);
            boxes[g]->clear();
            boxes[g]->hide();
            caps[g]->hide();
        }
    }
    for (auto& box : boxes) {
        const QSignalBlocker blocker(*box);
        box->clear();
    }

    // Runs of neighbouring elements with one rectangle form a group; equal rectangles apart
    // from each other do not.
    int g = -1;
    const int elements = screen->getelcnt();
    for (int e = 0; e < elements; ++e) {
        if (e == 0 || !screen->SameElementRect(e - 1, e)) {
            ++g;
            EnsureElementBoxes(g);
            const VLM::TScreen::TElemBounds bounds = screen->getElemBounds(e);
            SetLabelText(*caps[g],
                         QStringLiteral("&%1. (%2,%3)").arg(g).arg(bounds.left).arg(bounds.top));
            caps[g]->show();
        }
        QListWidget& box = *boxes[g];
        if (box.isHidden()) box.show();
        const QSignalBlocker blocker(box);
        box.addItem(ElementRow(e));
        const auto& shown = screen->shownElements;
        if (std::find(shown.begin(), shown.end(), e) != shown.end())
            box.setCurrentRow(box.count() - 1);
    }

    const size_t groups = static_cast<size_t>(g + 1);
    for (size_t j = groups; j < boxes.size(); ++j) {
        boxes[j]->hide();
        caps[j]->hide();
    }

    const int y0 = combos[2]->y() + combos[2]->height();
    int bottom = y0;
    int right = combos[2]->x() + combos[2]->width();
    int x = 4;
    for (size_t j = 0; j < groups; ++j) {
        QListWidget& box = *boxes[j];
        QLabel& cap = *caps[j];
        // A group of one element has nothing to choose.
        box.setEnabled(box.count() > 1);
        cap.move(x, y0);
        box.move(x, y0 + cap.height());
        box.resize(cap.width(), box.height());
        x += box.width() + 4;
        bottom = std::max(bottom, box.y() + box.height());
        right = std::max(right, box.x() + box.width());
    }

    bottom += 4;
    right += 4;
    // Content that would reach the display's size keeps the window's present size instead.
    const QSize display = QWidget::screen()->size();
    resize(right < display.width() ? right : width(),
           bottom < display.height() ? bottom : height());
}

void TtoolsForm::EnsureElementBoxes(int32_t g) {
    // Both lists only ever grow here, two by two.
    if (boxes.size() != caps.size()) {
        std::fprintf(stderr, "toolsfm: assertion failed: boxes->Count == caps->Count\n");
        std::abort();
    }
    const QFontMetrics metrics(font());
    while (static_cast<int64_t>(boxes.size()) < int64_t{g} + 1 ||
           static_cast<int64_t>(caps.size()) < int64_t{g} + 1) {
        auto box = std::make_unique<TElementBox>(this);
        box->resize(box->width(), 10 * metrics.height());
        QListWidget* sender = box.get();
        connect(box.get(), &QListWidget::itemSelectionChanged, this,
                [this, sender] { elementBoxClick(sender); });
        box->show();
        boxes.push_back(std::move(box));

        auto cap = std::make_unique<QLabel>(this);
        cap->setBuddy(boxes.back().get());
        cap->show();
        caps.push_back(std::move(cap));
    }
}

// ---- Handlers ------------------------------------------------------------------------------

void TtoolsForm::BoxChange(int k, QObject* sender) {
    if (!screen || sender != combos[k].get()) return;
    // The picture comes from the row's text, not from its place in the list.
    const int n = LeadingNumber(combos[k]->currentText());
    if (n < 0 || n >= (screen->*Slots[k].count)()) return;
    (screen->*Slots[k].draw)(n);
    if (mainForm) mainForm->UpdateCaption();
}

void TtoolsForm::wallPaperBoxChange(QObject* sender) {
    BoxChange(0, sender);
}
void TtoolsForm::backGroundBoxChange(QObject* sender) {
    BoxChange(1, sender);
}
void TtoolsForm::characterBoxChange(QObject* sender) {
    BoxChange(2, sender);
}

void TtoolsForm::elementBoxClick(QObject* sender) {
    if (!screen || !screen->getchloaded()) return;
    const auto* box = qobject_cast<QListWidget*>(sender);
    if (!box || box->count() < 2) return;
    const QList<QListWidgetItem*> selected = box->selectedItems();
    bool ok = false;
    int n = selected.isEmpty() ? -1 : selected.first()->text().toInt(&ok);
    if (!ok) n = -1;
    // Element 0 is the base picture: its row never swaps anything.
    if (n > 0) screen->DrawElement(n);
}

void TtoolsForm::openButtonClick(QObject* sender) {
    if (!mainForm) return;
    for (int k = 0; k < 3; ++k)
        if (sender == buttons[k]) (mainForm->*Slots[k].command)->trigger();
}

void TtoolsForm::FormShow() {
    if (!mainForm) return;
    const QRect main = mainForm->frameGeometry();
    const QPoint place(main.x() + main.width(), main.y());
    // While this window is being shown its own frame is not known yet; the desktop gives it
    // the same frame as the main window, so its client area goes where the main window's
    // would stand in that frame.
    const QPoint frame = mainForm->geometry().topLeft() - main.topLeft();
    setGeometry(QRect(place + frame, size()));
}

void TtoolsForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) FormShow();
}
