// Reading Chinese with the word list and character readings: segmentation,
// sound-alike typing errors, 的/地/得, and the labelled evaluation sentences.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "base/service_text.h"
#include "cli/service_evaluation.h"
#include "lexicon/service_confusions.h"
#include "lexicon/service_lexicon.h"
#include "lexicon/service_native_pairs.h"
#include "service_test_support.h"

using namespace velmo_service;

namespace {

std::vector<finding> check_general(const std::u16string& text, int weight = 1) {
    check_options o;
    o.general = true;
    o.weight = weight;
    return velmo_test::shared_engine().check(text, o, {});
}

std::vector<std::string> words_of(const lexicon& l, const std::u16string& text) {
    std::vector<std::string> out;
    for (const lexicon_token& t : l.segment(text))
        out.push_back(text_utf16_to_utf8(text.data() + t.begin, t.length()));
    return out;
}

}  // namespace

TEST(ServiceLexicon, SegmentsAlongTheMostProbablePath) {
    velmo_test::temp_dir dir;
    std::ofstream(dir.path() + "/words.txt")
        << "研究 500 vn\n研究生 80 n\n生命 300 n\n起源 100 n\n命 50 n\n的 1000 uj\n"
           "bad line\n生 20 v\n";
    lexicon l;
    ASSERT_TRUE(l.load(dir.path() + "/words.txt"));
    EXPECT_EQ(l.size(), 7u);
    // 研究生/命 loses to 研究/生命: the path, not the longest first word, decides.
    EXPECT_EQ(words_of(l, u"研究生命的起源"),
              (std::vector<std::string>{"研究", "生命", "的", "起源"}));
    // Characters no word covers stand alone.
    EXPECT_EQ(words_of(l, u"研究甲乙"), (std::vector<std::string>{"研究", "甲", "乙"}));
    EXPECT_EQ(l.find(u"研究")->kind, word_class::verb);
    EXPECT_EQ(l.find(u"研"), nullptr);  // a prefix of a word is no word
}

TEST(ServiceLexicon, FilesInTheDataDirectoryReplaceTheInstalledOnes) {
    velmo_test::temp_dir dir;
    std::ofstream(dir.path() + "/dict.txt") << "已经 100 d\n以 100 p\n经 100 n\n";
    engine_config c;
    c.data_dir = dir.path();
    const check_engine local(c);
    EXPECT_EQ(local.lexicon_size(), 3u);
    EXPECT_GT(velmo_test::shared_engine().lexicon_size(), 300000u);
    EXPECT_TRUE(velmo_test::shared_engine().sounds_ready());
}

// The counts of slips: chances from the counts, likeliest first, a pair
// seen never less likely than one never counted, rare and malformed lines
// skipped; two-character stretches only where they were mostly wrong.
TEST(ServiceLexicon, SlipCountsWeighWhatWasWrittenForWhat) {
    velmo_test::temp_dir dir;
    std::ofstream(dir.path() + "/chars.txt") << "# written meant times out-of\n"
                                                "的\t地\t90\t90\n"
                                                "的\t得\t10\t990\n"
                                                "龄\t出\t1\t500\n"
                                                "在\t再\tmany\t9\n"
                                                "在\t再\t20\t10\n"
                                                "己经\t已\t5\t9\n";
    slip_counts slips;
    ASSERT_TRUE(slips.load(dir.path() + "/chars.txt", 2));
    ASSERT_EQ(slips.meant_by(u'的').size(), 2u);
    EXPECT_EQ(slips.meant_by(u'的')[0].meant, u'地');
    EXPECT_NEAR(slips.meant_by(u'的')[0].log_chance, std::log10(90.0 / 100), 1e-9);
    EXPECT_NEAR(slips.log_chance(u'的', u'得', -9), -2, 1e-9);
    EXPECT_EQ(slips.log_chance(u'的', u'得', -1), -1);  // floored at the unseen chance
    EXPECT_EQ(slips.log_chance(u'龄', u'出', -5), -5);  // seen once: below the minimum
    EXPECT_TRUE(slips.meant_by(u'在').empty());         // no number, or more slips than uses
    EXPECT_TRUE(slips.meant_by(u'己').empty());         // not one character each

    std::ofstream(dir.path() + "/pairs.txt") << "己经\t已经\t9\t1\n我门\t我们\t3\t0\n"
                                                "哪里\t那里\t1\t80\n应为\t应为\t5\t0\n";
    ASSERT_TRUE(slips.load_pairs(dir.path() + "/pairs.txt", 2));
    const slip* s = slips.in_pair(u"己经", 0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->meant, u'已');
    EXPECT_NEAR(s->log_chance, std::log10(0.9), 1e-9);
    EXPECT_EQ(slips.in_pair(u"己经", 1), nullptr);  // 经 was right
    EXPECT_NE(slips.in_pair(u"我门", 1), nullptr);
    EXPECT_EQ(slips.in_pair(u"哪里", 0), nullptr);  // wrong once only
    EXPECT_EQ(slips.in_pair(u"应为", 0), nullptr);  // no change
    EXPECT_FALSE(slips.load(dir.path() + "/missing.txt", 1));
}

// The pairs native prose writes: rare pairs skipped; a character is kept
// between two pairs whatever is proposed, and beside one pair only against a
// character that forms none there (的例 is a pair too, so 列 of 的列子 is not kept).
TEST(ServiceLexicon, NativePairsKeepWhatNativeProseWrites) {
    velmo_test::temp_dir dir;
    std::ofstream(dir.path() + "/pairs.txt") << "# pair times\n彼端\t22\n的列\t80\n的例\t40\n"
                                                "子串\t8\n最长\t9\n长子\t5\n字串\t2\n";
    native_pairs native;
    ASSERT_TRUE(native.load(dir.path() + "/pairs.txt", 3));
    EXPECT_TRUE(native.has(u"彼端"));
    EXPECT_FALSE(native.has(u"字串"));               // seen twice only
    EXPECT_TRUE(native.keeps(u"从彼端", 1, u'弊'));  // 弊端 is no pair
    EXPECT_FALSE(native.keeps(u"的列子", 1, u'例'));
    EXPECT_TRUE(native.keeps(u"最长子串", 2, u'字'));  // between 长子 and 子串
    EXPECT_FALSE(native.keeps(u"这里", 0, u'那'));
    EXPECT_FALSE(native.keeps(u"彼", 5, u'弊'));  // past the text
    // A pair that is also a listed word is a term, whichever of its characters is asked about.
    std::ofstream(dir.path() + "/words.txt") << "子串 31 n\n彼端 3 n\n字串 40 n\n";
    lexicon words;
    ASSERT_TRUE(words.load(dir.path() + "/words.txt"));
    EXPECT_TRUE(native.in_term(u"最长子串", 2, words));
    EXPECT_TRUE(native.in_term(u"最长子串", 3, words));
    EXPECT_FALSE(native.in_term(u"最长子串", 1, words));  // 最长 is a pair, not a listed word
    EXPECT_FALSE(native.in_term(u"的列子", 1, words));
    EXPECT_FALSE(native.in_term(u"子串", 2, words));
    EXPECT_FALSE(native.load(dir.path() + "/missing.txt", 3));
}

TEST(ServiceReading, SoundAlikeSlipsAreFoundWithTheWordMeant) {
    struct slip {
        const char16_t* text;
        const char* wrong;
        const char* meant;
    };
    const slip slips[] = {
        {u"我们以经完成了第一季度的工作。", "以经", "已经"},  // same syllable
        {u"请把会议才料提前打印出来。", "才料", "材料"},
        {u"请更新客户的联系性息。", "性息", "信息"},  // -ng/-n
        {u"这次活动由工会主织。", "主织", "组织"},    // zh/z
    };
    for (const slip& s : slips) {
        const auto f = check_general(s.text, 0);
        ASSERT_EQ(f.size(), 1u) << s.wrong;
        EXPECT_EQ(f[0].err_word, s.wrong);
        EXPECT_EQ(f[0].level, level_error);
        ASSERT_FALSE(f[0].suggestions.empty());
        EXPECT_LE(f[0].suggestions.size(), 5u);
        EXPECT_EQ(f[0].suggestions[0], s.meant);
    }
    // The misspelling list speaks first; the same stretch is not reported twice.
    EXPECT_EQ(check_general(u"按步就班地推进。").size(), 1u);
    // Without the general option nothing runs.
    check_options off;
    off.general = false;
    EXPECT_TRUE(velmo_test::shared_engine().check(u"我们以经完成了。", off, {}).empty());
}

TEST(ServiceReading, NamesNumbersEnglishAndRareWordsStayUnflagged) {
    for (const char16_t* text : {
             u"张伟于2023年3月5日到达上海。",
             u"谢谢大家，我们研究研究再答复。",
             u"他高高兴兴地回家了。",
             u"本项目采用Python和C++开发。",
             u"耄耋之年的老人依然精神矍铄。",
             u"韩梅梅和李雷是同班同学。",
             u"这款手机的售价为3999元。",
             u"他说得很对，我们得走了。",
         })
        EXPECT_TRUE(check_general(text, 2).empty()) << text_utf16_to_utf8(text);
}

TEST(ServiceReading, ParticlesInEachOthersPlace) {
    const auto adverbial = check_general(u"他仔细的检查了每一份合同。");
    ASSERT_EQ(adverbial.size(), 1u);
    EXPECT_EQ(adverbial[0].err_word, "的");
    EXPECT_EQ(adverbial[0].level, level_suspect);
    EXPECT_EQ(adverbial[0].suggestions, std::vector<std::string>{"地"});
    const auto before_noun = check_general(u"这是一座漂亮地办公楼。");
    ASSERT_EQ(before_noun.size(), 1u);
    EXPECT_EQ(before_noun[0].suggestions, std::vector<std::string>{"的"});
    const auto between_nouns = check_general(u"这是我们公司得产品手册。");
    ASSERT_EQ(between_nouns.size(), 1u);
    EXPECT_EQ(between_nouns[0].suggestions, std::vector<std::string>{"的"});
    // The noun use of a verb after 的 is right as written.
    EXPECT_TRUE(check_general(u"得到了各方积极的支持和帮助。").empty());
}

TEST(ServiceReading, UnpairedMarksGetTheirPartner) {
    check_options o;
    o.general = false;
    o.match_dots = true;
    const auto stray = velmo_test::shared_engine().check(u"会议在周三举行）。", o, {});
    ASSERT_EQ(stray.size(), 1u);
    EXPECT_EQ(stray[0].err_word, "行）");
    EXPECT_EQ(stray[0].suggestions, std::vector<std::string>{"行"});
    // Opened inside another pair and never closed: closed at the end of its clause.
    const auto inner = velmo_test::shared_engine().check(u"见《手册（第二版，第三章》。", o, {});
    ASSERT_EQ(inner.size(), 1u);
    EXPECT_EQ(inner[0].err_word, "（第二版");
    EXPECT_EQ(inner[0].suggestions, std::vector<std::string>{"（第二版）"});
}

// The labelled sentences: the figures reached when the rules were tuned are
// the floor, so that a change that loses recall or precision fails here.
TEST(ServiceEvaluation, RecallAndFalseAlarmsHoldOnTheLabelledSentences) {
    evaluation_result r;
    std::string error;
    ASSERT_TRUE(evaluation_run(
        velmo_test::shared_engine(),
        velmo_test::service_data_dir() + "/../../tests/service/data/typing_errors.tsv", r, &error))
        << error;
    int planted = 0, found = 0, corrected = 0;
    for (const evaluation_kind& k : r.kinds) {
        planted += k.sentences;
        found += k.found;
        corrected += k.corrected;
        EXPECT_GE(k.found * 100, k.sentences * 80) << k.kind;
    }
    EXPECT_GE(planted, 100);
    EXPECT_GE(r.clean, 50);
    EXPECT_GE(found, 109);
    EXPECT_GE(corrected, 107);
    EXPECT_EQ(r.false_alarms, 0);
}

// Office sentences written for the confusion checks: at most one clean
// sentence in fifty flagged, and four in five planted errors of the
// held-out set found (that set was never tuned on).
TEST(ServiceEvaluation, OfficeProseStaysCleanAndHeldOutErrorsAreFound) {
    const std::string dir = velmo_test::service_data_dir() + "/../../tests/service/data/";
    evaluation_result clean, held_out;
    std::string error;
    ASSERT_TRUE(
        evaluation_run(velmo_test::shared_engine(), dir + "office_clean.tsv", clean, &error))
        << error;
    ASSERT_TRUE(
        evaluation_run(velmo_test::shared_engine(), dir + "office_heldout.tsv", held_out, &error))
        << error;
    EXPECT_GE(clean.clean, 50);
    EXPECT_LE(clean.false_alarms * 100, clean.clean * 2);
    int planted = 0, found = 0;
    for (const evaluation_kind& k : held_out.kinds) {
        planted += k.sentences;
        found += k.found;
    }
    EXPECT_GE(planted, 20);
    EXPECT_GE(found * 100, planted * 80);
}
