// The tools window: for each layer the open archive and a drop-down list of its pictures, and
// for the character on screen one list per group of alternative elements.
#pragma once

#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class TmainForm;
namespace VLM {
class TScreen;
}

class TtoolsForm : public QWidget {
    Q_OBJECT

public:
    explicit TtoolsForm(QWidget* owner = nullptr);
    ~TtoolsForm() override;

    std::vector<std::unique_ptr<QListWidget>> boxes;  // element-group lists, group g at g
    std::vector<std::unique_ptr<QLabel>> caps;        // their captions
    VLM::TScreen* screen = nullptr;                   // not owned
    TmainForm* mainForm = nullptr;                    // not owned
    std::array<std::unique_ptr<QLabel>, 3> labels;    // archive line of each layer
    std::array<std::unique_ptr<QComboBox>, 3> combos; // picture list of each layer
    std::array<QPushButton*, 3> buttons{};            // open command of each layer

    // Brings every control in line with the compositor.
    void UpdateControls();
    // Makes sure group g has a list and a caption.
    void EnsureElementBoxes(int32_t g);

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

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BoxChange(int k, QObject* sender);
};
