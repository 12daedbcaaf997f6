// The word model's scores: the table of the model's words must give exactly
// the scores of asking the model itself, whatever the text holds; a
// character model adds its own at its weight.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

#include "base/service_text.h"
#include "rules/service_engine.h"
#include "service_test_support.h"

using namespace velmo_service;

namespace {

const std::string& model_file() {
    static const std::string path = engine_config{}.language_model_file;
    return path;
}

// Sentences of the project's office files, their "[wrong|right]" marks read as wrong.
std::vector<std::u16string> office_sentences() {
    std::vector<std::u16string> out;
    const std::string dir = velmo_test::service_data_dir() + "/../../tests/service/data/";
    for (const char* name : {"office_clean.tsv", "office_heldout.tsv", "typing_errors.tsv"}) {
        std::ifstream in(dir + name);
        std::string line;
        while (std::getline(in, line))
            if (!line.empty() && line[0] != '#')
                out.push_back(text_utf8_to_utf16(line.substr(line.find('\t') + 1)));
    }
    return out;
}

}  // namespace

TEST(ServiceLanguageModel, TableScoresEqualTheModelsOwnOnEveryWindow) {
    language_model table, plain;
    ASSERT_TRUE(table.load(model_file()));
    ASSERT_TRUE(plain.load(model_file(), false));
    // The table really holds the model's words (else both would ask the model).
    EXPECT_GT(table.table_size(), 100000u);
    EXPECT_EQ(plain.table_size(), 0u);

    std::vector<std::u16string> texts = office_sentences();
    ASSERT_GT(texts.size(), 50u);
    // Stretches the runs never hold but score() must still take: Latin
    // letters, digits, the model's own markers, a character beyond the BMP,
    // an unknown rare character, a NUL, one character, long text.
    texts.insert(texts.end(), {u"<s>", u"<unk>会议</s>", u"ThinkPad笔记本", u"2024年3月",
                               u"\U00020000字", u"㐀㐁中国", std::u16string(u"中\0国", 3), u"的",
                               u"我们的工作作总结已经提交给领导审阅了请大家按时参加会议"});
    std::mt19937 rng(11);
    const std::u16string swaps = u"的地得在再做作他她那哪已以象像健建应因";
    std::size_t compared = 0;
    for (const std::u16string& t : texts) {
        for (std::size_t a = 0; a < t.size(); a += 3) {
            std::u16string window = t.substr(a, 9);
            ASSERT_EQ(table.score(window), plain.score(window)) << text_utf16_to_utf8(window);
            // A changed character, as the rules weigh their candidates.
            window[rng() % window.size()] = swaps[rng() % swaps.size()];
            EXPECT_EQ(table.score(window), plain.score(window)) << text_utf16_to_utf8(window);
            compared += 2;
        }
        EXPECT_EQ(table.score(t), plain.score(t)) << text_utf16_to_utf8(t);
    }
    EXPECT_GT(compared, 1000u);
    // The model prefers the right word in context.
    EXPECT_GT(table.score(u"身体健康"), table.score(u"身体建康") + 2);
}

TEST(ServiceLanguageModel, AMissingOrForeignFileLeavesTheModelUnready) {
    language_model m;
    EXPECT_FALSE(m.load(""));
    EXPECT_FALSE(m.load("/nonexistent/zh_CN.lm"));
    EXPECT_FALSE(m.load(velmo_test::service_data_dir() + "/misspellings.txt"));
    EXPECT_FALSE(m.ready());
    EXPECT_EQ(m.score(u"身体健康"), 0);
    // A model loaded before is dropped by a failed load, not kept half-way.
    ASSERT_TRUE(m.load(model_file()));
    EXPECT_LT(m.score(u"身体健康"), 0);
    EXPECT_FALSE(m.load("/nonexistent/zh_CN.lm"));
    EXPECT_EQ(m.score(u"身体健康"), 0);
}

TEST(ServiceLanguageModel, AModelFileWithoutItsWordListIsStillUsed) {
    // The same model with the last word of its word list spoiled: the table
    // cannot be trusted, so every stretch is looked up in the model.
    std::ifstream in(model_file(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.back(), '\0');
    const std::size_t last = bytes.rfind('\0', bytes.size() - 2) + 1;
    ASSERT_LT(last, bytes.size() - 1);
    bytes[last] = 'x';
    velmo_test::temp_dir dir;
    std::ofstream(dir.path() + "/spoiled.lm", std::ios::binary) << bytes;

    language_model whole, spoiled;
    ASSERT_TRUE(whole.load(model_file()));
    ASSERT_TRUE(spoiled.load(dir.path() + "/spoiled.lm"));
    EXPECT_EQ(spoiled.table_size(), 0u);
    for (const std::u16string& t : office_sentences()) EXPECT_EQ(spoiled.score(t), whole.score(t));
}

TEST(ServiceLanguageModel, TheCharacterModelWeighsInAtItsWeight) {
    velmo_test::temp_dir dir;
    std::ofstream(dir.path() + "/grams.txt")
        << "# counts\n企\t4\n业\t6\n们\t4\n门\t2\n企业\t4\n业们\t3\n企业们\t3\n"
           "bad line\n门口\t0\n四个字啊\t9\n";
    char_model small;
    ASSERT_TRUE(small.load(dir.path() + "/grams.txt"));
    EXPECT_GT(small.score(u"企业们"), small.score(u"企业门"));
    EXPECT_GT(small.score(u"企业门"), small.score(u"企业鬥"));  // counted beats never counted
    EXPECT_FALSE(char_model().load(dir.path() + "/none.txt"));

    // The shipped counts see the slip the word model prefers (企业门 for 企业们).
    const std::string grams = velmo_test::service_data_dir() + "/char-ngrams.txt";
    char_model shipped;
    ASSERT_TRUE(shipped.load(grams));
    language_model m;
    ASSERT_TRUE(m.load(model_file()));
    EXPECT_GT(m.words_score(u"企业门突然发现"), m.words_score(u"企业们突然发现"));
    EXPECT_GT(shipped.score(u"企业们突然发现"), shipped.score(u"企业门突然发现"));
    EXPECT_FALSE(m.load_characters(dir.path() + "/none.txt", 0.5));
    EXPECT_EQ(m.score(u"企业门突然发现"), m.words_score(u"企业门突然发现"));
    ASSERT_TRUE(m.load_characters(grams, 0.5));
    for (const std::u16string& t : office_sentences()) {
        EXPECT_DOUBLE_EQ(m.score(t), m.words_score(t) + 0.5 * shipped.score(t));
        EXPECT_DOUBLE_EQ(m.score(t, 0), m.words_score(t));
    }
    // It counts in full in text like the essays it was counted from, not in a manual.
    EXPECT_EQ(m.char_share(u"放学后我跟朋友一起去看电影，我们都很高兴。"), 1.0);
    EXPECT_EQ(m.char_share(u"设置或接收最大出站数据段尺寸。"), 0.0);
    EXPECT_EQ(m.char_share(u"Hello."), 0.0);
}
