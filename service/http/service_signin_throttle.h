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
#include <set>
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
    using time_point = std::chrono::steady_clock::time_point;
    struct entry {
        int failures = 0;
        time_point last_failure;
        time_point blocked_until;
    };
    // Entries by key, and their keys by last failure, so that a full table
    // drops its quietest entries without a walk over all of them.
    struct table {
        std::map<std::string, entry> entries;
        std::set<std::pair<time_point, std::string>> by_age;
    };
    bool free_locked(const table& t, const std::string& key, time_point now) const;
    void fail_locked(table& t, const std::string& key, int free_failures, time_point now);
    static void erase_locked(table& t, const std::string& key);

    signin_limits limits_;
    clock now_;
    std::mutex mutex_;
    table pairs_;  // name and address
    table addresses_;
    table names_;
    // Pairs that signed in, by pair and by last success.
    std::map<std::string, time_point> signed_in_;
    std::set<std::pair<time_point, std::string>> signed_in_by_age_;
};

}  // namespace velmo_service
