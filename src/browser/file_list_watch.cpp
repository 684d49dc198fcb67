// The file list keeps up with its folder: the view's state across a re-listing, and the
// watch that re-lists when someone else changes the folder. That re-listing reads the
// folder on a worker thread (a big folder or a slow disk must not freeze the window) and
// changes only the rows that changed.

#include <algorithm>
#include <memory>

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QPromise>
#include <QScrollBar>
#include <QSet>
#include <QThreadPool>
#include <QTimer>
#include <QTreeView>

#include "browser/file_list_folder_watch.h"
#include "browser/file_list_model.h"
#include "browser/file_list_view.h"
#include "platform/gui/path_text.h"

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
        watcher_ = new FolderWatch(this);
        watchDelay_ = new QTimer(this);
        watchDelay_->setSingleShot(true);
        connect(watchDelay_, &QTimer::timeout, this, [this] { FolderChanged(); });
        connect(watcher_, &FolderWatch::Changed, this, [this] {
            // A burst (a camera import) restarts the wait, but never beyond the longest one.
            if (!watchDelay_->isActive())
                burstStart_.start();
            const qint64 waited = burstStart_.elapsed();
            watchDelay_->start(static_cast<int>(
                std::max<qint64>(0, std::min<qint64>(kWatchDelayMs, kWatchMaxDelayMs - waited))));
        });
    }
    const std::string folder =
        listing_.IsDrives() ? std::string() : PathBytes(listing_.Directory());
    if (watcher_->Watches(folder))
        return;
    watchDelay_->stop();
    watcher_->Watch(folder);
}

void TFileListView::FolderChanged() {
    if (listing_.IsDrives())
        return;
    if (relisted_) {
        relistAgain_ = true; // once the one under way is in
        return;
    }
    if (!relisting_) {
        relisting_ = new QFutureWatcher<void>(this);
        connect(relisting_, &QFutureWatcher<void>::finished, this, [this] { ApplyRelisting(); });
    }
    relistAgain_ = false;
    relistedGeneration_ = listingGeneration_;
    // The worker lists a copy with the texts' settings taken here: it shares nothing with
    // the GUI thread but the copy, which it alone touches until it is finished.
    relisted_ = std::make_shared<FileListing>(listing_);
    auto promise = std::make_shared<QPromise<void>>();
    relisting_->setFuture(promise->future());
    QThreadPool::globalInstance()->start(
        [promise, listing = relisted_, settings = ModifiedFormatSettings()] {
            promise->start();
            {
                const PinnedModifiedSettings pinned(settings);
                listing->RefreshKeepingUnchanged();
            }
            promise->finish();
        });
}

void TFileListView::ApplyRelisting() {
    const std::shared_ptr<FileListing> fresh = std::move(relisted_);
    // Listed again meanwhile, or sorted: this result is older than what is shown.
    const bool stale = !fresh || relistedGeneration_ != listingGeneration_ ||
                       fresh->Directory() != listing_.Directory() ||
                       fresh->Columns().size() != listing_.Columns().size();
    if (!stale && IsEditing()) {
        // Rows must not move under an open editor: asked again a little later.
        watchDelay_->start(kWatchMaxDelayMs);
        return;
    }
    if (!stale) {
        QAbstractItemView* view = CurrentView();
        const int vertical = view->verticalScrollBar()->value();
        const int horizontal = view->horizontalScrollBar()->value();
        model_->Update(std::move(fresh->Items()), fresh->RowsBefore());
        view->verticalScrollBar()->setValue(vertical);
        view->horizontalScrollBar()->setValue(horizontal);
        FocusFirstItem();
    }
    // Changes came during the listing and have been quiet since: listed again at once
    // (while they still come, the wait under way ends them as any burst's does).
    if (relistAgain_ && !watchDelay_->isActive()) {
        burstStart_.start(); // what came during the listing is a burst of its own
        watchDelay_->start(0);
    }
}

} // namespace kivo
