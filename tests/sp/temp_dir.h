// A fresh directory under the system's temporary folder, removed with
// everything in it when the object goes; small file helpers around it.
#ifndef TESTS_SP_TEMP_DIR_H
#define TESTS_SP_TEMP_DIR_H

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

class temp_dir {
  public:
    temp_dir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "velmo-test-XXXXXX").string();
        if (::mkdtemp(&pattern[0]) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;
    ~temp_dir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

inline void write_bytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

#endif
