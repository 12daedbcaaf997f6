// Slows down guessing of authorization numbers: after a few failed sign-ins
// for one user name from one client address, or more from one address for
// any names, further sign-ins from there are refused unchecked for a delay
// that doubles with every failure. Guesses at one name spread over many
// addresses hold that name back too, but only from addresses it never signed
// in from: its owner, from where they signed in before, is never held, so a
// stranger's guesses cannot lock the owner out.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <string>

namespace velmo_service {

struct signin_limits {
    int free_failures = 3;           // failures of one name from one address before any delay
    int address_free_failures = 20;  // failures from one address, for any names
    int name_free_failures = 10;     // failures of one name from all addresses together
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

    // False while `name` from `address`, or `address` itself, or `name`
    // from an address it never signed in from, is held back.
    bool allowed(const std::string& name, const std::string& address);
    void failed(const std::string& name, const std::string& address);
    // A right number clears the failures of the name from that address (not
    // the address's: one good account must not whitewash guesses at others)
    // and makes the address one of the name's own.
    void succeeded(const std::string& name, const std::string& address);

  private:
    struct entry {
        int failures = 0;
        std::chrono::steady_clock::time_point last_failure;
        std::chrono::steady_clock::time_point blocked_until;
    };
    using table = std::map<std::string, entry>;
    bool free_locked(const table& t, const std::string& key,
                     std::chrono::steady_clock::time_point now) const;
    void fail_locked(table& t, const std::string& key, int free_failures,
                     std::chrono::steady_clock::time_point now);

    signin_limits limits_;
    clock now_;
    std::mutex mutex_;
    table pairs_;  // name and address
    table addresses_;
    table names_;
    std::map<std::string, std::chrono::steady_clock::time_point> signed_in_;  // pairs, last success
};

}  // namespace velmo_service
