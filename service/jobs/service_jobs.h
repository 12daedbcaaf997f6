// Proofreading jobs: an identifier is issued per request, an upload queues
// the text for a worker, progress rises to 100 while the engine runs, and the
// findings are kept until fetched (and the fetch acknowledged) or expired. The number of jobs held
// at once is bounded in all and per user, so storage stays bounded and one account cannot take
// every slot. Per user, two kinds are counted apart: identifiers that never received text (cheap,
// expire soon, a generous allowance) and jobs holding text, which are what the per-user cap is
// about. A finished job nobody has asked about for the idle window stays fetchable but no longer
// counts, so abandoned runs do not lock the account out. Identifiers are 128
// random bits: holding one is what lets a client upload to, poll and fetch
// its job. Jobs live in the database, so a crash or restart resumes the ones
// queued or running and keeps finished ones fetchable.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "rules/service_engine.h"
#include "rules/service_finding.h"

namespace velmo_service {

struct job_limits {
    int workers = 2;
    std::size_t max_jobs = 1000;  // jobs held at once (issued, queued, running, done)
    // Jobs holding text per user: queued, running, or finished and asked
    // about within the idle window. Two clients of one account checking with
    // the most jobs in flight the plug-in allows (16) fit at once.
    std::size_t max_jobs_per_user = 32;
    std::size_t max_issued_per_user = 64;      // identifiers that received no text yet, per user
    std::chrono::milliseconds expiry{600000};  // idle time after which a finished job is dropped
    // Idle time after which an identifier without text is dropped and a
    // finished job stops counting toward the per-user cap.
    std::chrono::milliseconds idle_window{60000};
    // Jobs shared through a database: how long a claimed job stays with an
    // instance that stops renewing it, and how often idle workers look for work
    // when no notification arrives.
    std::chrono::milliseconds lease{30000};
    std::chrono::milliseconds poll{1000};
};

// busy: the user holds as many jobs with text as allowed; the identifier is
// released.
enum class job_submit { accepted, unknown, already_uploaded, busy };
// What an upload charged, so that a job that never delivers is refunded.
struct job_charge {
    std::int64_t words = 0;
    std::string time;
};
enum class job_fetch { ready, unknown, not_finished };

class job_rows;

// The jobs of the service, kept as rows in its database (see job_rows): a
// SQLite file one instance owns, or a PostgreSQL database instances share.
// This process's workers take queued jobs from the rows, run them under a
// lease this instance renews, and store the findings; a job begun
// `max_attempts` times without finishing (it took its instance down each
// time) is refunded instead. Workers wake when a job is queued here or,
// through the rows, elsewhere, and look for work at every poll interval.
class job_board {
  public:
    // Throws std::runtime_error when the rows cannot be opened.
    job_board(const check_engine& engine, std::unique_ptr<job_rows> rows, job_limits limits);
    ~job_board();  // stop(0) when not stopped, then waits for the workers
    job_board(const job_board&) = delete;
    job_board& operator=(const job_board&) = delete;

    // A new identifier for `user`, or nothing when the table is full, the
    // user holds as many jobs with text as allowed, or as many identifiers
    // without text. Requests' members throw store_unavailable in an outage.
    std::optional<std::string> create(const std::string& user);
    // `claimant` is the user a request names, or empty when it names none: a
    // job named for another user is unknown to it.
    //
    // Reserves an issued job for its one upload and names its user; the
    // upload then either submits or drops it.
    job_submit claim(const std::string& pid, const std::string& claimant, std::string* user);
    // Charges `words` to the job's user at `time` and queues the job, both or
    // neither: code_ok, or the charge's code with the job dropped.
    int charge_and_submit(const std::string& pid, const std::string& user, std::int64_t words,
                          const std::string& time, std::u16string text,
                          const check_options& options);
    void drop(const std::string& pid);
    // Progress 0..100, or nothing for an unknown or expired identifier.
    std::optional<int> progress(const std::string& pid, const std::string& claimant);
    // Hands the findings over; the job is kept, no longer counted, so that a
    // fetch lost in transport can be repeated, until the next request on it
    // or the expiry.
    job_fetch take_results(const std::string& pid, const std::string& claimant,
                           std::vector<finding>& out);
    // Stops taking work; running jobs may finish within `grace`, then are cut
    // short. Over rows this instance owns alone, every job whose findings were
    // not handed over is then refunded; over shared rows, queued and cut jobs
    // stay for the other instances. Returns the jobs still running.
    std::size_t stop(std::chrono::milliseconds grace);
    std::size_t held();

  private:
    void worker_loop();
    // Takes one job and runs it; false when none was waiting.
    bool run_one();
    // Renews this instance's leases, gives up failing jobs and wakes the
    // workers at every tick.
    void housekeeping_loop();
    void wake_workers();
    // Runs `attempt` until it succeeds, once per poll interval, or until the
    // instance stops (false): a running job's words and findings wait out an
    // outage of the database.
    bool until_done(const std::function<bool()>& attempt);

    const check_engine& engine_;
    std::unique_ptr<job_rows> rows_;
    job_limits limits_;
    std::string runner_;  // this instance, as written into the jobs it runs
    std::mutex mutex_;
    std::condition_variable wake_;
    std::uint64_t wakeups_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> cancel_{false};  // running jobs end at their next progress step
    std::condition_variable idle_;     // a running job ended
    std::size_t running_ = 0;
    bool stopped_ = false;
    std::map<std::string, int> progress_;  // of the jobs running here
    std::vector<std::thread> workers_;
    std::thread housekeeper_;
};

}  // namespace velmo_service
