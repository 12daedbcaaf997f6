// Saving an INI store: failures must leave the old file whole.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <functional>
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

// Runs the body as an ordinary user, to whom folder and file permissions
// apply: in a child that gives up root for "nobody" when the tests run as
// root, after handing it the directory. Returns the body's exit code.
int as_ordinary_user(const fs::path& directory, const std::function<int()>& body) {
    if (::geteuid() != 0) return body();
    const uid_t nobody = 65534;
    for (const auto& entry : fs::recursive_directory_iterator(directory))
        if (::lchown(entry.path().c_str(), nobody, nobody) != 0) return 101;
    if (::chown(directory.c_str(), nobody, nobody) != 0) return 101;
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0)
            std::_Exit(102);
        std::_Exit(body());
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return 103;
    return WEXITSTATUS(status);
}

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

// A folder that takes no new file (a system install) with a writable file:
// the file is rewritten in place, with a .bak wherever one can be written; an
// unwritable file as well fails with the reason and stays as it was.
TEST_F(saving_an_ini_file, read_only_folder_rewrites_a_writable_file_in_place) {
    const std::string backup = path + ".bak";
    const int failed_check = as_ordinary_user(dir.path(), [&]() {
        if (::chmod(dir.path().c_str(), 0555) != 0) return 1;
        sp_ini_set_int(ini.get(), "Color", "Error", 3);
        if (sp_ini_save_file(ini.get(), path.c_str()) != 0) return 2;
        if (read_bytes(path) != "; kept\n[Color]\nError=3\nFind=4\n") return 3;
        if (entries_in(dir.path()) != 1u) return 4;  // neither temporary nor .bak

        // A .bak already there and writable receives the content replaced.
        ::chmod(dir.path().c_str(), 0755);
        write_bytes(backup, "");
        ::chmod(dir.path().c_str(), 0555);
        sp_ini_set_int(ini.get(), "Color", "Find", 5);
        if (sp_ini_save_file(ini.get(), path.c_str()) != 0) return 5;
        if (read_bytes(path) != "; kept\n[Color]\nError=3\nFind=5\n") return 6;
        if (read_bytes(backup) != "; kept\n[Color]\nError=3\nFind=4\n") return 7;

        ::chmod(path.c_str(), 0444);
        sp_ini_set_int(ini.get(), "Color", "Find", 6);
        errno = 0;
        if (sp_ini_save_file(ini.get(), path.c_str()) != -1 || errno != EACCES) return 8;
        if (read_bytes(path) != "; kept\n[Color]\nError=3\nFind=5\n") return 9;
        ::chmod(dir.path().c_str(), 0755);
        return 0;
    });
    ::chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(failed_check, 0);
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
