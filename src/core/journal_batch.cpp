// Writing one batch: its intent rows before the first file is touched, the marks of what
// happened after, and its end.

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <unistd.h>

#include "core/journal.h"
#include "core/journal_statement.h"

namespace kivo {

using journal_detail::ForeignKeysOff;
using journal_detail::Statement;
using journal_detail::StoredPath;

namespace {

constexpr std::size_t kMarksPerFlush = 512;
constexpr std::size_t kRowsPerInsert = 32;

bool DoneAsBefore(const JournalRow& r) {
    return r.state == RowState::Done && r.reason.empty() && r.before.exists && r.after.exists &&
           r.after.dev == r.before.dev && r.after.ino == r.before.ino &&
           r.after.size == r.before.size && r.after.mtimeNs == r.before.mtimeNs;
}

} // namespace

JournalBatch::JournalBatch(Journal& journal, BatchKind kind, std::string folder,
                           std::vector<JournalRow> rows, std::int64_t undoOf)
    : journal_(journal), rows_(std::move(rows)) {
    sqlite3* db = journal_.db_;
    journal_.exec("PRAGMA synchronous=FULL");
    const ForeignKeysOff unchecked(db);
    journal_.exec("BEGIN IMMEDIATE");
    try {
        Statement b(db, "INSERT INTO batch(kind, started, folder, state, undo_of, pid, row_count) "
                        "VALUES(?, ?, ?, ?, ?, ?, ?)");
        b.text(1, BatchKindKey(kind))
            .bind(2, static_cast<std::int64_t>(std::time(nullptr)))
            .bind(3, folder)
            .bind(4, static_cast<std::int64_t>(BatchState::Running))
            .bind(5, undoOf)
            .bind(6, static_cast<std::int64_t>(::getpid()))
            .bind(7, static_cast<std::int64_t>(rows_.size()));
        b.run();
        id_ = sqlite3_last_insert_rowid(db);
        // Many rows per statement: a statement's own start and end cost about as much as a row.
        auto insertOf = [](std::size_t n) {
            std::string sql = "INSERT INTO row(batch, seq, op, old_path, new_path, temp_path, "
                              "aux, aux_data, dev, ino, size, old_mtime, is_dir, existed, "
                              "new_mtime, state) VALUES";
            for (std::size_t k = 0; k < n; ++k)
                sql +=
                    k ? ",(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)" : "(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
            return sql;
        };
        Statement full(db, insertOf(kRowsPerInsert).c_str());
        std::optional<Statement> last;
        StoredPath oldAt(folder), newAt(folder), tempAt(folder);
        // The bound bytes must live until the statement has run.
        std::vector<std::string> stored(3 * kRowsPerInsert);
        for (std::size_t first = 0; first < rows_.size(); first += kRowsPerInsert) {
            const std::size_t n = std::min(kRowsPerInsert, rows_.size() - first);
            if (n < kRowsPerInsert)
                last.emplace(db, insertOf(n).c_str());
            Statement& r = last ? *last : full;
            for (std::size_t k = 0; k < n; ++k) {
                const std::size_t i = first + k;
                const JournalRow& row = rows_[i];
                const int c = static_cast<int>(16 * k);
                stored[3 * k].assign(oldAt(row.oldPath));
                stored[3 * k + 1].assign(newAt(row.newPath));
                stored[3 * k + 2].assign(tempAt(row.tempPath));
                r.bind(c + 1, id_)
                    .bind(c + 2, static_cast<std::int64_t>(i))
                    .bind(c + 3, static_cast<std::int64_t>(row.op))
                    .bind(c + 4, stored[3 * k])
                    .bind(c + 5, stored[3 * k + 1])
                    .bind(c + 6, stored[3 * k + 2])
                    .bind(c + 7, row.aux)
                    .bind(c + 8, row.auxData)
                    .bind(c + 9, static_cast<std::int64_t>(row.before.dev))
                    .bind(c + 10, static_cast<std::int64_t>(row.before.ino))
                    .bind(c + 11, static_cast<std::int64_t>(row.before.size))
                    .bind(c + 12, row.before.mtimeNs)
                    .bind(c + 13, row.before.isDir ? 1 : 0)
                    .bind(c + 14, row.before.exists ? 1 : 0)
                    .bind(c + 15, row.newMtimeNs)
                    .bind(c + 16, static_cast<std::int64_t>(RowState::Intent));
            }
            r.run();
        }
        ownsIntent_ = true;
        marked_.assign(rows_.size(), false);
        // Locked before anyone can see the batch, so it never looks interrupted.
        lock();
        journal_.exec("COMMIT");
    } catch (...) {
        if (sqlite3_get_autocommit(db) == 0)
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        if (lockFd_ >= 0) {
            ::unlink(journal_.lockPath(id_).c_str());
            ::close(lockFd_);
        }
        throw;
    }
}

JournalBatch::JournalBatch(Journal& journal, std::int64_t id) : journal_(journal), id_(id) {
    const std::optional<BatchInfo> info = journal_.Batch(id);
    if (!info || info->state != BatchState::Running)
        throw JournalError("journal: batch " + std::to_string(id) + " is not running");
    lock();
    // Between the test above and the lock another process may have taken it over.
    const std::optional<BatchInfo> again = journal_.Batch(id);
    if (!again || again->state != BatchState::Running) {
        ::close(lockFd_);
        lockFd_ = -1;
        throw JournalError("journal: batch " + std::to_string(id) + " is not running");
    }
    rows_ = journal_.Rows(id);
}

void JournalBatch::lock() {
    const std::string path = journal_.lockPath(id_);
    lockFd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd_ < 0 || ::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (lockFd_ >= 0)
            ::close(lockFd_);
        lockFd_ = -1;
        throw JournalError(error == EWOULDBLOCK
                               ? "journal: batch " + std::to_string(id_) +
                                     " is in use by another process"
                               : "journal: cannot lock " + path + ": " + std::strerror(error));
    }
}

JournalBatch::~JournalBatch() {
    finish();
}

void JournalBatch::done(std::size_t row, const FileStamp& after) {
    if (row >= rows_.size())
        return;
    rows_[row].after = after;
    mark(row, RowState::Done);
}

void JournalBatch::doneAt(std::size_t row, const FileStamp& after, std::string newPath,
                          std::string aux, std::string auxData) {
    std::vector<Placed> placed(1);
    placed[0] = {row, after, std::move(newPath), std::move(aux), std::move(auxData)};
    doneAt(std::move(placed));
}

void JournalBatch::doneAt(std::vector<Placed> placed) {
    if (finished_ || placed.empty())
        return;
    try {
        journal_.exec("PRAGMA synchronous=FULL");
        journal_.exec("BEGIN IMMEDIATE");
        Statement s(
            journal_.db_,
            "UPDATE row SET new_path = ?, aux = ?, aux_data = ? WHERE batch = ? AND seq = ?");
        for (Placed& p : placed) {
            if (p.row >= rows_.size())
                continue;
            JournalRow& r = rows_[p.row];
            r.newPath = std::move(p.newPath);
            r.aux = std::move(p.aux);
            r.auxData = std::move(p.auxData);
            s.bind(1, r.newPath)
                .bind(2, r.aux)
                .bind(3, r.auxData)
                .bind(4, id_)
                .bind(5, static_cast<std::int64_t>(p.row));
            s.run();
        }
        journal_.exec("COMMIT");
    } catch (const JournalError& e) {
        sqlite3_exec(journal_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
        error_ = e.what();
    }
    for (const Placed& p : placed)
        done(p.row, p.after);
}

void JournalBatch::notDone(std::size_t row, std::string reason) {
    mark(row, RowState::NotDone, std::move(reason));
}

void JournalBatch::mark(std::size_t row, RowState state, std::string reason) {
    if (row >= rows_.size() || finished_)
        return;
    rows_[row].state = state;
    rows_[row].reason = std::move(reason);
    pending_.push_back(row);
    if (pending_.size() >= kMarksPerFlush)
        flush();
}

void JournalBatch::flush() {
    // A batch that wrote its own intent needs no mark for a row done as it was: once the
    // batch is finished, a row without a mark reads as such.
    if (ownsIntent_) {
        std::erase_if(pending_, [this](std::size_t row) {
            return !marked_[row] && DoneAsBefore(rows_[row]);
        });
        for (std::size_t row : pending_)
            marked_[row] = true;
    }
    if (pending_.empty())
        return;
    const ForeignKeysOff unchecked(journal_.db_);
    try {
        // Recovery looks at the files themselves, so a mark lost with the power is harmless.
        journal_.exec("PRAGMA synchronous=NORMAL");
        journal_.exec("BEGIN IMMEDIATE");
        Statement one(journal_.db_, "INSERT OR REPLACE INTO mark(batch, seq, state, reason, "
                                    "after_dev, after_ino, after_size, after_mtime) "
                                    "VALUES(?, ?, ?, ?, ?, ?, ?, ?)");
        // Rows done where their file still is what it was (a rename keeps the file itself)
        // are marked a run at a time, their stamps copied from their intent.
        Statement run(journal_.db_,
                      "INSERT OR REPLACE INTO mark(batch, seq, state, reason, after_dev, "
                      "after_ino, after_size, after_mtime) SELECT batch, seq, ?, '', dev, ino, "
                      "size, old_mtime FROM row WHERE batch = ? AND seq BETWEEN ? AND ?");
        for (std::size_t k = 0; k < pending_.size();) {
            const std::size_t first = pending_[k];
            std::size_t end = k + 1;
            if (DoneAsBefore(rows_[first]))
                while (end < pending_.size() && pending_[end] == pending_[end - 1] + 1 &&
                       DoneAsBefore(rows_[pending_[end]]))
                    ++end;
            if (end - k > 1) {
                run.bind(1, static_cast<std::int64_t>(RowState::Done))
                    .bind(2, id_)
                    .bind(3, static_cast<std::int64_t>(first))
                    .bind(4, static_cast<std::int64_t>(pending_[end - 1]));
                run.run();
                k = end;
                continue;
            }
            const JournalRow& r = rows_[first];
            one.bind(1, id_)
                .bind(2, static_cast<std::int64_t>(first))
                .bind(3, static_cast<std::int64_t>(r.state))
                .text(4, r.reason)
                .bind(5, static_cast<std::int64_t>(r.after.dev))
                .bind(6, static_cast<std::int64_t>(r.after.ino))
                .bind(7, static_cast<std::int64_t>(r.after.size))
                .bind(8, r.after.mtimeNs);
            one.run();
            ++k;
        }
        journal_.exec("COMMIT");
    } catch (const JournalError& e) {
        if (sqlite3_get_autocommit(journal_.db_) == 0)
            sqlite3_exec(journal_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
        error_ = e.what();
    }
    pending_.clear();
}

void JournalBatch::finish(BatchState state) {
    if (finished_)
        return;
    // Rows never reached keep their intent in a mark of their own.
    if (ownsIntent_)
        for (std::size_t row = 0; row < rows_.size(); ++row)
            if (!marked_[row] && !DoneAsBefore(rows_[row]))
                pending_.push_back(row);
    flush();
    finished_ = true;
    bool anyDone = false;
    for (const JournalRow& r : rows_)
        anyDone = anyDone || r.state == RowState::Done || r.state == RowState::Undone;
    try {
        if (!anyDone && state == BatchState::Done) {
            Statement s(journal_.db_, "DELETE FROM batch WHERE id = ?");
            s.bind(1, id_);
            s.run();
        } else {
            journal_.exec("PRAGMA synchronous=FULL");
            Statement s(journal_.db_, "UPDATE batch SET state = ?, as_before = ? WHERE id = ?");
            // Only when every other row's mark is written may the unmarked ones read as done.
            s.bind(1, static_cast<std::int64_t>(state))
                .bind(2, ownsIntent_ && error_.empty() ? 1 : 0)
                .bind(3, id_);
            s.run();
        }
    } catch (const JournalError& e) {
        error_ = e.what();
    }
    if (lockFd_ >= 0) {
        ::unlink(journal_.lockPath(id_).c_str());
        ::close(lockFd_);
        lockFd_ = -1;
    }
}

std::unique_ptr<JournalBatch> BeginBatch(Journal* journal, BatchKind kind,
                                         const std::string& folder, std::vector<JournalRow> rows,
                                         std::string* error) {
    if (!journal || rows.empty())
        return nullptr;
    try {
        return std::make_unique<JournalBatch>(*journal, kind, folder, std::move(rows));
    } catch (const JournalError& e) {
        if (error)
            *error = e.what();
        return nullptr;
    }
}

} // namespace kivo
