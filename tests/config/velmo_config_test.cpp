// The settings store over the system and user velmo.ini, and where it finds
// its files.
#include "config/velmo_config.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

velmo_singleton_config* config() { return velmo_singleton_config::instance(); }

std::string text(const char* section, const char* key) {
    const char* value = config()->get_string(section, key);
    return value ? value : "<null>";
}

// Messages sent to the Qt debug output while the object lives.
class debug_output {
  public:
    debug_output() { previous_ = qInstallMessageHandler(&debug_output::record); }
    ~debug_output() {
        qInstallMessageHandler(previous_);
        messages().clear();
    }
    static QStringList& messages() {
        static QStringList recorded;
        return recorded;
    }

  private:
    static void record(QtMsgType, const QMessageLogContext&, const QString& message) {
        messages() << message;
    }
    QtMessageHandler previous_ = nullptr;
};

mode_t mode_of(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

// The system file in dir_, the user's in dir_/user.
class settings_store : public ::testing::Test {
  protected:
    void use(const std::string& ini_bytes) {
        write_bytes(dir_.file("velmo.ini"), ini_bytes);
        reload();
    }
    void reload() { velmo_config_use_directories(dir_.path().c_str(), user_dir().c_str()); }
    std::string user_dir() const { return dir_.file("user"); }
    std::string user_file() const { return dir_.file("user/velmo.ini"); }
    void TearDown() override { velmo_config_use_directory(nullptr); }

    temp_dir dir_;
};

TEST_F(settings_store, files_lie_in_the_directory_of_the_code) {
    velmo_config_use_directory(nullptr);
    const fs::path program_dir = fs::canonical("/proc/self/exe").parent_path();
    EXPECT_EQ(fs::path(CONST_VELMO_INI_PATH), program_dir / "velmo.ini");
    EXPECT_EQ(fs::path(CONST_VELMO_LOGO_PATH), program_dir / "logo.jpg");
    EXPECT_EQ(fs::path(CONST_FINDLIB_PATH), program_dir / "findlib.txt");

    // A library that holds the store looks beside itself, not beside the program.
    void* probe = ::dlopen(CONFIG_PROBE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(probe, nullptr) << ::dlerror();
    using path_function = const char* (*)(int);
    auto probe_path = reinterpret_cast<path_function>(::dlsym(probe, "config_probe_path"));
    ASSERT_NE(probe_path, nullptr);
    const fs::path probe_dir = fs::canonical(CONFIG_PROBE_PATH).parent_path();
    EXPECT_EQ(fs::path(probe_path(0)), probe_dir / "velmo.ini");
    EXPECT_EQ(fs::path(probe_path(1)), probe_dir / "logo.jpg");
    EXPECT_EQ(fs::path(probe_path(2)), probe_dir / "findlib.txt");
    ::dlclose(probe);

    velmo_config_use_directory(dir_.path().c_str());
    EXPECT_EQ(fs::path(CONST_VELMO_INI_PATH), dir_.path() / "velmo.ini");
    EXPECT_EQ(fs::path(CONST_FINDLIB_PATH), dir_.path() / "findlib.txt");
}

TEST_F(settings_store, shipped_file_holds_every_key_with_its_default) {
    fs::copy_file(fs::path(VELMO_RESOURCES_DIR) / "velmo.ini", dir_.path() / "velmo.ini");
    velmo_config_use_directory(dir_.path().c_str());
    const std::vector<std::pair<const char*, std::vector<const char*>>> keys = {
        {"OtherParams",
         {"newstyle", "oldstyle", "movewpsd", "ServiceUrl", "OpenTimeout", "SendTimeout",
          "ReceiveTimeout", "CheckWordsCount", "PosCount", "MaxWords"}},
        {"CheckExtendInfo",
         {"Weight", "ProfType", "UserErr", "TaiWan", "Leader", "FanTi", "ChkEng",
          "RepeatSentence"}},
        {"CheckType", {"CheckSentence", "CheckMatchDots", "CheckLeaderSort"}},
        {"Way", {"ColorWay"}},
        {"UserInfo", {"UserName", "AuthNo"}},
        {"Color", {"Error", "Fallibility", "Update", "Find"}},
        {"ClearColor", {"ErrorFlag", "FallibilityFlag", "UpdateFlag", "FindFlag"}},
        {"UserLibraryList", {"IsSelectIndex", "UserLibrary"}},
    };
    for (const auto& section : keys) {
        for (const char* key : section.second) {
            EXPECT_NE(config()->get_string(section.first, key), nullptr)
                << "[" << section.first << "] " << key;
        }
    }
    EXPECT_EQ(config()->get_int("OtherParams", "newstyle"), 1);
    EXPECT_EQ(config()->get_int("OtherParams", "oldstyle"), 1);
    EXPECT_EQ(config()->get_int("OtherParams", "movewpsd"), 0);
    EXPECT_EQ(text("OtherParams", "ServiceUrl"), "http://127.0.0.1:8820/");
    EXPECT_EQ(config()->get_int("OtherParams", "CheckWordsCount"), 1000);
    EXPECT_EQ(config()->get_int("OtherParams", "MaxWords"), 2000000);
    EXPECT_GT(config()->get_int("OtherParams", "ReceiveTimeout"), 0);
    // Every kind of mark has a colour of its own.
    std::vector<int> colours;
    for (const char* kind : {"Error", "Fallibility", "Update", "Find"}) {
        const int colour = config()->get_int("Color", kind);
        EXPECT_GT(colour, 0) << kind;
        EXPECT_EQ(std::count(colours.begin(), colours.end(), colour), 0) << kind;
        colours.push_back(colour);
    }
    EXPECT_EQ(text("UserLibraryList", "IsSelectIndex"), "0");
}

TEST_F(settings_store, writes_stay_in_memory_until_saved) {
    const std::string original = "[OtherParams]\nCheckWordsCount=1000\n[Way]\nColorWay=0\n";
    use(original);
    config()->set_int("OtherParams", "CheckWordsCount", 2500);
    EXPECT_EQ(config()->get_int("OtherParams", "CheckWordsCount"), 2500);
    config()->set_string("Way", "ColorWay", "1");
    EXPECT_EQ(config()->get_int("Way", "ColorWay"), 1);
    config()->set_string("UserLibraryList", "IsSelectIndex", "0");
    EXPECT_EQ(config()->get_int("UserLibraryList", "IsSelectIndex"), 0);
    config()->set_string("UserInfo", "UserName", "\xD5\xC5\xC8\xFD");
    EXPECT_FALSE(fs::exists(user_file()));

    // Saved to the user's file, made private; the system file stays as it was.
    EXPECT_EQ(config()->save(), 0);
    EXPECT_EQ(read_bytes(CONST_VELMO_INI_PATH), original);
    EXPECT_EQ(read_bytes(user_file()),
              "[OtherParams]\nCheckWordsCount=2500\n[Way]\nColorWay=1\n"
              "[UserLibraryList]\nIsSelectIndex=0\n[UserInfo]\nUserName=\xD5\xC5\xC8\xFD\n");
    EXPECT_EQ(mode_of(user_file()), 0600u);
    EXPECT_EQ(mode_of(user_dir()), 0700u);

    // A fresh parse of both files sees the same values.
    reload();
    EXPECT_EQ(config()->get_int("OtherParams", "CheckWordsCount"), 2500);
    EXPECT_EQ(text("UserInfo", "UserName"), "\xD5\xC5\xC8\xFD");
}

TEST_F(settings_store, the_user_file_holds_only_what_differs_from_the_system_file) {
    use("[Color]\nError=7\nFind=5\n[Way]\nColorWay=0\n");
    fs::create_directories(user_dir());
    write_bytes(user_file(), "; mine\n[Color]\nFind=2\n");
    reload();
    EXPECT_EQ(config()->get_int("Color", "Find"), 2);
    EXPECT_EQ(config()->get_int("Color", "Error"), 7);

    // Back to the installed value: the user's entry goes, so a later change
    // of the installed file reaches the user.
    config()->set_int("Color", "Find", 5);
    config()->set_int("Color", "Error", 3);
    config()->set_int("Color", "Error", 7);
    config()->set_string("Way", "ColorWay", "1");
    config()->set_string("Extra", "New", "");
    EXPECT_EQ(config()->save(), 0);
    EXPECT_EQ(read_bytes(user_file()), "; mine\n[Color]\n[Way]\nColorWay=1\n[Extra]\nNew=\n");
    // It holds the sign-in: a file written by hand that others could read is narrowed.
    EXPECT_EQ(mode_of(user_file()), 0600u);
    write_bytes(dir_.file("velmo.ini"), "[Color]\nError=7\nFind=9\n");
    reload();
    EXPECT_EQ(config()->get_int("Color", "Find"), 9);
    EXPECT_EQ(config()->get_int("Way", "ColorWay"), 1);

    // reset() shows the installed value again; a key in neither layer is absent.
    config()->reset("Way", "ColorWay");
    EXPECT_EQ(text("Way", "ColorWay"), "<null>");
    config()->reset("Color", "Error");
    EXPECT_EQ(config()->get_int("Color", "Error"), 7);
}

TEST_F(settings_store, undo_puts_back_what_was_in_effect_before_it) {
    use("[Color]\nError=7\n");
    fs::create_directories(user_dir());
    write_bytes(user_file(), "[Color]\nFind=2\n");
    reload();
    {
        velmo_config_undo undo;
        config()->set_int("Color", "Error", 1);
        config()->set_int("Color", "Error", 2);
        config()->set_int("Color", "Find", 3);
        config()->set_string("Color", "Update", "4");
        undo.restore();
    }
    EXPECT_EQ(config()->get_int("Color", "Error"), 7);
    EXPECT_EQ(config()->get_int("Color", "Find"), 2);
    EXPECT_EQ(text("Color", "Update"), "<null>");
    // Once it is gone, writes are no longer remembered.
    velmo_config_undo later;
    later.restore();
    config()->set_int("Color", "Error", 1);
    EXPECT_EQ(config()->get_int("Color", "Error"), 1);
    EXPECT_EQ(config()->save(), 0);
    EXPECT_EQ(read_bytes(user_file()), "[Color]\nFind=2\nError=1\n");
}

TEST_F(settings_store, the_users_file_is_found_in_the_configuration_folder) {
    // The test programs run with XDG_CONFIG_HOME set to a folder of their own.
    const std::string config_home = ::getenv("XDG_CONFIG_HOME");
    velmo_config_use_directory(dir_.path().c_str());
    EXPECT_EQ(config()->user_file(), config_home + "/velmo/velmo.ini");

    // A relative XDG_CONFIG_HOME is ignored: ~/.config, with ~ from HOME.
    const std::string home = ::getenv("HOME") ? ::getenv("HOME") : "";
    ::setenv("XDG_CONFIG_HOME", "relative/config", 1);
    ::setenv("HOME", dir_.path().c_str(), 1);
    velmo_config_use_directory(dir_.path().c_str());
    EXPECT_EQ(config()->user_file(), dir_.file(".config/velmo/velmo.ini"));
    EXPECT_EQ(config()->save(), 0);
    EXPECT_EQ(mode_of(dir_.file(".config")), 0700u);
    ::setenv("XDG_CONFIG_HOME", config_home.c_str(), 1);
    ::setenv("HOME", home.c_str(), 1);
}

TEST_F(settings_store, a_users_file_that_cannot_be_read_is_never_overwritten) {
    use("[Color]\nError=7\n");
    const std::string binary("[Color]\nError=1\n\0garbage", 24);
    fs::create_directories(user_dir());
    write_bytes(user_file(), binary);
    ::testing::internal::CaptureStderr();
    reload();
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(user_file()), std::string::npos) << err;
    EXPECT_EQ(config()->get_int("Color", "Error"), 7);
    config()->set_int("Color", "Error", 3);
    std::string reason;
    EXPECT_NE(config()->save(&reason), 0);
    EXPECT_NE(reason.find("could not be read"), std::string::npos) << reason;
    EXPECT_EQ(read_bytes(user_file()), binary);
}

TEST_F(settings_store, a_read_text_survives_writes_of_other_keys) {
    use("[UserInfo]\nUserName=alice\nAuthNo=1234\n");
    const char* name = config()->get_string("UserInfo", "UserName");
    ASSERT_NE(name, nullptr);
    for (int i = 0; i < 200; ++i) config()->set_int("Load", ("k" + std::to_string(i)).c_str(), i);
    config()->set_string("UserInfo", "AuthNo", "5678");
    EXPECT_STREQ(name, "alice");
}

TEST_F(settings_store, without_a_system_file_the_shipped_defaults_apply) {
    const std::string shipped = read_bytes(std::string(VELMO_RESOURCES_DIR) + "/velmo.ini");
    const std::vector<std::string> unusable = {"", std::string("\xFF\xD8\0\x10", 4)};
    for (const std::string& bytes : unusable) {
        fs::remove(dir_.file("velmo.ini"));
        fs::remove_all(user_dir());
        if (!bytes.empty()) write_bytes(dir_.file("velmo.ini"), bytes);
        {
            // One line on standard error and one in the debug output name the
            // path looked for.
            debug_output debug;
            ::testing::internal::CaptureStderr();
            reload();
            const std::string err = ::testing::internal::GetCapturedStderr();
            const std::string path = dir_.file("velmo.ini");
            EXPECT_NE(err.find(path), std::string::npos) << err;
            EXPECT_EQ(err.find(path), err.rfind(path)) << err;
            ASSERT_EQ(debug.messages().size(), 1);
            EXPECT_TRUE(debug.messages()[0].contains(QString::fromStdString(path)));
        }
        // Every key as shipped.
        const std::vector<std::pair<const char*, const char*>> keys = {
            {"OtherParams", "newstyle"}, {"OtherParams", "ServiceUrl"},
            {"OtherParams", "MaxWords"}, {"CheckExtendInfo", "Weight"},
            {"Color", "Error"},          {"ClearColor", "FindFlag"}};
        for (const auto& key : keys) {
            std::string line =
                std::string("\n") + key.second + "=" + text(key.first, key.second) + "\n";
            EXPECT_NE(shipped.find(line), std::string::npos) << line;
        }
        EXPECT_EQ(config()->get_int("OtherParams", "newstyle"), 1);

        // Changes still go to the user's file; the system file is not made.
        config()->set_int("Color", "Error", 2);
        EXPECT_EQ(config()->save(), 0);
        EXPECT_EQ(read_bytes(user_file()), "[Color]\nError=2\n");
        if (bytes.empty()) {
            EXPECT_FALSE(fs::exists(dir_.file("velmo.ini")));
        } else {
            EXPECT_EQ(read_bytes(dir_.file("velmo.ini")), bytes);
        }
    }
}

TEST_F(settings_store, the_notice_of_the_built_in_defaults_comes_once_when_the_address_is_needed) {
    QStringList notices;
    velmo_config_set_notice_handler([&](const QString& text) { notices << text; });
    use("[OtherParams]\nServiceUrl=http://127.0.0.1:1/\n");
    config()->note_service_address_use();
    EXPECT_TRUE(notices.isEmpty()) << "the installed file was read";

    fs::remove(dir_.file("velmo.ini"));
    ::testing::internal::CaptureStderr();
    reload();
    ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(notices.isEmpty()) << "nothing needed the address yet";
    config()->note_service_address_use();
    config()->note_service_address_use();
    velmo_config_set_notice_handler(nullptr);
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].contains(QString::fromStdString(dir_.file("velmo.ini"))))
        << notices[0].toStdString();
    EXPECT_TRUE(notices[0].contains(QString::fromLocal8Bit(std::strerror(ENOENT))));
    EXPECT_TRUE(notices[0].contains("http://127.0.0.1:8820/")) << notices[0].toStdString();
}

TEST_F(settings_store, null_names_and_values_change_nothing) {
    use("[Color]\nError=7\n");
    EXPECT_EQ(config()->get_int(nullptr, "Error"), 0);
    EXPECT_EQ(config()->get_int("Color", nullptr), 0);
    EXPECT_EQ(config()->get_string(nullptr, "Error"), nullptr);
    EXPECT_EQ(config()->get_string("Color", nullptr), nullptr);
    config()->set_int(nullptr, "Error", 1);
    config()->set_int("Color", nullptr, 1);
    config()->set_string(nullptr, "Error", "1");
    config()->set_string("Color", nullptr, "1");
    config()->set_string("Color", "Error", nullptr);
    config()->reset(nullptr, "Error");
    EXPECT_EQ(config()->get_int("Color", "Error"), 7);
    EXPECT_EQ(config()->save(), 0);
    EXPECT_EQ(read_bytes(user_file()), "");
}

TEST_F(settings_store, a_failed_save_is_logged_and_gives_its_reason) {
    use("[Color]\nError=7\n");
    config()->set_int("Color", "Error", 3);
    fs::create_directories(user_file());
    debug_output debug;
    std::string reason;
    EXPECT_NE(config()->save(&reason), 0);
    EXPECT_EQ(reason, std::strerror(EISDIR));
    ASSERT_EQ(debug.messages().size(), 1);
    EXPECT_TRUE(debug.messages()[0].contains(QString::fromStdString(reason)));
    EXPECT_TRUE(debug.messages()[0].contains(QString::fromStdString(user_file())));
    EXPECT_TRUE(fs::is_directory(user_file()));
}

TEST_F(settings_store, switching_directories_rereads_the_file) {
    use("[Color]\nError=7\n");
    config()->set_int("Color", "Error", 9);
    temp_dir other;
    write_bytes(other.file("velmo.ini"), "[Color]\nError=2\n");
    velmo_config_use_directories(other.path().c_str(), other.path().c_str());
    EXPECT_EQ(config()->get_int("Color", "Error"), 2);
    reload();
    EXPECT_EQ(config()->get_int("Color", "Error"), 7) << "unsaved changes belong to the old store";
    EXPECT_EQ(velmo_singleton_config::instance(), config());
}

}  // namespace
