// A few libpq connections to one PostgreSQL database, handed out one caller
// at a time, and results read as text. A connection found broken is reset
// before it is handed out again.
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
        pg_rows run(const std::string& sql, const pg_params& params = {}) const {
            return pg_run(conn_, sql, params);
        }

      private:
        pg_pool* pool_;
        PGconn* conn_;
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
