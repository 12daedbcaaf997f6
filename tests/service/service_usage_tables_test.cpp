// The word-usage tables: how their lines are read, and that the shipped
// tables hold together (a group that names no listed measure word, or a
// pair whose better verb is itself listed as wrong with that object, would
// make the rules report nothing or contradict themselves).
#include "rules/service_usage_tables.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "base/service_text.h"
#include "service_test_support.h"

using namespace velmo_service;

namespace {
std::string write_file(const std::string& name, const std::string& text) {
    const std::string path = ::testing::TempDir() + "/" + name;
    std::ofstream(path) << text;
    return path;
}
}  // namespace

TEST(ServiceUsageTables, MeasureWordLinesAreReadAsNounsHeadsAndGroups) {
    measure_word_table t;
    EXPECT_FALSE(t.load(::testing::TempDir() + "/missing.txt"));
    ASSERT_TRUE(t.load(write_file("measure.txt",
                                  "# comment\n\n"
                                  "=\t棵颗\r\n"
                                  "=\t台辆部\n"
                                  "=\t孤\n"  // one character: no group
                                  "电脑\t台部\n"
                                  "事\t件个\n"
                                  "*树\t棵株\n"
                                  "没有量词\n"  // no TAB: skipped
                                  "\t台\n")));  // no noun: skipped
    ASSERT_FALSE(t.empty());
    ASSERT_NE(t.measures_of(u"电脑", false), nullptr);
    EXPECT_EQ(*t.measures_of(u"电脑", false), u"台部");
    // A noun of one character counts only as a word of its own (事 of 故事 is no 事).
    EXPECT_NE(t.measures_of(u"事", true), nullptr);
    EXPECT_EQ(t.measures_of(u"事", false), nullptr);
    // A head stands for every noun ending in it.
    EXPECT_NE(t.measures_of(u"树", false), nullptr);
    EXPECT_EQ(t.measures_of(u"树苗", true), nullptr);
    EXPECT_TRUE(t.confusable(u'颗', u'棵'));
    EXPECT_TRUE(t.confusable(u'辆', u'台'));
    EXPECT_FALSE(t.confusable(u'颗', u'台'));
    EXPECT_FALSE(t.confusable(u'台', u'台'));
    EXPECT_FALSE(t.grouped(u'孤'));
    EXPECT_TRUE(t.measure_word(u'株'));
    EXPECT_FALSE(t.measure_word(u'辆'));
}

TEST(ServiceUsageTables, CollocationLinesCarryTheirBetterVerbsInOrder) {
    collocation_table t;
    ASSERT_TRUE(t.load(write_file("collocations.txt",
                                  "# verb object better\n"
                                  "发扬\t积极性\t发挥|调动\n"
                                  "增加\t水平\t提高\n"
                                  "增加\t质量\t\n"  // no better verb: skipped
                                  "减少\t\t降低\n")));
    const std::vector<collocation>* e = t.of_verb(u"发扬");
    ASSERT_NE(e, nullptr);
    ASSERT_EQ(e->size(), 1u);
    EXPECT_EQ(e->front().object, u"积极性");
    EXPECT_EQ(e->front().better, (std::vector<std::string>{"发挥", "调动"}));
    ASSERT_NE(t.of_verb(u"增加"), nullptr);
    EXPECT_EQ(t.of_verb(u"增加")->size(), 1u);
    EXPECT_EQ(t.of_verb(u"减少"), nullptr);
}

TEST(ServiceUsageTables, ShippedTablesHoldTogether) {
    const std::string dir = velmo_test::service_data_dir();
    measure_word_table measures;
    ASSERT_TRUE(measures.load(dir + "/measure_words.txt"));
    std::ifstream in(dir + "/measure_words.txt");
    std::string line;
    std::set<std::string> nouns;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        // A noun listed twice keeps only its last line.
        if (line.rfind("=\t", 0) != 0) {
            EXPECT_TRUE(nouns.insert(line.substr(0, line.find('\t'))).second) << line;
            continue;
        }
        const std::u16string group = text_utf8_to_utf16(line.substr(2));
        EXPECT_GE(group.size(), 2u) << line;
        bool counts = false;
        for (char16_t c : group) counts = counts || measures.measure_word(c);
        EXPECT_TRUE(counts) << "no listed noun takes a measure word of " << line;
    }

    collocation_table pairs;
    ASSERT_TRUE(pairs.load(dir + "/collocations.txt"));
    std::ifstream pin(dir + "/collocations.txt");
    std::set<std::pair<std::string, std::string>> wrong;
    std::vector<std::pair<std::string, std::string>> better;
    while (std::getline(pin, line)) {
        if (line.empty() || line[0] == '#') continue;
        const std::u16string verb = text_utf8_to_utf16(line.substr(0, line.find('\t')));
        const std::vector<collocation>* entries = pairs.of_verb(verb);
        ASSERT_NE(entries, nullptr) << line;
        for (const collocation& c : *entries) {
            wrong.insert({text_utf16_to_utf8(c.verb), text_utf16_to_utf8(c.object)});
            for (const std::string& b : c.better)
                better.push_back({b, text_utf16_to_utf8(c.object)});
        }
    }
    for (const auto& b : better)
        EXPECT_EQ(wrong.count(b), 0u) << b.first << " is both wrong and better with " << b.second;
}
