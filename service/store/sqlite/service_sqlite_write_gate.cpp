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
    if (gate.waiting_.fetch_add(1) >= gate.limits_.max_waiting_writers) {
        --gate.waiting_;
        throw store_unavailable("too many writes waiting for the database");
    }
    const bool taken = gate.mutex_.try_lock_until(deadline);
    --gate.waiting_;
    if (!taken) throw store_unavailable("the database is busy");
    gate.deadline_ = deadline;
}

sqlite_write_gate::turn::~turn() { gate_.mutex_.unlock(); }

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
