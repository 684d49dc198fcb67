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

} // namespace kivo::journal_detail
