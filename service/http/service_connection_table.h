// Which connections are open, from where, and which of them are still
// sending their first request head. Such a connection costs the service a
// slot and a buffer while giving it nothing to work on, so heads live on a
// smaller budget than connections at work: per address, per network (IPv4
// /24, IPv6 /64) and in all. When the table is full the oldest heads go
// first, then the longest idle kept-alive connections. A head may take only
// so long, and so may a kept-alive connection's wait for its next one.
#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace velmo_service {

struct connection_limits {
    std::size_t max_connections = 16000;
    std::size_t per_address = 256;        // open connections of one address
    std::size_t heads_per_address = 64;   // of those, still sending a head
    std::size_t heads_per_network = 512;  // heads of one network, all its addresses together
    std::size_t max_heads = 4000;         // heads in all
    std::chrono::milliseconds head_timeout{10000};
    // A kept-alive connection's next head must be in this long after the
    // answer before it (the idle time-out, then the head's own time).
    std::chrono::milliseconds next_head_timeout{15000};
    // Held to no per-address or per-network limit (a balancer in front).
    std::string exempt_address;
};

class connection_table {
  public:
    using time_point = std::chrono::steady_clock::time_point;
    explicit connection_table(connection_limits limits);

    // A new connection `id` from `address`, sending its head from `now`.
    // False when it is refused; otherwise `drop` receives the heads (oldest
    // first) to cut so that it fits.
    bool admit(int id, const std::string& address, time_point now, std::vector<int>* drop);
    // Its head is complete: the connection is at work.
    void head_complete(int id);
    // A kept-alive connection waits for its next head from `now`.
    void awaiting_head(int id, time_point now);
    void forget(int id);
    // Heads and waits for a next head past their time at `now`; each is
    // reported once.
    std::vector<int> take_late(time_point now);

    std::size_t size() const { return entries_.size(); }
    std::size_t heads() const { return heads_.size(); }

  private:
    enum class state { head, idle, busy };
    struct entry {
        std::string address, network;
        state now = state::busy;
        time_point since{};
    };
    using ordered = std::set<std::pair<time_point, int>>;
    void enter(int id, entry& e, state to, time_point since);
    void leave(int id, entry& e);
    void drop_oldest(ordered& from, std::vector<int>* drop);

    connection_limits limits_;
    std::map<int, entry> entries_;
    std::map<std::string, std::size_t> open_per_address_;
    std::map<std::string, std::size_t> heads_per_address_;
    std::map<std::string, ordered> heads_per_network_;
    ordered heads_;
    ordered idle_;
};

// The network an address belongs to: its first 24 bits (IPv4) or 64 (IPv6).
std::string network_of(const std::string& address);

}  // namespace velmo_service
