// Jobs kept in a PostgreSQL database that every service instance shares: any
// instance answers the identifier, upload, progress and result of any job.
// Each instance's workers claim queued jobs with SELECT ... FOR UPDATE SKIP
// LOCKED under a lease the instance renews while it lives; a job whose lease
// lapses (its instance died) is claimed again by another, up to three claims,
// after which it is given up and refunded. Workers wake on a
// notification sent with each upload, and poll as a fallback. Words are
// charged in the transaction that queues the job, so a job run twice is
// still charged once.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "jobs/service_jobs.h"

typedef struct pg_conn PGconn;

namespace velmo_service {

class pg_pool;

class shared_job_board : public job_board {
  public:
    // Throws std::runtime_error when the database cannot be reached.
    shared_job_board(const check_engine& engine, const std::string& url, job_limits limits);
    ~shared_job_board() override;  // stop(0) when not stopped

    std::optional<std::string> create(const std::string& user) override;
    job_submit claim(const std::string& pid, const std::string& claimant,
                     std::string* user) override;
    int charge_and_submit(const std::string& pid, const std::string& user, std::int64_t words,
                          const std::string& time, std::u16string text,
                          const check_options& options) override;
    void drop(const std::string& pid) override;
    std::optional<int> progress(const std::string& pid, const std::string& claimant) override;
    job_fetch take_results(const std::string& pid, const std::string& claimant,
                           std::vector<finding>& out) override;
    // Queued jobs stay for the other instances and nothing is refunded: a
    // running job that does not finish within `grace` is cut short and handed
    // back to the queue, where another instance takes it at once.
    std::size_t stop(std::chrono::milliseconds grace) override;
    std::size_t held() override;

  private:
    void worker_loop();
    // Claims one job and runs it; false when none was waiting.
    bool run_one();
    // Waits for notifications, renews this instance's leases and wakes the
    // workers at every poll interval.
    void listen_loop();
    void wake_workers();
    // Runs `attempt` until it succeeds, reopening `conn` between tries, or
    // until the instance stops (false): a running job's words and findings
    // wait out an outage of the database.
    bool until_done(PGconn* conn, const std::function<bool()>& attempt);
    // Puts a running job of this instance back in the queue.
    void hand_back(PGconn* conn, const std::string& pid);
    // Deletes and refunds running jobs whose lease lapsed after their last
    // allowed claim: they are unknown to the client from then on.
    void give_up_failing_jobs(PGconn* conn);

    const check_engine& engine_;
    job_limits limits_;
    std::string url_;
    std::string owner_;  // this instance, as written into the leases it holds
    std::unique_ptr<pg_pool> pool_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::uint64_t wakeups_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> cancel_{false};  // running jobs end at their next progress step
    std::condition_variable idle_;     // a running job ended
    std::size_t running_ = 0;
    bool stopped_ = false;
    int stop_pipe_[2] = {-1, -1};
    std::vector<std::thread> workers_;
    std::thread listener_;
};

}  // namespace velmo_service
