// The settings store over velmo.ini, and where it finds its files.
#include "config/velmo_config.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
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

class settings_store : public ::testing::Test {
  protected:
    void use(const std::string& ini_bytes) {
        write_bytes(dir_.file("velmo.ini"), ini_bytes);
        velmo_config_use_directory(dir_.path().c_str());
    }
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
    EXPECT_EQ(read_bytes(CONST_VELMO_INI_PATH), original);

    EXPECT_EQ(config()->save(), 0);
    EXPECT_EQ(read_bytes(CONST_VELMO_INI_PATH),
              "[OtherParams]\nCheckWordsCount=2500\n[Way]\nColorWay=1\n"
              "[UserLibraryList]\nIsSelectIndex=0\n[UserInfo]\nUserName=\xD5\xC5\xC8\xFD\n");

    // A fresh parse of the saved file sees the same values.
    velmo_config_use_directory(dir_.path().c_str());
    EXPECT_EQ(config()->get_int("OtherParams", "CheckWordsCount"), 2500);
    EXPECT_EQ(text("UserInfo", "UserName"), "\xD5\xC5\xC8\xFD");
}

TEST_F(settings_store, a_read_text_survives_writes_of_other_keys) {
    use("[UserInfo]\nUserName=alice\nAuthNo=1234\n");
    const char* name = config()->get_string("UserInfo", "UserName");
    ASSERT_NE(name, nullptr);
    for (int i = 0; i < 200; ++i) config()->set_int("Load", ("k" + std::to_string(i)).c_str(), i);
    config()->set_string("UserInfo", "AuthNo", "5678");
    EXPECT_STREQ(name, "alice");
}

TEST_F(settings_store, without_a_file_reads_are_empty_and_nothing_is_written) {
    const std::vector<std::string> unusable = {"", std::string("\xFF\xD8\0\x10", 4)};
    for (const std::string& bytes : unusable) {
        fs::remove(dir_.file("velmo.ini"));
        if (!bytes.empty()) write_bytes(dir_.file("velmo.ini"), bytes);
        {
            // The only sign of the missing file: one line on standard error and
            // one in the debug output, naming the path looked for.
            debug_output debug;
            ::testing::internal::CaptureStderr();
            velmo_config_use_directory(dir_.path().c_str());
            const std::string err = ::testing::internal::GetCapturedStderr();
            const std::string path = dir_.file("velmo.ini");
            EXPECT_NE(err.find(path), std::string::npos) << err;
            EXPECT_EQ(err.find(path), err.rfind(path)) << err;
            ASSERT_EQ(debug.messages().size(), 1);
            EXPECT_TRUE(debug.messages()[0].contains(QString::fromStdString(path)));
        }

        config()->set_int("Color", "Error", 7);
        config()->set_string("OtherParams", "ServiceUrl", "http://127.0.0.1:1/");
        EXPECT_EQ(config()->get_int("Color", "Error"), 0);
        EXPECT_EQ(config()->get_string("OtherParams", "ServiceUrl"), nullptr);
        EXPECT_NE(config()->save(), 0);
        if (bytes.empty()) {
            EXPECT_FALSE(fs::exists(dir_.file("velmo.ini")));
        } else {
            EXPECT_EQ(read_bytes(dir_.file("velmo.ini")), bytes);
        }
    }
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
    EXPECT_EQ(config()->get_int("Color", "Error"), 7);
    EXPECT_EQ(config()->save(), 0);
    EXPECT_EQ(read_bytes(CONST_VELMO_INI_PATH), "[Color]\nError=7\n");
}

TEST_F(settings_store, a_failed_save_is_logged_and_gives_its_reason) {
    use("[Color]\nError=7\n");
    config()->set_int("Color", "Error", 3);
    fs::remove(dir_.file("velmo.ini"));
    fs::create_directory(dir_.file("velmo.ini"));
    debug_output debug;
    std::string reason;
    EXPECT_NE(config()->save(&reason), 0);
    EXPECT_EQ(reason, std::strerror(EISDIR));
    ASSERT_EQ(debug.messages().size(), 1);
    EXPECT_TRUE(debug.messages()[0].contains(QString::fromStdString(reason)));
    EXPECT_TRUE(fs::is_directory(dir_.file("velmo.ini")));
}

TEST_F(settings_store, switching_directories_rereads_the_file) {
    use("[Color]\nError=7\n");
    config()->set_int("Color", "Error", 9);
    temp_dir other;
    write_bytes(other.file("velmo.ini"), "[Color]\nError=2\n");
    velmo_config_use_directory(other.path().c_str());
    EXPECT_EQ(config()->get_int("Color", "Error"), 2);
    velmo_config_use_directory(dir_.path().c_str());
    EXPECT_EQ(config()->get_int("Color", "Error"), 7) << "unsaved changes belong to the old store";
    EXPECT_EQ(velmo_singleton_config::instance(), config());
}

}  // namespace
