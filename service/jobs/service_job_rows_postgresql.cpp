#include "jobs/service_job_rows_postgresql.h"

#include <libpq-fe.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "store/postgresql/service_pg_pool.h"
#include "store/postgresql/service_store_postgresql.h"

namespace velmo_service {

namespace {
const char* const channel = "velmo_jobs";

std::string interval(std::chrono::milliseconds ms) {
    return std::to_string(ms.count()) + " milliseconds";
}

// The job a request names ($1), as that request may see it: a job is live
// unless it waits for a request (claimed, done) and has waited longer than
// the expiry ($2), or never received text and has waited longer than the idle
// window ($4), an expired job being unknown to every request; a request that
// names a user ($3, empty when it names none) sees only that user's jobs.
const std::string requested_job =
    " pid=$1 AND (state IN (2,3) OR (state=0 AND touched >= now() - $4::interval)"
    " OR (state IN (1,4,5) AND touched >= now() - $2::interval))"
    " AND ($3 = '' OR user_name = $3) ";

pg_params request_params(const std::string& pid, const job_limits& limits,
                         const std::string& claimant) {
    return {pid, interval(limits.expiry), claimant, interval(limits.idle_window)};
}

// Jobs of the user $1 that count toward the cap of jobs holding text, given
// the idle window $2: everything uploaded, except a finished job nobody asked
// about within the window.
const std::string held_with_text =
    "(SELECT COUNT(*) FROM jobs WHERE user_name=$1 AND (state IN (1,2,3)"
    " OR (state=4 AND touched >= now() - $2::interval)))";

// Requests see an outage as one (store_unavailable), never as a missing job.
pg_rows checked(pg_rows rows) { return postgresql_checked(std::move(rows)); }

class postgresql_job_rows : public job_rows {
  public:
    postgresql_job_rows(std::unique_ptr<pg_pool> pool, std::string url)
        : pool_(std::move(pool)), url_(std::move(url)) {
        if (pipe(stop_pipe_) != 0) throw std::runtime_error("cannot create a pipe");
    }
    ~postgresql_job_rows() override {
        stop_listening();
        close(stop_pipe_[0]);
        close(stop_pipe_[1]);
    }

    bool shared() const override { return true; }

    bool issue(const std::string& pid, const std::string& user, const job_limits& limits) override {
        pg_pool::handle c = pool_->acquire();
        // The expiry commits apart, so that the rows it deletes are not held
        // while this request waits for its user's lock.
        expire_in(c, limits);
        checked(c.run("BEGIN"));
        checked(c.run("SELECT pg_advisory_xact_lock(hashtext($1))", {user}));
        // Past the allowance the user's oldest identifiers that never received
        // text are forgotten: a client that asks and never uploads (a login
        // gate) cannot lock its own account out.
        checked(
            c.run("DELETE FROM jobs WHERE pid IN (SELECT pid FROM jobs WHERE user_name=$1 AND"
                  " state=0 ORDER BY touched DESC, pid OFFSET GREATEST($2::int - 1, 0))",
                  {user, std::to_string(limits.max_issued_per_user)}));
        pg_rows r = checked(c.run(
            "INSERT INTO jobs(pid, user_name, state) SELECT $3, $1, 0 WHERE (SELECT COUNT(*) FROM "
            "jobs WHERE state<>5) < $4 AND $5::int > 0 AND " +
                held_with_text + " < $6",
            {user, interval(limits.idle_window), pid, std::to_string(limits.max_jobs),
             std::to_string(limits.max_issued_per_user),
             std::to_string(limits.max_jobs_per_user)}));
        const bool inserted = r.affected() == 1;
        checked(c.run("COMMIT"));
        return inserted;
    }

    job_submit reserve(const std::string& pid, const std::string& claimant,
                       const job_limits& limits, std::string* user) override {
        pg_pool::handle c = pool_->acquire();
        pg_rows found = checked(c.run("SELECT user_name, state FROM jobs WHERE" + requested_job,
                                      request_params(pid, limits, claimant)));
        if (found.count() == 0) return job_submit::unknown;
        if (found.integer(0, 1) != row_issued) return job_submit::already_uploaded;
        const std::string owner = found.text(0, 0);
        checked(c.run("BEGIN"));
        checked(c.run("SELECT pg_advisory_xact_lock(hashtext($1))", {owner}));
        const bool room = checked(c.run("SELECT 1 WHERE " + held_with_text + " < $3",
                                        {owner, interval(limits.idle_window),
                                         std::to_string(limits.max_jobs_per_user)}))
                              .count() > 0;
        // Without room the identifier is released rather than left to expire.
        pg_rows r = checked(
            room ? c.run("UPDATE jobs SET state=1, touched=now() WHERE pid=$1 AND state=0", {pid})
                 : c.run("DELETE FROM jobs WHERE pid=$1 AND state=0", {pid}));
        const bool changed = r.affected() == 1;
        checked(c.run("COMMIT"));
        if (!changed) return job_submit::already_uploaded;  // another request claimed it first
        if (!room) return job_submit::busy;
        if (user) *user = owner;
        return job_submit::accepted;
    }

    int charge_and_queue(const std::string& pid, const std::string& user, std::int64_t words,
                         const std::string& time, const std::string& article,
                         const std::string& options) override {
        int code = code_unavailable;
        pg_pool::handle c = pool_->acquire();
        if (!c.run("BEGIN").ok()) return code;
        code = postgresql_charge_in(c.get(), user, words, time);
        if (code == code_ok) {
            const bool queued =
                c.run(
                     "UPDATE jobs SET state=2, article=$2, options=$3, charged_words=$4, "
                     "charged_at=$5, queued_at=clock_timestamp(), touched=now()"
                     " WHERE pid=$1 AND state=1",
                     {pid, article, options, std::to_string(words), time})
                        .affected() == 1 &&
                c.run(std::string("NOTIFY ") + channel).ok();
            // The notification goes out with the commit, when the job is visible.
            if (!queued)
                code = PQstatus(c.get()) == CONNECTION_OK ? code_refused : code_unavailable;
            else if (!c.run("COMMIT").ok())
                code = code_unavailable;
        }
        if (code != code_ok) c.run("ROLLBACK");
        return code;
    }

    void drop(const std::string& pid) override {
        checked(pool_->acquire().run("DELETE FROM jobs WHERE pid=$1 AND state<>3", {pid}));
    }

    std::optional<job_row_view> touch(const std::string& pid, const std::string& claimant,
                                      const job_limits& limits) override {
        // A delivered job is released, any other marked, in one round trip.
        pg_rows r = checked(pool_->acquire().run(
            "WITH released AS (DELETE FROM jobs WHERE state=5 AND" + requested_job +
                "RETURNING state, progress), marked AS (UPDATE jobs SET touched=now() WHERE"
                " state<>5 AND" +
                requested_job +
                "RETURNING state, progress) SELECT * FROM released UNION ALL SELECT * FROM marked",
            request_params(pid, limits, claimant)));
        if (r.count() == 0) return std::nullopt;
        return job_row_view{static_cast<int>(r.integer(0, 0)), static_cast<int>(r.integer(0, 1))};
    }

    job_fetch take(const std::string& pid, const std::string& claimant, const job_limits& limits,
                   std::string* findings) override {
        pg_pool::handle c = pool_->acquire();
        // The expiry runs from the first delivery, not from each repeat.
        pg_rows r = checked(
            c.run("UPDATE jobs SET state=5, touched=CASE state WHEN 4 THEN now() ELSE touched END"
                  " WHERE state IN (4,5) AND" +
                      requested_job + "RETURNING results",
                  request_params(pid, limits, claimant)));
        if (r.count() > 0) {
            *findings = r.text(0, 0);
            return job_fetch::ready;
        }
        return checked(c.run("UPDATE jobs SET touched=now() WHERE" + requested_job,
                             request_params(pid, limits, claimant)))
                           .affected() > 0
                   ? job_fetch::not_finished
                   : job_fetch::unknown;
    }

    std::size_t count() override {
        pg_rows r = pool_->acquire().run("SELECT COUNT(*) FROM jobs WHERE state<>5");
        return r.count() > 0 ? static_cast<std::size_t>(r.integer(0, 0)) : 0;
    }

    std::optional<job_row_run> take_next(const std::string& runner, std::chrono::milliseconds lease,
                                         int max_attempts) override {
        // A queued job, or a running one whose instance stopped renewing its lease.
        pg_rows job = pool_->acquire().run(
            "UPDATE jobs SET state=3, lease_owner=$1, lease_until=now() + $2::interval, "
            "progress=GREATEST(progress, 1), attempts=attempts + 1"
            " WHERE pid = (SELECT pid FROM jobs WHERE (state=2 OR (state=3 AND lease_until < "
            "now())) AND attempts < $3 ORDER BY queued_at LIMIT 1 FOR UPDATE SKIP LOCKED)"
            " RETURNING pid, user_name, article, options",
            {runner, interval(lease), std::to_string(max_attempts)});
        if (job.count() == 0) return std::nullopt;
        return job_row_run{job.text(0, 0), job.text(0, 1), job.text(0, 2), job.text(0, 3)};
    }

    std::vector<std::string> words(const std::string& user, int lib) override {
        pg_rows r = checked(
            pool_->acquire().run("SELECT word FROM words WHERE user_name=$1 AND lib=$2 ORDER BY id",
                                 {user, std::to_string(lib)}));
        std::vector<std::string> out;
        for (int i = 0; i < r.count(); ++i) out.push_back(r.text(i, 0));
        return out;
    }

    bool set_progress(const std::string& pid, const std::string& runner, int value) override {
        return pool_->acquire()
            .run("UPDATE jobs SET progress=$2 WHERE pid=$1 AND lease_owner=$3 AND progress < $2",
                 {pid, std::to_string(value), runner})
            .ok();
    }

    bool finish(const std::string& pid, const std::string& runner,
                const std::string& findings) override {
        // Written only while this instance still holds the lease: a job taken
        // over meanwhile is finished by the instance that took it.
        return pool_->acquire()
            .run(
                "UPDATE jobs SET state=4, progress=100, results=$2, article=NULL, "
                "touched=now(), lease_owner=NULL, lease_until=NULL"
                " WHERE pid=$1 AND state=3 AND lease_owner=$3",
                {pid, findings, runner})
            .ok();
    }

    void hand_back(const std::string& pid, const std::string& runner) override {
        // Should the database be away, the lease lapses instead once this
        // instance is gone, with the same effect.
        pg_pool::handle c = pool_->acquire();
        c.run(
            "UPDATE jobs SET state=2, lease_owner=NULL, lease_until=NULL, attempts=attempts - 1"
            " WHERE pid=$1 AND state=3 AND lease_owner=$2",
            {pid, runner});
        c.run(std::string("NOTIFY ") + channel);
    }

    void renew(const std::string& runner, std::chrono::milliseconds lease) override {
        pool_->acquire().run(
            "UPDATE jobs SET lease_until=now() + $2::interval WHERE state=3 AND lease_owner=$1",
            {runner, interval(lease)});
    }

    void give_up_failing(const std::string&, int max_attempts) override {
        pg_pool::handle c = pool_->acquire();
        for (;;) {
            if (!c.run("BEGIN").ok()) return;
            pg_rows job = c.run(
                "SELECT pid, user_name, charged_words, charged_at FROM jobs"
                " WHERE state=3 AND lease_until < now() AND attempts >= $1 LIMIT 1 "
                "FOR UPDATE SKIP LOCKED",
                {std::to_string(max_attempts)});
            if (job.count() == 0) {
                c.run("ROLLBACK");
                return;
            }
            postgresql_refund_in(c.get(), job.text(0, 1), job.integer(0, 2), job.text(0, 3));
            c.run("DELETE FROM jobs WHERE pid=$1", {job.text(0, 0)});
            if (!c.run("COMMIT").ok()) return;
        }
    }

    // Queued jobs stay for the other instances.
    void refund_all() override {}

    void expire(const job_limits& limits) override {
        try {
            pg_pool::handle c = pool_->acquire();
            expire_in(c, limits);
        } catch (const store_unavailable&) {
        }
    }

    void listen(std::function<void()> wake) override {
        listener_ = std::thread([this, wake = std::move(wake)] { listen_loop(wake); });
    }

    void stop_listening() override {
        if (!listener_.joinable()) return;
        stopping_ = true;
        (void)!write(stop_pipe_[1], "x", 1);
        listener_.join();
    }

  private:
    // Drops the rows past their windows, in a transaction of its own. A
    // finished job whose findings were never fetched is refunded: its user
    // never received what was charged. The delete decides which instance
    // refunds a job, so none is refunded twice.
    static void expire_in(pg_pool::handle& c, const job_limits& limits) {
        checked(c.run("BEGIN"));
        pg_rows done =
            checked(c.run("DELETE FROM jobs WHERE state=4 AND touched < now() - $1::interval"
                          " RETURNING user_name, charged_words, charged_at",
                          {interval(limits.expiry)}));
        for (int i = 0; i < done.count(); ++i)
            if (!done.null(i, 2))
                postgresql_refund_in(c.get(), done.text(i, 0), done.integer(i, 1), done.text(i, 2));
        checked(
            c.run("DELETE FROM jobs WHERE (state=0 AND touched < now() - $2::interval)"
                  " OR (state IN (1,5) AND touched < now() - $1::interval)",
                  {interval(limits.expiry), interval(limits.idle_window)}));
        checked(c.run("COMMIT"));
    }

    void listen_loop(const std::function<void()>& wake) {
        PGconn* conn = pg_connect(url_);
        auto subscribe = [&] {
            PGresult* r = PQexec(conn, (std::string("LISTEN ") + channel).c_str());
            PQclear(r);
        };
        subscribe();
        while (!stopping_) {
            if (PQstatus(conn) != CONNECTION_OK) {
                PQreset(conn);
                if (PQstatus(conn) == CONNECTION_OK) subscribe();
            }
            pollfd fds[2] = {{stop_pipe_[0], POLLIN, 0}, {PQsocket(conn), POLLIN, 0}};
            const int ready = poll(fds, fds[1].fd >= 0 ? 2 : 1, 1000);
            if (stopping_) break;
            bool notified = false;
            if (ready > 0 && (fds[1].revents & POLLIN) && PQconsumeInput(conn)) {
                while (PGnotify* n = PQnotifies(conn)) {
                    notified = true;
                    PQfreemem(n);
                }
            }
            if (notified) wake();
        }
        PQfinish(conn);
    }

    std::unique_ptr<pg_pool> pool_;
    std::string url_;
    int stop_pipe_[2] = {-1, -1};
    std::atomic<bool> stopping_{false};
    std::thread listener_;
};
}  // namespace

std::unique_ptr<job_rows> postgresql_job_rows_open(const std::string& url, int connections) {
    std::string error;
    std::unique_ptr<pg_pool> pool = pg_pool::open(url, connections, &error);
    if (!pool) throw std::runtime_error("cannot connect to " + url + ": " + error);
    return std::make_unique<postgresql_job_rows>(std::move(pool), url);
}

}  // namespace velmo_service
