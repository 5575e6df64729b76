// The picture list: a window of thumbnails of every picture of one layer's archive, each with
// its number and display name; clicking one asks for that picture. The thumbnails are made in
// short slices between the other events, the rows on screen first, so the window never holds
// up the desktop and fills while it is used.
#pragma once

#include "vlmlayers.h"

#include <QString>
#include <QWidget>

#include <memory>
#include <optional>

class QListView;
class QTimer;
class TPictureListModel;
class TPictureTile;
namespace VLM {
class TThumbnailMaker;
}

class TPictureListForm : public QWidget {
    Q_OBJECT

public:
    // Roles of the list's rows beside the display text ("12: name"), the thumbnail (a QImage
    // as decoration, null until made or when unreadable) and the tooltip.
    enum TRole {
        NameRole = Qt::UserRole, // the display name alone
        MadeRole,                // true once the row's thumbnail has been tried
        FailureRole,             // why the picture could not be read; empty when it could
    };
    // A slice ends once it has run this long; one thumbnail more never takes long.
    static constexpr int SliceMs = 12;

    explicit TPictureListForm(QWidget* owner = nullptr);
    ~TPictureListForm() override;

    // Lists every picture of the archive at path, read as a layer archive, and starts making
    // their thumbnails. An empty path leaves the list empty.
    void SetArchive(VLM::TLayerKind layer, const QString& path);
    // Marks and shows the row of the picture the main window shows; asks for nothing.
    void SelectPicture(int index);

    std::optional<VLM::TLayerKind> Layer() const { return layer; }
    const QString& Archive() const { return archive; }
    int Count() const;
    int Made() const { return made; }
    bool Finished() const { return made >= Count(); }
    QListView* List() const { return list; }

    // Makes thumbnails for SliceMs (at least one); false once every row has one. The timer
    // runs it between events; it is public so that a measurement can time single slices.
    bool MakeSlice();

signals:
    // The user clicked (or pressed Enter on) picture index of layer.
    void pictureChosen(VLM::TLayerKind layer, int index);

protected:
    // A new language: the title again.
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowTitle();
    int NextRow();
    void MakeRow(int row);
    void Choose(int row);

    QListView* list = nullptr;
    TPictureListModel* model = nullptr;
    TPictureTile* tiles = nullptr; // paints the rows
    QTimer* timer = nullptr;
    std::unique_ptr<VLM::TThumbnailMaker> maker;
    std::optional<VLM::TLayerKind> layer; // none before the first archive
    QString archive;
    int made = 0;
    int cursor = 0; // where the search for the next row to make starts
};
