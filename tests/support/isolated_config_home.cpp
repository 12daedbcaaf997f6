// Linked into every test program: XDG_CONFIG_HOME points at a fresh folder
// for the life of the process (and the programs it starts), so that no test
// reads or writes the settings of the person running the tests, nor sees
// what an earlier run saved.
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace {

class isolated_config_home {
  public:
    isolated_config_home() {
        std::error_code error;
        std::string pattern =
            (std::filesystem::temp_directory_path(error) / "velmo-config-home-XXXXXX").string();
        if (!error && ::mkdtemp(&pattern[0]) != nullptr) {
            path_ = pattern;
            ::setenv("XDG_CONFIG_HOME", path_.c_str(), 1);
        }
    }
    ~isolated_config_home() {
        if (path_.empty()) return;
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

  private:
    std::string path_;
};

const isolated_config_home config_home;

}  // namespace
