// Generated and truncated INI input: the store never crashes, saves an
// unchanged file byte for byte, and reads back whatever it wrote.
#include <gtest/gtest.h>
#include <sp.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "ini_ptr.h"
#include "temp_dir.h"

namespace {

const char k_well_formed[] =
    "\xEF\xBB\xBF; velmo\r\n[OtherParams]\r\nnewstyle=1\r\nServiceUrl = http://127.0.0.1:8820/\r\n"
    "# c\n\n[Color]\nError=7\n  Fallibility =4\nno equals here\n[Way]\nColorWay=1\n"
    "[Way]\nColorWay=0\n[UserInfo]\nUserName=\xD5\xC5\xC8\xFD\nAuthNo=";

std::string random_ini(std::mt19937& random) {
    static const std::vector<std::string> pieces = {"[",
                                                    "]",
                                                    "=",
                                                    ";",
                                                    "#",
                                                    " ",
                                                    "\t",
                                                    "\r",
                                                    "\n",
                                                    "\r\n",
                                                    "\xEF\xBB\xBF",
                                                    "\xEF\xBB",
                                                    "A",
                                                    "Color",
                                                    "Error",
                                                    "k",
                                                    "v",
                                                    "0",
                                                    "1",
                                                    "-",
                                                    "99999999999",
                                                    "\xD5\xC5",
                                                    "\x80",
                                                    "\xff",
                                                    "[Color]\n",
                                                    "Error=7\n",
                                                    "=\n",
                                                    "[]\n",
                                                    "[[x]]\n"};
    std::uniform_int_distribution<size_t> piece(0, pieces.size() - 1);
    std::uniform_int_distribution<int> length(0, 60);
    std::string bytes;
    for (int n = length(random); n > 0; --n) bytes += pieces[piece(random)];
    return bytes;
}

// Reads, writes and saves one input, checking what must hold for any input.
void exercise(const temp_dir& dir, const std::string& bytes, std::mt19937& random, bool save) {
    const std::string path = dir.file("fuzz.ini");
    write_bytes(path, bytes);
    ini_ptr ini(sp_ini_parse_file(path.c_str()));
    ASSERT_TRUE(ini) << "text input refused";

    static const char* const names[] = {"", "A", "Color", "Error", "k", "x]", "[x", "0"};
    std::uniform_int_distribution<size_t> name(0, 7);
    for (int i = 0; i < 4; ++i) {
        sp_ini_get_int(ini.get(), names[name(random)], names[name(random)]);
        sp_ini_get_string(ini.get(), names[name(random)], names[name(random)]);
    }
    if (!save) return;

    const std::string copy = dir.file("copy.ini");
    ASSERT_EQ(sp_ini_save_file(ini.get(), copy.c_str()), 0);
    ASSERT_EQ(read_bytes(copy), bytes);

    const char* section = names[name(random)];
    const char* key = names[name(random)];
    const std::string value = "v" + std::to_string(random() % 1000);
    if (sp_ini_set_string(ini.get(), section, key, value.c_str()) != 0) return;
    ASSERT_EQ(sp_ini_save_file(ini.get(), copy.c_str()), 0);
    ini_ptr reread(sp_ini_parse_file(copy.c_str()));
    ASSERT_TRUE(reread);
    const char* read_back = sp_ini_get_string(reread.get(), section, key);
    ASSERT_NE(read_back, nullptr) << "[" << section << "] " << key << " lost in\n" << bytes;
    ASSERT_EQ(std::string(read_back), value) << bytes;
}

TEST(sp_ini_generated_input, random_text_is_handled) {
    temp_dir dir;
    std::mt19937 random(20240601);
    for (int i = 0; i < 3000; ++i) {
        exercise(dir, random_ini(random), random, i % 8 == 0);
        if (HasFatalFailure()) return;
    }
}

TEST(sp_ini_generated_input, every_truncation_is_handled) {
    temp_dir dir;
    std::mt19937 random(7);
    const std::string whole = k_well_formed;
    for (size_t length = 0; length <= whole.size(); ++length) {
        exercise(dir, whole.substr(0, length), random, true);
        if (HasFatalFailure()) return;
    }
}

TEST(sp_ini_generated_input, binary_input_is_refused_or_read_safely) {
    temp_dir dir;
    std::mt19937 random(99);
    std::uniform_int_distribution<int> byte(0, 255), length(0, 200);
    for (int i = 0; i < 500; ++i) {
        std::string bytes;
        for (int n = length(random); n > 0; --n) bytes += static_cast<char>(byte(random));
        write_bytes(dir.file("binary.ini"), bytes);
        ini_ptr ini(sp_ini_parse_file(dir.file("binary.ini").c_str()));
        EXPECT_EQ(ini == nullptr, bytes.find('\0') != std::string::npos);
        if (ini) sp_ini_get_string(ini.get(), "Color", "Error");
    }
}

}  // namespace
