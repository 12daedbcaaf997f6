// Whether the service may write the SQLite database it is given, checked
// before it starts: a database it can only read would refuse every upload.
#pragma once

#include <string>

namespace velmo_service {

// True for a PostgreSQL address, and for a database file (or, when it does
// not exist yet, its folder) that this process may write. Otherwise false,
// with the reason and the way out in `problem`.
bool cli_database_writable(const std::string& db, std::string* problem);

}  // namespace velmo_service
