#include "recent.h"

#include "settings.h"

#include <QFileInfo>

namespace VLMQ {

namespace {

QString Key(int layer) {
    static const char* const Keys[3] = {"recent/wallpapers", "recent/backgrounds",
                                        "recent/characters"};
    return QString::fromLatin1(Keys[layer]);
}

bool KnownLayer(int layer) {
    return layer >= 0 && layer < 3;
}

void Store(int layer, const QStringList& paths) {
    OpenSettings()->setValue(Key(layer), paths);
}

} // namespace

QStringList RecentArchives(int layer) {
    if (!KnownLayer(layer)) return {};
    QStringList paths = OpenSettings()->value(Key(layer)).toStringList();
    // A hand-edited file may hold more.
    if (paths.size() > RecentKept) paths.resize(RecentKept);
    return paths;
}

void NoteRecentArchive(int layer, const QString& path) {
    if (!KnownLayer(layer) || path.isEmpty()) return;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList paths = RecentArchives(layer);
    paths.removeAll(absolute);
    paths.prepend(absolute);
    if (paths.size() > RecentKept) paths.resize(RecentKept);
    Store(layer, paths);
}

void ForgetRecentArchive(int layer, const QString& path) {
    if (!KnownLayer(layer)) return;
    QStringList paths = RecentArchives(layer);
    if (paths.removeAll(path) > 0) Store(layer, paths);
}

} // namespace VLMQ
