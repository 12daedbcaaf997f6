#include "store/sqlite/service_sqlite_write_gate.h"

#include <algorithm>
#include <thread>

#include "store/service_store_types.h"

namespace velmo_service {

namespace {
using steady = std::chrono::steady_clock;
constexpr std::chrono::milliseconds busy_step{5};
}  // namespace

sqlite_write_gate::sqlite_write_gate(sqlite3* db, sqlite_wait_limits limits) : limits_(limits) {
    sqlite3_busy_handler(db, &sqlite_write_gate::on_busy, this);
}

sqlite_write_gate::turn::turn(sqlite_write_gate& gate) : gate_(gate) {
    const steady::time_point deadline = steady::now() + gate.limits_.write_wait;
    std::unique_lock<std::mutex> lock(gate.mutex_);
    if (gate.taken_ && gate.waiting_ >= gate.limits_.max_waiting_writers)
        throw store_unavailable("too many writes waiting for the database");
    ++gate.waiting_;
    const bool free = gate.released_.wait_until(lock, deadline, [&gate] { return !gate.taken_; });
    --gate.waiting_;
    if (!free) throw store_unavailable("the database is busy");
    gate.taken_ = true;
    gate.deadline_ = deadline;
}

sqlite_write_gate::turn::~turn() {
    {
        std::lock_guard<std::mutex> lock(gate_.mutex_);
        gate_.taken_ = false;
    }
    gate_.released_.notify_one();
}

// Called by SQLite while another connection holds the lock: waits in short
// steps until the turn's deadline, then gives up (the write fails as busy).
int sqlite_write_gate::on_busy(void* self, int) {
    auto* gate = static_cast<sqlite_write_gate*>(self);
    const steady::time_point now = steady::now();
    if (now >= gate->deadline_) return 0;
    std::this_thread::sleep_for(std::min<steady::duration>(busy_step, gate->deadline_ - now));
    return 1;
}

}  // namespace velmo_service
