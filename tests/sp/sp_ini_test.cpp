// The INI store of libsp: reading, writing in memory, and saving files.
#include <gtest/gtest.h>
#include <sp.h>

#include <climits>
#include <memory>
#include <string>

#include "ini_ptr.h"
#include "temp_dir.h"

namespace {

class ini_file : public ::testing::Test {
  protected:
    ini_ptr load(const std::string& bytes, const std::string& name = "velmo.ini") {
        write_bytes(dir_.file(name), bytes);
        return ini_ptr(sp_ini_parse_file(dir_.file(name).c_str()));
    }
    // Saves into a second file and hands back what was written.
    std::string saved(sp_ini_t* ini) {
        const std::string out = dir_.file("saved.ini");
        EXPECT_EQ(sp_ini_save_file(ini, out.c_str()), 0);
        return read_bytes(out);
    }
    std::string text(sp_ini_t* ini, const char* section, const char* key) {
        const char* value = sp_ini_get_string(ini, section, key);
        return value ? value : "<null>";
    }

    temp_dir dir_;
};

const char k_sample[] =
    "; settings of the plug-in\n"
    "# second comment style\n"
    "\n"
    "[OtherParams]\n"
    "ServiceUrl = http://127.0.0.1:8820/\n"
    "CheckWordsCount=1000\n"
    "this line has no equals sign\n"
    "\n"
    "[Color]\n"
    "Error=7\n"
    "  Find\t=\t4  \n"
    "[broken header\n"
    "Error=6\n";

TEST_F(ini_file, unchanged_store_saves_every_byte_as_read) {
    const std::string variants[] = {
        k_sample,
        std::string("\xEF\xBB\xBF") + k_sample,          // byte-order mark
        "[A]\r\nk=v\r\n; note\r\n\r\n[B]\r\nx = 1\r\n",  // CRLF
        "[A]\nk=v\n[B]\nlast=no final newline",          // no final newline
        "",                                              // empty file
        "k=outside any section\n=empty key\n[A]\n",
        "[A]\nk=\xB2\xE2\xCA\xD4\xff\x01\n",  // 8-bit bytes kept as they are
    };
    for (const std::string& bytes : variants) {
        ini_ptr ini = load(bytes);
        ASSERT_TRUE(ini) << bytes;
        EXPECT_EQ(saved(ini.get()), bytes);
    }
}

TEST_F(ini_file, reads_values_by_exact_section_and_key) {
    ini_ptr ini = load(std::string("\xEF\xBB\xBF") + k_sample);
    ASSERT_TRUE(ini);
    EXPECT_EQ(text(ini.get(), "OtherParams", "ServiceUrl"), "http://127.0.0.1:8820/");
    EXPECT_EQ(sp_ini_get_int(ini.get(), "OtherParams", "CheckWordsCount"), 1000);
    EXPECT_EQ(text(ini.get(), "Color", "Find"), "4");
    // The broken header does not open a section: its key stays in [Color], the last one wins.
    EXPECT_EQ(sp_ini_get_int(ini.get(), "Color", "Error"), 6);
    // Letter case matters.
    EXPECT_EQ(text(ini.get(), "color", "Error"), "<null>");
    EXPECT_EQ(text(ini.get(), "Color", "error"), "<null>");
    EXPECT_EQ(text(ini.get(), "OtherParams", "this line has no equals sign"), "<null>");
    EXPECT_EQ(text(ini.get(), "Missing", "Error"), "<null>");
    EXPECT_EQ(sp_ini_get_int(ini.get(), "Missing", "Error"), 0);

    ini_ptr crlf = load("k=top\r\n[A]\r\nkey=value\r\nlast=end");
    ASSERT_TRUE(crlf);
    EXPECT_EQ(text(crlf.get(), "A", "key"), "value");
    EXPECT_EQ(text(crlf.get(), "A", "last"), "end");
    EXPECT_EQ(text(crlf.get(), "", "k"), "top");
}

TEST_F(ini_file, integers_convert_like_strtol) {
    ini_ptr ini = load(
        "[N]\nplain=42\nsigned=-7\nlead= +12\ntrail=15px\nnone=abc\nempty=\nzero=0\none=1\n"
        "hex=0x10\nhuge=99999999999\ntiny=-99999999999\n");
    ASSERT_TRUE(ini);
    EXPECT_EQ(sp_ini_get_int(ini.get(), "N", "plain"), 42);
    EXPECT_EQ(sp_ini_get_int(ini.get(), "N", "signed"), -7);
    EXPECT_EQ(sp_ini_get_int(ini.get(), "N", "lead"), 12);
    EXPECT_EQ(sp_ini_get_int(ini.get(), "N", "trail"), 15);
    EXPECT_EQ(sp_ini_get_int(ini.get(), "N", "none"), 0);
    EXPECT_EQ(sp_ini_get_int(ini.get(), "N", "empty"), 0);
    EXPECT_EQ(sp_ini_get_int(ini.get(), "N", "zero"), 0);
    EXPECT_EQ(sp_ini_get_int(ini.get(), "N", "one"), 1);
    EXPECT_EQ(sp_ini_get_int(ini.get(), "N", "hex"), 0);
    EXPECT_EQ(sp_ini_get_int(ini.get(), "N", "huge"), INT_MAX);
    EXPECT_EQ(sp_ini_get_int(ini.get(), "N", "tiny"), INT_MIN);
}

TEST_F(ini_file, writes_act_in_memory_until_saved) {
    ini_ptr ini = load(k_sample);
    ASSERT_TRUE(ini);
    EXPECT_EQ(sp_ini_set_int(ini.get(), "OtherParams", "CheckWordsCount", 2500), 0);
    EXPECT_EQ(sp_ini_get_int(ini.get(), "OtherParams", "CheckWordsCount"), 2500);
    EXPECT_EQ(sp_ini_set_string(ini.get(), "Way", "ColorWay", "1"), 0);
    EXPECT_EQ(sp_ini_get_int(ini.get(), "Way", "ColorWay"), 1);
    EXPECT_EQ(sp_ini_set_string(ini.get(), "Way", "ColorWay", "0"), 0);
    EXPECT_EQ(sp_ini_get_int(ini.get(), "Way", "ColorWay"), 0);
    EXPECT_EQ(text(ini.get(), "Way", "ColorWay"), "0");
    EXPECT_EQ(sp_ini_set_int(ini.get(), "Color", "Find", -3), 0);
    EXPECT_EQ(text(ini.get(), "Color", "Find"), "-3");
    // Memory holds what the file will give back: no surrounding blanks or line ends.
    EXPECT_EQ(sp_ini_set_string(ini.get(), "OtherParams", "ServiceUrl", "\t http://x/s \r\n"), 0);
    EXPECT_EQ(text(ini.get(), "OtherParams", "ServiceUrl"), "http://x/s");
    EXPECT_EQ(read_bytes(dir_.file("velmo.ini")), k_sample);
}

TEST_F(ini_file, save_rewrites_changed_lines_and_appends_new_ones) {
    ini_ptr ini = load(k_sample);
    ASSERT_TRUE(ini);
    sp_ini_set_string(ini.get(), "OtherParams", "ServiceUrl", "http://10.0.0.5/svc");
    sp_ini_set_int(ini.get(), "Color", "Error", 11);  // the duplicate: only the last changes
    sp_ini_set_int(ini.get(), "OtherParams", "MaxWords", 2000000);  // new key, existing section
    sp_ini_set_string(ini.get(), "UserInfo", "UserName", "\xD5\xC5\xC8\xFD");  // new section
    sp_ini_set_string(ini.get(), "UserInfo", "AuthNo", "");
    EXPECT_EQ(saved(ini.get()),
              "; settings of the plug-in\n"
              "# second comment style\n"
              "\n"
              "[OtherParams]\n"
              "ServiceUrl = http://10.0.0.5/svc\n"
              "CheckWordsCount=1000\n"
              "MaxWords=2000000\n"
              "this line has no equals sign\n"
              "\n"
              "[Color]\n"
              "Error=7\n"
              "  Find\t=\t4  \n"
              "[broken header\n"
              "Error=11\n"
              "[UserInfo]\n"
              "UserName=\xD5\xC5\xC8\xFD\n"
              "AuthNo=\n");

    // Saving the saved file again changes nothing, and every value reads back.
    ini_ptr again(sp_ini_parse_file(dir_.file("saved.ini").c_str()));
    ASSERT_TRUE(again);
    EXPECT_EQ(text(again.get(), "UserInfo", "UserName"), "\xD5\xC5\xC8\xFD");
    EXPECT_EQ(text(again.get(), "UserInfo", "AuthNo"), "");
    EXPECT_EQ(sp_ini_get_int(again.get(), "OtherParams", "MaxWords"), 2000000);
    EXPECT_EQ(sp_ini_get_int(again.get(), "Color", "Error"), 11);
}

TEST_F(ini_file, added_lines_follow_the_file_line_ends) {
    ini_ptr crlf = load("[A]\r\nk=v\r\n");
    ASSERT_TRUE(crlf);
    sp_ini_set_string(crlf.get(), "B", "n", "1");
    sp_ini_set_string(crlf.get(), "", "top", "t");
    EXPECT_EQ(saved(crlf.get()), "top=t\r\n[A]\r\nk=v\r\n[B]\r\nn=1\r\n");

    ini_ptr unterminated = load("\xEF\xBB\xBF[A]\nk=v");
    ASSERT_TRUE(unterminated);
    sp_ini_set_string(unterminated.get(), "A", "m", "2");
    EXPECT_EQ(saved(unterminated.get()), "\xEF\xBB\xBF[A]\nk=v\nm=2\n");

    ini_ptr empty = load("");
    ASSERT_TRUE(empty);
    sp_ini_set_int(empty.get(), "Color", "Error", 7);
    EXPECT_EQ(saved(empty.get()), "[Color]\nError=7\n");
}

TEST_F(ini_file, removing_a_key_leaves_the_rest_and_later_additions_in_place) {
    ini_ptr ini = load(k_sample);
    ASSERT_TRUE(ini);
    // Both lines of the duplicated key go; a missing key is reported.
    EXPECT_EQ(sp_ini_remove(ini.get(), "Color", "Error"), 0);
    EXPECT_EQ(sp_ini_get_string(ini.get(), "Color", "Error"), nullptr);
    EXPECT_EQ(sp_ini_remove(ini.get(), "Color", "Error"), -1);
    EXPECT_EQ(sp_ini_remove(ini.get(), "Color", nullptr), -1);
    // The last line of [OtherParams] is gone: a new key still lands in that section.
    EXPECT_EQ(sp_ini_remove(ini.get(), "OtherParams", "CheckWordsCount"), 0);
    sp_ini_set_int(ini.get(), "OtherParams", "MaxWords", 5);
    sp_ini_set_int(ini.get(), "Color", "Error", 2);
    EXPECT_EQ(saved(ini.get()),
              "; settings of the plug-in\n"
              "# second comment style\n"
              "\n"
              "[OtherParams]\n"
              "ServiceUrl = http://127.0.0.1:8820/\n"
              "MaxWords=5\n"
              "this line has no equals sign\n"
              "\n"
              "[Color]\n"
              "  Find\t=\t4  \n"
              "Error=2\n"
              "[broken header\n");
}

TEST_F(ini_file, a_text_parses_like_a_file_with_that_content) {
    ini_ptr from_text(sp_ini_parse_text(k_sample));
    ASSERT_TRUE(from_text);
    EXPECT_EQ(text(from_text.get(), "Color", "Find"), "4");
    EXPECT_EQ(text(from_text.get(), "Color", "Error"), "6");
    EXPECT_EQ(saved(from_text.get()), k_sample);

    ini_ptr empty(sp_ini_parse_text(""));
    ASSERT_TRUE(empty);
    sp_ini_set_int(empty.get(), "Color", "Error", 7);
    EXPECT_EQ(saved(empty.get()), "[Color]\nError=7\n");
    EXPECT_EQ(sp_ini_parse_text(nullptr), nullptr);
}

TEST_F(ini_file, missing_or_unreadable_files_give_no_store) {
    EXPECT_EQ(sp_ini_parse_file(dir_.file("absent.ini").c_str()), nullptr);
    EXPECT_EQ(sp_ini_parse_file(dir_.path().c_str()), nullptr);  // a directory
    EXPECT_EQ(sp_ini_parse_file(nullptr), nullptr);
    EXPECT_FALSE(load(std::string("\xFF\xD8\xFF\xE0\0\x10JFIF\0", 11), "logo.jpg"));

    // Without a store every read is empty and nothing is written.
    EXPECT_EQ(sp_ini_get_int(nullptr, "A", "k"), 0);
    EXPECT_EQ(sp_ini_get_string(nullptr, "A", "k"), nullptr);
    EXPECT_EQ(sp_ini_set_int(nullptr, "A", "k", 1), -1);
    EXPECT_EQ(sp_ini_set_string(nullptr, "A", "k", "v"), -1);
    EXPECT_EQ(sp_ini_save_file(nullptr, dir_.file("absent.ini").c_str()), -1);
    EXPECT_FALSE(std::filesystem::exists(dir_.file("absent.ini")));
    sp_ini_free(nullptr);
}

TEST_F(ini_file, null_and_unwritable_names_change_nothing) {
    ini_ptr ini = load("[A]\nk=1\n");
    ASSERT_TRUE(ini);
    EXPECT_EQ(sp_ini_get_int(ini.get(), nullptr, "k"), 0);
    EXPECT_EQ(sp_ini_get_int(ini.get(), "A", nullptr), 0);
    EXPECT_EQ(sp_ini_get_string(ini.get(), nullptr, "k"), nullptr);
    EXPECT_EQ(sp_ini_get_string(ini.get(), "A", nullptr), nullptr);
    EXPECT_EQ(sp_ini_set_int(ini.get(), nullptr, "k", 5), -1);
    EXPECT_EQ(sp_ini_set_int(ini.get(), "A", nullptr, 5), -1);
    EXPECT_EQ(sp_ini_set_string(ini.get(), nullptr, "k", "5"), -1);
    EXPECT_EQ(sp_ini_set_string(ini.get(), "A", nullptr, "5"), -1);
    EXPECT_EQ(sp_ini_set_string(ini.get(), "A", "k", nullptr), -1);
    EXPECT_EQ(sp_ini_save_file(ini.get(), nullptr), -1);
    EXPECT_EQ(sp_ini_save_file(ini.get(), ""), -1);

    // Texts that would split a line or read back as another name are refused,
    // so a typed value can never inject sections or keys into the file.
    EXPECT_EQ(sp_ini_set_string(ini.get(), "A", "k", "x\n[Color]\nError=0"), -1);
    EXPECT_EQ(sp_ini_set_string(ini.get(), "A", "k", "x\ry"), -1);
    EXPECT_EQ(sp_ini_set_string(ini.get(), "A", "a=b", "1"), -1);
    EXPECT_EQ(sp_ini_set_string(ini.get(), "A", "", "1"), -1);
    EXPECT_EQ(sp_ini_set_string(ini.get(), "A", " k", "1"), -1);
    EXPECT_EQ(sp_ini_set_string(ini.get(), "A", ";k", "1"), -1);
    EXPECT_EQ(sp_ini_set_string(ini.get(), "A]", "k", "1"), -1);
    EXPECT_EQ(sp_ini_set_string(ini.get(), "A\nB", "k", "1"), -1);
    EXPECT_EQ(sp_ini_get_int(ini.get(), "A", "k"), 1);
    EXPECT_EQ(saved(ini.get()), "[A]\nk=1\n");
}

}  // namespace
