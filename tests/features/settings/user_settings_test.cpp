// Settings kept by a user who cannot write the installed settings file: the
// settings dialog, the colour dialog and the sign-in all save to the user's
// own file, which only they can read, and a fresh start reads it back.
//
// The program makes the installed file itself. Run as root it then goes on
// as user "nobody" in a child process (root passes every permission check);
// run as anyone else it makes the file and its folder read-only.
#include <grp.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "account_fixture.h"
#include "config/velmo_config.h"
#include "features/colours/velmo_color_commands.h"
#include "features/settings/velmo_settings_commands.h"

namespace {

const char* const INSTALLED_INI =
    "; installed by the administrator\n"
    "[OtherParams]\n"
    "newstyle=1\n"
    "oldstyle=1\n"
    "ServiceUrl=http://127.0.0.1:1/\n"
    "CheckWordsCount=1000\n"
    "[CheckExtendInfo]\n"
    "Weight=1\n"
    "[UserInfo]\n"
    "UserName=\n"
    "AuthNo=\n"
    "[Color]\n"
    "Error=6\n"
    "Fallibility=7\n"
    "Update=4\n"
    "Find=3\n";

std::string& installed_dir() {
    static std::string dir;
    return dir;
}

std::string installed_file() { return installed_dir() + "/velmo.ini"; }

QByteArray file_bytes(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

mode_t mode_of(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

class user_settings_test : public account_test {
  protected:
    void SetUp() override {
        account_test::SetUp();
        // The command bar from a throw-away file, then the installed file.
        use_settings("", "http://127.0.0.1:1/");
        velmo_config_use_directory(installed_dir().c_str());
    }
};

TEST_F(user_settings_test, dialogs_and_sign_in_save_to_the_users_file_only) {
    ASSERT_NE(::access(installed_file().c_str(), R_OK), -1);
    ASSERT_EQ(::access(installed_file().c_str(), W_OK), -1) << "the test user can write the file";
    const QByteArray installed_before = file_bytes(installed_file());
    velmo_singleton_config* config = velmo_singleton_config::instance();
    const std::string user_file = config->user_file();
    EXPECT_EQ(user_file, std::string(::getenv("XDG_CONFIG_HOME")) + "/velmo/velmo.ini");

    // The service's address, typed in "参数设置"; the default colours.
    responder.on("参数设置").act([&](QWidget* dialog) {
        const QList<QLineEdit*> edits = dialog->findChildren<QLineEdit*>();
        ASSERT_EQ(edits.size(), 3);
        edits[2]->setText(QString::fromStdString(service.url()));
        press(dialog, "确定");
    });
    responder.on("颜色设置").act([&](QWidget* dialog) {
        press(dialog, "默认");
        press(dialog, "确定");
    });
    QList<QVariant> args;
    velmo_cb_setting(args);
    velmo_cb_color_setting(args);
    // Signed in at the service just typed.
    service.set_answer("CheckUser", {200, fake_code_answer("CheckUser", 0, "成功")});
    answer_userinfo("正常", "5000", "2027-01-31T00:00:00");
    responder.on("用户登录").fill("张三").fill("Z-9", 1).press("登录");
    ASSERT_TRUE(click("用户登录"));
    EXPECT_EQ(service.requests("CheckUser").size(), 1u);
    EXPECT_TRUE(boxes().isEmpty()) << boxes().join(" | ").toStdString();

    EXPECT_EQ(file_bytes(installed_file()), installed_before);
    EXPECT_EQ(mode_of(user_file), 0600u);
    EXPECT_EQ(mode_of(std::filesystem::path(user_file).parent_path().string()), 0700u);
    const QByteArray mine = file_bytes(user_file);
    for (const QByteArray& line :
         {QByteArray("ServiceUrl=") + service.url().c_str(), QByteArray("Error=7"),
          QByteArray("Update=3"), QByteArray("Fallibility=4"), QByteArray("Find=5"),
          QByteArray("UserName=") + QStringLiteral("张三").toLocal8Bit(), QByteArray("AuthNo=Z-9")})
        EXPECT_TRUE(mine.contains(line + "\n"))
            << line.toStdString() << " in " << mine.toStdString();
    // Only what the user changed.
    EXPECT_FALSE(mine.contains("CheckWordsCount")) << mine.toStdString();
    EXPECT_FALSE(mine.contains("Weight")) << mine.toStdString();

    // A fresh start sees the user's values over the installed ones.
    velmo_config_use_directory(installed_dir().c_str());
    const char* url = config->get_string("OtherParams", "ServiceUrl");
    EXPECT_EQ(std::string(url ? url : "<none>"), service.url());
    EXPECT_EQ(config->get_int("Color", "Error"), 7);
    EXPECT_EQ(QString::fromLocal8Bit(config->get_string("UserInfo", "UserName")),
              QStringLiteral("张三"));
    EXPECT_EQ(config->get_int("OtherParams", "CheckWordsCount"), 1000);
}

// Makes a fresh folder under /tmp; empty on failure.
std::string make_temp_dir(const char* name) {
    std::string pattern = std::string("/tmp/") + name + "-XXXXXX";
    return ::mkdtemp(&pattern[0]) ? pattern : std::string();
}

// Becomes "nobody" with a home of its own (returned; empty when that fails).
std::string become_nobody() {
    const struct passwd* nobody = ::getpwnam("nobody");
    if (!nobody || ::setgroups(0, nullptr) != 0 || ::setgid(nobody->pw_gid) != 0 ||
        ::setuid(nobody->pw_uid) != 0)
        return std::string();
    const std::string home = make_temp_dir("velmo-nobody");
    if (home.empty()) return home;
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
    ::unsetenv("XDG_RUNTIME_DIR");
    return home;
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    installed_dir() = make_temp_dir("velmo-installed");
    if (installed_dir().empty()) return 1;
    std::ofstream(installed_file(), std::ios::binary) << INSTALLED_INI;
    ::chmod(installed_file().c_str(), 0644);
    ::chmod(installed_dir().c_str(), 0755);

    int status = 1;
    if (::getuid() == 0) {
        std::fflush(nullptr);
        const pid_t child = ::fork();
        if (child == 0) {
            const std::string home = become_nobody();
            if (home.empty()) {
                std::perror("cannot become nobody");
                ::_exit(1);
            }
            const int result = RUN_ALL_TESTS();
            std::error_code ignored;
            std::filesystem::remove_all(home, ignored);
            std::fflush(nullptr);
            ::_exit(result);
        }
        int wait_status = 0;
        if (child > 0 && ::waitpid(child, &wait_status, 0) == child && WIFEXITED(wait_status))
            status = WEXITSTATUS(wait_status);
    } else {
        ::chmod(installed_file().c_str(), 0444);
        ::chmod(installed_dir().c_str(), 0555);
        status = RUN_ALL_TESTS();
        ::chmod(installed_dir().c_str(), 0755);
    }
    std::error_code ignored;
    std::filesystem::remove_all(installed_dir(), ignored);
    return status;
}
