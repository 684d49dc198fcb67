#include "app/list_journal.h"

#include <optional>
#include <utility>
#include <vector>

#include "platform/gui/trash.h"

namespace kivo {

namespace {

BatchKind KindOf(ListChangeKind kind) {
    switch (kind) {
    case ListChangeKind::NewFolder:
        return BatchKind::NewFolder;
    case ListChangeKind::Rename:
        return BatchKind::RenameInPlace;
    case ListChangeKind::Trash:
        break;
    }
    return BatchKind::Trash;
}

JournalRow RowOf(ListChangeKind kind, const ListChange& change) {
    JournalRow row;
    row.op = kind == ListChangeKind::NewFolder ? RowOp::MakeDir
             : kind == ListChangeKind::Rename  ? RowOp::Move
                                               : RowOp::Trash;
    row.oldPath = change.from;
    row.newPath = change.to;
    if (!change.from.empty())
        row.before = StampOf(change.from);
    return row;
}

bool SameFile(const FileStamp& a, const FileStamp& b) {
    return a.exists && b.exists && a.dev == b.dev && a.ino == b.ino;
}

// Marks the rows after the operation by what the file system shows now: the entries that
// went to the Trash are looked for there all at once, and their places written in one
// transaction.
void MarkRows(JournalBatch& batch) {
    std::vector<std::size_t> trashed;
    std::vector<TrashQuery> queries;
    for (std::size_t i = 0; i < batch.rows().size(); ++i) {
        const JournalRow& row = batch.rows()[i];
        if (row.op == RowOp::MakeDir) {
            if (const FileStamp now = StampOf(row.newPath); now.isDir)
                batch.done(i, now);
            else
                batch.notDone(i, "not created");
        } else if (row.op == RowOp::Move) {
            if (const FileStamp now = StampOf(row.newPath); SameFile(now, row.before))
                batch.done(i, now);
            else
                batch.notDone(i, "not renamed");
        } else if (!row.before.exists || SameFile(StampOf(row.oldPath), row.before)) {
            batch.notDone(i, "not moved to the Trash");
        } else {
            trashed.push_back(i);
            queries.push_back({row.oldPath, static_cast<dev_t>(row.before.dev),
                               static_cast<ino_t>(row.before.ino)});
        }
    }
    if (trashed.empty())
        return;
    std::vector<std::optional<TrashedEntry>> where = FindTrashedEntries(queries);
    std::vector<JournalBatch::Placed> placed;
    for (std::size_t k = 0; k < trashed.size(); ++k) {
        if (where[k])
            placed.push_back({trashed[k], StampOf(where[k]->filesPath),
                              std::move(where[k]->filesPath), std::move(where[k]->infoPath),
                              std::move(where[k]->infoData)});
        else
            batch.done(trashed[k], {}); // gone, but into no Trash we know: undo says so
    }
    batch.doneAt(std::move(placed));
}

} // namespace

ListJournal::ListJournal(std::function<Journal*()> journal, std::function<void()> changed)
    : journal_(std::move(journal)), changed_(std::move(changed)) {}

ListJournal::~ListJournal() = default;

void ListJournal::Begin(ListChangeKind kind, const std::string& folder,
                        const std::vector<ListChange>& changes) {
    if (depth_++ > 0)
        return;
    error_.clear();
    Journal* journal = journal_ ? journal_() : nullptr;
    if (!journal || changes.empty())
        return;
    std::vector<JournalRow> rows;
    rows.reserve(changes.size());
    for (const ListChange& c : changes)
        rows.push_back(RowOf(kind, c));
    batch_ = BeginBatch(journal, KindOf(kind), folder, std::move(rows), &error_);
}

void ListJournal::End() {
    if (depth_ == 0 || --depth_ > 0 || !batch_)
        return;
    std::unique_ptr<JournalBatch> batch = std::move(batch_);
    try {
        MarkRows(*batch);
    } catch (const JournalError& e) {
        error_ = e.what();
    }
    batch->finish();
    if (error_.empty())
        error_ = batch->error();
    batch.reset();
    if (changed_)
        changed_();
}

} // namespace kivo
