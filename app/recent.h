// The archives opened last, per layer, newest first, kept in the settings. Paths are absolute, so
// that an entry opens from any folder.
#pragma once

#include "vlmlayers.h"

#include <QString>
#include <QStringList>

namespace VLMQ {

constexpr int RecentKept = 8; // a layer's list keeps this many

QStringList RecentArchives(VLM::TLayerKind layer);
// Puts path at the top of the layer's list (once), dropping the oldest beyond RecentKept.
void NoteRecentArchive(VLM::TLayerKind layer, const QString& path);
void ForgetRecentArchive(VLM::TLayerKind layer, const QString& path);

} // namespace VLMQ
