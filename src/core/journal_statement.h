#pragma once
// The journal's one way into SQLite, shared by the journal and the batches it writes.

#include <cstdint>
#include <string>
#include <string_view>

#include <sqlite3.h>

#include "core/journal.h"

namespace kivo::journal_detail {

// Owns one prepared statement; binds and reads bytes as they are.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) : db_(db) {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK)
            throw JournalError(std::string("journal: ") + sqlite3_errmsg(db));
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int i, std::int64_t v) {
        sqlite3_bind_int64(stmt_, i, v);
        return *this;
    }
    Statement& bind(int i, const std::string& bytes) {
        sqlite3_bind_blob(stmt_, i, bytes.data(), static_cast<int>(bytes.size()), SQLITE_STATIC);
        return *this;
    }
    Statement& blob(int i, std::string_view bytes) {
        sqlite3_bind_blob(stmt_, i, bytes.data(), static_cast<int>(bytes.size()), SQLITE_STATIC);
        return *this;
    }
    Statement& text(int i, std::string_view s) {
        sqlite3_bind_text(stmt_, i, s.data(), static_cast<int>(s.size()), SQLITE_STATIC);
        return *this;
    }
    // True while there is a row to read.
    bool step() {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            throw JournalError(std::string("journal: ") + sqlite3_errmsg(db_));
        return false;
    }
    void run() {
        step();
        sqlite3_reset(stmt_);
    }
    std::int64_t integer(int col) const { return sqlite3_column_int64(stmt_, col); }
    std::string bytes(int col) const {
        const void* p = sqlite3_column_blob(stmt_, col);
        const int n = sqlite3_column_bytes(stmt_, col);
        return p ? std::string(static_cast<const char*>(p), static_cast<std::size_t>(n))
                 : std::string();
    }

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// A path inside its batch's folder is stored as a NUL byte and the rest of the path after
// the folder's "/": most rows name files there, and the journal then holds the folder once.
// No path holds a NUL, so a stored path that starts with one can be nothing else.
class StoredPath {
public:
    explicit StoredPath(std::string_view folder) : base_(folder) {
        if (base_.empty() || base_.back() != '/')
            base_ += '/';
    }
    // The bytes to store for `path`; valid until the next call.
    std::string_view operator()(const std::string& path) {
        if (path.size() <= base_.size() || path.compare(0, base_.size(), base_) != 0)
            return path;
        buffer_.assign(1, '\0');
        buffer_.append(path, base_.size());
        return buffer_;
    }
    // The path stored as `bytes`.
    std::string read(std::string bytes) const {
        if (bytes.empty() || bytes.front() != '\0')
            return bytes;
        bytes.replace(0, 1, base_);
        return bytes;
    }

private:
    std::string base_;
    std::string buffer_;
};

// Foreign keys unchecked while a batch writes rows that refer to its own batch row (written
// in the same transaction, or held by the batch): the check costs a lookup per row. Set
// outside a transaction, where SQLite takes the setting.
class ForeignKeysOff {
public:
    explicit ForeignKeysOff(sqlite3* db) : db_(db) {
        sqlite3_exec(db_, "PRAGMA foreign_keys=OFF", nullptr, nullptr, nullptr);
    }
    ~ForeignKeysOff() { sqlite3_exec(db_, "PRAGMA foreign_keys=ON", nullptr, nullptr, nullptr); }
    ForeignKeysOff(const ForeignKeysOff&) = delete;
    ForeignKeysOff& operator=(const ForeignKeysOff&) = delete;

private:
    sqlite3* db_;
};

} // namespace kivo::journal_detail
