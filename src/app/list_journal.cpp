#include "app/list_journal.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include <dirent.h>

#include "platform/file_system.h"
#include "platform/gui/file_operation.h"
#include "platform/gui/trash.h"

namespace kivo {

namespace {

BatchKind KindOf(ListChangeKind kind) {
    switch (kind) {
    case ListChangeKind::NewFolder:
        return BatchKind::NewFolder;
    case ListChangeKind::Rename:
        return BatchKind::RenameInPlace;
    case ListChangeKind::Move:
        return BatchKind::Move;
    case ListChangeKind::Copy:
        return BatchKind::Copy;
    case ListChangeKind::Trash:
        break;
    }
    return BatchKind::Trash;
}

std::string Join(const std::string& dir, const std::string& name) {
    return IncludeTrailingSlash(dir) + name;
}

// The names in a folder, sorted; none when it cannot be read.
std::vector<std::string> NamesIn(const std::string& dir) {
    std::vector<std::string> names;
    std::unique_ptr<DIR, int (*)(DIR*)> d(::opendir(dir.c_str()), &::closedir);
    if (!d)
        return names;
    while (const dirent* e = ::readdir(d.get())) {
        const std::string n = e->d_name;
        if (n != "." && n != "..")
            names.push_back(n);
    }
    std::sort(names.begin(), names.end());
    return names;
}

JournalRow Row(RowOp op, std::string from, std::string to, const FileStamp& before) {
    JournalRow row;
    row.op = op;
    row.oldPath = std::move(from);
    row.newPath = std::move(to);
    row.before = before;
    return row;
}

// The rows of moving `from` to `to`, as the move will go by what stands there now. A file
// in the way is replaced only after a question, and then goes to the Trash first: its
// Trash row comes before the move, so an undo moves the entry back before it restores the
// one it replaced. A folder onto a folder merges entry by entry, and a folder that goes
// to another file system is made anew there; either way the emptied folder is removed
// last. Entries that will not move (a question said no) are marked not done afterwards.
void PlanMove(const std::string& from, const std::string& to, std::vector<JournalRow>& rows) {
    const FileStamp src = StampOf(from);
    if (!src.exists || from == to || to.starts_with(IncludeTrailingSlash(from)))
        return;
    const FileStamp dst = StampOf(to);
    const bool merge = src.isDir && dst.isDir;
    const bool across = src.isDir && !dst.exists && StampOf(ExtractFileDir(to)).dev != src.dev;
    if (merge || across) {
        if (across)
            rows.push_back(Row(RowOp::MakeDir, {}, to, {}));
        for (const std::string& name : NamesIn(from))
            PlanMove(Join(from, name), Join(to, name), rows);
        rows.push_back(Row(RowOp::RemoveDir, from, {}, src));
        return;
    }
    if (dst.exists && !dst.isDir && !src.isDir)
        rows.push_back(Row(RowOp::Trash, to, {}, dst));
    rows.push_back(Row(RowOp::Move, from, to, src));
}

// The rows of copying `from` to `to`, planned as PlanMove plans a move. A copy onto
// itself gets the first free "- Copy" name, as the job gives it. A folder copied anew is a
// row before the rows of its entries, so that an undo empties it before it goes to the
// Trash itself; onto a folder it merges entry by entry.
void PlanCopy(const std::string& from, std::string to, std::vector<JournalRow>& rows) {
    const FileStamp src = StampOf(from);
    if (!src.exists)
        return;
    if (from == to)
        to = FileOperationJob::FreeCopyName(from);
    if (src.isDir && to.starts_with(IncludeTrailingSlash(from)))
        return;
    const FileStamp dst = StampOf(to);
    const bool merge = src.isDir && dst.isDir;
    if (dst.exists && !merge && dst.isDir != src.isDir)
        return; // a folder and a file do not replace each other
    if (!merge) {
        if (dst.exists)
            rows.push_back(Row(RowOp::Trash, to, {}, dst));
        rows.push_back(Row(RowOp::Copy, from, to, src));
        if (!src.isDir)
            return;
    }
    for (const std::string& name : NamesIn(from))
        PlanCopy(Join(from, name), Join(to, name), rows);
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

// The entry of a move row at its new place: the same file, or (copied onto another file
// system) one of the same kind, size and time while the old place is empty.
bool ArrivedAt(const FileStamp& now, const JournalRow& row) {
    if (SameFile(now, row.before))
        return true;
    return now.exists && !StampOf(row.oldPath).exists && now.isDir == row.before.isDir &&
           (now.isDir || (now.size == row.before.size && now.mtimeNs == row.before.mtimeNs));
}

// Writes the places the Trash gave the entries of these rows that have gone there, all
// looked for at once and written in one transaction; the rows whose entries were found
// are set in `placed`. With `unfound`, an entry that is gone but in no Trash we know is
// marked done without a place (undo then says so).
void PlaceTrashed(JournalBatch& batch, const std::vector<std::size_t>& rows,
                  std::vector<bool>& placed, bool unfound) {
    std::vector<std::size_t> gone;
    std::vector<TrashQuery> queries;
    for (std::size_t i : rows) {
        const JournalRow& row = batch.rows()[i];
        if (placed[i] || !row.before.exists || SameFile(StampOf(row.oldPath), row.before))
            continue;
        gone.push_back(i);
        queries.push_back(
            {row.oldPath, static_cast<dev_t>(row.before.dev), static_cast<ino_t>(row.before.ino)});
    }
    if (gone.empty())
        return;
    std::vector<std::optional<TrashedEntry>> where = FindTrashedEntries(queries);
    std::vector<JournalBatch::Placed> found;
    for (std::size_t k = 0; k < gone.size(); ++k) {
        if (where[k]) {
            placed[gone[k]] = true;
            found.push_back({gone[k], StampOf(where[k]->filesPath), std::move(where[k]->filesPath),
                             std::move(where[k]->infoPath), std::move(where[k]->infoData)});
        } else if (unfound) {
            batch.done(gone[k], {});
        }
    }
    batch.doneAt(std::move(found));
}

// Marks the rows after the operation by what the file system shows now; the Trash rows
// already placed while it ran are left as they are.
void MarkRows(JournalBatch& batch, std::vector<bool>& placed) {
    std::vector<std::size_t> trashed;
    for (std::size_t i = 0; i < batch.rows().size(); ++i) {
        const JournalRow& row = batch.rows()[i];
        if (row.op == RowOp::MakeDir) {
            if (const FileStamp now = StampOf(row.newPath); now.isDir)
                batch.done(i, now);
            else
                batch.notDone(i, "not created");
        } else if (row.op == RowOp::Copy) {
            // Not the entry that stood there and was kept (a question said no).
            const FileStamp now = StampOf(row.newPath);
            const JournalRow* replaced = i > 0 ? &batch.rows()[i - 1] : nullptr;
            const bool kept = replaced && replaced->op == RowOp::Trash &&
                              replaced->oldPath == row.newPath && SameFile(now, replaced->before);
            if (now.exists && now.isDir == row.before.isDir && !kept)
                batch.done(i, now);
            else
                batch.notDone(i, "not copied");
        } else if (row.op == RowOp::Move) {
            if (const FileStamp now = StampOf(row.newPath); ArrivedAt(now, row))
                batch.done(i, now);
            else
                batch.notDone(i, "not moved");
        } else if (row.op == RowOp::RemoveDir) {
            if (SameFile(StampOf(row.oldPath), row.before))
                batch.notDone(i, "not empty");
            else
                batch.done(i, {});
        } else if (placed[i]) {
            continue;
        } else if (!row.before.exists || SameFile(StampOf(row.oldPath), row.before)) {
            batch.notDone(i, "not moved to the Trash");
        } else {
            trashed.push_back(i);
        }
    }
    PlaceTrashed(batch, trashed, placed, true);
}

} // namespace

ListJournal::ListJournal(std::function<Journal*()> journal, std::function<void()> changed,
                         std::function<void(const std::string&)> failed)
    : journal_(std::move(journal)), changed_(std::move(changed)), failed_(std::move(failed)) {}

ListJournal::~ListJournal() = default;

void ListJournal::Begin(ListChangeKind kind, const std::string& folder,
                        const std::vector<ListChange>& changes) {
    if (depth_++ > 0)
        return;
    kind_ = kind;
    error_.clear();
    Journal* journal = journal_ ? journal_() : nullptr;
    if (changes.empty())
        return;
    if (!journal) {
        if (failed_)
            failed_({});
        return;
    }
    // These run on their operation's thread: a delete is written after its confirmation,
    // a paste or drop once it has walked its folders.
    if (kind == ListChangeKind::Move || kind == ListChangeKind::Copy ||
        kind == ListChangeKind::Trash) {
        waiting_ = journal;
        folder_ = folder;
        changes_ = changes;
        return;
    }
    if (!Write(journal, folder, changes) && failed_)
        failed_(error_);
}

void ListJournal::Started() {
    if (depth_ != 1 || !waiting_)
        return;
    Journal* journal = std::exchange(waiting_, nullptr);
    unwritten_ = !Write(journal, folder_, changes_);
}

bool ListJournal::Write(Journal* journal, const std::string& folder,
                        const std::vector<ListChange>& changes) {
    std::vector<JournalRow> rows;
    rows.reserve(changes.size());
    for (const ListChange& c : changes) {
        if (kind_ == ListChangeKind::Move)
            PlanMove(ExcludeTrailingSlash(c.from), ExcludeTrailingSlash(c.to), rows);
        else if (kind_ == ListChangeKind::Copy)
            PlanCopy(ExcludeTrailingSlash(c.from), ExcludeTrailingSlash(c.to), rows);
        else
            rows.push_back(RowOf(kind_, c));
    }
    if (rows.empty())
        return true; // nothing to change, nothing to write
    batch_ = BeginBatch(journal, KindOf(kind_), folder, std::move(rows), &error_);
    placed_.assign(batch_ ? batch_->rows().size() : 0, false);
    ready_.clear();
    return batch_ != nullptr;
}

void ListJournal::Done(std::size_t change) {
    // Only a delete's changes are its rows one to one.
    if (depth_ != 1 || !batch_ || kind_ != ListChangeKind::Trash || change >= batch_->rows().size())
        return;
    ready_.push_back(change);
    if (ready_.size() < kPlacesAtOnce)
        return;
    try {
        PlaceTrashed(*batch_, ready_, placed_, false);
    } catch (const JournalError& e) {
        error_ = e.what(); // the end looks again
    }
    ready_.clear();
}

void ListJournal::Finished() {
    if (depth_ == 1 && batch_)
        Mark();
}

void ListJournal::Mark() {
    std::unique_ptr<JournalBatch> batch = std::move(batch_);
    try {
        MarkRows(*batch, placed_);
    } catch (const JournalError& e) {
        error_ = e.what();
    }
    batch->finish();
    if (error_.empty())
        error_ = batch->error();
    marked_ = true;
}

void ListJournal::End() {
    if (depth_ == 0 || --depth_ > 0)
        return;
    // An operation that never started touched nothing; one that stopped short of its end
    // is marked here.
    waiting_ = nullptr;
    if (batch_)
        Mark();
    if (std::exchange(unwritten_, false) && failed_)
        failed_(error_);
    if (!std::exchange(marked_, false))
        return;
    if (!error_.empty() && failed_)
        failed_(error_);
    if (changed_)
        changed_();
}

} // namespace kivo
