// The one way to write through a SQLite connection. Writers take turns; a
// turn is waited for only so long, and only so many writers may wait, so a
// database locked by another process (or a queue of slow writes) answers
// "unavailable" within a bound instead of in turn after turn of waits. The
// same deadline bounds SQLite's own wait for the other process's lock.
// Reads go through a connection of their own: in WAL mode they never wait
// for a writer.
#pragma once

#include <sqlite3.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>

namespace velmo_service {

struct sqlite_wait_limits {
    std::chrono::milliseconds write_wait{1500};  // from asking for a turn to the write's end
    std::size_t max_waiting_writers = 16;
};

class sqlite_write_gate {
  public:
    // Installs its busy handler on `db`, the writing connection.
    sqlite_write_gate(sqlite3* db, sqlite_wait_limits limits = {});
    sqlite_write_gate(const sqlite_write_gate&) = delete;
    sqlite_write_gate& operator=(const sqlite_write_gate&) = delete;

    // A writer's turn; throws store_unavailable when none comes in time or
    // too many writers wait already.
    class turn {
      public:
        explicit turn(sqlite_write_gate& gate);
        ~turn();
        turn(const turn&) = delete;
        turn& operator=(const turn&) = delete;

      private:
        sqlite_write_gate& gate_;
    };

  private:
    static int on_busy(void* self, int attempts);

    sqlite_wait_limits limits_;
    std::mutex mutex_;
    std::condition_variable released_;
    bool taken_ = false;
    std::size_t waiting_ = 0;
    // Of the writer holding the turn; read by the busy handler, which runs on
    // that writer's thread.
    std::chrono::steady_clock::time_point deadline_{};
};

}  // namespace velmo_service
