// The main window's ways to archives besides the open dialogs: files named on the command line
// or dropped onto either window, the recent archives, and the picture list of each layer.
#include "mainfm.h"

#include "openfiles.h"
#include "picturelistfm.h"
#include "recent.h"
#include "toolsfm.h"
#include "vlmlayers.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

#include <cstdio>
#include <functional>

namespace {

const char* const LayerNames[3] = {QT_TRANSLATE_NOOP("TmainForm", "壁紙"),
                                   QT_TRANSLATE_NOOP("TmainForm", "背景"),
                                   QT_TRANSLATE_NOOP("TmainForm", "ｷｬﾗ")};

} // namespace

void TmainForm::CreateOpenItems() {
    recentMenu = new QMenu(this);
    fileMenu->insertMenu(mbar1, recentMenu);
    connect(recentMenu, &QMenu::aboutToShow, this, [this] { Guard([this] { FillRecentMenu(); }); });
    FillRecentMenu();

    viewMenu->addSeparator();
    for (VLM::TLayerKind layer : VLM::AllLayers) {
        QAction*& item = pictureListMenus[VLM::LayerIndex(layer)];
        item = viewMenu->addAction(QString());
        connect(item, &QAction::triggered, this,
                [this, layer] { Guard([this, layer] { ShowPictureList(layer); }); });
    }

    for (QWidget* target : {static_cast<QWidget*>(this), static_cast<QWidget*>(tools.data())}) {
        if (!target) continue;
        auto* drop = new VLMQ::TArchiveDrop(target);
        connect(drop, &VLMQ::TArchiveDrop::dropped, this,
                [this](const QStringList& paths) { Guard([&] { OpenFiles(paths); }); });
    }
}

void TmainForm::Note(const QString& text) {
    std::fprintf(stderr, "velmora: %s\n", text.toLocal8Bit().constData());
    notes << text;
}

void TmainForm::OpenFiles(const QStringList& paths) {
    if (paths.isEmpty() || !screen) return;
    notes.clear();
    const VLMQ::TRouting routing = VLMQ::RouteArchives(paths);
    for (const QString& problem : routing.problems)
        Note(problem);
    // One file's failure leaves the others to open.
    for (const VLMQ::TArchiveFile& file : routing.archives)
        Guard([&] { OpenArchive(file.layer, VLMQ::ToHostName(file.path)); });
    Guard([this] { UpdateCaption(); });
}

void TmainForm::ArchiveOpened(VLM::TLayerKind layer, const std::string& path) {
    const QString name = VLMQ::FromHostName(path);
    // Only an archive under its own name is worth offering again.
    if (VLM::LayerKindOf(path) == layer) VLMQ::NoteRecentArchive(layer, name);
    const int k = VLM::LayerIndex(layer);
    if (pictureLists[k]) {
        pictureLists[k]->SetArchive(layer, name);
        listMarks[k] = -2;
    }
}

// ---- Recent archives -----------------------------------------------------------------------

void TmainForm::FillRecentMenu() {
    recentMenu->clear();
    bool any = false;
    for (VLM::TLayerKind layer : VLM::AllLayers) {
        const QStringList paths = VLMQ::RecentArchives(layer);
        if (paths.isEmpty()) continue;
        any = true;
        recentMenu->addSection(tr(LayerNames[VLM::LayerIndex(layer)]));
        for (qsizetype i = 0; i < paths.size(); ++i) {
            QString shown = paths[i];
            shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
            QAction* item = recentMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown));
            connect(item, &QAction::triggered, this,
                    [this, layer, path = paths[i]] { Guard([&] { OpenRecent(layer, path); }); });
        }
    }
    if (!any) recentMenu->addAction(tr("(なし)"))->setEnabled(false);
}

void TmainForm::OpenRecent(VLM::TLayerKind layer, const QString& path) {
    if (!QFileInfo::exists(path)) {
        notes.clear();
        VLMQ::ForgetRecentArchive(layer, path);
        Note(tr("%1: no longer there; taken off the recent archives").arg(path));
        UpdateCaption();
        return;
    }
    OpenFiles({path});
}

// ---- Picture lists -------------------------------------------------------------------------

void TmainForm::ShowPictureList(VLM::TLayerKind layer) {
    if (!screen) return;
    QPointer<TPictureListForm>& list = pictureLists[VLM::LayerIndex(layer)];
    if (!list) {
        list = new TPictureListForm(this);
        connect(list, &TPictureListForm::pictureChosen, this, &TmainForm::PictureChosen);
        list->SetArchive(layer,
                         VLMQ::FromHostName(std::invoke(VLM::OpsOf(layer).fileName, *screen)));
        listMarks[VLM::LayerIndex(layer)] = -2;
    }
    list->show();
    list->raise();
    list->activateWindow();
    MarkShownPictures();
}

void TmainForm::MarkShownPictures() {
    if (!screen) return;
    for (int k = 0; k < 3; ++k) {
        if (!pictureLists[k]) continue;
        // Only a change moves the list, so that it stays where the user scrolled it.
        const int shown = std::invoke(VLM::LayerOps[k].current, *screen);
        if (shown == listMarks[k]) continue;
        pictureLists[k]->SelectPicture(shown);
        listMarks[k] = shown;
    }
}
