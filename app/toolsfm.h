// The tools window: for each layer the open archive and a drop-down list of its pictures, and
// for the character on screen one list per element group, a run of neighbouring elements with
// one rectangle (alternatives for one spot). It only reads the compositor; every choice made
// here goes out as a signal, which the main window carries out. Its place is in toolsplace.cpp.
#pragma once

#include "vlmlayers.h"

#include <QPoint>
#include <QSize>
#include <QWidget>

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

class QComboBox;
class QLabel;
class QListView;
class QPushButton;
class QSettings;
namespace VLM {
class TScreen;
}

class TtoolsForm : public QWidget {
    Q_OBJECT

public:
    explicit TtoolsForm(QWidget* owner = nullptr);
    ~TtoolsForm() override;

    // Every control is a child of this window, which alone owns it.
    // Element-group lists and their captions, group g at g. They are made only for groups that
    // can come into view, those starting left of the display's right edge: the window never
    // grows to the display's width, so a character with more groups has the rest cut off at
    // its edge, and a record of thousands of groups costs what a display can show.
    std::vector<QListView*> boxes;
    std::vector<QLabel*> caps;
    VLM::TScreen* screen = nullptr;     // not owned
    std::array<QLabel*, 3> labels{};    // archive line of each layer
    std::array<QComboBox*, 3> combos{}; // picture list of each layer
    std::array<QPushButton*, 3> buttons{};

    // The number of element groups of the character on screen (more than boxes when the row
    // of groups is cut off).
    int GroupCount() const { return groupCount; }

    // Makes sure group g has a list and a caption.
    void EnsureElementBoxes(int32_t g);

    // Puts the window's frame at frameTopLeft (its client area at clientTopLeft). A move by the
    // user away from there is remembered until the next placement; byUser: the place is one the
    // user chose (restored from the last session), which the window keeps.
    void Place(const QPoint& frameTopLeft, const QPoint& clientTopLeft, bool byUser = false);
    bool MovedByUser() const { return movedByUser; }
    // Puts the window against window's right edge (or its left edge when the right one has no
    // room), never off the screen; the first time, where the user had it last session instead.
    void PlaceBeside(const QWidget& window);
    // Places the window beside window again after that one moved or was resized, unless the
    // user has moved this one or window is full screen.
    void Follow(const QWidget& window);
    // The place the user gave the window, kept from one session to the next: read before the
    // first placement, written when the viewer closes (null tools: no place to keep).
    void RestorePlace(const QSettings& settings);
    static void SavePlace(QSettings& settings, const TtoolsForm* tools);

    // Handlers; each acts only when the sender is its own control.
    void wallPaperBoxChange(QObject* sender);
    void backGroundBoxChange(QObject* sender);
    void characterBoxChange(QObject* sender);
    void elementBoxClick(QObject* sender);
    void openButtonClick(QObject* sender);
    void FormShow();

    // The text of element row e ("07", "12", "123").
    static QString ElementRow(int e);
    // The leading decimal number of a picture row ("12: name" -> 12); 0 without digits.
    static int LeadingNumber(const QString& text);

public slots:
    // Brings every control in line with the compositor.
    void UpdateControls();

signals:
    void openRequested(VLM::TLayerKind layer);            // an open button
    void pictureChosen(VLM::TLayerKind layer, int index); // a picture row chosen by the user
    void elementChosen(int element); // an element row (not "00") chosen by the user
    void showing();                  // each time the window is shown: place it

protected:
    // A new language: the buttons' captions and the labels' prefixes again.
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    // Captions the buttons and puts them in a row, each as wide as its caption; the row's end.
    int LayOutButtons();
    void BoxChange(VLM::TLayerKind layer, QObject* sender);
    QString PictureRow(int k, int index) const;
    void FillPictureRows(int k);
    void ShowChosenRow(int k);

    // An element group: elements first .. first + count - 1.
    struct TGroupSpan {
        int first, count;
    };
    void UpdateElementGroups();
    std::vector<TGroupSpan> GroupSpans() const;
    // Puts the groups' lists side by side under the picture lists, as many as can come into
    // view, and hides the others; the size the window's contents then need.
    QSize LayOutElementGroups(const std::vector<TGroupSpan>& spans, int displayWidth);
    // Gives group g's list the span's rows, the shown element chosen, and its caption.
    void FillElementGroup(int g, const TGroupSpan& span, const std::vector<int32_t>& shown);
    // Empties and hides the lists (and captions) of groups from on.
    void HideElementBoxes(size_t from);

    bool PlaceAsRestored(const QSize& frameSize);

    int groupCount = 0;
    bool settingRows = false; // rows chosen by the program raise no choice
    bool placed = false;
    bool movedByUser = false;
    QPoint placedAt;
    std::optional<std::pair<QPoint, QPoint>> placeAtStart; // frame and client corner, restored
};
