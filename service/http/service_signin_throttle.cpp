#include "http/service_signin_throttle.h"

#include <algorithm>

namespace velmo_service {

namespace {
// Names longer than any account's only need to be told apart from each other
// so far; the cut keeps a flood of huge names from growing the table's keys.
constexpr std::size_t max_key_bytes = 256;

std::string key_of(const std::string& s) { return s.substr(0, max_key_bytes); }
std::string pair_of(const std::string& name, const std::string& address) {
    return key_of(address) + '\n' + key_of(name);
}
}  // namespace

signin_throttle::signin_throttle(signin_limits limits, clock now)
    : limits_(limits), now_(std::move(now)) {}

bool signin_throttle::free_locked(const table& t, const std::string& key,
                                  std::chrono::steady_clock::time_point now) const {
    auto it = t.find(key_of(key));
    return it == t.end() || it->second.blocked_until <= now;
}

void signin_throttle::fail_locked(table& t, const std::string& key, int free_failures,
                                  std::chrono::steady_clock::time_point now) {
    if (t.size() >= limits_.max_entries) {
        // Forgotten entries go; when none is, the one quiet the longest goes.
        for (auto it = t.begin(); it != t.end();)
            it = now - it->second.last_failure > limits_.forget_after ? t.erase(it) : std::next(it);
        if (t.size() >= limits_.max_entries)
            t.erase(std::min_element(t.begin(), t.end(), [](const auto& a, const auto& b) {
                return a.second.last_failure < b.second.last_failure;
            }));
    }
    entry& e = t[key_of(key)];
    if (e.failures > 0 && now - e.last_failure > limits_.forget_after) e.failures = 0;
    ++e.failures;
    e.last_failure = now;
    if (e.failures <= free_failures) return;
    auto delay = limits_.first_delay;
    for (int i = free_failures + 1; i < e.failures && delay < limits_.max_delay; ++i) delay *= 2;
    e.blocked_until = now + std::min(delay, limits_.max_delay);
}

bool signin_throttle::allowed(const std::string& name, const std::string& address) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto now = now_();
    const std::string pair = pair_of(name, address);
    return free_locked(pairs_, pair, now) && free_locked(addresses_, address, now) &&
           (free_locked(names_, name, now) || signed_in_.count(pair) > 0);
}

void signin_throttle::failed(const std::string& name, const std::string& address) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto now = now_();
    fail_locked(pairs_, pair_of(name, address), limits_.free_failures, now);
    fail_locked(addresses_, key_of(address), limits_.address_free_failures, now);
    fail_locked(names_, key_of(name), limits_.name_free_failures, now);
}

void signin_throttle::succeeded(const std::string& name, const std::string& address) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::string pair = pair_of(name, address);
    pairs_.erase(pair);
    if (signed_in_.size() >= limits_.max_entries && !signed_in_.count(pair))
        signed_in_.erase(
            std::min_element(signed_in_.begin(), signed_in_.end(),
                             [](const auto& a, const auto& b) { return a.second < b.second; }));
    signed_in_[pair] = now_();
}

}  // namespace velmo_service
