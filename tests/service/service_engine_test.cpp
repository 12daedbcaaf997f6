// The checking engine and its rule families, called directly.
#include "rules/service_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <thread>

#include "base/service_text.h"
#include "cli/service_evaluation.h"
#include "rules/service_english.h"
#include "rules/service_matcher.h"
#include "rules/service_rules.h"
#include "rules/service_sentence_choice.h"
#include "service_test_support.h"

using namespace velmo_service;

namespace {

std::vector<finding> run(const std::u16string& text, const check_options& o,
                         const user_words& w = {}) {
    return velmo_test::shared_engine().check(text, o, w);
}

check_options only_general(int weight) {
    check_options o;
    o.general = true;
    o.weight = weight;
    return o;
}

check_options nothing() {
    check_options o;
    o.general = false;
    return o;
}

const finding* find_word(const std::vector<finding>& f, const std::string& word) {
    for (const finding& x : f)
        if (x.err_word == word) return &x;
    return nullptr;
}

}  // namespace

TEST(ServiceMatcher, FindsTheSameOccurrencesAsANaiveSearch) {
    std::mt19937 rng(7);
    for (int round = 0; round < 40; ++round) {
        // A small alphabet forces overlaps, shared prefixes and suffix patterns.
        const std::u16string alphabet = u"ab的的错\U00020000";
        auto random_text = [&](std::size_t len) {
            std::u16string t;
            for (std::size_t i = 0; i < len; ++i) t.push_back(alphabet[rng() % alphabet.size()]);
            return t;
        };
        text_matcher m;
        std::vector<std::u16string> patterns;
        for (int k = 0; k < 12; ++k) {
            std::u16string p = random_text(1 + rng() % 4);
            if (std::find(patterns.begin(), patterns.end(), p) != patterns.end()) continue;
            patterns.push_back(p);
            m.add(p, static_cast<int>(patterns.size() - 1));
        }
        m.build();
        const std::u16string text = random_text(200);
        std::vector<text_match> got;
        m.find_all(text, got);
        std::vector<std::tuple<std::size_t, std::size_t, int>> a, b;
        for (const auto& g : got) a.emplace_back(g.pos, g.length, g.id);
        for (std::size_t id = 0; id < patterns.size(); ++id)
            for (std::size_t pos = text.find(patterns[id]); pos != std::u16string::npos;
                 pos = text.find(patterns[id], pos + 1))
                b.emplace_back(pos, patterns[id].size(), static_cast<int>(id));
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        ASSERT_EQ(a, b) << "round " << round;
    }
}

TEST(ServiceMatcher, LeftmostLongestKeepsOneMatchPerStretch) {
    std::vector<text_match> m = {{2, 2, 0}, {0, 3, 1}, {0, 2, 2}, {5, 1, 3}};
    auto kept = text_matches_leftmost_longest(m);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].id, 1);
    EXPECT_EQ(kept[1].id, 3);
}

TEST(ServiceText, ConvertsAndCountsOutsideTheBasicPlane) {
    const std::string s = "a\xF0\xA0\x80\x80\xE4\xB8\xAD \xF0\x9D\x84\x9E";  // a 𠀀 中 space 𝄞
    const std::u16string t = text_utf8_to_utf16(s);
    EXPECT_EQ(t.size(), 7u);
    EXPECT_EQ(text_utf16_to_utf8(t), s);
    EXPECT_EQ(text_count_words(t), 4);
    // Broken sequences become replacement characters instead of being dropped.
    EXPECT_EQ(text_utf8_to_utf16("\xE4\xB8").size(), 1u);
    EXPECT_EQ(text_utf8_to_utf16("\xC0\x80x"), u"\uFFFDx");  // overlong form
}

TEST(ServiceEngine, DataFilesAreLoaded) {
    const check_engine& e = velmo_test::shared_engine();
    EXPECT_GE(e.misspelling_count(), 300u);
    EXPECT_TRUE(e.english_ready());
    EXPECT_TRUE(e.traditional_ready());
    EXPECT_TRUE(e.has_field_dictionary(13));
    EXPECT_FALSE(e.has_field_dictionary(5));
}

TEST(ServiceEngine, PositionsAreUtf16UnitsAcrossScriptsAndSupplementaryCharacters) {
    // 𠀀 and 𝄞 take two units each.
    const std::u16string text = u"\U00020000A\U0001D11E按步就班，Hello 再接再励";
    auto f = run(text, only_general(0));
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[0].pos, 5u);
    EXPECT_EQ(f[0].err_word, "按步就班");
    EXPECT_EQ(f[0].suggestions, std::vector<std::string>{"按部就班"});
    EXPECT_EQ(f[1].pos, text.find(u"再接再励"));
    EXPECT_EQ(f[1].length, 4u);
}

TEST(ServiceEngine, GeneralRulesFollowTheSentenceOptionAndTheWeight) {
    const std::u16string text = u"我们按步就班地布署工作，做为试点的的单位。";
    EXPECT_TRUE(run(text, nothing()).empty());
    auto fast = run(text, only_general(0));
    EXPECT_TRUE(find_word(fast, "按步就班"));
    EXPECT_FALSE(find_word(fast, "布署"));
    EXPECT_FALSE(find_word(fast, "的的"));
    auto normal = run(text, only_general(1));
    ASSERT_TRUE(find_word(normal, "布署"));
    EXPECT_EQ(find_word(normal, "布署")->suggestions[0], "部署");
    ASSERT_TRUE(find_word(normal, "的的"));
    EXPECT_FALSE(find_word(normal, "做为"));
    auto strict = run(text, only_general(2));
    ASSERT_TRUE(find_word(strict, "做为"));
    EXPECT_EQ(find_word(strict, "做为")->level, level_suspect);
    // Ascending positions.
    for (std::size_t i = 1; i < strict.size(); ++i) EXPECT_LE(strict[i - 1].pos, strict[i].pos);
}

TEST(ServiceEngine, RepeatsHonourExemptionsAndWeights) {
    auto f = run(u"这件事不了了之，是是非非说不清。我们我们去研究。", only_general(1));
    EXPECT_FALSE(find_word(f, "了了"));
    EXPECT_FALSE(find_word(f, "是是"));
    EXPECT_FALSE(find_word(f, "我们我们"));
    auto strict = run(u"我们我们去研究。the the end", only_general(2));
    ASSERT_TRUE(find_word(strict, "我们我们"));
    EXPECT_EQ(find_word(strict, "我们我们")->level, level_suspect);
    ASSERT_TRUE(find_word(strict, "the the"));
    EXPECT_EQ(find_word(strict, "the the")->pos, 8u);
}

TEST(ServiceEngine, PunctuationRulesFollowTheirOption) {
    const std::u16string text = u"他说(这是对的）,然后“离开。书名《无题》没问题,好吗";
    EXPECT_TRUE(run(text, nothing()).empty());
    check_options o = nothing();
    o.match_dots = true;
    auto f = run(text, o);
    // ( closed by ）: the closing mark is reported with the matching one.
    const finding* mismatch = find_word(f, "）");
    ASSERT_TRUE(mismatch);
    EXPECT_EQ(mismatch->suggestions, std::vector<std::string>{")"});
    // “ never closed: the closer is offered at the end of its clause.
    const finding* open_quote = find_word(f, "“离开");
    ASSERT_TRUE(open_quote);
    EXPECT_EQ(open_quote->pos, text.find(u'“'));
    EXPECT_EQ(open_quote->suggestions, std::vector<std::string>{"“离开”"});
    // Half-width commas between Chinese characters.
    int commas = 0;
    for (const finding& x : f)
        if (x.err_word == ",") {
            ++commas;
            EXPECT_EQ(x.suggestions, std::vector<std::string>{"，"});
        }
    EXPECT_EQ(commas, 1);  // the first comma follows a bracket, not a Chinese character
    EXPECT_FALSE(find_word(f, "《"));
    // Within straight quotes a half-width mark is a literal; past them it is prose again.
    const auto colons = [&](const std::u16string& t) {
        int n = 0;
        for (const finding& x : run(t, o)) n += x.err_word == ":";
        return n;
    };
    EXPECT_EQ(colons(u"以\"容器名:单元名\"格式列出，然后:再"), 1);
    EXPECT_EQ(colons(u"一个\"引号\n后面:再"), 1);
    // Braces are code, not brackets of prose; [0,1) is an interval, [数,1) a slip.
    EXPECT_TRUE(run(u"字符串 ${ 不被认为有效，以一个}结束。", o).empty());
    EXPECT_TRUE(run(u"范围是区间[0,1)。", o).empty());
    EXPECT_EQ(run(u"范围是区间[数,1)。", o).size(), 2u);
    // Past the length of an interval, [ closed by ) is a mismatch again.
    EXPECT_EQ(run(u"见[" + std::u16string(60, u'x') + u")。", o).size(), 2u);
}

TEST(ServiceEngine, DoubledPunctuationFromNormalWeight) {
    check_options o = nothing();
    o.match_dots = true;
    EXPECT_FALSE(find_word(run(u"好。。然后", o), "。。"));
    o.weight = 1;
    auto f = run(u"好。。然后", o);
    ASSERT_TRUE(find_word(f, "。。"));
    EXPECT_EQ(find_word(f, "。。")->suggestions[0], "。");
}

TEST(ServiceEngine, TraditionalCharactersFollowFanTi) {
    const std::u16string text = u"我们在這裡等候，乾坤未定。";
    EXPECT_TRUE(run(text, nothing()).empty());
    check_options o = nothing();
    o.traditional = true;
    auto f = run(text, o);
    ASSERT_EQ(f.size(), 1u) << f[0].err_word;
    EXPECT_EQ(f[0].err_word, "這裡");
    EXPECT_EQ(f[0].pos, 3u);
    EXPECT_EQ(f[0].suggestions, std::vector<std::string>{"这里"});
}

TEST(ServiceEngine, EnglishSpellingFollowsChkEng) {
    const std::u16string text = u"请检查recieve和NASA以及e-mail、abc123和 Thiss word";
    EXPECT_TRUE(run(text, nothing()).empty());
    check_options o = nothing();
    o.english = true;
    auto f = run(text, o);
    const finding* r = find_word(f, "recieve");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->pos, 3u);
    EXPECT_NE(std::find(r->suggestions.begin(), r->suggestions.end(), "receive"),
              r->suggestions.end());
    EXPECT_FALSE(find_word(f, "NASA"));
    EXPECT_FALSE(find_word(f, "e"));
    EXPECT_FALSE(find_word(f, "mail"));
    EXPECT_FALSE(find_word(f, "abc"));
    ASSERT_TRUE(find_word(f, "Thiss"));
    EXPECT_EQ(find_word(f, "Thiss")->level, level_suspect);
    EXPECT_FALSE(find_word(f, "word"));
}

TEST(ServiceEngine, EnglishSuggestionsAreBoundedPerCheckKeptAcrossChecksAndChecksRunAtOnce) {
    // Five distinct unknown words, then the first again: every one is
    // reported, only the first three distinct ones get suggestions, and the
    // repeat gets the same suggestions as its first occurrence.
    const english_speller speller("/usr/share/hunspell/en_US.aff", "/usr/share/hunspell/en_US.dic",
                                  2, 3, std::chrono::hours(1));
    ASSERT_TRUE(speller.ready());
    const std::u16string text = u"recieve teh wrold thier adress recieve";
    auto check = [&] {
        std::vector<finding> out;
        speller.find(text, out);
        return out;
    };
    const auto alone = check();
    ASSERT_EQ(alone.size(), 6u);
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(alone[i].suggestions.empty(), i >= 3) << alone[i].err_word;
    EXPECT_EQ(alone[5].suggestions, alone[0].suggestions);
    // Checks running at once each borrow a speller. What the first check was
    // suggested is kept: they take it as it was, without counting it against
    // their bound, so the two words the first left without get theirs too.
    // Hunspell cuts its slowest suggestion pass short on a busy machine, so
    // the new ones are compared by who gets suggestions.
    std::vector<std::vector<finding>> together(3);
    std::vector<std::thread> threads;
    for (auto& out : together) threads.emplace_back([&] { out = check(); });
    for (std::thread& t : threads) t.join();
    for (const auto& out : together) {
        ASSERT_EQ(out.size(), alone.size());
        for (std::size_t i = 0; i < out.size(); ++i) {
            EXPECT_EQ(out[i].err_word, alone[i].err_word);
            EXPECT_FALSE(out[i].suggestions.empty()) << i;
            if (!alone[i].suggestions.empty()) {
                EXPECT_EQ(out[i].suggestions, alone[i].suggestions);
            }
        }
    }
}

TEST(ServiceEngine, LeaderPhrasesAndRegionPhrasesFollowTheirOptions) {
    const std::u16string text = u"会议由赵名远主持，提到示例地区总统。";
    EXPECT_TRUE(run(text, nothing()).empty());
    check_options o = nothing();
    o.leader = true;
    auto f = run(text, o);
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].err_word, "赵名远");
    EXPECT_EQ(f[0].level, level_serious);
    EXPECT_EQ(f[0].suggestions[0], "赵明远");
    o = nothing();
    o.taiwan = true;
    f = run(text, o);
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].err_word, "示例地区总统");
    EXPECT_EQ(f[0].suggestions[0], "示例地区领导人");
}

TEST(ServiceEngine, LeaderOrderIsCheckedPerSentence) {
    check_options o = nothing();
    EXPECT_TRUE(run(u"钱立华和赵明远出席。", o).empty());
    o.leader_sort = true;
    EXPECT_TRUE(run(u"赵明远、钱立华出席。孙文博到场。", o).empty());
    EXPECT_TRUE(run(u"钱立华发言。赵明远出席。", o).empty());
    auto f = run(u"出席的有钱立华、孙文博和赵明远。", o);
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(f[0].err_word, "钱立华");
    EXPECT_EQ(f[0].pos, 4u);
    EXPECT_EQ(f[0].suggestions[0], "赵明远");
    EXPECT_EQ(f[2].err_word, "赵明远");
    EXPECT_EQ(f[2].suggestions[0], "孙文博");
}

TEST(ServiceEngine, FieldDictionaryOnlyForItsProfType) {
    const std::u16string text = u"保护胃粘膜。";
    check_options o = only_general(1);
    EXPECT_TRUE(run(text, o).empty());
    o.prof_type = 13;
    auto f = run(text, o);
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].suggestions[0], "黏膜");
    o.prof_type = 5;  // no dictionary for that field
    EXPECT_TRUE(run(text, o).empty());
}

TEST(ServiceEngine, UserErrorsAndOwnWords) {
    user_words w;
    w.errors = {"蓝天科技", "  "};
    check_options o = nothing();
    EXPECT_TRUE(run(u"蓝天科技公司", o, w).empty());
    o.user_errors = true;
    auto f = run(u"关于蓝天科技公司", o, w);
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].pos, 2u);
    EXPECT_TRUE(f[0].suggestions.empty());

    // Own words silence every family that touches them.
    check_options all = only_general(2);
    all.english = true;
    all.traditional = true;
    const std::u16string text = u"按步就班的zorblax在這裡";
    EXPECT_EQ(run(text, all).size(), 3u);
    w.own = {"按步就班", "zorblax", "這裡"};
    EXPECT_TRUE(run(text, all, w).empty());
}

TEST(ServiceEngine, ProgressReachesTheLastStage) {
    std::vector<int> seen;
    check_options o = only_general(2);
    o.match_dots = o.english = o.traditional = true;
    velmo_test::shared_engine().check(u"文本", o, {}, [&](int p) { seen.push_back(p); });
    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(seen.back(), 99);
}

TEST(ServiceEngine, GuessesOfOneStretchAreWeighedTogether) {
    // With 痴 in place (alone, or as the sound-alike word 痴呆), 癌症 no
    // longer reads better than 呆症.
    const auto dementia =
        run(u"就算我们老的时候得了老人疵呆症，也可以翻一翻那本书。", only_general(1));
    const finding* slip =
        find_word(dementia, "疵") ? find_word(dementia, "疵") : find_word(dementia, "疵呆");
    ASSERT_TRUE(slip);
    EXPECT_EQ(slip->suggestions[0], slip->err_word == "疵" ? "痴" : "痴呆");
    EXPECT_FALSE(find_word(dementia, "呆症"));
    // 学到 taken (at 道, or as the word 学道 written for it), the 的 of 慢慢的
    // is left as written.
    const auto learning =
        run(u"让学生可以学道更多东西，因为我觉得每天在家里读书学生会慢慢的无了。", only_general(1));
    ASSERT_TRUE(find_word(learning, "道") || find_word(learning, "学道"));
    EXPECT_FALSE(find_word(learning, "的"));
}

TEST(ServiceEngine, GuessesOfDifferentRulesOnOneSpanCompete) {
    // The sound-alike word 特许 and the look-alike 持 for 特 both read 特续;
    // the word model prefers 持续, though the sound-alike rule runs first.
    const auto sliding = run(u"每位产龄妇女的生育婴儿个数却特续下滑。", only_general(1));
    ASSERT_TRUE(find_word(sliding, "特"));
    EXPECT_EQ(find_word(sliding, "特")->suggestions[0], "持");
    EXPECT_FALSE(find_word(sliding, "特续"));
}

TEST(ServiceEngine, GuessesOnOneSpanAreWeighedByTheChanceOfTheSlipToo) {
    const engine_config config;
    lexicon words;
    ASSERT_TRUE(words.load(config.lexicon_file));
    language_model model;
    ASSERT_TRUE(model.load(config.language_model_file));
    ASSERT_TRUE(model.load_characters(velmo_test::service_data_dir() + "/char-ngrams.txt", 0.5));
    const std::u16string text = u"详细内容见付件。我们以经完成了。";
    const std::vector<chinese_run> runs = lexicon_segment_runs(words, text);
    const std::vector<double> shares(runs.size(), 1.0);
    const auto guess = [&](std::size_t pos, const std::u16string& written, const char* meant,
                           double log_chance) {
        finding f;
        f.pos = pos;
        f.length = written.size();
        f.err_word = text_utf16_to_utf8(written);
        f.suggestions = {meant};
        f.log_chance = log_chance;
        return f;
    };
    // 付件 typed by sound for 附件 beats 条件 read from a look-alike, though the
    // model with its character part prefers 条件; of two guesses that make
    // 已经, the first stays.
    std::vector<finding> found = {guess(5, u"付件", "附件", -0.5), guess(5, u"付", "条", -3.0),
                                  guess(10, u"以经", "已经", -1.0), guess(10, u"以", "已", 0.0)};
    sentence_choose_jointly(model, runs, shares, {true, true, true, true}, found);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].suggestions[0], "附件");
    EXPECT_EQ(found[1].err_word, "以经");

    // Without the model the first of overlapping guesses stands; a finding no
    // guess (a listed misspelling) is never dropped.
    std::vector<finding> unweighed = {guess(5, u"付件", "附件", 0), guess(5, u"付", "条", 0),
                                      guess(5, u"付", "附", 0)};
    sentence_choose_jointly(language_model(), runs, shares, {true, true, false}, unweighed);
    ASSERT_EQ(unweighed.size(), 2u);
    EXPECT_EQ(unweighed[0].suggestions[0], "附件");
    EXPECT_EQ(unweighed[1].suggestions[0], "附");
}

TEST(ServiceEngine, EveryRuleStaysInsideOddText) {
    // Chinese, Latin, digits, punctuation of both widths, a character beyond
    // the basic plane, lone surrogates and line breaks, in random order: every
    // finding of every rule lies inside the text and names what stands there.
    const std::u16string pieces[] = {u"我们",
                                     u"在",
                                     u"再",
                                     u"的",
                                     u"得",
                                     u"地",
                                     u"他",
                                     u"她",
                                     u"哪里",
                                     u"以经",
                                     u"值",
                                     u"空串",
                                     u"，",
                                     u"。",
                                     u"？",
                                     u"、",
                                     u"（",
                                     u"）",
                                     u"“",
                                     u"abc",
                                     u"OS/2",
                                     u" ",
                                     u"12",
                                     u"\n",
                                     u"\U00020000",
                                     std::u16string(1, 0xD800),
                                     std::u16string(1, 0xDC00),
                                     u"企业门",
                                     u"一前",
                                     u"作法"};
    check_options all = only_general(2);
    all.match_dots = all.english = all.traditional = all.leader = all.taiwan = true;
    std::mt19937 rng(29);
    for (int round = 0; round < 300; ++round) {
        std::u16string text;
        for (std::size_t n = rng() % 40; n > 0; --n) text += pieces[rng() % std::size(pieces)];
        for (const finding& f : run(text, all)) {
            ASSERT_LE(f.pos + f.length, text.size()) << text_utf16_to_utf8(text);
            EXPECT_EQ(f.err_word, text_utf16_to_utf8(text.substr(f.pos, f.length)));
        }
    }
}

TEST(ServiceEngine, TheCharacterModelCountsPerSentence) {
    // A learner's sentence and a manual's in one text: each is weighed as it
    // reads, so the slip of the first is found and the term of the second kept.
    const auto mixed =
        run(u"房租很贵，在加上房东不好，我只好搬走。设置或接收最大出站 TCP 数据段尺寸。",
            only_general(1));
    ASSERT_TRUE(find_word(mixed, "在"));
    EXPECT_EQ(find_word(mixed, "在")->suggestions[0], "再");
    EXPECT_FALSE(find_word(mixed, "收"));
}

TEST(ServiceEngine, NamesSpelledBySoundAreKeptAsWrittenAndOnlyThose) {
    lexicon words;
    ASSERT_TRUE(words.load(engine_config{}.lexicon_file));
    const auto marked = [&](const std::u16string& text) {
        std::u16string out;
        for (const chinese_run& run : lexicon_segment_runs(words, text)) {
            const std::vector<bool> name = rules_probable_names(run);
            EXPECT_EQ(name.size(), run.text.size());
            for (std::size_t i = 0; i < name.size(); ++i)
                if (name[i]) out += run.text[i];
        }
        return out;
    };
    // Three or more characters that spell foreign names, wherever they stand.
    EXPECT_EQ(marked(u"这本书讲莫力纽的故事。"), u"莫力纽");
    EXPECT_EQ(marked(u"车尔诺贝力的核电厂"), u"尔诺贝力");
    // Two such characters in a row are a word as often as a name (巴西, 比多).
    EXPECT_EQ(marked(u"我去过巴西，他比我多去了一次。"), u"");
    // Characters beyond the basic plane and lone surrogates are no name.
    EXPECT_EQ(marked(u"\U00020000\U00020001\U00020002阿"), u"");
}

// Native prose that reads like slips: a listed slip cut out of two words
// (以经济, 从新疆), 的 before a noun that opens with it, an office's short
// name, a parallel phrase, terms that native prose writes (彼端, 子串, 行尾) and a
// word an input method offers for another (悔意). The whole chain leaves them
// alone, and still finds the slips of close sentences.
TEST(ServiceEngine, NativeProseThatReadsLikeSlipsIsLeftAlone) {
    const check_options options = evaluation_options();
    for (const char16_t* clean :
         {u"以经济建设为中心。", u"他昨天从新疆回到北京。", u"开车的的哥很热情。",
          u"县信访办主任依法依规处理来信。", u"省发改委主任出席了会议。",
          u"如果没有从彼端接收到回应，就断开连线。", u"它返回匹配的最长子串。",
          u"会议结束后他表示了悔意。", u"把光标移到行尾再输入。", u"请求或宏不会执行。",
          u"结果相同就比较下一个表达式，依此类推。"}) {
        std::string seen;
        for (const finding& f : run(clean, options))
            seen += " " + f.rule + ":" + f.err_word + "->" + f.suggestions.at(0);
        EXPECT_EQ(seen, "") << text_utf16_to_utf8(clean);
    }
    const struct {
        const char16_t* text;
        const char* written;
        const char* meant;
    } slips[] = {
        {u"我们以经完成了。", "以经", "已经"},   {u"我们要从新开始。", "从新", "重新"},
        {u"这是我的的书。", "的的", "的"},       {u"社会应该办助她们。", "办助", "帮助"},
        {u"这里有一个简单的列子。", "列", "例"}, {u"联席悔意办公室设在民政部。", "悔意", "会议"}};
    for (const auto& slip : slips) {
        const std::vector<finding> found = run(slip.text, options);
        const finding* f = find_word(found, slip.written);
        ASSERT_NE(f, nullptr) << text_utf16_to_utf8(slip.text);
        EXPECT_EQ(f->suggestions.at(0), slip.meant);
    }
}
