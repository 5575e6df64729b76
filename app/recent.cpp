#include "recent.h"

#include "settings.h"

#include <QFileInfo>

namespace VLMQ {

namespace {

QString Key(VLM::TLayerKind layer) {
    static const char* const Keys[3] = {"recent/wallpapers", "recent/backgrounds",
                                        "recent/characters"};
    return QString::fromLatin1(Keys[VLM::LayerIndex(layer)]);
}

void Store(VLM::TLayerKind layer, const QStringList& paths) {
    OpenSettings()->setValue(Key(layer), paths);
}

} // namespace

QStringList RecentArchives(VLM::TLayerKind layer) {
    QStringList paths = OpenSettings()->value(Key(layer)).toStringList();
    // A hand-edited file may hold more.
    if (paths.size() > RecentKept) paths.resize(RecentKept);
    return paths;
}

void NoteRecentArchive(VLM::TLayerKind layer, const QString& path) {
    if (path.isEmpty()) return;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList paths = RecentArchives(layer);
    paths.removeAll(absolute);
    paths.prepend(absolute);
    if (paths.size() > RecentKept) paths.resize(RecentKept);
    Store(layer, paths);
}

void ForgetRecentArchive(VLM::TLayerKind layer, const QString& path) {
    QStringList paths = RecentArchives(layer);
    if (paths.removeAll(path) > 0) Store(layer, paths);
}

} // namespace VLMQ
