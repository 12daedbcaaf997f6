// The versioned schema of the service database, for both back-ends. Each
// step is applied once, in order, inside one transaction, and the version
// reached is recorded in the table schema_version.
#pragma once

#include <optional>
#include <string>

namespace velmo_service {

enum class schema_dialect { sqlite, postgresql };

// What the migration needs from an open connection.
class schema_session {
  public:
    virtual ~schema_session() = default;
    // Starts a transaction that no other migration runs beside.
    virtual bool begin_exclusive() = 0;
    virtual bool exec(const std::string& sql) = 0;
    virtual std::optional<long long> query_number(const std::string& sql) = 0;
    virtual bool commit() = 0;
    virtual void rollback() = 0;
    virtual std::string last_error() = 0;
};

// The newest version known to this program.
int schema_latest_version();

// Brings the database to the newest version; false with `error` when a step
// fails (nothing of the failed run stays) or the database is newer than this
// program.
bool schema_migrate(schema_session& session, schema_dialect dialect, std::string* error);

}  // namespace velmo_service
