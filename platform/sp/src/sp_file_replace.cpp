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

// Writes the bytes at the offset, whatever the kernel takes per call.
bool write_all_at(int fd, const std::string& bytes, off_t offset) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                         offset + static_cast<off_t>(done));
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

bool read_all(int fd, std::string* bytes) {
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        bytes->append(chunk, static_cast<std::size_t>(got));
    }
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
    bool ok = ::fstat(fd, &info) == 0;
    if (ok && !S_ISREG(info.st_mode)) {
        errno = EISDIR;
        ok = false;
    }
    ok = ok && read_all(fd, bytes);
    const int reason = errno;
    ::close(fd);
    errno = reason;
    return ok;
}

namespace {

enum class rename_outcome { replaced, folder_refused, failed };

// The atomic way: a temporary file beside the target, renamed over it.
rename_outcome replace_by_rename(const std::string& target, mode_t mode, const std::string& bytes) {
    const std::string directory = directory_of(target);
    const std::string name = target.substr(target.rfind('/') + 1);
    std::string temporary = directory + "/." + name + ".XXXXXX";
    const int fd = ::mkostemp(&temporary[0], O_CLOEXEC);
    if (fd < 0) return rename_outcome::folder_refused;

    bool ok = write_all_at(fd, bytes, 0) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    int reason = errno;
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(temporary.c_str(), target.c_str()) != 0) {
        reason = errno;
        ::unlink(temporary.c_str());
        errno = reason;
        return rename_outcome::folder_refused;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        errno = reason;
        return rename_outcome::failed;
    }
    sync_directory(directory);
    return rename_outcome::replaced;
}

// Best effort: the old content beside the file, where a .bak may be written.
void keep_backup(const std::string& target, const std::string& old_bytes, mode_t mode) {
    const int fd = ::open((target + ".bak").c_str(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd < 0) return;
    if (write_all_at(fd, old_bytes, 0)) ::fsync(fd);
    ::close(fd);
}

// For a writable file in a folder that takes no new entries: the content is
// overwritten where it is. Not atomic, so the old content goes to the .bak
// first when possible and is written back when the new content cannot be.
bool rewrite_in_place(const std::string& target, mode_t mode, const std::string& bytes) {
    const int fd = ::open(target.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    std::string old_bytes;
    bool ok = read_all(fd, &old_bytes);
    if (ok) keep_backup(target, old_bytes, mode);
    ok = ok && write_all_at(fd, bytes, 0) &&
         ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && ::fsync(fd) == 0;
    const int reason = errno;
    if (!ok && !old_bytes.empty() && write_all_at(fd, old_bytes, 0)) {
        // Best effort: the write that failed is what gets reported.
        const int restored = ::ftruncate(fd, static_cast<off_t>(old_bytes.size()));
        (void)restored;
    }
    ::close(fd);
    errno = reason;
    return ok;
}

}  // namespace

bool replace_file(const char* path, const std::string& bytes) {
    std::string target;
    if (!resolve_target(path, &target)) return false;

    mode_t mode = 0644;
    struct stat existing;
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists) {
        if (!S_ISREG(existing.st_mode)) {
            errno = EISDIR;
            return false;
        }
        mode = existing.st_mode & 07777;
    }

    const rename_outcome outcome = replace_by_rename(target, mode, bytes);
    if (outcome == rename_outcome::replaced) return true;
    if (outcome == rename_outcome::failed || !exists) return false;
    const int folder_reason = errno;
    if (rewrite_in_place(target, mode, bytes)) return true;
    // Unwritable file in an unwritable folder: the folder is the first cause.
    if (errno == EACCES || errno == EPERM) errno = folder_reason;
    return false;
}

}  // namespace sp_file
