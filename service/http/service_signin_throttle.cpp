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

bool signin_throttle::free_locked(const table& t, const std::string& key, time_point now) const {
    auto it = t.entries.find(key_of(key));
    return it == t.entries.end() || it->second.blocked_until <= now;
}

void signin_throttle::erase_locked(table& t, const std::string& key) {
    const auto it = t.entries.find(key);
    if (it == t.entries.end()) return;
    t.by_age.erase({it->second.last_failure, key});
    t.entries.erase(it);
}

void signin_throttle::fail_locked(table& t, const std::string& key_in, int free_failures,
                                  time_point now) {
    const std::string key = key_of(key_in);
    if (t.entries.size() >= limits_.max_entries && !t.entries.count(key)) {
        // Forgotten entries go; when none is, the one quiet the longest goes.
        while (!t.by_age.empty() && now - t.by_age.begin()->first > limits_.forget_after)
            erase_locked(t, std::string(t.by_age.begin()->second));
        if (t.entries.size() >= limits_.max_entries && !t.by_age.empty())
            erase_locked(t, std::string(t.by_age.begin()->second));
    }
    entry& e = t.entries[key];
    t.by_age.erase({e.last_failure, key});
    if (e.failures > 0 && now - e.last_failure > limits_.forget_after) e.failures = 0;
    ++e.failures;
    e.last_failure = now;
    t.by_age.insert({now, key});
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
    erase_locked(pairs_, pair);
    const auto known = signed_in_.find(pair);
    if (known != signed_in_.end()) {
        signed_in_by_age_.erase({known->second, pair});
    } else if (signed_in_.size() >= limits_.max_entries && !signed_in_by_age_.empty()) {
        signed_in_.erase(signed_in_by_age_.begin()->second);
        signed_in_by_age_.erase(signed_in_by_age_.begin());
    }
    const time_point now = now_();
    signed_in_[pair] = now;
    signed_in_by_age_.insert({now, pair});
}

}  // namespace velmo_service
