// Proofreading jobs: an identifier is issued per request, an upload queues
// the text on a pool of worker threads, progress rises to 100 while the
// engine runs, and the findings are kept until fetched or expired. The
// number of jobs held at once is bounded in all and per user, so memory
// stays bounded and one account cannot take every slot. Per user, two kinds
// are counted apart: identifiers that never received text (cheap, expire
// soon, a generous allowance) and jobs holding text, which are what the
// per-user cap is about. A finished job nobody has asked about for the idle
// window stays fetchable but no longer counts, so abandoned runs do not lock
// the account out. Identifiers are 128 random bits: holding one is what lets
// a client upload to, poll and fetch its job.
//
// job_manager serves one instance over a SQLite file. Each charged job is
// recorded there in the transaction of its charge, and its findings when it
// finishes, so that after a crash the next start resumes the jobs that were
// queued or running and keeps finished ones fetchable. A job begun three
// times without finishing (it took the process down each time) is refunded
// instead. Identifiers without text are not recorded: they cost nothing.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "rules/service_engine.h"
#include "rules/service_finding.h"

namespace velmo_service {

class service_store;

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

// Where jobs live: in this process (job_manager) or in a database that every
// instance shares (shared_job_board). The service's operations use only this.
class job_board {
  public:
    virtual ~job_board() = default;
    // A new identifier for `user`, or nothing when the table is full, the
    // user holds as many jobs with text as allowed, or as many identifiers
    // without text.
    virtual std::optional<std::string> create(const std::string& user) = 0;
    // `claimant` is the user a request names, or empty when it names none: a
    // job named for another user is unknown to it.
    //
    // Reserves an issued job for its one upload and names its user; the
    // upload then either submits or drops it.
    virtual job_submit claim(const std::string& pid, const std::string& claimant,
                             std::string* user) = 0;
    // Charges `words` to the job's user at `time` and queues the job, both or
    // neither: code_ok, or the charge's code with the job dropped.
    virtual int charge_and_submit(const std::string& pid, const std::string& user,
                                  std::int64_t words, const std::string& time, std::u16string text,
                                  const check_options& options) = 0;
    virtual void drop(const std::string& pid) = 0;
    // Progress 0..100, or nothing for an unknown or expired identifier.
    virtual std::optional<int> progress(const std::string& pid, const std::string& claimant) = 0;
    // Hands the findings over and forgets the job.
    virtual job_fetch take_results(const std::string& pid, const std::string& claimant,
                                   std::vector<finding>& out) = 0;
    // Stops taking work when the service stops; returns the number of jobs
    // still running afterwards.
    virtual std::size_t stop(std::chrono::milliseconds grace) = 0;
    virtual std::size_t held() = 0;
};

class job_manager : public job_board {
  public:
    job_manager(const check_engine& engine, service_store& store, job_limits limits);
    ~job_manager() override;  // stop(0) when not stopped, then waits for the workers
    job_manager(const job_manager&) = delete;
    job_manager& operator=(const job_manager&) = delete;

    std::optional<std::string> create(const std::string& user) override;
    job_submit claim(const std::string& pid, const std::string& claimant,
                     std::string* user) override;
    int charge_and_submit(const std::string& pid, const std::string& user, std::int64_t words,
                          const std::string& time, std::u16string text,
                          const check_options& options) override;
    void submit(const std::string& pid, std::u16string text, const check_options& options,
                job_charge charge);
    void drop(const std::string& pid) override;
    std::optional<int> progress(const std::string& pid, const std::string& claimant) override;
    job_fetch take_results(const std::string& pid, const std::string& claimant,
                           std::vector<finding>& out) override;
    // Queued jobs are cancelled at once, running ones may finish within
    // `grace`; every charged job whose findings were not handed over is refunded.
    std::size_t stop(std::chrono::milliseconds grace) override;
    std::size_t held() override;

  private:
    enum class job_state { issued, claimed, queued, running, done };
    struct job {
        std::string user;
        job_state state = job_state::issued;
        int progress = 0;
        std::u16string text;
        check_options options;
        job_charge charge;
        std::vector<finding> results;
        std::chrono::steady_clock::time_point touched;
    };

    // Takes up the jobs a previous process recorded and did not hand over.
    void resume_kept_jobs();
    void worker_loop();
    void run_job(const std::string& pid);
    void purge_expired_locked(std::chrono::steady_clock::time_point now);
    // The job `pid` when it exists and `claimant` may see it.
    job* find_locked(const std::string& pid, const std::string& claimant);
    std::string new_pid_locked();
    // Whether `j` counts toward its user's cap of jobs holding text.
    bool holds_text_locked(const job& j, std::chrono::steady_clock::time_point now) const;
    std::size_t held_with_text_locked(const std::string& user,
                                      std::chrono::steady_clock::time_point now) const;

    const check_engine& engine_;
    service_store& store_;
    job_limits limits_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;  // a running job ended
    std::map<std::string, job> jobs_;
    std::deque<std::string> queue_;
    std::vector<std::thread> workers_;
    std::size_t running_ = 0;
    bool stopping_ = false;
    bool cancel_ = false;  // running jobs end at their next progress step
};

}  // namespace velmo_service
