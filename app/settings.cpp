#include "settings.h"

namespace VLMQ {

std::unique_ptr<QSettings> OpenSettings() {
    // Named here rather than through the application's names, so that every program that
    // links the windows (the viewer and its tests) agrees on the file.
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("velmora"), QStringLiteral("viewer"));
}

} // namespace VLMQ
