// The main window's ways to archives besides the open dialogs: files named on the command line
// or dropped onto either window, the recent archives, and the picture list of each layer.
#include "mainfm.h"

#include "layers.h"
#include "openfiles.h"
#include "picturelistfm.h"
#include "recent.h"
#include "toolsfm.h"
#include "vlmthumbnail.h"

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
    for (int k = 0; k < 3; ++k) {
        pictureListMenus[k] = viewMenu->addAction(QString());
        connect(pictureListMenus[k], &QAction::triggered, this,
                [this, k] { Guard([this, k] { ShowPictureList(k); }); });
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

void TmainForm::ArchiveOpened(int layer, const std::string& path) {
    const QString name = VLMQ::FromHostName(path);
    // Only an archive under its own name is worth offering again.
    const std::optional<VLM::TLayerKind> kind = VLM::LayerKindOf(path);
    if (kind && static_cast<int>(*kind) == layer) VLMQ::NoteRecentArchive(layer, name);
    if (pictureLists[layer]) {
        pictureLists[layer]->SetArchive(layer, name);
        listMarks[layer] = -2;
    }
}

// ---- Recent archives -----------------------------------------------------------------------

void TmainForm::FillRecentMenu() {
    recentMenu->clear();
    bool any = false;
    for (int k = 0; k < 3; ++k) {
        const QStringList paths = VLMQ::RecentArchives(k);
        if (paths.isEmpty()) continue;
        any = true;
        recentMenu->addSection(tr(LayerNames[k]));
        for (qsizetype i = 0; i < paths.size(); ++i) {
            QString shown = paths[i];
            shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
            QAction* item = recentMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown));
            connect(item, &QAction::triggered, this,
                    [this, k, path = paths[i]] { Guard([&] { OpenRecent(k, path); }); });
        }
    }
    if (!any) recentMenu->addAction(tr("(なし)"))->setEnabled(false);
}

void TmainForm::OpenRecent(int layer, const QString& path) {
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

void TmainForm::ShowPictureList(int layer) {
    if (layer < 0 || layer >= 3 || !screen) return;
    QPointer<TPictureListForm>& list = pictureLists[layer];
    if (!list) {
        list = new TPictureListForm(this);
        connect(list, &TPictureListForm::pictureChosen, this, &TmainForm::PictureChosen);
        list->SetArchive(layer, VLMQ::FromHostName(std::invoke(LayerOps[layer].fileName, *screen)));
        listMarks[layer] = -2;
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
        const int shown = std::invoke(LayerOps[k].current, *screen);
        if (shown == listMarks[k]) continue;
        pictureLists[k]->SelectPicture(shown);
        listMarks[k] = shown;
    }
}
