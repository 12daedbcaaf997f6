#include "jobs/service_job_rows_sqlite.h"

#include <algorithm>
#include <mutex>
#include <stdexcept>

#include "store/sqlite/service_sqlite_statement.h"
#include "store/sqlite/service_sqlite_write_gate.h"

namespace velmo_service {

namespace {
std::int64_t now_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The job ?1 as a request may see it, given the current time ?2, the expiry
// ?3, the idle window ?4 and the claimant ?5 (empty: any user). Mirrors the
// shared table's rule: a job waiting for a request expires, one without text
// sooner.
const char* const requested_job =
    " pid=?1 AND (state IN (2,3) OR (state=0 AND touched >= ?2 - ?4)"
    " OR (state IN (1,4,5) AND touched >= ?2 - ?3)) AND (?5 = '' OR user_name = ?5)";

// Jobs of user ?1 counting toward the cap at time ?2 with idle window ?3.
const char* const held_with_text =
    "(SELECT COUNT(*) FROM kept_jobs WHERE user_name=?1 AND (state IN (1,2,3)"
    " OR (state=4 AND touched >= ?2 - ?3)))";

class sqlite_job_rows : public job_rows {
  public:
    sqlite_job_rows(sqlite3* writer, sqlite3* reader)
        : db_(writer), cache_(writer), reader_(reader), reader_cache_(reader), gate_(writer) {
        // Findings kept by an earlier run stay fetchable for a full expiry; an
        // upload it had reserved and not charged is gone with its request.
        sqlite_write_gate::turn turn(gate_);
        sqlite_statement(cache_, "UPDATE kept_jobs SET touched=? WHERE state IN (4,5)")
            .bind(1, now_ms())
            .run();
        sqlite_statement(cache_, "DELETE FROM kept_jobs WHERE state=1").run();
    }
    ~sqlite_job_rows() override {
        cache_.clear();
        reader_cache_.clear();
        sqlite3_close(reader_);
        sqlite3_close(db_);
    }

    bool shared() const override { return false; }

    bool issue(const std::string& pid, const std::string& user, const job_limits& limits) override {
        sqlite_write_gate::turn turn(gate_);
        const std::int64_t now = now_ms();
        sqlite_transaction t(db_);
        expire_in(limits, now);
        // Past the allowance the user's oldest identifiers that never received
        // text are forgotten: a client that asks and never uploads (a login
        // gate) cannot lock its own account out.
        sqlite_statement(cache_,
                         "DELETE FROM kept_jobs WHERE pid IN (SELECT pid FROM kept_jobs WHERE"
                         " user_name=?1 AND state=0 ORDER BY touched DESC, id DESC LIMIT -1"
                         " OFFSET MAX(?2 - 1, 0))")
            .bind(1, user)
            .bind(2, static_cast<std::int64_t>(limits.max_issued_per_user))
            .run();
        sqlite_statement s(
            cache_,
            (std::string("INSERT INTO kept_jobs(pid, user_name, state, touched, options, "
                         "charged_words, charged_at) SELECT ?4, ?1, 0, ?2, '', 0, ''"
                         " WHERE (SELECT COUNT(*) FROM kept_jobs WHERE state<>5) < ?5 AND ?6 > 0"
                         " AND ") +
             held_with_text + " < ?7"));
        s.bind(1, user).bind(2, now).bind(3, limits.idle_window.count()).bind(4, pid);
        s.bind(5, static_cast<std::int64_t>(limits.max_jobs))
            .bind(6, static_cast<std::int64_t>(limits.max_issued_per_user))
            .bind(7, static_cast<std::int64_t>(limits.max_jobs_per_user));
        if (!s.run() || sqlite3_changes(db_) != 1) return false;
        t.commit();
        return true;
    }

    void expire(const job_limits& limits) override {
        best_effort([&] {
            sqlite_transaction t(db_);
            expire_in(limits, now_ms());
            t.commit();
        });
    }

    job_submit reserve(const std::string& pid, const std::string& claimant,
                       const job_limits& limits, std::string* user) override {
        sqlite_write_gate::turn turn(gate_);
        const std::int64_t now = now_ms();
        sqlite_transaction t(db_);
        std::string owner;
        {
            sqlite_statement s(
                cache_,
                (std::string("SELECT user_name, state FROM kept_jobs WHERE") + requested_job));
            bind_request(s, pid, claimant, limits, now);
            if (!s.row()) return job_submit::unknown;
            if (s.integer(1) != row_issued) return job_submit::already_uploaded;
            owner = s.text(0);
        }
        sqlite_statement count(cache_, (std::string("SELECT ") + held_with_text));
        count.bind(1, owner).bind(2, now).bind(3, limits.idle_window.count());
        const bool room =
            count.row() && count.integer(0) < static_cast<std::int64_t>(limits.max_jobs_per_user);
        if (room)
            sqlite_statement(cache_, "UPDATE kept_jobs SET state=1, touched=? WHERE pid=?")
                .bind(1, now)
                .bind(2, pid)
                .run();
        else
            sqlite_statement(cache_, "DELETE FROM kept_jobs WHERE pid=?").bind(1, pid).run();
        t.commit();
        if (!room) return job_submit::busy;
        if (user) *user = owner;
        return job_submit::accepted;
    }

    int charge_and_queue(const std::string& pid, const std::string& user, std::int64_t words,
                         const std::string& time, const std::string& article,
                         const std::string& options) override {
        try {
            sqlite_write_gate::turn turn(gate_);
            const std::int64_t now = now_ms();
            sqlite_transaction t(db_);
            const int code = sqlite_charge_in(db_, user, words, time);
            if (code != code_ok) return code;
            sqlite_statement s(cache_,
                               "UPDATE kept_jobs SET state=2, article=?2, options=?3, "
                               "charged_words=?4, charged_at=?5, queued_at=?6, touched=?6"
                               " WHERE pid=?1 AND state=1");
            s.bind(1, pid).bind(2, article).bind(3, options).bind(4, words).bind(5, time);
            s.bind(6, now);
            if (!s.run() || sqlite3_changes(db_) != 1) return code_refused;
            t.commit();
            return code_ok;
        } catch (const store_unavailable&) {
            return code_unavailable;
        }
    }

    void drop(const std::string& pid) override {
        sqlite_write_gate::turn turn(gate_);
        sqlite_statement(cache_, "DELETE FROM kept_jobs WHERE pid=? AND state<>3")
            .bind(1, pid)
            .run();
    }

    // A poll reads without waiting for writers; marking the job asked about
    // (or releasing a delivered one) is a write that may wait its turn, and
    // is left for a later poll when the database is busy.
    std::optional<job_row_view> touch(const std::string& pid, const std::string& claimant,
                                      const job_limits& limits) override {
        const std::int64_t now = now_ms();
        std::optional<job_row_view> view;
        std::int64_t touched = 0;
        {
            std::lock_guard<std::mutex> lock(read_mutex_);
            sqlite_statement s(
                reader_cache_,
                (std::string("SELECT state, touched FROM kept_jobs WHERE") + requested_job));
            bind_request(s, pid, claimant, limits, now);
            if (!s.row()) return std::nullopt;
            view = job_row_view{static_cast<int>(s.integer(0)), 0};
            touched = s.integer(1);
        }
        if (view->state == row_delivered) {
            best_effort([&] {
                sqlite_statement(cache_, "DELETE FROM kept_jobs WHERE pid=? AND state=5")
                    .bind(1, pid)
                    .run();
            });
        } else if (now - touched > touch_slack(limits)) {
            best_effort([&] { mark_touched(pid, now); });
        }
        view->progress = view->state == row_running ? 1 : 0;
        return view;
    }

    job_fetch take(const std::string& pid, const std::string& claimant, const job_limits& limits,
                   std::string* findings) override {
        sqlite_write_gate::turn turn(gate_);
        const std::int64_t now = now_ms();
        {
            // The expiry runs from the first delivery, not from each repeat.
            sqlite_statement s(cache_, (std::string("UPDATE kept_jobs SET state=5, touched="
                                                    "CASE state WHEN 4 THEN ?2 ELSE touched END"
                                                    " WHERE state IN (4,5) AND") +
                                        requested_job + " RETURNING results"));
            bind_request(s, pid, claimant, limits, now);
            if (s.row()) {
                *findings = s.text(0);
                s.row();  // completes the statement
                return job_fetch::ready;
            }
        }
        return touch_locked(pid, claimant, limits, now) ? job_fetch::not_finished
                                                        : job_fetch::unknown;
    }

    std::size_t count() override {
        std::lock_guard<std::mutex> lock(read_mutex_);
        sqlite_statement s(reader_cache_, "SELECT COUNT(*) FROM kept_jobs WHERE state<>5");
        return s.row() ? static_cast<std::size_t>(s.integer(0)) : 0;
    }

    std::optional<job_row_run> take_next(const std::string& runner, std::chrono::milliseconds,
                                         int max_attempts) override {
        sqlite_write_gate::turn turn(gate_);
        sqlite_transaction t(db_);
        job_row_run run;
        {
            sqlite_statement s(
                cache_,
                "SELECT pid, user_name, article, options FROM kept_jobs"
                " WHERE (state=2 OR (state=3 AND runner IS NOT ?1)) AND attempts < ?2"
                " ORDER BY queued_at, id LIMIT 1");
            s.bind(1, runner).bind(2, std::int64_t{max_attempts});
            if (!s.row()) return std::nullopt;
            run = job_row_run{s.text(0), s.text(1), s.text(2), s.text(3)};
        }
        sqlite_statement(
            cache_, "UPDATE kept_jobs SET state=3, runner=?, attempts=attempts + 1 WHERE pid=?")
            .bind(1, runner)
            .bind(2, run.pid)
            .run();
        t.commit();
        return run;
    }

    std::vector<std::string> words(const std::string& user, int lib) override {
        std::lock_guard<std::mutex> lock(read_mutex_);
        std::vector<std::string> out;
        sqlite_statement s(reader_cache_,
                           "SELECT word FROM words WHERE user_name=? AND lib=? ORDER BY id");
        s.bind(1, user).bind(2, std::int64_t{lib});
        while (s.row()) out.push_back(s.text(0));
        return out;
    }

    // The one process reading the rows keeps a running job's progress in memory.
    bool set_progress(const std::string&, const std::string&, int) override { return true; }

    bool finish(const std::string& pid, const std::string& runner,
                const std::string& findings) override {
        return best_effort([&] {
            sqlite_statement(cache_,
                             "UPDATE kept_jobs SET state=4, done=1, results=?, article=NULL,"
                             " touched=?, runner=NULL WHERE pid=? AND state=3 AND runner=?")
                .bind(1, findings)
                .bind(2, now_ms())
                .bind(3, pid)
                .bind(4, runner)
                .run();
        });
    }

    void hand_back(const std::string& pid, const std::string& runner) override {
        best_effort([&] {
            sqlite_statement(cache_,
                             "UPDATE kept_jobs SET state=2, runner=NULL, attempts=attempts - 1"
                             " WHERE pid=? AND state=3 AND runner=?")
                .bind(1, pid)
                .bind(2, runner)
                .run();
        });
    }

    // Nobody else could take this process's jobs over.
    void renew(const std::string&, std::chrono::milliseconds) override {}

    void give_up_failing(const std::string& runner, int max_attempts) override {
        best_effort([&] {
            sqlite_transaction t(db_);
            sqlite_statement s(
                cache_,
                "SELECT pid, user_name, charged_words, charged_at FROM kept_jobs"
                " WHERE (state=2 OR (state=3 AND runner IS NOT ?1)) AND attempts >= ?2");
            s.bind(1, runner).bind(2, std::int64_t{max_attempts});
            refund_and_delete(s);
            t.commit();
        });
    }

    void refund_all() override {
        best_effort([&] {
            sqlite_transaction t(db_);
            sqlite_statement s(cache_,
                               "SELECT pid, user_name, charged_words, charged_at FROM kept_jobs"
                               " WHERE state<>5");
            refund_and_delete(s);
            sqlite_statement(cache_, "DELETE FROM kept_jobs WHERE state<>5").run();
            t.commit();
        });
    }

    void listen(std::function<void()>) override {}
    void stop_listening() override {}

  private:
    static void bind_request(sqlite_statement& s, const std::string& pid,
                             const std::string& claimant, const job_limits& limits,
                             std::int64_t now) {
        s.bind(1, pid).bind(2, now).bind(3, limits.expiry.count());
        s.bind(4, limits.idle_window.count()).bind(5, claimant);
    }

    // A job is marked asked about only when it was last marked longer ago
    // than a twentieth of the shortest window: polls come often, writes cost.
    static std::int64_t touch_slack(const job_limits& limits) {
        return std::min<std::int64_t>(1000,
                                      std::min(limits.idle_window, limits.expiry).count() / 20);
    }

    void mark_touched(const std::string& pid, std::int64_t now) {
        sqlite_statement(cache_, "UPDATE kept_jobs SET touched=? WHERE pid=?")
            .bind(1, now)
            .bind(2, pid)
            .run();
    }

    // touch() inside the writer's turn, for a fetch of a job not done.
    std::optional<job_row_view> touch_locked(const std::string& pid, const std::string& claimant,
                                             const job_limits& limits, std::int64_t now) {
        job_row_view view;
        std::int64_t touched = 0;
        {
            sqlite_statement s(cache_, (std::string("SELECT state, touched FROM kept_jobs WHERE") +
                                        requested_job));
            bind_request(s, pid, claimant, limits, now);
            if (!s.row()) return std::nullopt;
            view.state = static_cast<int>(s.integer(0));
            touched = s.integer(1);
        }
        view.progress = view.state == row_running ? 1 : 0;
        if (now - touched > touch_slack(limits)) mark_touched(pid, now);
        return view;
    }

    // Drops the rows past their windows inside the caller's transaction. A
    // finished job whose findings were never fetched is refunded: its user
    // never received what was charged.
    void expire_in(const job_limits& limits, std::int64_t now) {
        sqlite_statement done(cache_,
                              "SELECT pid, user_name, charged_words, charged_at FROM kept_jobs"
                              " WHERE state=4 AND touched < ?1 - ?2");
        done.bind(1, now).bind(2, limits.expiry.count());
        refund_and_delete(done);
        sqlite_statement(cache_,
                         "DELETE FROM kept_jobs WHERE (state=0 AND touched < ?1 - ?3)"
                         " OR (state IN (1,5) AND touched < ?1 - ?2)")
            .bind(1, now)
            .bind(2, limits.expiry.count())
            .bind(3, limits.idle_window.count())
            .run();
    }

    // Refunds the charge of every job `s` selects (pid, user, words, time) and
    // deletes it; a charge already gone (refunded by hand) is not refunded twice.
    void refund_and_delete(sqlite_statement& s) {
        std::vector<std::string> pids;
        while (s.row()) {
            if (!s.text(3).empty()) sqlite_refund_in(db_, s.text(1), s.integer(2), s.text(3));
            pids.push_back(s.text(0));
        }
        for (const std::string& pid : pids)
            sqlite_statement(cache_, "DELETE FROM kept_jobs WHERE pid=?").bind(1, pid).run();
    }

    template <typename Write>
    bool best_effort(Write write) {
        try {
            sqlite_write_gate::turn turn(gate_);
            write();
            return true;
        } catch (const store_unavailable&) {
            return false;
        }
    }

    sqlite3* db_;  // writes, one turn at a time
    sqlite_statement_cache cache_;
    sqlite3* reader_;
    sqlite_statement_cache reader_cache_;
    sqlite_write_gate gate_;
    std::mutex read_mutex_;
};
}  // namespace

std::unique_ptr<job_rows> sqlite_job_rows_open(const std::string& path) {
    std::string error;
    sqlite3* db = sqlite_connect(path, &error);
    if (!db) throw std::runtime_error("cannot open " + path + ": " + error);
    sqlite3* reader = sqlite_connect(path, &error);
    if (!reader) {
        sqlite3_close(db);
        throw std::runtime_error("cannot open " + path + ": " + error);
    }
    try {
        return std::make_unique<sqlite_job_rows>(db, reader);
    } catch (const store_unavailable& e) {
        sqlite3_close(reader);
        sqlite3_close(db);
        throw std::runtime_error("cannot open the jobs of " + path + ": " + e.what());
    }
}

}  // namespace velmo_service
