#include "jobs/service_jobs.h"

#include <sys/random.h>

#include <cerrno>
#include <stdexcept>

#include "base/service_text.h"
#include "jobs/service_job_codec.h"
#include "store/service_store.h"

namespace velmo_service {

namespace {
// Thrown from the progress callback to end a running job when the service stops.
struct job_cancelled {};
// Runs of one job begun by processes that ended before it finished: after
// this many, the job is taken for the cause and refunded instead.
constexpr int max_attempts = 3;
}  // namespace

job_manager::job_manager(const check_engine& engine, service_store& store, job_limits limits)
    : engine_(engine), store_(store), limits_(limits) {
    resume_kept_jobs();
    const int n = limits_.workers < 1 ? 1 : limits_.workers;
    for (int i = 0; i < n; ++i) workers_.emplace_back([this] { worker_loop(); });
}

job_manager::~job_manager() {
    stop(std::chrono::milliseconds(0));
    for (std::thread& t : workers_) t.join();
}

void job_manager::resume_kept_jobs() {
    std::vector<kept_job> kept;
    try {
        kept = store_.kept_jobs();
    } catch (const store_unavailable&) {
        return;  // they stay recorded for the next start
    }
    const auto now = std::chrono::steady_clock::now();
    for (const kept_job& k : kept) {
        const std::optional<check_options> options = job_decode_options(k.options);
        std::optional<std::vector<finding>> results;
        if (k.done) results = job_decode_findings(k.results);
        if (!options || (k.done ? !results : k.attempts >= max_attempts)) {
            store_.refund_kept_job(k);
            continue;
        }
        job& j = jobs_[k.pid];
        j.user = k.user;
        j.options = *options;
        j.charge = job_charge{k.charged_words, k.charged_at};
        j.touched = now;
        if (k.done) {
            j.state = job_state::done;
            j.progress = 100;
            j.results = std::move(*results);
        } else {
            j.state = job_state::queued;
            j.text = text_utf8_to_utf16(k.article);
            queue_.push_back(k.pid);
        }
    }
}

std::string job_manager::new_pid_locked() {
    // 128 bits from the kernel's generator: knowing one's own identifiers
    // tells nothing about anyone else's.
    static const char digits[] = "0123456789abcdef";
    for (;;) {
        unsigned char bytes[16];
        std::size_t have = 0;
        while (have < sizeof bytes) {
            const ssize_t n = getrandom(bytes + have, sizeof bytes - have, 0);
            if (n < 0 && errno != EINTR)
                throw std::runtime_error("no random bytes for a job identifier");
            if (n > 0) have += static_cast<std::size_t>(n);
        }
        std::string pid;
        for (unsigned char b : bytes) {
            pid.push_back(digits[b >> 4]);
            pid.push_back(digits[b & 15]);
        }
        if (!jobs_.count(pid)) return pid;
    }
}

bool job_manager::holds_text_locked(const job& j, std::chrono::steady_clock::time_point now) const {
    switch (j.state) {
        case job_state::issued:
            return false;
        case job_state::done:
            return now - j.touched <= limits_.idle_window;
        default:
            return true;
    }
}

std::size_t job_manager::held_with_text_locked(const std::string& user,
                                               std::chrono::steady_clock::time_point now) const {
    std::size_t n = 0;
    for (const auto& [pid, j] : jobs_)
        if (j.user == user && holds_text_locked(j, now)) ++n;
    return n;
}

// Runs on every access; the table holds at most max_jobs entries, so the scan
// is cheap, and an expired job is then unknown to every operation.
void job_manager::purge_expired_locked(std::chrono::steady_clock::time_point now) {
    for (auto it = jobs_.begin(); it != jobs_.end();) {
        const job& j = it->second;
        const bool expired =
            (j.state == job_state::issued && now - j.touched > limits_.idle_window) ||
            (j.state == job_state::done && now - j.touched > limits_.expiry);
        if (expired && j.state == job_state::done) store_.forget_kept_job(it->first);
        if (expired)
            it = jobs_.erase(it);
        else
            ++it;
    }
}

job_manager::job* job_manager::find_locked(const std::string& pid, const std::string& claimant) {
    purge_expired_locked(std::chrono::steady_clock::now());
    auto it = jobs_.find(pid);
    if (it == jobs_.end() || (!claimant.empty() && claimant != it->second.user)) return nullptr;
    return &it->second;
}

std::optional<std::string> job_manager::create(const std::string& user) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto now = std::chrono::steady_clock::now();
    purge_expired_locked(now);
    if (stopping_ || jobs_.size() >= limits_.max_jobs) return std::nullopt;
    std::size_t issued = 0;
    for (const auto& [pid, j] : jobs_)
        if (j.user == user && j.state == job_state::issued) ++issued;
    if (issued >= limits_.max_issued_per_user ||
        held_with_text_locked(user, now) >= limits_.max_jobs_per_user)
        return std::nullopt;
    std::string pid = new_pid_locked();
    job& j = jobs_[pid];
    j.user = user;
    j.touched = now;
    return pid;
}

job_submit job_manager::claim(const std::string& pid, const std::string& claimant,
                              std::string* user) {
    std::lock_guard<std::mutex> lock(mutex_);
    job* j = find_locked(pid, claimant);
    if (!j || stopping_) return job_submit::unknown;
    if (j->state != job_state::issued) return job_submit::already_uploaded;
    if (held_with_text_locked(j->user, std::chrono::steady_clock::now()) >=
        limits_.max_jobs_per_user) {
        jobs_.erase(pid);
        return job_submit::busy;
    }
    j->state = job_state::claimed;
    if (user) *user = j->user;
    return job_submit::accepted;
}

void job_manager::submit(const std::string& pid, std::u16string text, const check_options& options,
                         job_charge charge) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = jobs_.find(pid);
        if (it == jobs_.end() || it->second.state != job_state::claimed) return;
        it->second.state = job_state::queued;
        it->second.text = std::move(text);
        it->second.options = options;
        it->second.charge = std::move(charge);
        it->second.touched = std::chrono::steady_clock::now();
        queue_.push_back(pid);
    }
    wake_.notify_one();
}

int job_manager::charge_and_submit(const std::string& pid, const std::string& user,
                                   std::int64_t words, const std::string& time, std::u16string text,
                                   const check_options& options) {
    kept_job record;
    record.pid = pid;
    record.user = user;
    record.article = text_utf16_to_utf8(text);
    record.options = job_encode_options(options);
    record.charged_words = words;
    record.charged_at = time;
    const int charged = store_.charge_and_keep_job(record);
    if (charged != code_ok) {
        drop(pid);
        return charged;
    }
    submit(pid, std::move(text), options, job_charge{words, time});
    return code_ok;
}

void job_manager::drop(const std::string& pid) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = jobs_.find(pid);
    if (it != jobs_.end() && it->second.state != job_state::running) jobs_.erase(it);
}

std::optional<int> job_manager::progress(const std::string& pid, const std::string& claimant) {
    std::lock_guard<std::mutex> lock(mutex_);
    job* j = find_locked(pid, claimant);
    if (!j) return std::nullopt;
    j->touched = std::chrono::steady_clock::now();
    return j->state == job_state::done ? 100 : j->progress;
}

job_fetch job_manager::take_results(const std::string& pid, const std::string& claimant,
                                    std::vector<finding>& out) {
    std::lock_guard<std::mutex> lock(mutex_);
    job* j = find_locked(pid, claimant);
    if (!j) return job_fetch::unknown;
    if (j->state != job_state::done) {
        j->touched = std::chrono::steady_clock::now();
        return job_fetch::not_finished;
    }
    out = std::move(j->results);
    jobs_.erase(pid);
    store_.forget_kept_job(pid);
    return job_fetch::ready;
}

std::size_t job_manager::stop(std::chrono::milliseconds grace) {
    std::unique_lock<std::mutex> lock(mutex_);
    stopping_ = true;
    queue_.clear();
    wake_.notify_all();
    idle_.wait_for(lock, grace, [this] { return running_ == 0; });
    cancel_ = true;  // whatever still runs ends at its next progress step
    // Words are given back for every job that will never hand its findings
    // over; a running job is refunded now and forgotten when it ends.
    for (auto it = jobs_.begin(); it != jobs_.end();) {
        job& j = it->second;
        if (!j.charge.time.empty()) {
            kept_job record;
            record.pid = it->first;
            record.user = j.user;
            record.charged_words = j.charge.words;
            record.charged_at = j.charge.time;
            store_.refund_kept_job(record);
        }
        j.charge = job_charge{};
        if (j.state == job_state::running)
            ++it;
        else
            it = jobs_.erase(it);
    }
    return running_;
}

std::size_t job_manager::held() {
    std::lock_guard<std::mutex> lock(mutex_);
    return jobs_.size();
}

void job_manager::worker_loop() {
    for (;;) {
        std::string pid;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_) return;
            ++running_;
            pid = std::move(queue_.front());
            queue_.pop_front();
        }
        run_job(pid);
        std::lock_guard<std::mutex> lock(mutex_);
        --running_;
        idle_.notify_all();
    }
}

void job_manager::run_job(const std::string& pid) {
    std::u16string text;
    check_options options;
    std::string user;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = jobs_.find(pid);
        if (it == jobs_.end() || it->second.state != job_state::queued) return;
        it->second.state = job_state::running;
        it->second.progress = 1;
        text = std::move(it->second.text);
        options = it->second.options;
        user = it->second.user;
    }
    store_.kept_job_started(pid);
    user_words words;
    words.own = store_.all_words(user, 4);
    if (options.user_errors) words.errors = store_.all_words(user, 3);
    std::vector<finding> results;
    try {
        results = engine_.check(text, options, words, [&](int value) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (cancel_) throw job_cancelled{};
            auto it = jobs_.find(pid);
            if (it != jobs_.end() && value > it->second.progress) it->second.progress = value;
        });
    } catch (const job_cancelled&) {
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (cancel_) {  // refunded by stop() already, and nobody will fetch it
            jobs_.erase(pid);
            return;
        }
    }
    // Recorded before it can be fetched, so a fetch never races the record.
    store_.kept_job_done(pid, job_encode_findings(results));
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = jobs_.find(pid);
    if (it == jobs_.end()) return;
    if (cancel_) {
        jobs_.erase(it);
        return;
    }
    it->second.results = std::move(results);
    it->second.state = job_state::done;
    it->second.progress = 100;
    it->second.touched = std::chrono::steady_clock::now();
}

}  // namespace velmo_service
