#include "store/postgresql/service_pg_pool.h"

#include <libpq-fe.h>
#include <poll.h>

namespace velmo_service {

pg_rows::~pg_rows() { PQclear(result_); }

bool pg_rows::ok() const {
    const ExecStatusType s = PQresultStatus(result_);
    return result_ && (s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK);
}
int pg_rows::count() const { return result_ ? PQntuples(result_) : 0; }
std::int64_t pg_rows::affected() const {
    const char* n = result_ ? PQcmdTuples(result_) : "";
    return *n ? std::stoll(n) : 0;
}
std::string pg_rows::text(int row, int col) const {
    return std::string(PQgetvalue(result_, row, col),
                       static_cast<std::size_t>(PQgetlength(result_, row, col)));
}
std::int64_t pg_rows::integer(int row, int col) const {
    const char* v = PQgetvalue(result_, row, col);
    return *v ? std::stoll(v) : 0;
}
bool pg_rows::null(int row, int col) const { return PQgetisnull(result_, row, col) != 0; }
std::string pg_rows::state() const {
    const char* s = result_ ? PQresultErrorField(result_, PG_DIAG_SQLSTATE) : nullptr;
    return s ? s : "";
}
std::string pg_rows::error() const { return result_ ? PQresultErrorMessage(result_) : "no result"; }

pg_rows pg_run(PGconn* conn, const std::string& sql, const pg_params& params) {
    std::vector<const char*> values;
    values.reserve(params.size());
    for (const std::optional<std::string>& p : params) values.push_back(p ? p->c_str() : nullptr);
    return pg_rows(PQexecParams(conn, sql.c_str(), static_cast<int>(values.size()), nullptr,
                                values.data(), nullptr, nullptr, 0));
}

PGconn* pg_connect(const std::string& url) {
    // Later values win: the address's own settings override the default.
    const char* const keys[] = {"connect_timeout", "dbname", nullptr};
    const char* const values[] = {"5", url.c_str(), nullptr};
    return PQconnectdbParams(keys, values, 1);
}

bool pg_alive(PGconn* conn) {
    if (PQstatus(conn) != CONNECTION_OK) return false;
    // Idle, nothing is due from the server: anything readable means it hung up.
    if (PQtransactionStatus(conn) != PQTRANS_IDLE) return true;
    pollfd fd{PQsocket(conn), POLLIN, 0};
    if (fd.fd < 0) return false;
    if (poll(&fd, 1, 0) > 0 && PQconsumeInput(conn) == 0) return false;
    return PQstatus(conn) == CONNECTION_OK;
}

bool pg_revive(PGconn* conn) {
    if (pg_alive(conn)) return true;
    PQreset(conn);
    if (PQstatus(conn) != CONNECTION_OK) return false;
    // Warnings of idempotent DDL (NOTICE: relation exists) are not errors.
    pg_run(conn, "SET client_min_messages TO warning");
    return true;
}

pg_rows pg_pool::handle::run(const std::string& sql, const pg_params& params) {
    const bool first = first_;
    first_ = false;
    pg_rows rows = pg_run(conn_, sql, params);
    // Broken on the first statement, outside any transaction of this caller:
    // the server was lost before the statement reached it, so sending it
    // again on a reopened connection runs it once.
    if (!rows.ok() && first && PQstatus(conn_) == CONNECTION_BAD && pg_revive(conn_))
        return pg_run(conn_, sql, params);
    return rows;
}

pg_pool::~pg_pool() {
    for (PGconn* c : all_) PQfinish(c);
}

std::unique_ptr<pg_pool> pg_pool::open(const std::string& url, int size, std::string* error) {
    std::unique_ptr<pg_pool> pool(new pg_pool());
    pool->url_ = url;
    for (int i = 0; i < size; ++i) {
        PGconn* c = pg_connect(url);
        pool->all_.push_back(c);
        if (PQstatus(c) != CONNECTION_OK) {
            if (error) *error = PQerrorMessage(c);
            return nullptr;
        }
        // Warnings of idempotent DDL (NOTICE: relation exists) are not errors.
        pg_run(c, "SET client_min_messages TO warning");
        pool->idle_.push_back(c);
    }
    return pool;
}

pg_pool::handle pg_pool::acquire() {
    std::unique_lock<std::mutex> lock(mutex_);
    free_.wait(lock, [this] { return !idle_.empty(); });
    PGconn* c = idle_.back();
    idle_.pop_back();
    lock.unlock();
    pg_revive(c);
    return handle(*this, c);
}

void pg_pool::give_back(PGconn* conn) {
    // A connection left inside a failed or open transaction is cleaned first.
    const PGTransactionStatusType status = PQtransactionStatus(conn);
    if (status == PQTRANS_INTRANS || status == PQTRANS_INERROR) PQclear(PQexec(conn, "ROLLBACK"));
    {
        std::lock_guard<std::mutex> lock(mutex_);
        idle_.push_back(conn);
    }
    free_.notify_one();
}

}  // namespace velmo_service
