// Archive files named from outside the open dialogs (the command line, drops, the recent
// archives): each goes to the layer its file name says, as the engine recognises it.
#pragma once

#include "vlmlayers.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <vector>

class QWidget;

namespace VLMQ {

struct TArchiveFile {
    VLM::TLayerKind layer;
    QString path;
};

struct TRouting {
    std::vector<TArchiveFile> archives; // wallpapers first, then backgrounds, then characters
    QStringList problems; // "path: why", for a file of no known name or one that cannot be opened
};

// Sorts paths by layer, keeping their order within a layer. Only regular files that open are
// routed; nothing is read beyond the open.
TRouting RouteArchives(const QStringList& paths);

// Lets local files be dropped onto a window: a child of target, which it makes accept drops.
class TArchiveDrop : public QObject {
    Q_OBJECT

public:
    explicit TArchiveDrop(QWidget* target);

signals:
    void dropped(const QStringList& paths);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace VLMQ
