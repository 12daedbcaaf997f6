// The store in one SQLite file (WAL mode, so the administration command can
// work beside a running service).
#pragma once

#include <memory>
#include <string>

#include "store/service_store_backend.h"

namespace velmo_service {

// Opens (creating when missing) and migrates the file; nullptr with `error`.
std::unique_ptr<store_backend> sqlite_store_open(const std::string& path, std::string* error);

}  // namespace velmo_service
