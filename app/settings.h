// The viewer's own settings: $XDG_CONFIG_HOME/velmora/viewer.conf (~/.config/velmora/viewer.conf
// when that is not set). The window's place and size, the zoom step, integer scaling, the
// tools window's visibility and place, and the recent archives. Archives are never reopened
// from here.
#pragma once

#include <QSettings>

#include <memory>

namespace VLMQ {

std::unique_ptr<QSettings> OpenSettings();

} // namespace VLMQ
