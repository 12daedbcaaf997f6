#include "http/service_connection_table.h"

#include <arpa/inet.h>

#include <algorithm>

namespace velmo_service {

namespace {
template <class Map>
void decrement(Map& counts, const std::string& key) {
    auto it = counts.find(key);
    if (it != counts.end() && --it->second == 0) counts.erase(it);
}
}  // namespace

std::string network_of(const std::string& address) {
    unsigned char bytes[16];
    if (inet_pton(AF_INET, address.c_str(), bytes) == 1)
        return std::string(reinterpret_cast<char*>(bytes), 3);
    if (inet_pton(AF_INET6, address.c_str(), bytes) == 1) {
        static const unsigned char mapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
        if (std::equal(bytes, bytes + 12, mapped))
            return std::string(reinterpret_cast<char*>(bytes + 12), 3);
        return std::string(reinterpret_cast<char*>(bytes), 8);
    }
    return address;
}

connection_table::connection_table(connection_limits limits) : limits_(std::move(limits)) {}

bool connection_table::admit(int id, const std::string& address, time_point now,
                             std::vector<int>* drop) {
    const bool exempt = !limits_.exempt_address.empty() && address == limits_.exempt_address;
    const std::string network = exempt ? std::string() : network_of(address);
    if (!exempt) {
        // An address pays for its own crowd: it is refused, no one else goes.
        auto open = open_per_address_.find(address);
        if (open != open_per_address_.end() && open->second >= limits_.per_address) return false;
        auto heads = heads_per_address_.find(address);
        if (heads != heads_per_address_.end() && heads->second >= limits_.heads_per_address)
            return false;
        // Many addresses of one network make room among themselves.
        for (auto n = heads_per_network_.find(network);
             n != heads_per_network_.end() && n->second.size() >= limits_.heads_per_network;
             n = heads_per_network_.find(network))
            drop_oldest(n->second, drop);
    }
    while (!heads_.empty() && heads_.size() >= limits_.max_heads) drop_oldest(heads_, drop);
    while (entries_.size() >= limits_.max_connections && !(heads_.empty() && idle_.empty()))
        drop_oldest(heads_.empty() ? idle_ : heads_, drop);
    if (entries_.size() >= limits_.max_connections) return false;  // all at work

    entry& e = entries_[id];
    e.address = address;
    e.network = network;
    ++open_per_address_[address];
    enter(id, e, state::head, now);
    return true;
}

void connection_table::drop_oldest(ordered& from, std::vector<int>* drop) {
    const int id = from.begin()->second;
    drop->push_back(id);
    forget(id);
}

void connection_table::enter(int id, entry& e, state to, time_point since) {
    leave(id, e);
    e.now = to;
    e.since = since;
    if (to == state::idle) idle_.emplace(since, id);
    if (to != state::head) return;
    heads_.emplace(since, id);
    if (e.network.empty()) return;  // exempt
    ++heads_per_address_[e.address];
    heads_per_network_[e.network].emplace(since, id);
}

void connection_table::leave(int id, entry& e) {
    const state was = e.now;
    e.now = state::busy;
    if (was == state::idle) idle_.erase({e.since, id});
    if (was != state::head) return;
    heads_.erase({e.since, id});
    if (e.network.empty()) return;
    decrement(heads_per_address_, e.address);
    auto network = heads_per_network_.find(e.network);
    if (network == heads_per_network_.end()) return;
    network->second.erase({e.since, id});
    if (network->second.empty()) heads_per_network_.erase(network);
}

void connection_table::awaiting_head(int id, time_point now) {
    auto it = entries_.find(id);
    if (it != entries_.end()) enter(id, it->second, state::idle, now);
}

void connection_table::head_complete(int id) {
    auto it = entries_.find(id);
    if (it != entries_.end()) leave(id, it->second);
}

void connection_table::forget(int id) {
    auto it = entries_.find(id);
    if (it == entries_.end()) return;
    leave(id, it->second);
    decrement(open_per_address_, it->second.address);
    entries_.erase(it);
}

std::vector<int> connection_table::take_late(time_point now) {
    std::vector<int> late;
    for (auto [waits, allowed] :
         {std::pair{&heads_, limits_.head_timeout}, std::pair{&idle_, limits_.next_head_timeout}}) {
        while (!waits->empty() && waits->begin()->first + allowed <= now) {
            const int id = waits->begin()->second;
            late.push_back(id);
            head_complete(id);  // reported once; it stays in the table until it closes
        }
    }
    return late;
}

}  // namespace velmo_service
