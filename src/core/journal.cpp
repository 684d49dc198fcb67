#include "core/journal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <utility>

#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/journal_statement.h"
#include "core/settings.h"

namespace kivo {

using journal_detail::Statement;

namespace {

// 2: the mark table; 3: paths stored within the folder; 4: rows done as they were need no mark
constexpr int kSchemaVersion = 4;
constexpr int kBusyTimeoutMs = 5000;

constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS batch(
  id INTEGER PRIMARY KEY,
  kind TEXT NOT NULL,
  started INTEGER NOT NULL,
  folder BLOB NOT NULL,
  state INTEGER NOT NULL,
  undo_of INTEGER NOT NULL DEFAULT 0,
  pid INTEGER NOT NULL,
  row_count INTEGER NOT NULL,
  as_before INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS row(
  batch INTEGER NOT NULL REFERENCES batch(id) ON DELETE CASCADE,
  seq INTEGER NOT NULL,
  op INTEGER NOT NULL,
  old_path BLOB NOT NULL,
  new_path BLOB NOT NULL,
  temp_path BLOB NOT NULL,
  aux BLOB NOT NULL,
  aux_data BLOB NOT NULL,
  dev INTEGER, ino INTEGER, size INTEGER, old_mtime INTEGER, is_dir INTEGER, existed INTEGER,
  new_mtime INTEGER,
  after_dev INTEGER, after_ino INTEGER, after_size INTEGER, after_mtime INTEGER,
  state INTEGER NOT NULL,
  reason TEXT NOT NULL DEFAULT '',
  PRIMARY KEY(batch, seq)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS mark(
  batch INTEGER NOT NULL REFERENCES batch(id) ON DELETE CASCADE,
  seq INTEGER NOT NULL,
  state INTEGER NOT NULL,
  reason TEXT NOT NULL DEFAULT '',
  after_dev INTEGER, after_ino INTEGER, after_size INTEGER, after_mtime INTEGER,
  PRIMARY KEY(batch, seq)) WITHOUT ROWID;
)";

// What happened to a row is kept in a small table of its own beside the row's intent:
// marking thousands of rows done then writes a few pages, not every page of the paths
// again. A row without a mark (or one of a journal from before) has its state in itself,
// unless its batch is marked as_before: a finished batch that wrote a mark for every row but
// those done with their file as it was before (a rename keeps it), so thousands of renames
// cost no mark at all. Such a row's after-stamp is its before-stamp.

bool MakeFolders(const std::string& path) {
    for (std::size_t i = 1; i <= path.size(); ++i) {
        if (i != path.size() && path[i] != '/')
            continue;
        const std::string part = path.substr(0, i);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

BatchInfo ReadBatch(const Statement& s) {
    BatchInfo b;
    b.id = s.integer(0);
    b.kind = BatchKindOfKey(s.bytes(1)).value_or(BatchKind::Rename);
    b.started = s.integer(2);
    b.folder = s.bytes(3);
    b.state = static_cast<BatchState>(s.integer(4));
    b.undoOf = s.integer(5);
    b.pid = static_cast<long>(s.integer(6));
    b.rowCount = static_cast<std::size_t>(s.integer(7));
    b.doneCount = static_cast<std::size_t>(s.integer(8));
    return b;
}

constexpr const char* kBatchColumns =
    "SELECT id, kind, started, folder, state, undo_of, pid, row_count, "
    "(SELECT count(*) FROM row r LEFT JOIN mark m ON m.batch = r.batch AND m.seq = r.seq "
    "WHERE r.batch = batch.id AND "
    "coalesce(m.state, CASE WHEN batch.as_before THEN 1 ELSE r.state END) IN (1, 3, 4)) "
    "FROM batch ";

// Whether some process holds the lock file (a missing file is a free lock).
bool LockHeld(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

} // namespace

std::string_view BatchKindKey(BatchKind kind) {
    for (const BatchKindInfo& info : kBatchKinds)
        if (info.kind == kind)
            return info.key;
    return {};
}

std::optional<BatchKind> BatchKindOfKey(std::string_view key) {
    for (const BatchKindInfo& info : kBatchKinds)
        if (info.key == key)
            return info.kind;
    return std::nullopt;
}

std::string_view BatchStateKey(BatchState state) {
    switch (state) {
    case BatchState::Running:
        return "running";
    case BatchState::Done:
        return "done";
    case BatchState::Undone:
        return "undone";
    }
    return {};
}

FileStamp StampOf(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return {};
    return StampOfStat(st);
}

FileStamp StampOfStat(const struct ::stat& st) {
    FileStamp stamp;
    stamp.exists = true;
    stamp.isDir = S_ISDIR(st.st_mode);
    stamp.dev = st.st_dev;
    stamp.ino = st.st_ino;
    stamp.size = static_cast<std::uint64_t>(st.st_size);
    stamp.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return stamp;
}

// Per patch: offset (8 bytes, little-endian), length n (4), n old bytes, n new bytes.
std::string EncodePatches(std::span<const BytePatch> patches) {
    std::string out;
    auto put = [&](std::uint64_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    for (const BytePatch& p : patches) {
        put(static_cast<std::uint64_t>(p.offset), 8);
        put(p.oldBytes.size(), 4);
        out.append(p.oldBytes.begin(), p.oldBytes.end());
        out.append(p.newBytes.begin(), p.newBytes.end());
    }
    return out;
}

std::optional<std::vector<BytePatch>> DecodePatches(std::string_view data) {
    std::vector<BytePatch> out;
    std::size_t at = 0;
    auto get = [&](int bytes) {
        std::uint64_t v = 0;
        for (int i = 0; i < bytes; ++i)
            v |= std::uint64_t{static_cast<unsigned char>(data[at + i])} << (8 * i);
        at += static_cast<std::size_t>(bytes);
        return v;
    };
    while (at < data.size()) {
        if (data.size() - at < 12)
            return std::nullopt;
        BytePatch p;
        p.offset = static_cast<std::int64_t>(get(8));
        const std::uint64_t n = get(4);
        if (p.offset < 0 || n > (data.size() - at) / 2)
            return std::nullopt;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.data() + at);
        p.oldBytes.assign(bytes, bytes + n);
        p.newBytes.assign(bytes + n, bytes + 2 * n);
        at += 2 * n;
        out.push_back(std::move(p));
    }
    return out;
}

Retention ReadRetention(const std::string& settingsPath) {
    Retention r;
    if (settingsPath.empty())
        return r;
    r.days = ReadIniInteger(settingsPath, kJournalSection, kJournalDaysKey, r.days);
    r.batches = ReadIniInteger(settingsPath, kJournalSection, kJournalBatchesKey, r.batches);
    return r;
}

Journal::Journal(const std::string& folder) : folder_(folder) {
    // SQLite's memory statistics take a global mutex on every allocation; the journal reads
    // none of them. Only possible before SQLite's first use, so once for the process.
    static std::once_flag configured;
    std::call_once(configured, [] { sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0); });
    if (!MakeFolders(folder_ + "/locks"))
        throw JournalError("journal: cannot create " + folder_ + ": " + std::strerror(errno));
    const std::string path = folder_ + "/journal.sqlite";
    if (sqlite3_open_v2(path.c_str(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw JournalError("journal: cannot open " + path + ": " + message);
    }
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    try {
        exec("PRAGMA journal_mode=WAL");
        exec("PRAGMA foreign_keys=ON");
        Statement version(db_, "PRAGMA user_version");
        const std::int64_t v = version.step() ? version.integer(0) : 0;
        if (v > kSchemaVersion)
            throw JournalError("journal: " + path + " was written by a newer Kivomat");
        if (v < kSchemaVersion) {
            exec("BEGIN IMMEDIATE");
            exec(kSchema);
            if (v > 0 && v < 4)
                exec("ALTER TABLE batch ADD COLUMN as_before INTEGER NOT NULL DEFAULT 0");
            exec(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str());
            exec("COMMIT");
        }
    } catch (...) {
        sqlite3_close(db_);
        db_ = nullptr;
        throw;
    }
}

Journal::~Journal() {
    sqlite3_close(db_);
}

void Journal::exec(const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        std::string text = message ? message : sqlite3_errmsg(db_);
        sqlite3_free(message);
        if (sqlite3_get_autocommit(db_) == 0)
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw JournalError("journal: " + text);
    }
}

std::string Journal::lockPath(std::int64_t id) const {
    return folder_ + "/locks/" + std::to_string(id) + ".lock";
}

std::string Journal::DefaultFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/')
        return std::string(state) + "/kivomat";
    const char* home = std::getenv("HOME");
    return std::string(home && home[0] ? home : "/tmp") + "/.local/state/kivomat";
}

std::unique_ptr<Journal> Journal::OpenDefault(const std::string& settingsPath, std::string* error) {
    try {
        auto journal = std::make_unique<Journal>(DefaultFolder());
        journal->Prune(ReadRetention(settingsPath), static_cast<std::int64_t>(std::time(nullptr)));
        return journal;
    } catch (const JournalError& e) {
        if (error)
            *error = e.what();
        return nullptr;
    }
}

std::vector<BatchInfo> Journal::History(std::size_t limit) {
    Statement s(db_, (std::string(kBatchColumns) + "ORDER BY id DESC LIMIT ?").c_str());
    s.bind(1, static_cast<std::int64_t>(limit));
    std::vector<BatchInfo> result;
    while (s.step()) {
        BatchInfo b = ReadBatch(s);
        b.interrupted = b.state == BatchState::Running && !LockHeld(lockPath(b.id));
        result.push_back(std::move(b));
    }
    return result;
}

std::optional<BatchInfo> Journal::Batch(std::int64_t id) {
    Statement s(db_, (std::string(kBatchColumns) + "WHERE id = ?").c_str());
    s.bind(1, id);
    if (!s.step())
        return std::nullopt;
    BatchInfo b = ReadBatch(s);
    b.interrupted = b.state == BatchState::Running && !LockHeld(lockPath(b.id));
    return b;
}

std::vector<JournalRow> Journal::Rows(std::int64_t id) {
    Statement folder(db_, "SELECT folder, as_before FROM batch WHERE id = ?");
    folder.bind(1, id);
    const bool found = folder.step();
    const journal_detail::StoredPath stored(found ? folder.bytes(0) : std::string());
    const std::int64_t asBefore = found ? folder.integer(1) : 0;
    // ?2: the batch's unmarked rows were done as they were before.
    Statement s(db_, "SELECT op, old_path, new_path, temp_path, aux, aux_data, dev, ino, size, "
                     "old_mtime, is_dir, existed, new_mtime, "
                     "CASE WHEN ?2 AND m.seq IS NULL THEN dev ELSE "
                     "coalesce(m.after_dev, r.after_dev) END, "
                     "CASE WHEN ?2 AND m.seq IS NULL THEN ino ELSE "
                     "coalesce(m.after_ino, r.after_ino) END, "
                     "CASE WHEN ?2 AND m.seq IS NULL THEN size ELSE "
                     "coalesce(m.after_size, r.after_size) END, "
                     "CASE WHEN ?2 AND m.seq IS NULL THEN old_mtime ELSE "
                     "coalesce(m.after_mtime, r.after_mtime) END, "
                     "coalesce(m.state, CASE WHEN ?2 THEN ?3 ELSE r.state END), "
                     "coalesce(m.reason, r.reason) FROM row r LEFT JOIN mark m ON m.batch = "
                     "r.batch AND m.seq = r.seq WHERE r.batch = ?1 ORDER BY r.seq");
    s.bind(1, id).bind(2, asBefore).bind(3, static_cast<std::int64_t>(RowState::Done));
    std::vector<JournalRow> rows;
    while (s.step()) {
        JournalRow r;
        r.op = static_cast<RowOp>(s.integer(0));
        r.oldPath = stored.read(s.bytes(1));
        r.newPath = stored.read(s.bytes(2));
        r.tempPath = stored.read(s.bytes(3));
        r.aux = s.bytes(4);
        r.auxData = s.bytes(5);
        r.before.dev = static_cast<std::uint64_t>(s.integer(6));
        r.before.ino = static_cast<std::uint64_t>(s.integer(7));
        r.before.size = static_cast<std::uint64_t>(s.integer(8));
        r.before.mtimeNs = s.integer(9);
        r.before.isDir = s.integer(10) != 0;
        r.before.exists = s.integer(11) != 0;
        r.newMtimeNs = s.integer(12);
        r.after.dev = static_cast<std::uint64_t>(s.integer(13));
        r.after.ino = static_cast<std::uint64_t>(s.integer(14));
        r.after.size = static_cast<std::uint64_t>(s.integer(15));
        r.after.mtimeNs = s.integer(16);
        r.after.exists = r.after.dev != 0 || r.after.ino != 0;
        r.state = static_cast<RowState>(s.integer(17));
        r.reason = s.bytes(18);
        rows.push_back(std::move(r));
    }
    return rows;
}

std::vector<BatchInfo> Journal::Interrupted() {
    Statement s(db_, (std::string(kBatchColumns) + "WHERE state = ? ORDER BY id DESC").c_str());
    s.bind(1, static_cast<std::int64_t>(BatchState::Running));
    std::vector<BatchInfo> result;
    while (s.step()) {
        BatchInfo b = ReadBatch(s);
        if (LockHeld(lockPath(b.id)))
            continue;
        b.interrupted = true;
        result.push_back(std::move(b));
    }
    return result;
}

std::optional<BatchInfo> Journal::LastUndoable() {
    Statement s(
        db_, (std::string(kBatchColumns) + "WHERE state = ? AND kind <> ? ORDER BY id DESC LIMIT 1")
                 .c_str());
    s.bind(1, static_cast<std::int64_t>(BatchState::Done)).text(2, BatchKindKey(BatchKind::Undo));
    if (!s.step())
        return std::nullopt;
    return ReadBatch(s);
}

void Journal::SetBatchState(std::int64_t id, BatchState state) {
    exec("PRAGMA synchronous=FULL");
    Statement s(db_, "UPDATE batch SET state = ? WHERE id = ?");
    s.bind(1, static_cast<std::int64_t>(state)).bind(2, id);
    s.run();
}

void Journal::MarkRows(std::int64_t id, const std::vector<RowMark>& marks) {
    if (marks.empty())
        return;
    exec("PRAGMA synchronous=FULL");
    exec("BEGIN IMMEDIATE");
    try {
        // A row done as before without a mark of its own keeps its after-stamp in the new one.
        Statement s(db_, "INSERT INTO mark(batch, seq, state, reason, after_dev, after_ino, "
                         "after_size, after_mtime) SELECT r.batch, r.seq, ?3, ?4, "
                         "CASE WHEN b.as_before THEN r.dev END, CASE WHEN b.as_before THEN r.ino "
                         "END, CASE WHEN b.as_before THEN r.size END, CASE WHEN b.as_before THEN "
                         "r.old_mtime END FROM row r JOIN batch b ON b.id = r.batch "
                         "WHERE r.batch = ?1 AND r.seq = ?2 "
                         "ON CONFLICT(batch, seq) DO UPDATE SET state = excluded.state, "
                         "reason = excluded.reason");
        for (const RowMark& m : marks) {
            s.bind(1, id)
                .bind(2, static_cast<std::int64_t>(m.seq))
                .bind(3, static_cast<std::int64_t>(m.state))
                .text(4, m.reason);
            s.run();
        }
        // A redo makes some entries anew (a folder gets another inode): the next undo
        // must know them by what they are now.
        Statement after(db_, "UPDATE mark SET after_dev = ?, after_ino = ?, after_size = ?, "
                             "after_mtime = ? WHERE batch = ? AND seq = ?");
        for (const RowMark& m : marks) {
            if (!m.after.exists)
                continue;
            after.bind(1, static_cast<std::int64_t>(m.after.dev))
                .bind(2, static_cast<std::int64_t>(m.after.ino))
                .bind(3, static_cast<std::int64_t>(m.after.size))
                .bind(4, m.after.mtimeNs)
                .bind(5, id)
                .bind(6, static_cast<std::int64_t>(m.seq));
            after.run();
        }
    } catch (...) {
        exec("ROLLBACK");
        throw;
    }
    exec("COMMIT");
}

std::size_t Journal::Prune(const Retention& retention, std::int64_t now) {
    const std::int64_t cutoff = now - static_cast<std::int64_t>(retention.days) * 86400;
    exec("BEGIN IMMEDIATE");
    // Older than the age limit and beyond the newest `batches`; never a running batch.
    Statement s(db_, "DELETE FROM batch WHERE state <> ? AND started < ? AND id NOT IN "
                     "(SELECT id FROM batch ORDER BY id DESC LIMIT ?)");
    s.bind(1, static_cast<std::int64_t>(BatchState::Running))
        .bind(2, cutoff)
        .bind(3, static_cast<std::int64_t>(retention.batches < 0 ? 0 : retention.batches));
    try {
        s.run();
    } catch (...) {
        exec("ROLLBACK");
        throw;
    }
    const auto removed = static_cast<std::size_t>(sqlite3_changes(db_));
    exec("COMMIT");
    return removed;
}

} // namespace kivo
