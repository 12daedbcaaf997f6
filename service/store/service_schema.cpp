#include "store/service_schema.h"

#include <vector>

namespace velmo_service {

namespace {
struct schema_step {
    int version;
    const char* sqlite;  // nullptr: nothing to do in this dialect
    const char* postgresql;
};

// Version 1 is the layout databases had before versions were recorded, so it
// only creates what is missing.
const std::vector<schema_step>& steps() {
    static const std::vector<schema_step> list = {
        {1,
         "CREATE TABLE IF NOT EXISTS accounts("
         "  user_name TEXT PRIMARY KEY,"
         "  auth_hash TEXT NOT NULL,"
         "  state INTEGER NOT NULL DEFAULT 0,"
         "  quota INTEGER NOT NULL DEFAULT 0,"
         "  used INTEGER NOT NULL DEFAULT 0,"
         "  end_date TEXT NOT NULL);"
         "CREATE TABLE IF NOT EXISTS usage("
         "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
         "  user_name TEXT NOT NULL,"
         "  check_time TEXT NOT NULL,"
         "  words INTEGER NOT NULL);"
         "CREATE INDEX IF NOT EXISTS usage_by_user_time ON usage(user_name, check_time);"
         "CREATE TABLE IF NOT EXISTS words("
         "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
         "  user_name TEXT NOT NULL,"
         "  lib INTEGER NOT NULL,"
         "  word TEXT NOT NULL,"
         "  UNIQUE(user_name, lib, word));",
         "CREATE TABLE IF NOT EXISTS accounts("
         "  user_name TEXT PRIMARY KEY,"
         "  auth_hash TEXT NOT NULL,"
         "  state INTEGER NOT NULL DEFAULT 0,"
         "  quota BIGINT NOT NULL DEFAULT 0,"
         "  used BIGINT NOT NULL DEFAULT 0,"
         "  end_date TEXT NOT NULL);"
         "CREATE TABLE IF NOT EXISTS usage("
         "  id BIGSERIAL PRIMARY KEY,"
         "  user_name TEXT NOT NULL,"
         "  check_time TEXT NOT NULL,"
         "  words BIGINT NOT NULL);"
         "CREATE INDEX IF NOT EXISTS usage_by_user_time ON usage(user_name, check_time);"
         "CREATE TABLE IF NOT EXISTS words("
         "  id BIGSERIAL PRIMARY KEY,"
         "  user_name TEXT NOT NULL,"
         "  lib INTEGER NOT NULL,"
         "  word TEXT NOT NULL,"
         "  UNIQUE(user_name, lib, word));"},
        // Jobs shared by every instance: one SQLite file serves one instance,
        // which keeps its jobs in memory.
        {2, nullptr,
         "CREATE TABLE jobs("
         "  pid TEXT PRIMARY KEY,"
         "  user_name TEXT NOT NULL,"
         "  state SMALLINT NOT NULL,"
         "  progress INTEGER NOT NULL DEFAULT 0,"
         "  article TEXT,"
         "  options TEXT,"
         "  results TEXT,"
         "  touched TIMESTAMPTZ NOT NULL DEFAULT now(),"
         "  queued_at TIMESTAMPTZ,"
         "  lease_owner TEXT,"
         "  lease_until TIMESTAMPTZ);"
         "CREATE INDEX jobs_waiting ON jobs(state, queued_at);"
         "CREATE INDEX jobs_by_user ON jobs(user_name);"},
        // What a job charged, so that a job given up is refunded, and how often
        // it was claimed, so that a job that brings down every instance running
        // it is given up instead of claimed for ever.
        {3, nullptr,
         "ALTER TABLE jobs ADD COLUMN attempts INTEGER NOT NULL DEFAULT 0,"
         "  ADD COLUMN charged_words BIGINT NOT NULL DEFAULT 0,"
         "  ADD COLUMN charged_at TEXT;"},
        // Charged jobs of a single instance, so that a crash or restart resumes
        // them instead of losing them charged. PostgreSQL keeps its jobs in the
        // table of step 2.
        {4,
         "CREATE TABLE IF NOT EXISTS kept_jobs("
         "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
         "  pid TEXT NOT NULL UNIQUE,"
         "  user_name TEXT NOT NULL,"
         "  done INTEGER NOT NULL DEFAULT 0,"
         "  article TEXT,"
         "  options TEXT NOT NULL,"
         "  results TEXT,"
         "  charged_words INTEGER NOT NULL,"
         "  charged_at TEXT NOT NULL,"
         "  attempts INTEGER NOT NULL DEFAULT 0);",
         nullptr},
        // The single instance's table holds every job, from its identifier on,
        // with the states, times (milliseconds since the epoch) and runner of
        // the shared table, so one board serves both databases.
        {5,
         "ALTER TABLE kept_jobs ADD COLUMN state INTEGER NOT NULL DEFAULT 2;"
         "ALTER TABLE kept_jobs ADD COLUMN touched INTEGER NOT NULL DEFAULT 0;"
         "ALTER TABLE kept_jobs ADD COLUMN queued_at INTEGER NOT NULL DEFAULT 0;"
         "ALTER TABLE kept_jobs ADD COLUMN runner TEXT;"
         "UPDATE kept_jobs SET state=4 WHERE done=1;"
         "CREATE INDEX IF NOT EXISTS kept_jobs_by_user ON kept_jobs(user_name, state);",
         nullptr},
    };
    return list;
}
}  // namespace

int schema_latest_version() { return steps().back().version; }

bool schema_migrate(schema_session& session, schema_dialect dialect, std::string* error) {
    auto fail = [&](const std::string& what) {
        if (error) *error = what + ": " + session.last_error();
        session.rollback();
        return false;
    };
    if (!session.begin_exclusive()) return fail("cannot lock the schema");
    if (!session.exec("CREATE TABLE IF NOT EXISTS schema_version(version INTEGER NOT NULL)"))
        return fail("cannot create schema_version");
    const std::optional<long long> current =
        session.query_number("SELECT COALESCE(MAX(version), 0) FROM schema_version");
    if (!current) return fail("cannot read the schema version");
    if (*current > schema_latest_version()) {
        session.rollback();
        if (error)
            *error = "database schema version " + std::to_string(*current) +
                     " is newer than this program";
        return false;
    }
    for (const schema_step& step : steps()) {
        if (step.version <= *current) continue;
        const char* sql = dialect == schema_dialect::sqlite ? step.sqlite : step.postgresql;
        if (sql && !session.exec(sql))
            return fail("schema step " + std::to_string(step.version) + " failed");
        if (!session.exec("INSERT INTO schema_version(version) VALUES(" +
                          std::to_string(step.version) + ")"))
            return fail("cannot record schema version");
    }
    if (!session.commit()) return fail("cannot commit the schema");
    return true;
}

}  // namespace velmo_service
