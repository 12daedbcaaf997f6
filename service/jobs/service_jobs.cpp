#include "jobs/service_jobs.h"

#include <random>

#include "store/service_store.h"

namespace velmo_service {

job_manager::job_manager(const check_engine& engine, service_store& store, job_limits limits)
    : engine_(engine), store_(store), limits_(limits) {
  std::random_device rd;
  pid_state_ = (static_cast<std::uint64_t>(rd()) << 32) ^ rd();
  const int n = limits_.workers < 1 ? 1 : limits_.workers;
  for (int i = 0; i < n; ++i) workers_.emplace_back([this] { worker_loop(); });
}

job_manager::~job_manager() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    queue_.clear();
  }
  wake_.notify_all();
  for (std::thread& t : workers_) t.join();
}

std::string job_manager::new_pid_locked() {
  // splitmix64 over a random seed: unpredictable enough to not be guessed by
  // accident, and unique because the state only moves forward.
  static const char digits[] = "0123456789abcdef";
  std::string pid;
  for (int half = 0; half < 2; ++half) {
    std::uint64_t z = (pid_state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    for (int i = 0; i < 16; ++i) pid.push_back(digits[(z >> (i * 4)) & 15]);
  }
  return pid;
}

// Runs on every access; the table holds at most max_jobs entries, so the scan
// is cheap, and an expired job is then unknown to every operation.
void job_manager::purge_expired_locked(std::chrono::steady_clock::time_point now) {
  for (auto it = jobs_.begin(); it != jobs_.end();) {
    const bool idle = it->second.state == job_state::issued || it->second.state == job_state::done;
    if (idle && now - it->second.touched > limits_.expiry)
      it = jobs_.erase(it);
    else
      ++it;
  }
}

std::optional<std::string> job_manager::create(const std::string& user) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto now = std::chrono::steady_clock::now();
  purge_expired_locked(now);
  if (jobs_.size() >= limits_.max_jobs) return std::nullopt;
  std::string pid = new_pid_locked();
  job& j = jobs_[pid];
  j.user = user;
  j.touched = now;
  return pid;
}

job_submit job_manager::claim(const std::string& pid, std::string* user) {
  std::lock_guard<std::mutex> lock(mutex_);
  purge_expired_locked(std::chrono::steady_clock::now());
  auto it = jobs_.find(pid);
  if (it == jobs_.end()) return job_submit::unknown;
  if (it->second.state != job_state::issued) return job_submit::already_uploaded;
  it->second.state = job_state::claimed;
  if (user) *user = it->second.user;
  return job_submit::accepted;
}

void job_manager::submit(const std::string& pid, std::u16string text, const check_options& options) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = jobs_.find(pid);
    if (it == jobs_.end() || it->second.state != job_state::claimed) return;
    it->second.state = job_state::queued;
    it->second.text = std::move(text);
    it->second.options = options;
    it->second.touched = std::chrono::steady_clock::now();
    queue_.push_back(pid);
  }
  wake_.notify_one();
}

int job_manager::charge_and_submit(const std::string& pid, const std::string& user, std::int64_t words,
                                   const std::string& time, std::u16string text, const check_options& options) {
  const int charged = store_.charge(user, words, time);
  if (charged != code_ok) {
    drop(pid);
    return charged;
  }
  submit(pid, std::move(text), options);
  return code_ok;
}

void job_manager::drop(const std::string& pid) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = jobs_.find(pid);
  if (it != jobs_.end() && it->second.state != job_state::running) jobs_.erase(it);
}

std::optional<int> job_manager::progress(const std::string& pid) {
  std::lock_guard<std::mutex> lock(mutex_);
  purge_expired_locked(std::chrono::steady_clock::now());
  auto it = jobs_.find(pid);
  if (it == jobs_.end()) return std::nullopt;
  it->second.touched = std::chrono::steady_clock::now();
  return it->second.state == job_state::done ? 100 : it->second.progress;
}

job_fetch job_manager::take_results(const std::string& pid, std::vector<finding>& out) {
  std::lock_guard<std::mutex> lock(mutex_);
  purge_expired_locked(std::chrono::steady_clock::now());
  auto it = jobs_.find(pid);
  if (it == jobs_.end()) return job_fetch::unknown;
  if (it->second.state != job_state::done) {
    it->second.touched = std::chrono::steady_clock::now();
    return job_fetch::not_finished;
  }
  out = std::move(it->second.results);
  jobs_.erase(it);
  return job_fetch::ready;
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
      pid = std::move(queue_.front());
      queue_.pop_front();
    }
    run_job(pid);
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
  user_words words;
  words.own = store_.all_words(user, 4);
  if (options.user_errors) words.errors = store_.all_words(user, 3);
  std::vector<finding> results = engine_.check(text, options, words, [&](int value) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = jobs_.find(pid);
    if (it != jobs_.end() && value > it->second.progress) it->second.progress = value;
  });
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = jobs_.find(pid);
  if (it == jobs_.end()) return;
  it->second.results = std::move(results);
  it->second.state = job_state::done;
  it->second.progress = 100;
  it->second.touched = std::chrono::steady_clock::now();
}

}  // namespace velmo_service
