// The archives opened last, per layer (0 wallpaper, 1 background, 2 character), newest first,
// kept in the settings. Paths are absolute, so that an entry opens from any folder.
#pragma once

#include <QString>
#include <QStringList>

namespace VLMQ {

constexpr int RecentKept = 8; // a layer's list keeps this many

QStringList RecentArchives(int layer);
// Puts path at the top of the layer's list (once), dropping the oldest beyond RecentKept.
void NoteRecentArchive(int layer, const QString& path);
void ForgetRecentArchive(int layer, const QString& path);

} // namespace VLMQ
