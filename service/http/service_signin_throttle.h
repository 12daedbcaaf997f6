// Slows down guessing of authorization numbers: after a few failed sign-ins
// for one user name, or from one client address, further sign-ins for it are
// refused unchecked for a delay that doubles with every failure.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <string>

namespace velmo_service {

struct signin_limits {
    int free_failures = 3;                       // failures before any delay
    std::chrono::milliseconds first_delay{500};  // doubled per further failure
    std::chrono::milliseconds max_delay{60000};
    std::chrono::milliseconds forget_after{
        900000};                       // quiet time after which failures are forgotten
    std::size_t max_entries = 100000;  // names and addresses remembered at once
};

class signin_throttle {
  public:
    using clock = std::function<std::chrono::steady_clock::time_point()>;
    explicit signin_throttle(signin_limits limits, clock now = std::chrono::steady_clock::now);

    // False while `name` or `address` is held back.
    bool allowed(const std::string& name, const std::string& address);
    void failed(const std::string& name, const std::string& address);
    // A right number clears the name's failures (not the address's: one
    // good account must not whitewash guesses at others).
    void succeeded(const std::string& name);

  private:
    struct entry {
        int failures = 0;
        std::chrono::steady_clock::time_point last_failure;
        std::chrono::steady_clock::time_point blocked_until;
    };
    using table = std::map<std::string, entry>;
    bool free_locked(const table& t, const std::string& key,
                     std::chrono::steady_clock::time_point now) const;
    void fail_locked(table& t, const std::string& key, std::chrono::steady_clock::time_point now);

    signin_limits limits_;
    clock now_;
    std::mutex mutex_;
    table names_;
    table addresses_;
};

}  // namespace velmo_service
