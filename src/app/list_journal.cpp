#include "app/list_journal.h"

#include <utility>

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

// Marks a row after the operation by what the file system shows now.
void MarkRow(JournalBatch& batch, std::size_t i) {
    const JournalRow& row = batch.rows()[i];
    switch (row.op) {
    case RowOp::MakeDir:
        if (const FileStamp now = StampOf(row.newPath); now.isDir)
            batch.done(i, now);
        else
            batch.notDone(i, "not created");
        return;
    case RowOp::Move:
        if (const FileStamp now = StampOf(row.newPath); SameFile(now, row.before))
            batch.done(i, now);
        else
            batch.notDone(i, "not renamed");
        return;
    default:
        break;
    }
    if (!row.before.exists || SameFile(StampOf(row.oldPath), row.before)) {
        batch.notDone(i, "not moved to the Trash");
        return;
    }
    if (const auto where = FindTrashedEntry(row.oldPath, row.before.dev, row.before.ino))
        batch.doneAt(i, StampOf(where->filesPath), where->filesPath, where->infoPath,
                     where->infoData);
    else
        batch.done(i, {}); // gone, but into no Trash we know: undo says so
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
        for (std::size_t i = 0; i < batch->rows().size(); ++i)
            MarkRow(*batch, i);
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
