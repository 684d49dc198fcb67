// The file list keeps up with its folder: the view's state across a re-listing, and the
// watch that re-lists when someone else changes the folder.

#include <algorithm>

#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QScrollBar>
#include <QSet>
#include <QTimer>
#include <QTreeView>

#include "browser/file_list_model.h"
#include "browser/file_list_view.h"

namespace kivo {

TFileListView::KeptView TFileListView::CaptureView() const {
    KeptView kept;
    for (int row : SelectedRows())
        kept.selected.append(Item(row).fullPath());
    if (const int current = FocusedRow(); current >= 0)
        kept.current = Item(current).fullPath();
    kept.vertical = CurrentView()->verticalScrollBar()->value();
    kept.horizontal = CurrentView()->horizontalScrollBar()->value();
    return kept;
}

void TFileListView::RestoreView(const KeptView& kept) {
    const QSet<QString> selected(kept.selected.begin(), kept.selected.end());
    QItemSelection selection;
    int current = -1;
    for (int row = 0; row < ItemCount(); ++row) {
        const QString& path = Item(row).fullPath();
        if (selected.contains(path))
            selection.select(model_->index(row, 0), model_->index(row, ColumnCount() - 1));
        if (current < 0 && !kept.current.isEmpty() && path == kept.current)
            current = row;
    }
    if (current >= 0)
        selection_->setCurrentIndex(model_->index(current, 0), QItemSelectionModel::NoUpdate);
    selection_->select(selection, QItemSelectionModel::Select);
    // Icon layouts are made later: the scroll position is set once they are.
    QAbstractItemView* view = CurrentView();
    const int vertical = kept.vertical, horizontal = kept.horizontal;
    auto scroll = [view, vertical, horizontal] {
        view->verticalScrollBar()->setValue(vertical);
        view->horizontalScrollBar()->setValue(horizontal);
    };
    scroll();
    QTimer::singleShot(0, view, scroll);
}

void TFileListView::WatchFolder() {
    if (!watcher_) {
        watcher_ = new QFileSystemWatcher(this);
        watchDelay_ = new QTimer(this);
        watchDelay_->setSingleShot(true);
        connect(watchDelay_, &QTimer::timeout, this, [this] { FolderChanged(); });
        connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
            // A burst (a camera import) restarts the wait, but never beyond the longest one.
            if (!watchDelay_->isActive())
                burstStart_.start();
            const qint64 waited = burstStart_.elapsed();
            watchDelay_->start(static_cast<int>(
                std::max<qint64>(0, std::min<qint64>(kWatchDelayMs, kWatchMaxDelayMs - waited))));
        });
    }
    const QString folder = listing_.IsDrives() ? QString() : listing_.Directory();
    const QStringList watched = watcher_->directories();
    if (watched.size() == 1 && watched.front() == folder)
        return;
    if (!watched.isEmpty())
        watcher_->removePaths(watched);
    watchDelay_->stop();
    if (!folder.isEmpty())
        watcher_->addPath(folder);
}

void TFileListView::FolderChanged() {
    if (!listing_.IsDrives())
        RefreshListing();
}

} // namespace kivo
