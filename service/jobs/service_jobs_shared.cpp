#include "jobs/service_jobs_shared.h"

#include <libpq-fe.h>
#include <openssl/rand.h>
#include <poll.h>
#include <unistd.h>

#include <stdexcept>

#include "base/service_text.h"
#include "jobs/service_job_codec.h"
#include "store/postgresql/service_pg_pool.h"
#include "store/postgresql/service_store_postgresql.h"
#include "store/service_store_types.h"

namespace velmo_service {

namespace {
// States as stored in jobs.state.
enum stored_state { issued = 0, claimed = 1, queued = 2, running = 3, done = 4 };

const char* const channel = "velmo_jobs";
// Claims of one job: a job whose instance died this often while running it
// is given up (and refunded) instead of taking down the next one.
constexpr int max_attempts = 3;

// Thrown from the progress callback to end a job that a stop cut short.
struct job_cut_short {};

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
    " OR (state IN (1,4) AND touched >= now() - $2::interval))"
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

// 128 random bits: holding an identifier is what lets a client reach its job.
std::string random_hex(std::size_t bytes) {
    std::vector<unsigned char> raw(bytes);
    if (RAND_bytes(raw.data(), static_cast<int>(raw.size())) != 1)
        throw std::runtime_error("no random bytes");
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : raw) {
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 15]);
    }
    return out;
}
}  // namespace

shared_job_board::shared_job_board(const check_engine& engine, const std::string& url,
                                   job_limits limits)
    : engine_(engine), limits_(limits), url_(url), owner_(random_hex(8)) {
    const int workers = limits_.workers < 1 ? 1 : limits_.workers;
    std::string error;
    // One connection per worker and two for the requests of the HTTP threads.
    pool_ = pg_pool::open(url, workers + 2, &error);
    if (!pool_) throw std::runtime_error("cannot connect to " + url + ": " + error);
    if (pipe(stop_pipe_) != 0) throw std::runtime_error("cannot create a pipe");
    listener_ = std::thread([this] { listen_loop(); });
    for (int i = 0; i < workers; ++i) workers_.emplace_back([this] { worker_loop(); });
}

shared_job_board::~shared_job_board() {
    stop(std::chrono::milliseconds(0));
    for (std::thread& t : workers_) t.join();
    listener_.join();
    close(stop_pipe_[0]);
    close(stop_pipe_[1]);
}

std::size_t shared_job_board::stop(std::chrono::milliseconds grace) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!stopped_) {
        stopped_ = true;
        stopping_ = true;
        ++wakeups_;
        wake_.notify_all();
        (void)!write(stop_pipe_[1], "x", 1);
        idle_.wait_for(lock, grace, [this] { return running_ == 0; });
        cancel_ = true;
    }
    // A cut job hands itself back at its next progress step.
    return running_;
}

void shared_job_board::wake_workers() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++wakeups_;
    }
    wake_.notify_all();
}

namespace {
// Requests see an outage as one (store_unavailable), never as a missing job.
pg_rows checked(pg_rows rows) { return postgresql_checked(std::move(rows)); }
}  // namespace

std::optional<std::string> shared_job_board::create(const std::string& user) {
    if (stopping_) return std::nullopt;
    pg_pool::handle c = pool_->acquire();
    checked(
        c.run("DELETE FROM jobs WHERE (state=0 AND touched < now() - $2::interval)"
              " OR (state IN (1,4) AND touched < now() - $1::interval)",
              {interval(limits_.expiry), interval(limits_.idle_window)}));
    const std::string pid = random_hex(16);
    // Counted and inserted under a lock on the user, so that instances
    // issuing identifiers for one account at once never pass its limits.
    checked(c.run("BEGIN"));
    checked(c.run("SELECT pg_advisory_xact_lock(hashtext($1))", {user}));
    pg_rows r = checked(c.run(
        "INSERT INTO jobs(pid, user_name, state) SELECT $3, $1, 0 WHERE (SELECT COUNT(*) FROM "
        "jobs) < $4 AND (SELECT COUNT(*) FROM jobs WHERE user_name=$1 AND state=0) < $5 AND " +
            held_with_text + " < $6",
        {user, interval(limits_.idle_window), pid, std::to_string(limits_.max_jobs),
         std::to_string(limits_.max_issued_per_user), std::to_string(limits_.max_jobs_per_user)}));
    const bool inserted = r.affected() == 1;
    checked(c.run("COMMIT"));
    if (!inserted) return std::nullopt;
    return pid;
}

job_submit shared_job_board::claim(const std::string& pid, const std::string& claimant,
                                   std::string* user) {
    pg_pool::handle c = pool_->acquire();
    pg_rows found = checked(c.run("SELECT user_name, state FROM jobs WHERE" + requested_job,
                                  request_params(pid, limits_, claimant)));
    if (found.count() == 0) return job_submit::unknown;
    if (found.integer(0, 1) != issued) return job_submit::already_uploaded;
    const std::string owner = found.text(0, 0);
    checked(c.run("BEGIN"));
    checked(c.run("SELECT pg_advisory_xact_lock(hashtext($1))", {owner}));
    const bool room = checked(c.run("SELECT 1 WHERE " + held_with_text + " < $3",
                                    {owner, interval(limits_.idle_window),
                                     std::to_string(limits_.max_jobs_per_user)}))
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

int shared_job_board::charge_and_submit(const std::string& pid, const std::string& user,
                                        std::int64_t words, const std::string& time,
                                        std::u16string text, const check_options& options) {
    int code = code_unavailable;
    {
        pg_pool::handle c = pool_->acquire();
        if (c.run("BEGIN").ok()) {
            code = postgresql_charge_in(c.get(), user, words, time);
            if (code == code_ok) {
                const bool queued =
                    c.run(
                         "UPDATE jobs SET state=2, article=$2, options=$3, charged_words=$4, "
                         "charged_at=$5,"
                         " queued_at=clock_timestamp(), touched=now() WHERE pid=$1 AND state=1",
                         {pid, text_utf16_to_utf8(text), job_encode_options(options),
                          std::to_string(words), time})
                            .affected() == 1 &&
                    c.run(std::string("NOTIFY ") + channel).ok();
                // The notification goes out with the commit, when the job is visible.
                if (!queued)
                    code = PQstatus(c.get()) == CONNECTION_OK ? code_refused : code_unavailable;
                else if (!c.run("COMMIT").ok())
                    code = code_unavailable;
            }
            if (code != code_ok) c.run("ROLLBACK");
        }
    }
    if (code != code_ok) {
        // Out of reach, the claimed job is left to expire.
        try {
            drop(pid);
        } catch (const store_unavailable&) {
        }
    }
    return code;
}

void shared_job_board::drop(const std::string& pid) {
    checked(pool_->acquire().run("DELETE FROM jobs WHERE pid=$1 AND state<>3", {pid}));
}

std::optional<int> shared_job_board::progress(const std::string& pid, const std::string& claimant) {
    pg_rows r = checked(pool_->acquire().run(
        "UPDATE jobs SET touched=now() WHERE" + requested_job + "RETURNING state, progress",
        request_params(pid, limits_, claimant)));
    if (r.count() == 0) return std::nullopt;
    return r.integer(0, 0) == done ? 100 : static_cast<int>(r.integer(0, 1));
}

job_fetch shared_job_board::take_results(const std::string& pid, const std::string& claimant,
                                         std::vector<finding>& out) {
    pg_pool::handle c = pool_->acquire();
    pg_rows r =
        checked(c.run("DELETE FROM jobs WHERE state=4 AND" + requested_job + "RETURNING results",
                      request_params(pid, limits_, claimant)));
    if (r.count() > 0) {
        std::optional<std::vector<finding>> findings = job_decode_findings(r.text(0, 0));
        out = findings ? std::move(*findings) : std::vector<finding>();
        return job_fetch::ready;
    }
    return checked(c.run("UPDATE jobs SET touched=now() WHERE" + requested_job,
                         request_params(pid, limits_, claimant)))
                       .affected() > 0
               ? job_fetch::not_finished
               : job_fetch::unknown;
}

std::size_t shared_job_board::held() {
    pg_rows r = pool_->acquire().run("SELECT COUNT(*) FROM jobs");
    return r.count() > 0 ? static_cast<std::size_t>(r.integer(0, 0)) : 0;
}

void shared_job_board::worker_loop() {
    std::uint64_t seen = 0;
    while (!stopping_) {
        if (run_one()) continue;
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait_for(lock, limits_.poll, [&] { return stopping_ || wakeups_ != seen; });
        seen = wakeups_;
    }
}

bool shared_job_board::run_one() {
    pg_pool::handle c = pool_->acquire();
    // A queued job, or a running one whose instance stopped renewing its lease.
    pg_rows job = c.run(
        "UPDATE jobs SET state=3, lease_owner=$1, lease_until=now() + $2::interval, "
        "progress=GREATEST(progress, 1),"
        " attempts=attempts + 1"
        " WHERE pid = (SELECT pid FROM jobs WHERE (state=2 OR (state=3 AND lease_until < now())) "
        "AND attempts < $3"
        "              ORDER BY queued_at LIMIT 1 FOR UPDATE SKIP LOCKED)"
        " RETURNING pid, user_name, article, options",
        {owner_, interval(limits_.lease), std::to_string(max_attempts)});
    if (job.count() == 0) return false;
    const std::string pid = job.text(0, 0);
    const std::string user = job.text(0, 1);
    const check_options options = job_decode_options(job.text(0, 3)).value_or(check_options());

    user_words words;
    auto library = [&](int lib, std::vector<std::string>& out) {
        pg_rows r = c.run("SELECT word FROM words WHERE user_name=$1 AND lib=$2 ORDER BY id",
                          {user, std::to_string(lib)});
        out.clear();
        for (int i = 0; i < r.count(); ++i) out.push_back(r.text(i, 0));
        return r.ok();
    };
    // A job is never checked without its user's words; the lease this
    // instance keeps renewing holds the job through an outage meanwhile.
    if (!until_done(c.get(), [&] {
            return library(4, words.own) && (!options.user_errors || library(3, words.errors));
        })) {
        hand_back(c.get(), pid);
        return true;
    }

    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++running_;
    }
    int reported = 1;
    auto next_revival = std::chrono::steady_clock::now();
    try {
        const std::vector<finding> results =
            engine_.check(text_utf8_to_utf16(job.text(0, 2)), options, words, [&](int value) {
                if (cancel_) throw job_cut_short{};
                if (value <= reported) return;
                reported = value;
                // Progress lost to an outage is only shown late; the
                // connection is tried again at most once per poll interval.
                const auto now = std::chrono::steady_clock::now();
                if (PQstatus(c.get()) != CONNECTION_OK) {
                    if (now < next_revival) return;
                    next_revival = now + limits_.poll;
                    if (!pg_revive(c.get())) return;
                }
                pg_run(c.get(),
                       "UPDATE jobs SET progress=$2 WHERE pid=$1 AND lease_owner=$3 AND progress < "
                       "$2",
                       {pid, std::to_string(value), owner_});
            });
        // Written only while this instance still holds the lease: a job taken
        // over meanwhile is finished by the instance that took it. Findings
        // are kept until the database takes them.
        const std::string encoded = job_encode_findings(results);
        if (!until_done(c.get(), [&] {
                return pg_run(c.get(),
                              "UPDATE jobs SET state=4, progress=100, results=$2, article=NULL, "
                              "touched=now(), lease_owner=NULL, lease_until=NULL"
                              " WHERE pid=$1 AND state=3 AND lease_owner=$3",
                              {pid, encoded, owner_})
                    .ok();
            }))
            hand_back(c.get(), pid);
    } catch (const job_cut_short&) {
        hand_back(c.get(), pid);
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        --running_;
    }
    idle_.notify_all();
    return true;
}

bool shared_job_board::until_done(PGconn* conn, const std::function<bool()>& attempt) {
    for (;;) {
        if (attempt()) return true;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait_for(lock, limits_.poll, [this] { return stopping_.load(); });
        }
        if (stopping_) return false;
        pg_revive(conn);
    }
}

void shared_job_board::hand_back(PGconn* conn, const std::string& pid) {
    // Back to the queue for another instance; a stop is not a failed attempt.
    // Should the database be away, the lease lapses instead once this
    // instance is gone, with the same effect.
    pg_run(conn,
           "UPDATE jobs SET state=2, lease_owner=NULL, lease_until=NULL, attempts=attempts - 1"
           " WHERE pid=$1 AND state=3 AND lease_owner=$2",
           {pid, owner_});
    pg_run(conn, std::string("NOTIFY ") + channel);
}

void shared_job_board::give_up_failing_jobs(PGconn* conn) {
    for (;;) {
        if (!pg_run(conn, "BEGIN").ok()) return;
        pg_rows job = pg_run(conn,
                             "SELECT pid, user_name, charged_words, charged_at FROM jobs"
                             " WHERE state=3 AND lease_until < now() AND attempts >= $1 LIMIT 1 "
                             "FOR UPDATE SKIP LOCKED",
                             {std::to_string(max_attempts)});
        if (job.count() == 0) {
            pg_run(conn, "ROLLBACK");
            return;
        }
        postgresql_refund_in(conn, job.text(0, 1), job.integer(0, 2), job.text(0, 3));
        pg_run(conn, "DELETE FROM jobs WHERE pid=$1", {job.text(0, 0)});
        if (!pg_run(conn, "COMMIT").ok()) return;
    }
}

void shared_job_board::listen_loop() {
    PGconn* conn = pg_connect(url_);
    auto subscribe = [&] {
        PGresult* r = PQexec(conn, (std::string("LISTEN ") + channel).c_str());
        PQclear(r);
    };
    subscribe();
    const std::chrono::milliseconds tick = std::min(limits_.poll, limits_.lease / 3);
    auto next_renewal = std::chrono::steady_clock::now();
    while (!stopping_) {
        if (PQstatus(conn) != CONNECTION_OK) {
            PQreset(conn);
            if (PQstatus(conn) == CONNECTION_OK) subscribe();
        }
        pollfd fds[2] = {{stop_pipe_[0], POLLIN, 0}, {PQsocket(conn), POLLIN, 0}};
        const int ready = poll(fds, fds[1].fd >= 0 ? 2 : 1, static_cast<int>(tick.count()));
        if (stopping_) break;
        bool notified = false;
        if (ready > 0 && (fds[1].revents & POLLIN) && PQconsumeInput(conn)) {
            while (PGnotify* n = PQnotifies(conn)) {
                notified = true;
                PQfreemem(n);
            }
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= next_renewal) {
            // Keeps this instance's running jobs from being taken over, and lets
            // idle workers look for queued jobs and lapsed leases.
            pg_run(
                conn,
                "UPDATE jobs SET lease_until=now() + $2::interval WHERE state=3 AND lease_owner=$1",
                {owner_, interval(limits_.lease)});
            give_up_failing_jobs(conn);
            next_renewal = now + tick;
            notified = true;
        }
        if (notified) wake_workers();
    }
    PQfinish(conn);
}

}  // namespace velmo_service
