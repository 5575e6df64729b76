#include "openfiles.h"

#include "qtui.h"
#include "vlmlayers.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <algorithm>

namespace VLMQ {

namespace {

QStringList LocalFiles(const QMimeData* data) {
    QStringList files;
    if (!data || !data->hasUrls()) return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) files << url.toLocalFile();
    return files;
}

} // namespace

TRouting RouteArchives(const QStringList& paths) {
    TRouting routing;
    for (const QString& path : paths) {
        const std::string host = ToHostName(path);
        const std::optional<VLM::TLayerKind> kind = VLM::LayerKindOf(host);
        if (!kind) {
            routing.problems << QCoreApplication::translate(
                                    "VLMQ", "%1: not an archive the viewer knows by name "
                                            "(EYECATCH.ALL, WPALL1.ALL, WPALL2.ALL, WPALL3.ALL, "
                                            "NBGFILE1.ALL, NCDAT.ALL)")
                                    .arg(path);
            continue;
        }
        try {
            const VLM::TFile file(host);
        } catch (const VLM::EReadError& e) {
            routing.problems << QStringLiteral("%1: %2").arg(path, ReasonText(e.Reason()));
            continue;
        }
        routing.archives.push_back({*kind, path});
    }
    std::stable_sort(
        routing.archives.begin(), routing.archives.end(),
        [](const TArchiveFile& a, const TArchiveFile& b) { return a.layer < b.layer; });
    return routing;
}

TArchiveDrop::TArchiveDrop(QWidget* target) : QObject(target) {
    target->setAcceptDrops(true);
    target->installEventFilter(this);
}

bool TArchiveDrop::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (LocalFiles(drag->mimeData()).isEmpty()) break;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QStringList files = LocalFiles(drop->mimeData());
        if (files.isEmpty()) break;
        drop->acceptProposedAction();
        emit dropped(files);
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace VLMQ
