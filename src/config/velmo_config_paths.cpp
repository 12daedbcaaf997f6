#include "config/velmo_config_paths.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

std::string velmo_own_directory() {
    Dl_info info{};
    static const char marker = 0;
    if (::dladdr(&marker, &info) == 0 || info.dli_fname == nullptr) return ".";
    std::string file = info.dli_fname;
    char resolved[PATH_MAX];
    if (::realpath(file.c_str(), resolved) != nullptr) file = resolved;
    const std::size_t slash = file.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : file.substr(0, slash);
}

namespace {

bool absolute(const char* path) { return path != nullptr && path[0] == '/'; }

std::string home_directory() {
    const char* home = ::getenv("HOME");
    if (absolute(home)) return home;
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    struct passwd entry;
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        absolute(found->pw_dir))
        return found->pw_dir;
    return std::string();
}

// mkdir -p with 0700 for every folder it makes.
bool make_folders(const std::string& directory) {
    struct stat info;
    if (::stat(directory.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) return true;
        errno = ENOTDIR;
        return false;
    }
    const std::size_t slash = directory.rfind('/');
    if (slash != std::string::npos && slash > 0 && !make_folders(directory.substr(0, slash)))
        return false;
    return ::mkdir(directory.c_str(), 0700) == 0 || errno == EEXIST;
}

}  // namespace

std::string velmo_user_settings_directory() {
    // A relative $XDG_CONFIG_HOME is invalid and ignored, as the base
    // directory rules say.
    const char* config_home = ::getenv("XDG_CONFIG_HOME");
    if (absolute(config_home)) return std::string(config_home) + "/velmo";
    const std::string home = home_directory();
    return home.empty() ? std::string() : home + "/.config/velmo";
}

bool velmo_make_private_file(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0 && !make_folders(path.substr(0, slash)))
        return false;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) return ::close(fd) == 0;
    if (errno != EEXIST) return false;
    const int existing = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (existing < 0) return false;
    struct stat st;
    bool ok = ::fstat(existing, &st) == 0;
    if (ok && st.st_uid == ::geteuid() && (st.st_mode & 077) != 0)
        ok = ::fchmod(existing, st.st_mode & 0700) == 0;
    const int saved = errno;
    ::close(existing);
    errno = saved;
    return ok;
}
