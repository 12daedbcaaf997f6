// A few libpq connections to one PostgreSQL database, handed out one caller
// at a time, and results read as text. The server may go away and come back
// (a restart, a short outage): a connection it closed meanwhile is reopened
// before it is handed out again, and the first statement a caller sends on a
// connection that turns out broken is sent again once on a reopened one, so
// the first request after an outage succeeds. While the server stays away,
// statements fail and callers answer that the service is unavailable.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

typedef struct pg_conn PGconn;
typedef struct pg_result PGresult;

namespace velmo_service {

class pg_rows {
  public:
    explicit pg_rows(PGresult* result) : result_(result) {}
    ~pg_rows();
    pg_rows(pg_rows&& other) noexcept : result_(other.result_) { other.result_ = nullptr; }
    pg_rows(const pg_rows&) = delete;
    pg_rows& operator=(const pg_rows&) = delete;

    bool ok() const;  // the statement ran
    int count() const;
    std::int64_t affected() const;  // rows an UPDATE, INSERT or DELETE touched
    std::string text(int row, int col) const;
    std::int64_t integer(int row, int col) const;
    bool null(int row, int col) const;
    std::string error() const;
    // The SQLSTATE of a failed statement ("" when it ran or never reached the server).
    std::string state() const;

  private:
    PGresult* result_;
};

// Parameters are sent as text; nullopt is SQL NULL.
using pg_params = std::vector<std::optional<std::string>>;

// Runs `sql` with $1.. bound to `params`.
pg_rows pg_run(PGconn* conn, const std::string& sql, const pg_params& params = {});

// Connects to `url` (a postgresql:// URI). Unless the address sets its own
// connect_timeout, an unreachable server is given up after a few seconds, so
// that a request during an outage answers instead of hanging.
PGconn* pg_connect(const std::string& url);

// Whether `conn` is usable as far as can be told without a round trip: a
// connection the server closed while it sat idle is readable (the closing
// message, then the end of the stream) and is reported broken.
bool pg_alive(PGconn* conn);
// Reopens `conn` when it is broken; whether it is usable afterwards.
bool pg_revive(PGconn* conn);

class pg_pool {
  public:
    ~pg_pool();
    // Connects `size` times to `url` (a postgresql:// URI); nullptr with `error`.
    static std::unique_ptr<pg_pool> open(const std::string& url, int size, std::string* error);

    class handle {
      public:
        handle(pg_pool& pool, PGconn* conn) : pool_(&pool), conn_(conn) {}
        ~handle() { pool_->give_back(conn_); }
        handle(const handle&) = delete;
        handle& operator=(const handle&) = delete;
        PGconn* get() const { return conn_; }
        // Runs a statement; the first one on this handle is sent again once
        // on a reopened connection when the connection was found broken.
        pg_rows run(const std::string& sql, const pg_params& params = {});

      private:
        pg_pool* pool_;
        PGconn* conn_;
        bool first_ = true;
    };
    handle acquire();
    const std::string& url() const { return url_; }

  private:
    pg_pool() = default;
    void give_back(PGconn* conn);

    std::string url_;
    std::mutex mutex_;
    std::condition_variable free_;
    std::vector<PGconn*> idle_;
    std::vector<PGconn*> all_;
};

}  // namespace velmo_service
