#include "jobs/service_jobs.h"

#include <openssl/rand.h>

#include <stdexcept>

#include "base/service_text.h"
#include "jobs/service_job_codec.h"
#include "jobs/service_job_rows.h"
#include "store/service_store_types.h"

namespace velmo_service {

namespace {
// Attempts of one job: a job whose instance died this often while running it
// is given up (and refunded) instead of taking down the next one.
constexpr int max_attempts = 3;

// Thrown from the progress callback to end a job that a stop cut short.
struct job_cut_short {};

// Random bits as hex: holding an identifier is what lets a client reach its job.
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

job_board::job_board(const check_engine& engine, std::unique_ptr<job_rows> rows, job_limits limits)
    : engine_(engine), rows_(std::move(rows)), limits_(limits), runner_(random_hex(8)) {
    // Jobs that failed too often are refunded before any worker could take one.
    rows_->give_up_failing(runner_, max_attempts);
    rows_->listen([this] { wake_workers(); });
    housekeeper_ = std::thread([this] { housekeeping_loop(); });
    const int workers = limits_.workers < 1 ? 1 : limits_.workers;
    for (int i = 0; i < workers; ++i) workers_.emplace_back([this] { worker_loop(); });
}

job_board::~job_board() {
    stop(std::chrono::milliseconds(0));
    for (std::thread& t : workers_) t.join();
    housekeeper_.join();
    rows_->stop_listening();
}

std::size_t job_board::stop(std::chrono::milliseconds grace) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!stopped_) {
        stopped_ = true;
        stopping_ = true;
        ++wakeups_;
        wake_.notify_all();
        idle_.wait_for(lock, grace, [this] { return running_ == 0; });
        cancel_ = true;
        if (!rows_->shared()) {
            lock.unlock();
            rows_->refund_all();
            lock.lock();
        }
    }
    // A cut job hands itself back at its next progress step.
    return running_;
}

void job_board::wake_workers() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++wakeups_;
    }
    wake_.notify_all();
}

std::optional<std::string> job_board::create(const std::string& user) {
    if (stopping_) return std::nullopt;
    std::string pid = random_hex(16);
    if (!rows_->issue(pid, user, limits_)) return std::nullopt;
    return pid;
}

job_submit job_board::claim(const std::string& pid, const std::string& claimant,
                            std::string* user) {
    // A stopping instance that owns its jobs alone would only refund this one.
    if (stopping_ && !rows_->shared()) return job_submit::unknown;
    return rows_->reserve(pid, claimant, limits_, user);
}

int job_board::charge_and_submit(const std::string& pid, const std::string& user,
                                 std::int64_t words, const std::string& time, std::u16string text,
                                 const check_options& options) {
    const int code = rows_->charge_and_queue(pid, user, words, time, text_utf16_to_utf8(text),
                                             job_encode_options(options));
    if (code == code_ok) {
        wake_workers();
        return code;
    }
    // Out of reach, the claimed job is left to expire.
    try {
        drop(pid);
    } catch (const store_unavailable&) {
    }
    return code;
}

void job_board::drop(const std::string& pid) { rows_->drop(pid); }

std::optional<int> job_board::progress(const std::string& pid, const std::string& claimant) {
    const std::optional<job_row_view> row = rows_->touch(pid, claimant, limits_);
    if (!row) return std::nullopt;
    if (row->state == row_done || row->state == row_delivered) return 100;
    std::lock_guard<std::mutex> lock(mutex_);
    auto here = progress_.find(pid);
    return here != progress_.end() && here->second > row->progress ? here->second : row->progress;
}

job_fetch job_board::take_results(const std::string& pid, const std::string& claimant,
                                  std::vector<finding>& out) {
    std::string encoded;
    const job_fetch fetched = rows_->take(pid, claimant, limits_, &encoded);
    if (fetched == job_fetch::ready) {
        std::optional<std::vector<finding>> findings = job_decode_findings(encoded);
        out = findings ? std::move(*findings) : std::vector<finding>();
    }
    return fetched;
}

std::size_t job_board::held() {
    try {
        return rows_->count();
    } catch (const store_unavailable&) {
        return 0;
    }
}

void job_board::worker_loop() {
    std::uint64_t seen = 0;
    while (!stopping_) {
        if (run_one()) continue;
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait_for(lock, limits_.poll, [&] { return stopping_ || wakeups_ != seen; });
        seen = wakeups_;
    }
}

bool job_board::run_one() {
    std::optional<job_row_run> job;
    try {
        job = rows_->take_next(runner_, limits_.lease, max_attempts);
    } catch (const store_unavailable&) {
        return false;
    }
    if (!job) return false;
    const check_options options = job_decode_options(job->options).value_or(check_options());

    // A job is never checked without its user's words; the lease this
    // instance keeps renewing holds the job through an outage meanwhile.
    user_words words;
    if (!until_done([&] {
            try {
                words.own = rows_->words(job->user, 4);
                if (options.user_errors) words.errors = rows_->words(job->user, 3);
                return true;
            } catch (const store_unavailable&) {
                return false;
            }
        })) {
        rows_->hand_back(job->pid, runner_);
        return true;
    }

    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++running_;
        progress_[job->pid] = 1;
    }
    int reported = 1;
    auto next_write = std::chrono::steady_clock::now();
    try {
        const std::vector<finding> results =
            engine_.check(text_utf8_to_utf16(job->article), options, words, [&](int value) {
                if (cancel_) throw job_cut_short{};
                if (value <= reported) return;
                reported = value;
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    progress_[job->pid] = value;
                }
                // Progress lost to an outage is only shown late elsewhere; the
                // database is tried again at most once per poll interval.
                const auto now = std::chrono::steady_clock::now();
                if (now < next_write) return;
                if (!rows_->set_progress(job->pid, runner_, value)) next_write = now + limits_.poll;
            });
        // Findings are kept until the database takes them.
        const std::string encoded = job_encode_findings(results);
        if (!until_done([&] { return rows_->finish(job->pid, runner_, encoded); }))
            rows_->hand_back(job->pid, runner_);
    } catch (const job_cut_short&) {
        rows_->hand_back(job->pid, runner_);
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        progress_.erase(job->pid);
        --running_;
    }
    idle_.notify_all();
    return true;
}

bool job_board::until_done(const std::function<bool()>& attempt) {
    for (;;) {
        if (attempt()) return true;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait_for(lock, limits_.poll, [this] { return stopping_.load(); });
        }
        if (stopping_) return false;
    }
}

void job_board::housekeeping_loop() {
    const std::chrono::milliseconds tick = std::min(limits_.poll, limits_.lease / 3);
    // Expiring is a write; a tenth of the shorter window is soon enough.
    const auto expiry_interval = std::max<std::chrono::steady_clock::duration>(
        tick, std::min(limits_.expiry, limits_.idle_window) / 10);
    auto expired_at = std::chrono::steady_clock::now();
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait_for(lock, tick, [this] { return stopping_.load(); });
        }
        if (stopping_) return;
        // Keeps this instance's running jobs from being taken over, and lets
        // idle workers look for queued jobs and lapsed leases.
        rows_->renew(runner_, limits_.lease);
        rows_->give_up_failing(runner_, max_attempts);
        // Refunds jobs whose findings nobody fetched soon after they expire,
        // not at the next request for an identifier.
        if (std::chrono::steady_clock::now() - expired_at >= expiry_interval) {
            rows_->expire(limits_);
            expired_at = std::chrono::steady_clock::now();
        }
        wake_workers();
    }
}

}  // namespace velmo_service
