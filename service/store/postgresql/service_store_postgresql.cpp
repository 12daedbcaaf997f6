#include "store/postgresql/service_store_postgresql.h"

#include <libpq-fe.h>

#include "store/postgresql/service_pg_pool.h"
#include "store/service_schema.h"

namespace velmo_service {

namespace {
// Connections per instance: the HTTP threads share them with the job workers.
constexpr int pool_size = 4;
// Any number, the same in every instance: the lock under which one instance migrates.
constexpr const char* migration_lock = "SELECT pg_advisory_xact_lock(7351902)";

const char* const account_columns =
    "SELECT user_name, state, quota, used, end_date, auth_hash FROM accounts";

account_record read_account(const pg_rows& r, int row) {
    account_record a;
    a.acc.user_name = r.text(row, 0);
    a.acc.state = static_cast<int>(r.integer(row, 1));
    a.acc.quota = r.integer(row, 2);
    a.acc.used = r.integer(row, 3);
    a.acc.end_date = r.text(row, 4);
    a.auth_hash = r.text(row, 5);
    return a;
}

class pg_session : public schema_session {
  public:
    explicit pg_session(PGconn* conn) : conn_(conn) {}
    bool begin_exclusive() override { return exec("BEGIN") && exec(migration_lock); }
    bool exec(const std::string& sql) override {
        // Several statements in one text: sent without parameters.
        PGresult* r = PQexec(conn_, sql.c_str());
        const ExecStatusType s = PQresultStatus(r);
        if (s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK) error_ = PQresultErrorMessage(r);
        PQclear(r);
        return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
    }
    std::optional<long long> query_number(const std::string& sql) override {
        pg_rows r = pg_run(conn_, sql);
        if (!r.ok() || r.count() == 0) {
            error_ = r.error();
            return std::nullopt;
        }
        return r.integer(0, 0);
    }
    bool commit() override { return exec("COMMIT"); }
    void rollback() override { exec("ROLLBACK"); }
    std::string last_error() override { return error_.empty() ? PQerrorMessage(conn_) : error_; }

  private:
    PGconn* conn_;
    std::string error_;
};

std::string number(std::int64_t v) { return std::to_string(v); }

pg_rows checked(pg_rows rows) { return postgresql_checked(std::move(rows)); }
template <typename T>
std::optional<std::string> optional_number(const std::optional<T>& v) {
    return v ? std::optional<std::string>(number(*v)) : std::nullopt;
}

class postgresql_store : public store_backend {
  public:
    explicit postgresql_store(std::unique_ptr<pg_pool> pool) : pool_(std::move(pool)) {}

    bool add_user(const account_record& r, std::string* error) override {
        pg_rows rows = checked(pool_->acquire().run(
            "INSERT INTO accounts(user_name, auth_hash, state, quota, used, end_date) "
            "VALUES($1,$2,$3,$4,$5,$6)",
            {r.acc.user_name, r.auth_hash, number(r.acc.state), number(r.acc.quota),
             number(r.acc.used), r.acc.end_date}));
        if (!rows.ok() && error) *error = rows.error();
        return rows.ok();
    }

    bool set_user(const std::string& name, const std::optional<std::string>& auth_hash,
                  const std::optional<int>& state, const std::optional<std::int64_t>& quota,
                  const std::optional<std::string>& end_date,
                  const std::optional<std::int64_t>& used) override {
        // One statement: an absent value keeps the stored one.
        pg_rows rows = checked(pool_->acquire().run(
            "UPDATE accounts SET auth_hash=COALESCE($2, auth_hash), state=COALESCE($3::integer, "
            "state),"
            " quota=COALESCE($4::bigint, quota), end_date=COALESCE($5, end_date), "
            "used=COALESCE($6::bigint, used)"
            " WHERE user_name=$1",
            {name, auth_hash, optional_number(state), optional_number(quota), end_date,
             optional_number(used)}));
        return rows.ok() && rows.affected() > 0;
    }

    bool remove_user(const std::string& name) override {
        pg_pool::handle c = pool_->acquire();
        checked(c.run("BEGIN"));
        const bool removed =
            checked(c.run("DELETE FROM accounts WHERE user_name=$1", {name})).affected() > 0;
        if (removed) {
            checked(c.run("DELETE FROM usage WHERE user_name=$1", {name}));
            checked(c.run("DELETE FROM words WHERE user_name=$1", {name}));
        }
        checked(c.run("COMMIT"));
        return removed;
    }

    bool rename_user(const std::string& from, const std::string& to) override {
        pg_pool::handle c = pool_->acquire();
        checked(c.run("BEGIN"));
        if (checked(c.run("SELECT 1 FROM accounts WHERE user_name=$1", {to})).count() > 0) {
            checked(c.run("ROLLBACK"));
            return false;
        }
        bool renamed = false;
        for (const char* table : {"accounts", "usage", "words", "jobs"}) {
            const std::size_t moved = checked(c.run(std::string("UPDATE ") + table +
                                                        " SET user_name=$2 WHERE user_name=$1",
                                                    {from, to}))
                                          .affected();
            if (std::string(table) == "accounts") renamed = moved > 0;
        }
        checked(c.run("COMMIT"));
        return renamed;
    }

    std::vector<account_record> list_users() override {
        pg_rows r =
            checked(pool_->acquire().run(std::string(account_columns) + " ORDER BY user_name"));
        std::vector<account_record> out;
        for (int i = 0; i < r.count(); ++i) out.push_back(read_account(r, i));
        return out;
    }

    std::optional<account_record> find_user(const std::string& name) override {
        pg_rows r = checked(
            pool_->acquire().run(std::string(account_columns) + " WHERE user_name=$1", {name}));
        if (r.count() == 0) return std::nullopt;
        return read_account(r, 0);
    }

    int charge(const std::string& name, std::int64_t words, const std::string& time) override {
        pg_pool::handle c = pool_->acquire();
        checked(c.run("BEGIN"));
        const int code = postgresql_charge_in(c.get(), name, words, time);
        if (code != code_ok) {
            c.run("ROLLBACK");
            return code;
        }
        checked(c.run("COMMIT"));
        return code_ok;
    }

    bool refund(const std::string& name, std::int64_t words, const std::string& time) override {
        pg_pool::handle c = pool_->acquire();
        checked(c.run("BEGIN"));
        const bool ok = postgresql_refund_in(c.get(), name, words, time);
        return checked(c.run(ok ? "COMMIT" : "ROLLBACK")).ok() && ok;
    }

    usage_page usage(const std::string& name, const std::string& date, std::int64_t offset,
                     std::int64_t limit) override {
        pg_pool::handle c = pool_->acquire();
        usage_page out;
        const std::string day = date.substr(0, 10);
        pg_rows totals = checked(c.run(
            "SELECT COUNT(*) FILTER (WHERE substr(check_time,1,10)=$2), COALESCE(SUM(words),0)"
            " FROM usage WHERE user_name=$1 AND substr(check_time,1,7)=$3",
            {name, day, day.substr(0, 7)}));
        if (totals.count() > 0) {
            out.total_rows = totals.integer(0, 0);
            out.month_words = totals.integer(0, 1);
        }
        pg_rows r = checked(c.run(
            "SELECT check_time, words FROM usage WHERE user_name=$1 AND substr(check_time,1,10)=$2"
            " ORDER BY check_time DESC, id DESC LIMIT $3 OFFSET $4",
            {name, day, number(limit), number(offset)}));
        for (int i = 0; i < r.count(); ++i)
            out.rows.push_back(usage_row{r.text(i, 0), r.integer(i, 1)});
        return out;
    }

    std::vector<usage_row> all_usage(const std::string& name) override {
        pg_rows r = checked(pool_->acquire().run(
            "SELECT check_time, words FROM usage WHERE user_name=$1 ORDER BY id", {name}));
        std::vector<usage_row> out;
        for (int i = 0; i < r.count(); ++i) out.push_back(usage_row{r.text(i, 0), r.integer(i, 1)});
        return out;
    }

    bool add_usage(const std::string& name, const usage_row& row) override {
        return pool_->acquire()
            .run("INSERT INTO usage(user_name, check_time, words) VALUES($1,$2,$3)",
                 {name, row.check_time, number(row.words)})
            .ok();
    }

    word_page words(const std::string& name, int lib, std::int64_t offset,
                    std::int64_t limit) override {
        pg_pool::handle c = pool_->acquire();
        word_page out;
        pg_rows total = checked(
            c.run("SELECT COUNT(*) FROM words WHERE user_name=$1 AND lib=$2", {name, number(lib)}));
        if (total.count() > 0) out.total = total.integer(0, 0);
        pg_rows r = checked(c.run(
            "SELECT word FROM words WHERE user_name=$1 AND lib=$2 ORDER BY id LIMIT $3 OFFSET $4",
            {name, number(lib), number(limit), number(offset)}));
        for (int i = 0; i < r.count(); ++i) out.words.push_back(r.text(i, 0));
        return out;
    }

    std::vector<std::string> all_words(const std::string& name, int lib) override {
        pg_rows r = checked(
            pool_->acquire().run("SELECT word FROM words WHERE user_name=$1 AND lib=$2 ORDER BY id",
                                 {name, number(lib)}));
        std::vector<std::string> out;
        for (int i = 0; i < r.count(); ++i) out.push_back(r.text(i, 0));
        return out;
    }

    word_added add_word(const std::string& name, int lib, const std::string& word,
                        std::int64_t cap) override {
        // The account's row lock orders concurrent additions of one user, so
        // the count and the insert cannot be raced past the cap.
        pg_pool::handle c = pool_->acquire();
        checked(c.run("BEGIN"));
        checked(c.run("SELECT 1 FROM accounts WHERE user_name=$1 FOR UPDATE", {name}));
        if (checked(c.run("SELECT 1 FROM words WHERE user_name=$1 AND lib=$2 AND word=$3",
                          {name, number(lib), word}))
                .count() > 0)
            return word_added::present;
        pg_rows held = checked(c.run("SELECT COUNT(*) FROM words WHERE user_name=$1", {name}));
        if (held.count() > 0 && held.integer(0, 0) >= cap) return word_added::full;
        const bool added =
            checked(c.run("INSERT INTO words(user_name, lib, word) VALUES($1,$2,$3) ON CONFLICT "
                          "DO NOTHING",
                          {name, number(lib), word}))
                .affected() > 0;
        checked(c.run("COMMIT"));
        return added ? word_added::added : word_added::present;
    }

    bool delete_word(const std::string& name, int lib, const std::string& word) override {
        return checked(pool_->acquire().run(
                           "DELETE FROM words WHERE user_name=$1 AND lib=$2 AND word=$3",
                           {name, number(lib), word}))
                   .affected() > 0;
    }

  private:
    std::unique_ptr<pg_pool> pool_;
};
}  // namespace

pg_rows postgresql_checked(pg_rows rows) {
    if (!rows.ok() && rows.state().rfind("23", 0) != 0) throw store_unavailable(rows.error());
    return rows;
}

int postgresql_charge_in(PGconn* conn, const std::string& name, std::int64_t words,
                         const std::string& time) {
    // The row lock of the UPDATE orders concurrent charges of one account, and
    // the condition is checked again on the row each one finds.
    pg_rows charged = pg_run(
        conn, "UPDATE accounts SET used = used + $1 WHERE user_name=$2 AND used + $1 <= quota",
        {number(words), name});
    if (!charged.ok()) return code_unavailable;
    if (charged.affected() == 0)
        return pg_run(conn, "SELECT 1 FROM accounts WHERE user_name=$1", {name}).count() > 0
                   ? code_no_words
                   : code_unknown_user;
    return pg_run(conn, "INSERT INTO usage(user_name, check_time, words) VALUES($1,$2,$3)",
                  {name, time, number(words)})
                   .ok()
               ? code_ok
               : code_refused;
}

bool postgresql_refund_in(PGconn* conn, const std::string& name, std::int64_t words,
                          const std::string& time) {
    return pg_run(conn,
                  "DELETE FROM usage WHERE id = (SELECT id FROM usage WHERE user_name=$1 AND "
                  "check_time=$2"
                  " AND words=$3 ORDER BY id DESC LIMIT 1)",
                  {name, time, number(words)})
                   .affected() > 0 &&
           pg_run(conn, "UPDATE accounts SET used = GREATEST(0, used - $1) WHERE user_name=$2",
                  {number(words), name})
               .ok();
}

std::unique_ptr<store_backend> postgresql_store_open(const std::string& url, std::string* error) {
    std::unique_ptr<pg_pool> pool = pg_pool::open(url, pool_size, error);
    if (!pool) return nullptr;
    {
        pg_pool::handle c = pool->acquire();
        pg_session session(c.get());
        if (!schema_migrate(session, schema_dialect::postgresql, error)) return nullptr;
    }
    return std::make_unique<postgresql_store>(std::move(pool));
}

}  // namespace velmo_service
