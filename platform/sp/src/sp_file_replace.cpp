#include "sp_file_replace.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace sp_file {
namespace {

bool write_all(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// The file a write to the path lands in: the target of a symbolic link.
bool resolve_target(const char* path, std::string* target) {
    struct stat link_info;
    if (::lstat(path, &link_info) == 0 && S_ISLNK(link_info.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path, resolved) == nullptr) return false;
        *target = resolved;
    } else {
        *target = path;
    }
    return !target->empty();
}

std::string directory_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

void sync_directory(const std::string& directory) {
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);  // best effort: the rename itself is already atomic
    ::close(fd);
}

}  // namespace

bool read_regular_file(const char* path, std::string* bytes) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info;
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    char chunk[65536];
    while (ok) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        bytes->append(chunk, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return ok;
}

bool replace_file(const char* path, const std::string& bytes) {
    std::string target;
    if (!resolve_target(path, &target)) return false;

    mode_t mode = 0644;
    struct stat existing;
    if (::stat(target.c_str(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode)) return false;
        mode = existing.st_mode & 07777;
    }

    const std::string directory = directory_of(target);
    const std::string name = target.substr(target.rfind('/') + 1);
    std::string temporary = directory + "/." + name + ".XXXXXX";
    const int fd = ::mkostemp(&temporary[0], O_CLOEXEC);
    if (fd < 0) return false;

    bool ok = write_all(fd, bytes) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    sync_directory(directory);
    return true;
}

}  // namespace sp_file
