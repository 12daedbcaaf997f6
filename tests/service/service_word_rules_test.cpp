// The rule files' loader, condition vocabulary and matcher, on files written
// here and the word list the service reads text with. Links the rules layer
// alone: no HTTP and no database.
#include "rules/service_word_rules.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "base/service_text.h"
#include "rules/service_engine.h"

using namespace velmo_service;

namespace {
const lexicon& words() {
    static const lexicon loaded = [] {
        lexicon l;
        l.load(engine_config{}.lexicon_file);
        return l;
    }();
    return loaded;
}

word_rule_file parsed(const std::string& text) {
    word_rule_file file;
    std::istringstream in(text);
    std::string error;
    EXPECT_TRUE(file.parse(in, "test.rules", &error)) << error;
    return file;
}

// "row@written" for every finding, in text order.
std::string found(const word_rule_file& file, const std::string& sentence,
                  std::optional<check_profile> profile = std::nullopt) {
    const std::u16string text = text_utf8_to_utf16(sentence);
    std::vector<finding> out;
    file.find(text, lexicon_segment_runs(words(), text), words(), out, profile);
    std::string seen;
    for (const finding& f : out) {
        seen += (seen.empty() ? "" : " ") + f.row + "@" + f.err_word + ">" + f.suggestions.at(0);
        EXPECT_EQ(text_utf16_to_utf8(text.substr(f.pos, f.length)), f.err_word);
    }
    return seen;
}

struct sentence_finds_t {
    const char* sentence;
    const char* finds;  // as found() writes it; "" for nothing
};

void expect_finds(const word_rule_file& file, std::initializer_list<sentence_finds_t> cases) {
    for (const sentence_finds_t& c : cases)
        EXPECT_EQ(found(file, c.sentence), c.finds) << c.sentence;
}
}  // namespace

// A file with a fault is refused whole, naming the line and what is wrong.
TEST(WordRules, AFaultyFileIsRefusedWithItsLine) {
    const struct {
        const char* text;
        const char* says;
    } faults[] = {
        {"rule r\nrow a\nwritten 在\nmeant 再\nafter word(来\n", "test.rules:5: ')' expected"},
        {"rule r\nrow a\nwritten 在\nmeant 再\nafter verbb\n", "no condition named verbb"},
        {"rule r\nrow a\nwritten 在\nmeant 再\nafter word(@nowhere)\n", "no list @nowhere"},
        {"rule r\nrow a\nwritten 在\nmeant 再\nafter tag(v) &\n", "a condition expected"},
        {"rule r\nrow a\nwritten 在\nmeant 再\nafter +1 tag(v)\n", "followed by ':'"},
        {"rule r\nrow a\nwritten 在\nmeant 再\nafter tag(v) tag(n)\n", "unexpected text"},
        {"rule r\nrow a\nwritten 在\nmeant 再\nafter length(two)\n", "a length is a number"},
        {"rule r\nrow a\nwritten 在\nmeant 再\nlevel loud\n", "test.rules:5: no level loud"},
        {"rule r\nrow a\nwritten 在\nmeant 再\nflagged 在来\n", "no key flagged"},
        {"rule r\nwritten 在\n", "test.rules:2: \"written\" before the first row"},
        {"rule r\n\nrow a\nwritten 在\n", "test.rules:3: row a without the word written or meant"},
        {"rule r\norder any\n", "the only order is first-fits"},
        {"rule r\nprofiles office native\n", "test.rules:2: no profile native"},
        {"rule r\nrow a\nwritten 在\nmeant 再\nprofiles essays\n", "no profile essays"},
        {"rule r\nrow a\nwritten 在\nmeant 再\nrow a\nwritten 再\nmeant 在\n",
         "test.rules:5: row id \"a\" not unique"},
    };
    for (const auto& fault : faults) {
        word_rule_file file;
        std::istringstream in(fault.text);
        std::string error;
        EXPECT_FALSE(file.parse(in, "test.rules", &error)) << fault.text;
        EXPECT_NE(error.find(fault.says), std::string::npos) << error;
        EXPECT_TRUE(file.empty());
    }
}

// Rows of one written word are tried in file order and the first that fits
// decides; each condition reads the word at its own place.
TEST(WordRules, TheFirstRowThatFitsDecides) {
    const word_rule_file file = parsed(R"(# comment
rule r
order first-fits
profiles office learners
list wish 不会 不想
row wish
written 在
meant 再
before word(@wish)
# a condition may go on on the next line
after tag(v)
  & !later(word(时候))
message again after a wish
row any-verb
written 在
meant 载
after tag(v)
level serious
profiles learners
)");
    ASSERT_EQ(file.rows().size(), 2u);
    EXPECT_EQ(file.rule(), "r");
    EXPECT_EQ(file.rows()[0].profiles, (std::vector<std::string>{"office", "learners"}));
    EXPECT_EQ(file.rows()[1].profiles, std::vector<std::string>{"learners"});
    EXPECT_EQ(file.rows()[1].level, level_serious);
    EXPECT_EQ(file.rows()[0].message, "again after a wish");
    EXPECT_EQ(found(file, "我不会在来了。"), "wish@在>再");
    // A place later in the clause keeps the first row from fitting: the next decides.
    EXPECT_EQ(found(file, "我不会在睡觉的时候来。"), "any-verb@在>载");
    EXPECT_EQ(found(file, "我们在北京。"), "");
    // A row outside the check's profile is passed over, so the next row of
    // its written word may decide; the file's profiles are those of rows that name none.
    EXPECT_EQ(file.profiles(), (std::vector<std::string>{"office", "learners"}));
    EXPECT_EQ(found(file, "我不会在睡觉的时候来。", check_profile::office), "");
    EXPECT_EQ(found(file, "我不会在睡觉的时候来。", check_profile::learners), "any-verb@在>载");
    EXPECT_EQ(found(file, "我不会在来了。", check_profile::office), "wish@在>再");
}

// Each test of the vocabulary on a row of its own, with a sentence that
// fits it and a close one that does not.
TEST(WordRules, EveryConditionReadsWhatItSays) {
    const word_rule_file file = parsed(R"(rule r
list wish 不会 不想
define wished word(@wish)
row shift
written 在
meant 再
before -1:word(我) & wished | end
row closed
written 吗
meant 嘛
before !end
after closed(？ ?) & question
row opened
written 应为
meant 因为
before opened(，)
row tags-and-ends
written 心理
meant 心里
before tag(r) & !word(他) | starts(妈) & ends(妈) & length(2)
after !tag(n vn nz) & !end
row sentence
written 在
meant 再
before !sentence-has(如果)
after word(去) & rest-has(吧) & run-has(然后) & run-has-before(先) & run-ends(吧)
row suffix
written 以
meant 一
after suffix(一下)
row tag-heads
written 完
meant 玩
before tag-starts(n) & !tag(n)
)");
    expect_finds(file, {
                           // -N:, end, & before |, and a define that reads a list.
                           {"我不会在来了。", "shift@在>再"},
                           {"在来一次。", "shift@在>再"},
                           {"你不会在来了。", ""},
                           // closed() needs the clause to end at the mark, question the sentence.
                           {"你好吗？", "closed@吗>嘛"},
                           {"你好吗，我很好。", ""},
                           // opened(): the run opens the text or follows one of the marks.
                           {"他没来，应为下雨。", "opened@应为>因为"},
                           {"应为下雨。", "opened@应为>因为"},
                           {"他没来；应为下雨。", ""},
                           {"他没来应为下雨。", ""},
                           // tag(), starts(), ends(), length(), negation.
                           {"我心理很难过。", "tags-and-ends@心理>心里"},
                           {"妈妈心理很难过。", "tags-and-ends@心理>心里"},
                           {"他心理很难过。", ""},
                           {"我心理学很好。", ""},
                           // tag-starts(): a place (ns) begins with n, a verb does not.
                           {"我们去北京完。", "tag-heads@完>玩"},
                           {"我们去公园完。", ""},
                           {"我们吃完。", ""},
                           // The stretches of text read around the word.
                           {"先吃饭然后在去吧", "sentence@在>再"},
                           {"如果先吃饭然后在去吧", ""},
                           {"先吃饭然后在去", ""},
                       });
}

// The tests kept in C++ because the conditions cannot say them.
TEST(WordRules, NamedTestsReadWhatTheConditionsCannot) {
    const word_rule_file file = parsed(R"(rule r
list first-step 先
list first-step-not-after 首 原
list first-step-not-before 生 前
row first-step
written 在
meant 再
before after-first-step
after tag(v)
row twice
written 以
meant 一
before length(1) & tag(v u)
after same-verb-twice
row doubled
written 的
meant 地
before doubled
after tag(v)
row letter
written 血
meant 恤
before after-letter-t
row pronoun
written 根
meant 跟
after personal-pronoun
)");
    expect_finds(file, {
                           // 先 names a first step, unless it is part of 首先, 先生 and the like.
                           {"我们先吃饭，在去玩。", "first-step@在>再"},
                           {"首先，在去之前想一想。", ""},
                           {"王先生，在去之前想一想。", ""},
                           {"你说以说。", "twice@以>一"},
                           {"你说以听。", ""},
                           {"他慢慢的走。", "doubled@的>地"},
                           {"他缓慢的走。", ""},
                           {"一件T血。", "letter@血>恤"},
                           {"一件血。", ""},
                           {"我根他去。", "pronoun@根>跟"},
                           {"我根本去。", ""},
                       });
}

// The first word of a run is read only when the file does not say otherwise.
TEST(WordRules, FromTheSecondWordSkipsTheFirst) {
    const std::string row = "row a\nwritten 在\nmeant 再\nafter word(来)\n";
    EXPECT_EQ(found(parsed("rule r\n" + row), "在来一次。"), "a@在>再");
    EXPECT_EQ(found(parsed("rule r\nfrom-second-word\n" + row), "在来一次。"), "");
    EXPECT_EQ(found(parsed("rule r\nfrom-second-word\n" + row), "不要在来。"), "a@在>再");
}
