// Every rule of the table against its example sentences: those beside each
// row of its rule file (service/data/rules/<rule id>.rules), or those of its
// example file (service/rules/examples/<rule id>.txt) for a rule kept in
// C++. Each flagged example is reported by that rule alone, at exactly the
// marked spans with the marked suggestion first (by the row it stands
// beside), and the rule reports nothing on the others.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <tuple>
#include <vector>

#include "base/service_text.h"
#include "cli/service_evaluation.h"
#include "rules/service_rule_table.h"
#include "rules/service_word_rules.h"
#include "service_test_support.h"

using namespace velmo_service;

namespace {
std::string examples_dir() { return velmo_test::service_data_dir() + "/../rules/examples"; }
std::string rule_file(std::string_view id) {
    return velmo_test::service_data_dir() + "/rules/" + std::string(id) + ".rules";
}

// One example: "flag" or "pass", TAB, the sentence; and the row it stands
// beside, if its rule is kept as rows.
struct example_line {
    std::string line;
    std::string row;
    check_profile profile = check_profile::office;  // one the row or its file belongs to
};

check_profile first_profile(const std::vector<std::string>& names) {
    check_profile p = check_profile::office;
    if (!names.empty()) profile_named(names[0], p);
    return p;
}

std::vector<example_line> rule_examples(std::string_view id) {
    std::vector<example_line> out;
    word_rule_file rows;
    std::string error;
    // The rows' examples stand beside them; what a rule finds otherwise (its
    // word lists, a table of its own) has its examples in the example file.
    const bool has_file = std::ifstream(rule_file(id)) && rows.load(rule_file(id), &error);
    for (const word_row& row : rows.rows()) {
        const check_profile p = first_profile(row.profiles);
        for (const std::string& flag : row.flags) out.push_back({"flag\t" + flag, row.id, p});
        for (const std::string& pass : row.passes) out.push_back({"pass\t" + pass, row.id, p});
    }
    const check_profile p = has_file ? first_profile(rows.profiles()) : check_profile::office;
    std::ifstream in(examples_dir() + "/" + std::string(id) + ".txt");
    std::string line;
    while (std::getline(in, line))
        if (!line.empty() && line[0] != '#') out.push_back({line, "", p});
    return out;
}

struct marked_span {
    std::size_t pos, length;
    std::string meant;
};

// Takes every [written|meant] out of `text`, leaving the written part; false
// when a mark is not closed.
bool take_marks(std::u16string& text, std::vector<marked_span>& marks) {
    for (std::size_t open = text.find(u'['); open != std::u16string::npos;
         open = text.find(u'[', open)) {
        const std::size_t bar = text.find(u'|', open), close = text.find(u']', bar);
        if (close == std::u16string::npos || text.find(u'[', open + 1) < close) return false;
        marks.push_back(
            {open, bar - open - 1, text_utf16_to_utf8(text.substr(bar + 1, close - bar - 1))});
        text =
            text.substr(0, open) + text.substr(open + 1, bar - open - 1) + text.substr(close + 1);
    }
    return true;
}

// Runs one example line, set between `before` and `after` in its paragraph;
// returns what went wrong, empty when it held. A flagged line may mark
// several spans: each must be reported as marked.
std::string run_example(const rule_spec& rule, const std::string& line,
                        const std::u16string& before = {}, const std::u16string& after = {},
                        const std::string& row = {},
                        check_profile profile = check_profile::office) {
    const std::size_t tab = line.find('\t');
    if (tab == std::string::npos) return "no TAB";
    const std::string kind = line.substr(0, tab);
    std::u16string text = text_utf8_to_utf16(line.substr(tab + 1));
    std::vector<marked_span> marks;
    if (kind != "flag" && kind != "pass") return "kind is neither flag nor pass";
    if (!take_marks(text, marks)) return "a [written|meant] not closed";
    if ((kind == "flag") != !marks.empty())
        return kind == "flag" ? "no [written|meant]" : "a passing line marks a span";
    text = before + text + after;
    for (marked_span& m : marks) m.pos += before.size();
    check_options options = evaluation_options();
    options.prof_type = 13;
    options.profile = profile;
    const std::vector<finding> found = velmo_test::shared_engine().check_rules(
        text, options, [&](std::string_view id) { return id == rule.id; });
    std::string seen;
    for (const finding& f : found) {
        seen += " " + f.err_word + "->" + (f.suggestions.empty() ? "?" : f.suggestions[0]);
        if (f.rule != rule.id) return "a finding without its rule's id:" + seen;
    }
    if (kind == "pass") return found.empty() ? "" : "false alarm:" + seen;
    for (const marked_span& m : marks)
        if (std::none_of(found.begin(), found.end(), [&](const finding& f) {
                return f.pos == m.pos && f.length == m.length && !f.suggestions.empty() &&
                       f.suggestions[0] == m.meant;
            }))
            return "not found as marked; found:" + seen;
    if (!row.empty() &&
        std::none_of(found.begin(), found.end(), [&](const finding& f) { return f.row == row; }))
        return "not found by its row " + row;
    return "";
}
// One finding of one character at `pos`, a suspect one, with `meant` first.
void expect_one_suspect_character(const std::vector<finding>& found, std::size_t pos,
                                  const std::string& meant) {
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].pos, pos);
    EXPECT_EQ(found[0].length, 1u);
    EXPECT_EQ(found[0].level, level_suspect);
    EXPECT_EQ(found[0].suggestions, std::vector<std::string>{meant});
}

// What the rule `id` alone finds in `text` at the evaluation's options.
std::vector<finding> by_rule(std::string_view id, const std::u16string& text,
                             check_profile profile = check_profile::office) {
    check_options options = evaluation_options();
    options.profile = profile;
    return velmo_test::shared_engine().check_rules(
        text, options, [&](std::string_view rule) { return rule == id; });
}
}  // namespace

TEST(ServiceRuleExamples, EveryRuleHoldsOnItsExamples) {
    ASSERT_TRUE(velmo_test::shared_engine().language_model_ready());
    for (const rule_spec& rule : rule_table()) {
        // The user's own error list comes with the request, so it has no text-only examples.
        if (rule.id == "user-errors") continue;
        const std::vector<example_line> examples = rule_examples(rule.id);
        for (const example_line& example : examples) {
            const std::string problem =
                run_example(rule, example.line, {}, {}, example.row, example.profile);
            EXPECT_TRUE(problem.empty())
                << rule.id << " " << example.row << ": " << example.line << ": " << problem;
        }
        EXPECT_GE(examples.size(), 1u) << "no examples for " << rule.id;
    }
}

// A rule kept as rows has them in one file that loads whole, and each row
// shows at least one sentence it flags and one close sentence it leaves alone.
TEST(ServiceRuleExamples, EveryRowHasBothKindsOfExample) {
    int files = 0;
    for (const rule_spec& rule : rule_table()) {
        if (!std::ifstream(rule_file(rule.id))) continue;
        ++files;
        word_rule_file rows;
        std::string error;
        ASSERT_TRUE(rows.load(rule_file(rule.id), &error)) << error;
        EXPECT_EQ(rows.rule(), rule.id);
        std::ifstream listed(examples_dir() + "/" + std::string(rule.id) + ".txt");
        std::vector<std::string> elsewhere;
        for (std::string line; std::getline(listed, line);)
            if (line.find('\t') != std::string::npos)
                elsewhere.push_back(line.substr(line.find('\t') + 1));
        for (const word_row& row : rows.rows()) {
            EXPECT_FALSE(row.flags.empty()) << rule.id << " " << row.id << " flags nothing";
            EXPECT_FALSE(row.passes.empty()) << rule.id << " " << row.id << " passes nothing";
            EXPECT_FALSE(row.message.empty()) << rule.id << " " << row.id << " says nothing";
            std::vector<std::string> own = row.flags;
            own.insert(own.end(), row.passes.begin(), row.passes.end());
            for (const std::string& example : own)
                EXPECT_EQ(std::count(elsewhere.begin(), elsewhere.end(), example), 0)
                    << rule.id << " " << row.id << " keeps " << example << " in two places";
        }
    }
    EXPECT_GE(files, 1);
}

namespace {
// The sentences of a rule's example file, marks taken out.
std::vector<std::u16string> example_texts(const rule_spec& rule) {
    std::vector<std::u16string> texts;
    for (const example_line& example : rule_examples(rule.id)) {
        const std::string& line = example.line;
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        std::u16string text = text_utf8_to_utf16(line.substr(tab + 1));
        std::vector<marked_span> marks;
        if (take_marks(text, marks)) texts.push_back(std::move(text));
    }
    return texts;
}

// A finding as the user sees it: place, length and first suggestion.
using seen_finding = std::tuple<std::size_t, std::size_t, std::string>;

std::vector<seen_finding> seen(const rule_spec& rule, const std::u16string& text,
                               std::size_t shift) {
    check_options options = evaluation_options();
    options.prof_type = 13;
    options.profile = check_profile::learners;  // whose profile holds every row
    std::vector<seen_finding> out;
    for (const finding& f : velmo_test::shared_engine().check_rules(
             text, options, [&](std::string_view id) { return id == rule.id; }))
        out.emplace_back(f.pos + shift, f.length,
                         f.suggestions.empty() ? std::string() : f.suggestions[0]);
    std::sort(out.begin(), out.end());
    return out;
}
}  // namespace

// A document is many paragraphs: each rule finds in one paragraph of a long
// text exactly what it finds in that paragraph alone, at the same place
// shifted. Nothing one paragraph holds (an open quotation, a person named, a
// word written twice) changes what is reported in another, and no rule loses
// its place in a long text.
TEST(ServiceRuleExamples, EachParagraphOfALongTextIsCheckedAsItWouldBeAlone) {
    for (const rule_spec& rule : rule_table()) {
        if (rule.id == "user-errors") continue;
        const std::vector<std::u16string> texts = example_texts(rule);
        std::u16string document;
        std::vector<seen_finding> expected;
        for (const std::u16string& text : texts) {
            const std::vector<seen_finding> alone = seen(rule, text, document.size());
            expected.insert(expected.end(), alone.begin(), alone.end());
            document += text + u"\n";
        }
        std::sort(expected.begin(), expected.end());
        const std::vector<seen_finding> found = seen(rule, document, 0);
        // What differs, shown by the stretch of the document around it.
        std::string missing, extra;
        const auto show = [&](const seen_finding& f) {
            const std::size_t at = std::get<0>(f);
            const std::size_t from = at > 10 ? at - 10 : 0;
            return " [" + text_utf16_to_utf8(document.substr(from, at - from + 10)) + "->" +
                   std::get<2>(f) + "]";
        };
        for (const seen_finding& f : expected)
            if (!std::binary_search(found.begin(), found.end(), f)) missing += show(f);
        for (const seen_finding& f : found)
            if (!std::binary_search(expected.begin(), expected.end(), f)) extra += show(f);
        EXPECT_EQ(missing, "") << rule.id << ": found alone, not in the long text";
        EXPECT_EQ(extra, "") << rule.id << ": found in the long text only";
    }
}

// A sentence holds its slips, and its correct reading, wherever it stands:
// with plain sentences before and after it in its paragraph (no person, no
// quotation, nothing a rule reads), every example holds as it does alone.
TEST(ServiceRuleExamples, ExamplesHoldBetweenOtherSentences) {
    const std::u16string before = u"今天的会议很顺利。", after = u"这些数据下周再整理。";
    for (const rule_spec& rule : rule_table()) {
        if (rule.id == "user-errors") continue;
        for (const example_line& example : rule_examples(rule.id)) {
            const std::string problem =
                run_example(rule, example.line, before, after, example.row, example.profile);
            EXPECT_TRUE(problem.empty()) << rule.id << ": " << example.line << ": " << problem;
        }
    }
}

// A check carries nothing over to the next: the whole chain finds the same in
// a text the tenth time as the first, whatever was checked in between.
TEST(ServiceRuleExamples, RepeatedChecksFindTheSame) {
    std::u16string document, other;
    for (const rule_spec& rule : rule_table())
        for (const std::u16string& text : example_texts(rule))
            (document.size() < other.size() ? document : other) += text + u"\n";
    const check_options options = evaluation_options();
    const auto all = [&](const std::u16string& text) {
        std::vector<seen_finding> out;
        for (const finding& f : velmo_test::shared_engine().check(text, options, {}))
            out.emplace_back(f.pos, f.length, f.rule + ":" + f.err_word);
        return out;
    };
    const std::vector<seen_finding> first = all(document);
    ASSERT_GT(first.size(), 100u);
    for (int round = 0; round < 9; ++round) {
        all(other);
        ASSERT_EQ(all(document), first) << "round " << round + 2;
    }
}

// Rule ids are unique and every finding of a full check names a rule of the table.
TEST(ServiceRuleExamples, FindingsNameTheirRule) {
    for (const rule_spec& rule : rule_table()) EXPECT_EQ(rule_find(rule.id), &rule);
    check_options all = evaluation_options();
    all.english = all.traditional = true;
    const std::vector<finding> found = velmo_test::shared_engine().check(
        u"我们以经完成了工作作总结，身体建康，關於Please chekc（", all, {});
    ASSERT_GE(found.size(), 5u);
    for (const finding& f : found) {
        EXPECT_NE(rule_find(f.rule), nullptr) << f.err_word;
        EXPECT_GE(f.level, 1) << f.err_word;
    }
}

// A pronoun is read within its paragraph: the person it refers back to and
// the other pronouns that decide it are those of its own paragraph, and the
// finding sits at the pronoun's place in the whole text.
TEST(ServiceRules, PronounsAreReadWithinTheirParagraph) {
    const auto pronouns = [](const std::u16string& text) { return by_rule("pronouns", text); };
    const std::u16string text = u"ABC 我妈妈病了，所以我得去看他。\n他们都很好，他也来了。";
    expect_one_suspect_character(pronouns(text), text.find(u"他。"), "她");
    // The woman named in the paragraph before is no one's referent here.
    EXPECT_TRUE(pronouns(u"我妈妈病了。\n他明天来看我。").empty());
    // Nor is one named two sentences back.
    EXPECT_TRUE(pronouns(u"我妈妈病了。我们都很担心。他明天来看我。").empty());
    // The same paragraph with a second 他 is about a man as well.
    EXPECT_TRUE(pronouns(u"我妈妈病了，所以我得去看他。他也病了。").empty());
    // The other pronoun is counted within the paragraph too: a woman spoken
    // of throughout one paragraph says nothing of the 他 of the next.
    const std::u16string woman = u"她很忙。她下班以后还要做饭，他真的很辛苦。\n他很好。";
    expect_one_suspect_character(pronouns(woman), woman.find(u"他真"), "她");
    EXPECT_TRUE(pronouns(u"她很忙，她每天都很累。\n我很喜欢他，他也喜欢我。").empty());
    EXPECT_TRUE(pronouns(u"她很忙。她很累。她很好。她很高兴。\n他说他也很忙。").empty());
    // A quotation left open in one paragraph does not silence the next one,
    // while one open in the same paragraph still does.
    const std::u16string dog =
        u"他说：「我明天来。\n我们看到了一只狗。这只狗很可爱，我们都很喜欢他。";
    expect_one_suspect_character(pronouns(dog), dog.rfind(u'他'), "它");
    EXPECT_TRUE(pronouns(u"我们看到了一只狗。「这只狗很可爱，我们都很喜欢他。").empty());
}

// The particle patterns look at the words on either side within one stretch
// of Chinese: punctuation and Latin text end a stretch, so a 得 before them
// ends its clause, and a particle opening a stretch has no word before it.
TEST(ServiceRules, ParticlesReadTheWordsOnEitherSideWithinAStretch) {
    const auto particles = [](const std::u16string& text) {
        return by_rule("particles", text, check_profile::learners);
    };
    const std::u16string text = u"Note: 他跑的很快。";
    expect_one_suspect_character(particles(text), text.find(u'的'), "得");
    for (const std::u16string end : {u"天气就这样改变得，大家都知道。", u"天气就这样改变得OK"})
        expect_one_suspect_character(particles(end), end.find(u'得'), "的");
    EXPECT_TRUE(particles(u"天气就这样改变得很快。").empty());
    EXPECT_TRUE(particles(u"，的很快。得很快。").empty());
}

// The bake-off scores: a sentence counts as detected only when the flagged
// places equal the wrong ones, as corrected only when every first
// suggestion gives the right character, and a clean sentence with a
// finding counts against precision and the false-positive rate.
TEST(ServiceBakeoffEvaluation, ScoresSentencesAsTheBakeoffToolDoes) {
    const std::string path = ::testing::TempDir() + "/bakeoff.tsv";
    {
        std::ofstream out(path);
        out << "kind\tsentence\twrong\tcorrect\tpos\tid\ttype\n"
            << "csc\t身体建康是最重要的。\t建\t健\t2\t1\tsound\n"    // found and corrected
            << "csc\t我们今天开会讨论预算。\t今\t明\t2\t2\tsound\n"  // nothing found
            << "clean\t我们已经完成了工作。\t\t\t\t3\t\n"            // left alone
            << "clean\t我们以经完成了工作。\t\t\t\t4\t\n";           // a false alarm
    }
    bakeoff_result r;
    std::string error;
    ASSERT_TRUE(evaluation_run_bakeoff(velmo_test::shared_engine(), path, {}, r, &error)) << error;
    EXPECT_EQ(r.all.error_sentences, 2);
    EXPECT_EQ(r.all.clean_sentences, 2);
    EXPECT_EQ(r.all.flagged, 2);
    EXPECT_EQ(r.all.clean_flagged, 1);
    EXPECT_EQ(r.all.detected, 1);
    EXPECT_EQ(r.all.corrected, 1);
    EXPECT_EQ(r.by_rule["confusions"].detected, 1);
    EXPECT_EQ(r.by_rule["misspellings"].clean_flagged, 1);
    EXPECT_EQ(r.misses.size(), 2u);

    // Only the rules picked run; a limit stops reading.
    bakeoff_settings homophones_only;
    homophones_only.rules = [](std::string_view id) { return id == "homophones"; };
    homophones_only.limit = 1;
    bakeoff_result h;
    ASSERT_TRUE(
        evaluation_run_bakeoff(velmo_test::shared_engine(), path, homophones_only, h, &error));
    EXPECT_EQ(h.all.error_sentences + h.all.clean_sentences, 1);
    EXPECT_EQ(h.all.detected, 0);

    // A line that is no bake-off line is reported with its number.
    {
        std::ofstream out(path, std::ios::app);
        out << "csc\tbroken\n";
    }
    bakeoff_result broken;
    EXPECT_FALSE(evaluation_run_bakeoff(velmo_test::shared_engine(), path, {}, broken, &error));
    EXPECT_NE(error.find(":6:"), std::string::npos) << error;
    EXPECT_TRUE(evaluation_is_bakeoff(path));
}

// A labelled file is scored with the rules picked, not silently with all.
TEST(ServiceLabelledEvaluation, RunsOnlyThePickedRules) {
    const std::string path = ::testing::TempDir() + "/labelled.tsv";
    {
        std::ofstream out(path);
        out << "clean\t我们以经完成了工作。\n"                  // a misspelling, no measure word
            << "measure\t公司采购了三十[辆|台]笔记本电脑。\n";  // a measure word
    }
    evaluation_result all, measures;
    std::string error;
    ASSERT_TRUE(evaluation_run(velmo_test::shared_engine(), path, all, &error)) << error;
    EXPECT_EQ(all.false_alarms, 1);
    ASSERT_TRUE(evaluation_run(velmo_test::shared_engine(), path, measures, &error,
                               [](std::string_view id) { return id == "measure-words"; }))
        << error;
    EXPECT_EQ(measures.false_alarms, 0);
    ASSERT_EQ(measures.kinds.size(), 1u);
    EXPECT_EQ(measures.kinds[0].corrected, 1);
}
