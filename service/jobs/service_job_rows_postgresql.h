// Job rows in a PostgreSQL database that every service instance shares: any
// instance answers any job. Runners claim queued jobs with SELECT ... FOR
// UPDATE SKIP LOCKED under a lease they renew while they live; counts against
// a user's limits run under an advisory lock on the user, so instances
// issuing for one account at once never pass them; a notification goes out
// with each queued job.
#pragma once

#include <memory>
#include <string>

#include "jobs/service_job_rows.h"

namespace velmo_service {

// `connections` for the callers at once; throws std::runtime_error when the
// database cannot be reached.
std::unique_ptr<job_rows> postgresql_job_rows_open(const std::string& url, int connections);

}  // namespace velmo_service
