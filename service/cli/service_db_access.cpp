#include "cli/service_db_access.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace velmo_service {
namespace {

std::string user_name(uid_t uid) {
    const struct passwd* entry = ::getpwuid(uid);
    return entry ? std::string(entry->pw_name) : std::to_string(uid);
}

std::string folder_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool writable(const std::string& path) {
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

}  // namespace

bool cli_database_writable(const std::string& db, std::string* problem) {
    if (db.compare(0, 13, "postgresql://") == 0 || db.compare(0, 11, "postgres://") == 0)
        return true;
    struct stat info {};
    const bool exists = ::stat(db.c_str(), &info) == 0;
    if (!exists && errno != ENOENT) {
        *problem = "cannot reach the database " + db + ": " + std::strerror(errno);
        return false;
    }
    // SQLite writes its journal beside the file: the folder must take new files too.
    const std::string folder = folder_of(db);
    std::string blocked;
    if (exists && !writable(db))
        blocked = db;
    else if (!writable(folder))
        blocked = folder;
    if (blocked.empty()) return true;
    struct stat owner {};
    ::stat(blocked.c_str(), &owner);
    const std::string me = user_name(::geteuid());
    *problem = "cannot write " + blocked + " (owned by " + user_name(owner.st_uid) + ") as user " +
               me + ", so the database " + db +
               " cannot be changed; give the database and its folder to " + me +
               " (chown) and run the administration commands as that user, e.g. sudo -u " + me +
               " velmo-service user list --db " + db;
    return false;
}

}  // namespace velmo_service
