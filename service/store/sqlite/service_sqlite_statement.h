// Prepared statements and write transactions on a SQLite connection, shared
// by the store and the job rows kept in the same file.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <string>

#include "store/service_store_types.h"

namespace velmo_service {

// What a failed step means: a row that conflicts with a stored one is the
// caller's to report; anything else (busy, full, read-only, unreadable) means
// the database cannot do its job, and throws.
[[noreturn]] inline void sqlite_unavailable(sqlite3* db) {
    throw store_unavailable(sqlite3_errmsg(db));
}

// Statements prepared once on a connection and reused, for the ones run on
// every request; whoever holds the cache runs one statement at a time.
class sqlite_statement_cache {
  public:
    explicit sqlite_statement_cache(sqlite3* db) : db_(db) {}
    ~sqlite_statement_cache() { clear(); }
    sqlite_statement_cache(const sqlite_statement_cache&) = delete;
    sqlite_statement_cache& operator=(const sqlite_statement_cache&) = delete;

    sqlite3* db() const { return db_; }
    sqlite3_stmt* get(const std::string& sql) {
        sqlite3_stmt*& stmt = kept_[sql];
        if (!stmt && sqlite3_prepare_v3(db_, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &stmt,
                                        nullptr) != SQLITE_OK) {
            kept_.erase(sql);
            sqlite_unavailable(db_);
        }
        return stmt;
    }
    // Before the connection closes.
    void clear() {
        for (auto& kept : kept_) sqlite3_finalize(kept.second);
        kept_.clear();
    }

  private:
    sqlite3* db_;
    std::map<std::string, sqlite3_stmt*> kept_;
};

// One prepared statement, bound by position (1-based) and stepped row by row.
class sqlite_statement {
  public:
    sqlite_statement(sqlite3* db, const char* sql) : db_(db) {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) sqlite_unavailable(db);
    }
    // A statement of `cache`, reset for its next use afterwards.
    sqlite_statement(sqlite_statement_cache& cache, const std::string& sql)
        : db_(cache.db()), stmt_(cache.get(sql)), kept_(true) {}
    ~sqlite_statement() {
        if (!kept_) {
            sqlite3_finalize(stmt_);
            return;
        }
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
    sqlite_statement(const sqlite_statement&) = delete;
    sqlite_statement& operator=(const sqlite_statement&) = delete;

    sqlite_statement& bind(int i, const std::string& v) {
        sqlite3_bind_text(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    sqlite_statement& bind(int i, std::int64_t v) {
        sqlite3_bind_int64(stmt_, i, v);
        return *this;
    }
    bool row() { return step() == SQLITE_ROW; }
    // False when the statement conflicts with a stored row.
    bool run() { return step() != SQLITE_CONSTRAINT; }
    std::string text(int col) const {
        const unsigned char* t = sqlite3_column_text(stmt_, col);
        return t ? std::string(reinterpret_cast<const char*>(t),
                               static_cast<std::size_t>(sqlite3_column_bytes(stmt_, col)))
                 : std::string();
    }
    std::int64_t integer(int col) const { return sqlite3_column_int64(stmt_, col); }

  private:
    int step() {
        const int rc = sqlite3_step(stmt_);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE && (rc & 0xff) != SQLITE_CONSTRAINT)
            sqlite_unavailable(db_);
        return rc == SQLITE_ROW || rc == SQLITE_DONE ? rc : SQLITE_CONSTRAINT;
    }

    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
    bool kept_ = false;
};

// A write transaction, rolled back unless committed (also when a statement throws).
class sqlite_transaction {
  public:
    explicit sqlite_transaction(sqlite3* db) : db_(db) {
        if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
            sqlite_unavailable(db);
    }
    ~sqlite_transaction() {
        if (!done_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    sqlite_transaction(const sqlite_transaction&) = delete;
    sqlite_transaction& operator=(const sqlite_transaction&) = delete;
    void commit() {
        if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
            sqlite_unavailable(db_);
        done_ = true;
    }

  private:
    sqlite3* db_;
    bool done_ = false;
};

// Opens `path` for several threads, waiting up to 5 s for a lock another
// connection holds; nullptr with `error`.
sqlite3* sqlite_connect(const std::string& path, std::string* error);

// The quota check and charge of store_backend::charge inside the caller's
// transaction.
int sqlite_charge_in(sqlite3* db, const std::string& name, std::int64_t words,
                     const std::string& time);
// Takes back the newest matching charge inside the caller's transaction.
bool sqlite_refund_in(sqlite3* db, const std::string& name, std::int64_t words,
                      const std::string& time);

}  // namespace velmo_service
