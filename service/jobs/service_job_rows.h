// Where the job board keeps its jobs: a table of rows in the service's
// database. A job is issued (an identifier without text), claimed (reserved
// for its one upload), queued, running (under a runner's lease), done
// (findings stored until fetched) or delivered (fetched, and kept so that a
// fetch lost in transport can be repeated: until the next request on the job
// acknowledges it or the expiry passes; it no longer counts toward any limit). Each operation is
// one transaction; the ones that answer requests throw store_unavailable when the database cannot
// be reached or written, so an outage is never taken for a missing job. The rows know nothing of
// threads, waiting or retrying: the board does.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "jobs/service_jobs.h"

namespace velmo_service {

enum job_row_state {
    row_issued = 0,
    row_claimed = 1,
    row_queued = 2,
    row_running = 3,
    row_done = 4,
    row_delivered = 5
};

struct job_row_view {
    int state = row_issued;
    int progress = 0;  // as stored; a runner may know more
};

// A queued job a runner took, with what it needs to run it.
struct job_row_run {
    std::string pid;
    std::string user;
    std::string article;  // UTF-8
    std::string options;  // encoded
};

class job_rows {
  public:
    virtual ~job_rows() = default;

    // True when several instances share the rows: a stopping instance then
    // leaves its queued jobs to the others instead of refunding them.
    virtual bool shared() const = 0;

    // Drops expired rows, forgets the user's oldest identifiers without text
    // beyond the allowance, and inserts `pid` as issued to `user` unless the
    // table or the user's jobs holding text are at their limits; the count
    // and the insert are one atomic step.
    virtual bool issue(const std::string& pid, const std::string& user,
                       const job_limits& limits) = 0;
    // Drops expired rows, refunding finished jobs whose findings were never
    // fetched (best effort).
    virtual void expire(const job_limits& limits) = 0;
    // `claimant` as in job_board::claim. Reserves an issued job for its upload
    // when its user holds fewer jobs with text than allowed, or releases it.
    virtual job_submit reserve(const std::string& pid, const std::string& claimant,
                               const job_limits& limits, std::string* user) = 0;
    // Charges and queues a reserved job in one transaction; the codes of
    // service_store::charge (code_unavailable when the database failed).
    // Never throws.
    virtual int charge_and_queue(const std::string& pid, const std::string& user,
                                 std::int64_t words, const std::string& time,
                                 const std::string& article, const std::string& options) = 0;
    virtual void drop(const std::string& pid) = 0;  // unless running
    // Marks a live job as asked about; nothing for an unknown or expired one.
    // A delivered job is released by it (its client has its findings).
    virtual std::optional<job_row_view> touch(const std::string& pid, const std::string& claimant,
                                              const job_limits& limits) = 0;
    // Hands the encoded findings of a done or delivered job over, marking it
    // delivered; otherwise touches it as above.
    virtual job_fetch take(const std::string& pid, const std::string& claimant,
                           const job_limits& limits, std::string* findings) = 0;
    virtual std::size_t count() = 0;  // all but delivered jobs

    // For the runners (`runner` names this instance). Takes the oldest queued
    // job, or a running one whose runner is gone, counting an attempt, unless
    // it was attempted `max_attempts` times.
    virtual std::optional<job_row_run> take_next(const std::string& runner,
                                                 std::chrono::milliseconds lease,
                                                 int max_attempts) = 0;
    virtual std::vector<std::string> words(const std::string& user, int lib) = 0;
    // Best effort; false when the database could not be written.
    virtual bool set_progress(const std::string& pid, const std::string& runner, int value) = 0;
    // Stores the findings while `runner` still holds the job; false when the
    // database could not be written (the job is still the runner's).
    virtual bool finish(const std::string& pid, const std::string& runner,
                        const std::string& findings) = 0;
    // Back to the queue, the attempt not counted (best effort).
    virtual void hand_back(const std::string& pid, const std::string& runner) = 0;
    // Keeps this runner's jobs from being taken over (best effort).
    virtual void renew(const std::string& runner, std::chrono::milliseconds lease) = 0;
    // Refunds and deletes jobs attempted `max_attempts` times whose runner is
    // gone (best effort).
    virtual void give_up_failing(const std::string& runner, int max_attempts) = 0;
    // Refunds and deletes every job not delivered (best effort): an instance
    // that owns its rows alone and stops hands nothing over.
    virtual void refund_all() = 0;

    // Calls `wake` whenever another instance queues a job, until
    // stop_listening; nothing to do when only this process writes the rows.
    virtual void listen(std::function<void()> wake) = 0;
    virtual void stop_listening() = 0;
};

}  // namespace velmo_service
