// The store in a PostgreSQL database that several service instances share.
// Quota checks and charges run in one transaction per upload, so instances
// charging one account at once never overdraw it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "store/service_store_backend.h"

typedef struct pg_conn PGconn;

namespace velmo_service {

class pg_rows;

// `rows`, unless their statement failed for another reason than a row
// conflicting with a stored one (SQLSTATE class 23): then the database is out
// of reach and store_unavailable is thrown.
pg_rows postgresql_checked(pg_rows rows);

// Connects to `url`, migrates the schema (one instance at a time); nullptr with `error`.
std::unique_ptr<store_backend> postgresql_store_open(const std::string& url, std::string* error);

// The charge of store_backend::charge inside a transaction the caller holds
// open on `conn`; the caller commits or rolls back.
int postgresql_charge_in(PGconn* conn, const std::string& name, std::int64_t words,
                         const std::string& time);

// The refund of store_backend::refund inside a transaction the caller holds
// open on `conn`; false when there was no such charge.
bool postgresql_refund_in(PGconn* conn, const std::string& name, std::int64_t words,
                          const std::string& time);

}  // namespace velmo_service
