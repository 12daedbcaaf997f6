#include "store/sqlite/service_store_sqlite.h"

#include <sqlite3.h>

#include <mutex>

#include "store/service_schema.h"
#include "store/sqlite/service_sqlite_statement.h"
#include "store/sqlite/service_sqlite_write_gate.h"

namespace velmo_service {

namespace {
const char* const account_columns =
    "SELECT user_name, state, quota, used, end_date, auth_hash FROM accounts";

account_record read_account(const sqlite_statement& s) {
    account_record r;
    r.acc.user_name = s.text(0);
    r.acc.state = static_cast<int>(s.integer(1));
    r.acc.quota = s.integer(2);
    r.acc.used = s.integer(3);
    r.acc.end_date = s.text(4);
    r.auth_hash = s.text(5);
    return r;
}

class sqlite_session : public schema_session {
  public:
    explicit sqlite_session(sqlite3* db) : db_(db) {}
    bool begin_exclusive() override { return exec("BEGIN IMMEDIATE"); }
    bool exec(const std::string& sql) override {
        return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    std::optional<long long> query_number(const std::string& sql) override {
        try {
            sqlite_statement s(db_, sql.c_str());
            if (!s.row()) return std::nullopt;
            return s.integer(0);
        } catch (const store_unavailable&) {
            return std::nullopt;
        }
    }
    bool commit() override { return exec("COMMIT"); }
    void rollback() override { exec("ROLLBACK"); }
    std::string last_error() override { return sqlite3_errmsg(db_); }

  private:
    sqlite3* db_;
};

class sqlite_store : public store_backend {
  public:
    sqlite_store(sqlite3* writer, sqlite3* reader) : db_(writer), reader_(reader), gate_(writer) {}
    ~sqlite_store() override {
        sqlite3_close(reader_);
        sqlite3_close(db_);
    }

    bool add_user(const account_record& r, std::string* error) override {
        sqlite_write_gate::turn turn(gate_);
        sqlite_statement s(
            db_,
            "INSERT INTO accounts(user_name, auth_hash, state, quota, used, end_date) "
            "VALUES(?,?,?,?,?,?)");
        s.bind(1, r.acc.user_name)
            .bind(2, r.auth_hash)
            .bind(3, std::int64_t{r.acc.state})
            .bind(4, r.acc.quota);
        s.bind(5, r.acc.used).bind(6, r.acc.end_date);
        if (!s.run()) {
            if (error) *error = sqlite3_errmsg(db_);
            return false;
        }
        return true;
    }

    bool set_user(const std::string& name, const std::optional<std::string>& auth_hash,
                  const std::optional<int>& state, const std::optional<std::int64_t>& quota,
                  const std::optional<std::string>& end_date,
                  const std::optional<std::int64_t>& used) override {
        sqlite_write_gate::turn turn(gate_);
        sqlite_transaction t(db_);
        bool ok = true;
        {
            sqlite_statement s(db_, "SELECT 1 FROM accounts WHERE user_name=?");
            s.bind(1, name);
            ok = s.row();
        }
        auto update = [&](const char* sql, auto value) {
            sqlite_statement s(db_, sql);
            s.bind(1, value).bind(2, name);
            ok = ok && s.run();
        };
        if (auth_hash) update("UPDATE accounts SET auth_hash=? WHERE user_name=?", *auth_hash);
        if (state)
            update("UPDATE accounts SET state=? WHERE user_name=?",
                   static_cast<std::int64_t>(*state));
        if (quota) update("UPDATE accounts SET quota=? WHERE user_name=?", *quota);
        if (end_date) update("UPDATE accounts SET end_date=? WHERE user_name=?", *end_date);
        if (used) update("UPDATE accounts SET used=? WHERE user_name=?", *used);
        if (ok) t.commit();
        return ok;
    }

    bool remove_user(const std::string& name) override {
        sqlite_write_gate::turn turn(gate_);
        sqlite_transaction t(db_);
        sqlite_statement s(db_, "DELETE FROM accounts WHERE user_name=?");
        s.bind(1, name);
        const bool removed = s.run() && sqlite3_changes(db_) > 0;
        if (removed) {
            sqlite_statement u(db_, "DELETE FROM usage WHERE user_name=?");
            u.bind(1, name).run();
            sqlite_statement w(db_, "DELETE FROM words WHERE user_name=?");
            w.bind(1, name).run();
        }
        t.commit();
        return removed;
    }

    bool rename_user(const std::string& from, const std::string& to) override {
        sqlite_write_gate::turn turn(gate_);
        sqlite_transaction t(db_);
        {
            sqlite_statement taken(db_, "SELECT 1 FROM accounts WHERE user_name=?");
            taken.bind(1, to);
            if (taken.row()) return false;
        }
        bool renamed = false;
        for (const char* table : {"accounts", "usage", "words", "kept_jobs"}) {
            sqlite_statement s(
                db_,
                (std::string("UPDATE ") + table + " SET user_name=? WHERE user_name=?").c_str());
            s.bind(1, to).bind(2, from).run();
            if (std::string(table) == "accounts") renamed = sqlite3_changes(db_) > 0;
        }
        t.commit();
        return renamed;
    }

    std::vector<account_record> list_users() override {
        std::lock_guard<std::mutex> lock(read_mutex_);
        std::vector<account_record> out;
        sqlite_statement s(reader_, (std::string(account_columns) + " ORDER BY user_name").c_str());
        while (s.row()) out.push_back(read_account(s));
        return out;
    }

    std::optional<account_record> find_user(const std::string& name) override {
        std::lock_guard<std::mutex> lock(read_mutex_);
        sqlite_statement s(reader_, (std::string(account_columns) + " WHERE user_name=?").c_str());
        s.bind(1, name);
        if (!s.row()) return std::nullopt;
        return read_account(s);
    }

    int charge(const std::string& name, std::int64_t words, const std::string& time) override {
        sqlite_write_gate::turn turn(gate_);
        sqlite_transaction t(db_);
        const int code = sqlite_charge_in(db_, name, words, time);
        if (code == code_ok) t.commit();
        return code;
    }

    bool refund(const std::string& name, std::int64_t words, const std::string& time) override {
        sqlite_write_gate::turn turn(gate_);
        sqlite_transaction t(db_);
        if (!sqlite_refund_in(db_, name, words, time)) return false;
        t.commit();
        return true;
    }

    usage_page usage(const std::string& name, const std::string& date, std::int64_t offset,
                     std::int64_t limit) override {
        std::lock_guard<std::mutex> lock(read_mutex_);
        usage_page out;
        const std::string day = date.substr(0, 10);
        {
            sqlite_statement s(
                reader_,
                "SELECT COUNT(*) FROM usage WHERE user_name=? AND substr(check_time,1,10)=?");
            s.bind(1, name).bind(2, day);
            if (s.row()) out.total_rows = s.integer(0);
        }
        {
            sqlite_statement s(reader_,
                               "SELECT COALESCE(SUM(words),0) FROM usage WHERE user_name=? AND "
                               "substr(check_time,1,7)=?");
            s.bind(1, name).bind(2, day.substr(0, 7));
            if (s.row()) out.month_words = s.integer(0);
        }
        sqlite_statement s(
            reader_,
            "SELECT check_time, words FROM usage WHERE user_name=? AND substr(check_time,1,10)=? "
            "ORDER BY check_time DESC, id DESC LIMIT ? OFFSET ?");
        s.bind(1, name).bind(2, day).bind(3, limit).bind(4, offset);
        while (s.row()) out.rows.push_back(usage_row{s.text(0), s.integer(1)});
        return out;
    }

    std::vector<usage_row> all_usage(const std::string& name) override {
        std::lock_guard<std::mutex> lock(read_mutex_);
        std::vector<usage_row> out;
        sqlite_statement s(reader_,
                           "SELECT check_time, words FROM usage WHERE user_name=? ORDER BY id");
        s.bind(1, name);
        while (s.row()) out.push_back(usage_row{s.text(0), s.integer(1)});
        return out;
    }

    bool add_usage(const std::string& name, const usage_row& row) override {
        sqlite_write_gate::turn turn(gate_);
        sqlite_statement s(db_, "INSERT INTO usage(user_name, check_time, words) VALUES(?,?,?)");
        s.bind(1, name).bind(2, row.check_time).bind(3, row.words);
        return s.run();
    }

    word_page words(const std::string& name, int lib, std::int64_t offset,
                    std::int64_t limit) override {
        std::lock_guard<std::mutex> lock(read_mutex_);
        word_page out;
        {
            sqlite_statement s(reader_, "SELECT COUNT(*) FROM words WHERE user_name=? AND lib=?");
            s.bind(1, name).bind(2, std::int64_t{lib});
            if (s.row()) out.total = s.integer(0);
        }
        sqlite_statement s(
            reader_,
            "SELECT word FROM words WHERE user_name=? AND lib=? ORDER BY id LIMIT ? OFFSET ?");
        s.bind(1, name).bind(2, std::int64_t{lib}).bind(3, limit).bind(4, offset);
        while (s.row()) out.words.push_back(s.text(0));
        return out;
    }

    std::vector<std::string> all_words(const std::string& name, int lib) override {
        std::lock_guard<std::mutex> lock(read_mutex_);
        std::vector<std::string> out;
        sqlite_statement s(reader_,
                           "SELECT word FROM words WHERE user_name=? AND lib=? ORDER BY id");
        s.bind(1, name).bind(2, std::int64_t{lib});
        while (s.row()) out.push_back(s.text(0));
        return out;
    }

    word_added add_word(const std::string& name, int lib, const std::string& word,
                        std::int64_t cap) override {
        sqlite_write_gate::turn turn(gate_);
        sqlite_transaction t(db_);
        sqlite_statement present(db_, "SELECT 1 FROM words WHERE user_name=? AND lib=? AND word=?");
        present.bind(1, name).bind(2, std::int64_t{lib}).bind(3, word);
        if (present.row()) return word_added::present;
        sqlite_statement count(db_, "SELECT COUNT(*) FROM words WHERE user_name=?");
        count.bind(1, name);
        if (count.row() && count.integer(0) >= cap) return word_added::full;
        sqlite_statement s(db_, "INSERT INTO words(user_name, lib, word) VALUES(?,?,?)");
        s.bind(1, name).bind(2, std::int64_t{lib}).bind(3, word);
        if (!s.run()) return word_added::present;
        t.commit();
        return word_added::added;
    }

    bool delete_word(const std::string& name, int lib, const std::string& word) override {
        sqlite_write_gate::turn turn(gate_);
        sqlite_statement s(db_, "DELETE FROM words WHERE user_name=? AND lib=? AND word=?");
        s.bind(1, name).bind(2, std::int64_t{lib}).bind(3, word);
        return s.run() && sqlite3_changes(db_) > 0;
    }

  private:
    sqlite3* db_;  // writes, one turn at a time
    sqlite3* reader_;
    sqlite_write_gate gate_;
    std::mutex read_mutex_;
};
}  // namespace

int sqlite_charge_in(sqlite3* db, const std::string& name, std::int64_t words,
                     const std::string& time) {
    sqlite_statement s(
        db, "UPDATE accounts SET used = used + ? WHERE user_name=? AND used + ? <= quota");
    s.bind(1, words).bind(2, name).bind(3, words);
    if (!s.run()) return code_refused;
    if (sqlite3_changes(db) == 0) {
        sqlite_statement f(db, "SELECT 1 FROM accounts WHERE user_name=?");
        f.bind(1, name);
        return f.row() ? code_no_words : code_unknown_user;
    }
    sqlite_statement r(db, "INSERT INTO usage(user_name, check_time, words) VALUES(?,?,?)");
    r.bind(1, name).bind(2, time).bind(3, words);
    return r.run() ? code_ok : code_refused;
}

bool sqlite_refund_in(sqlite3* db, const std::string& name, std::int64_t words,
                      const std::string& time) {
    sqlite_statement r(db,
                       "DELETE FROM usage WHERE id = (SELECT id FROM usage WHERE user_name=? AND "
                       "check_time=? AND words=? ORDER BY id DESC LIMIT 1)");
    r.bind(1, name).bind(2, time).bind(3, words);
    if (!r.run() || sqlite3_changes(db) == 0) return false;
    sqlite_statement s(db, "UPDATE accounts SET used = MAX(0, used - ?) WHERE user_name=?");
    s.bind(1, words).bind(2, name);
    return s.run();
}

sqlite3* sqlite_connect(const std::string& path, std::string* error) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK) {
        if (error) *error = db ? sqlite3_errmsg(db) : "cannot open database";
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, 5000);
    // Per connection: in WAL mode a commit then reaches the disk at the next
    // checkpoint, and a power cut loses at most the last commits, never the file.
    if (sqlite3_exec(db, "PRAGMA synchronous=NORMAL;", nullptr, nullptr, nullptr) != SQLITE_OK) {
        if (error) *error = sqlite3_errmsg(db);
        sqlite3_close(db);
        return nullptr;
    }
    return db;
}

std::unique_ptr<store_backend> sqlite_store_open(const std::string& path, std::string* error) {
    sqlite3* db = sqlite_connect(path, error);
    if (!db) return nullptr;
    sqlite_session session(db);
    if (!session.exec("PRAGMA journal_mode=WAL;")) {
        if (error) *error = sqlite3_errmsg(db);
        sqlite3_close(db);
        return nullptr;
    }
    if (!schema_migrate(session, schema_dialect::sqlite, error)) {
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3* reader = sqlite_connect(path, error);
    if (!reader) {
        sqlite3_close(db);
        return nullptr;
    }
    return std::make_unique<sqlite_store>(db, reader);
}

}  // namespace velmo_service
