// Saving an INI store: failures must leave the old file whole.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <signal.h>
#include <sp.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "ini_ptr.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

const char k_old[] = "; kept\n[Color]\nError=7\nFind=4\n";

size_t entries_in(const fs::path& directory) {
    size_t count = 0;
    for (auto it = fs::directory_iterator(directory); it != fs::directory_iterator(); ++it) ++count;
    return count;
}

// Makes a directory refuse new files, even for root: the immutable flag when
// running as root, plain permissions otherwise. Undone when the object goes.
class locked_directory {
public:
    explicit locked_directory(const fs::path& path) : path_(path) {
        if (::geteuid() != 0) {
            locked_ = ::chmod(path_.c_str(), 0555) == 0;
            by_flag_ = false;
            return;
        }
        const int fd = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY);
        if (fd < 0) return;
        int flags = 0;
        if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            locked_ = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
    }
    locked_directory(const locked_directory&) = delete;
    locked_directory& operator=(const locked_directory&) = delete;
    ~locked_directory() {
        if (!locked_) return;
        if (!by_flag_) {
            ::chmod(path_.c_str(), 0755);
            return;
        }
        const int fd = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags &= ~FS_IMMUTABLE_FL;
            ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
        }
        if (fd >= 0) ::close(fd);
    }
    bool locked() const { return locked_; }

private:
    fs::path path_;
    bool locked_ = false;
    bool by_flag_ = true;
};

// A store read from an existing velmo.ini.
class saving_an_ini_file : public ::testing::Test {
protected:
    void SetUp() override {
        write_bytes(path, k_old);
        ini.reset(sp_ini_parse_file(path.c_str()));
        ASSERT_TRUE(ini);
    }

    temp_dir dir;
    const std::string path = dir.file("velmo.ini");
    ini_ptr ini;
};

// Exits 0 when the save under the file size limit reports failure.
[[noreturn]] void save_with_file_size_limit(sp_ini_t* ini, const std::string& path, rlim_t bytes) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, bytes};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::_Exit(sp_ini_save_file(ini, path.c_str()) == -1 ? 0 : 1);
}

TEST_F(saving_an_ini_file, read_only_directory_leaves_the_old_file) {
    sp_ini_set_int(ini.get(), "Color", "Error", 3);
    {
        locked_directory lock(dir.path());
        if (!lock.locked()) GTEST_SKIP() << "this file system cannot make a directory read-only";
        EXPECT_EQ(sp_ini_save_file(ini.get(), path.c_str()), -1);
    }
    EXPECT_EQ(read_bytes(path), k_old);
    EXPECT_EQ(entries_in(dir.path()), 1u);
}

TEST_F(saving_an_ini_file, failed_write_leaves_the_old_file_and_no_temporary) {
    sp_ini_set_string(ini.get(), "UserInfo", "UserName", std::string(4096, 'n').c_str());

    // The disk fills up half-way: a file size limit makes the write fail
    // part-way, for root as for anybody. Run where the limit cannot leak.
    EXPECT_EXIT(save_with_file_size_limit(ini.get(), path, 64), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(read_bytes(path), k_old);
    EXPECT_EQ(entries_in(dir.path()), 1u);

    EXPECT_EQ(sp_ini_save_file(ini.get(), path.c_str()), 0);
    ini_ptr saved(sp_ini_parse_file(path.c_str()));
    ASSERT_TRUE(saved);
    EXPECT_EQ(sp_string_length(sp_ini_get_string(saved.get(), "UserInfo", "UserName")), 4096u);
    EXPECT_EQ(entries_in(dir.path()), 1u);
}

TEST_F(saving_an_ini_file, paths_that_cannot_hold_the_file_fail) {

    // A path whose folder is really a file, a missing folder, and a folder in the way.
    EXPECT_EQ(sp_ini_save_file(ini.get(), (path + "/velmo.ini").c_str()), -1);
    EXPECT_EQ(sp_ini_save_file(ini.get(), dir.file("absent/velmo.ini").c_str()), -1);
    fs::create_directory(dir.file("folder"));
    EXPECT_EQ(sp_ini_save_file(ini.get(), dir.file("folder").c_str()), -1);
    EXPECT_TRUE(fs::is_directory(dir.file("folder")));
    EXPECT_EQ(read_bytes(path), k_old);
    EXPECT_EQ(entries_in(dir.path()), 2u);
}

TEST_F(saving_an_ini_file, keeps_permissions_and_symbolic_links) {
    const std::string real = dir.file("real.ini");
    fs::rename(path, real);
    ::chmod(real.c_str(), 0600);
    fs::create_symlink("real.ini", path);

    sp_ini_set_int(ini.get(), "Color", "Find", 5);
    ASSERT_EQ(sp_ini_save_file(ini.get(), path.c_str()), 0);

    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(read_bytes(real), "; kept\n[Color]\nError=7\nFind=5\n");
    struct stat info;
    ASSERT_EQ(::stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);

    // A new file is readable by others, like any settings file.
    ASSERT_EQ(sp_ini_save_file(ini.get(), dir.file("fresh.ini").c_str()), 0);
    ASSERT_EQ(::stat(dir.file("fresh.ini").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644u);
}

}  // namespace
