// Job rows in the SQLite file of a single instance, which owns the file
// alone: a running job whose runner is not this process was left by one that
// ended, and a write transaction (BEGIN IMMEDIATE) is all a claim needs.
#pragma once

#include <memory>
#include <string>

#include "jobs/service_job_rows.h"

namespace velmo_service {

// Opens its own connection to the store's file `path` (already migrated);
// throws std::runtime_error when it cannot.
std::unique_ptr<job_rows> sqlite_job_rows_open(const std::string& path);

}  // namespace velmo_service
