#include "app/thumbnail_follow.h"

#include <QThreadPool>

#include "browser/thumbnail_cache.h"

namespace kivo {
namespace {

// The cache keeps whole seconds, as st_mtim.tv_sec has them (rounded down, also before 1970).
std::int64_t Seconds(std::int64_t ns) {
    std::int64_t s = ns / 1'000'000'000;
    if (ns % 1'000'000'000 < 0)
        --s;
    return s;
}

bool Absolute(const std::string& path) {
    return !path.empty() && path.front() == '/';
}

} // namespace

std::size_t CarryThumbnails(const ThumbnailCache& cache, const std::vector<JournalRow>& rows) {
    std::size_t carried = 0;
    for (const JournalRow& row : rows) {
        if (row.state != RowState::Done || row.before.isDir || !Absolute(row.oldPath))
            continue;
        std::string newPath;
        std::int64_t newMtimeNs = 0;
        if (row.op == RowOp::Move && Absolute(row.newPath)) {
            newPath = row.newPath;
            newMtimeNs = row.after.exists ? row.after.mtimeNs : row.before.mtimeNs;
        } else if (row.op == RowOp::SetTime) {
            newPath = row.oldPath;
            newMtimeNs = row.newMtimeNs;
        } else {
            continue;
        }
        if (cache.Carry(ThumbnailUri(row.oldPath), Seconds(row.before.mtimeNs),
                        ThumbnailUri(newPath), Seconds(newMtimeNs), row.before.size))
            ++carried;
    }
    return carried;
}

void CarryThumbnailsOfNewestBatch(std::string journalFolder) {
    const std::string root = ThumbnailCache::DefaultRoot();
    if (journalFolder.empty() || root.empty())
        return;
    QThreadPool::globalInstance()->start([folder = std::move(journalFolder), root] {
        try {
            // A connection of its own: the window's is not for other threads.
            Journal journal(folder);
            const std::vector<BatchInfo> newest = journal.History(1);
            if (newest.empty())
                return;
            CarryThumbnails(ThumbnailCache(root), journal.Rows(newest.front().id));
        } catch (const std::exception&) {
            // Only a lost chance to reuse thumbnails: the list makes them again.
        }
    });
}

} // namespace kivo
