// Verbs that do not go with their object (增加…水平, 发扬…作用) where a near
// synonym does. The object must follow the verb within one run of Chinese
// (so no punctuation, no sentence boundary between them), separated by a
// few words that can only modify it: another verb, an adverb, a conjunction
// or a preposition between them means the object may belong to something
// else, and the pair is left alone.
#include <algorithm>

#include "base/service_text.h"
#include "lexicon/service_run_words.h"
#include "rules/service_rules_usage.h"

namespace velmo_service {

namespace {
// Words and characters a modifier between verb and object may take.
constexpr std::size_t max_gap_words = 4;
constexpr std::size_t max_gap_chars = 8;

// Words that can stand between a verb and its object: nouns, adjectives,
// numerals, measure words, pronouns and the particles 的, 了, 着, 过; any
// other word only inside a modifier closed by 的 (基层组织的, 很好的).
bool modifier(const lexicon& words, const lexicon_token& t) {
    const std::string& tag = words.tag_name(t.word.tag);
    if (tag.empty()) return false;
    if (tag == "vn") return true;
    switch (tag[0]) {
        case 'n':
        case 'a':
        case 'b':
        case 'm':
        case 'q':
        case 'r':
            return true;
        case 'u':
            return tag == "uj" || tag == "ul" || tag == "uz" || tag == "ug";
        default:
            return false;
    }
}

// The object closes its phrase: no noun or 的 follows that would make it a
// modifier itself (提高水平测试 is about a test, 实现高水平的发展 about 发展),
// and no verb that would make it the subject of a clause of its own
// (增加投入带来的水平提升). A verb of going on from there keeps the object
// its own (做公车去学校, 做飞机到台北).
bool closes_phrase(const chinese_run& run, std::size_t k,
                   const std::vector<std::u16string>& going_on) {
    if (k + 1 >= run.tokens.size()) return true;
    const lexicon_token& next = run.tokens[k + 1];
    const std::u16string_view word = run.text.substr(next.begin, next.length());
    if (std::find(going_on.begin(), going_on.end(), word) != going_on.end()) return true;
    return next.word.kind != word_class::noun && next.word.kind != word_class::name &&
           next.word.kind != word_class::verb && word != u"的";
}

void report(const chinese_run& run, std::size_t begin, const collocation& c,
            std::vector<finding>& out) {
    finding f;
    f.pos = run.offset + begin;
    f.length = c.verb.size();
    f.err_word = text_utf16_to_utf8(c.verb);
    f.suggestions = c.better;
    out.push_back(std::move(f));
}

// The entry whose object `word` is or closes (业务水平 is a 水平), the longest
// such object first (回信 before 信), or nullptr.
const collocation* with_object(const std::vector<collocation>& entries, std::u16string_view word) {
    const collocation* best = nullptr;
    for (const collocation& c : entries)
        if (word.size() >= c.object.size() &&
            word.substr(word.size() - c.object.size()) == c.object &&
            (!best || c.object.size() > best->object.size()))
            best = &c;
    return best;
}

bool is(const chinese_run& run, const std::vector<lexicon_token>& tokens, std::size_t k,
        std::u16string_view word) {
    return k < tokens.size() && run.text.substr(tokens[k].begin, tokens[k].length()) == word;
}

// Token `j` lies inside a modifier closed by 的 within the reach of the verb at `k`.
bool before_de(const chinese_run& run, std::size_t j, std::size_t k) {
    for (std::size_t i = j + 1; i <= k + 1 + max_gap_words; ++i)
        if (is(run, run.tokens, i, u"的")) return true;
    return false;
}

}  // namespace

void rules_collocations(const std::u16string& text, const std::vector<chinese_run>& runs,
                        const lexicon& words, const collocation_table& table,
                        const word_rule_file& rows, check_profile profile,
                        std::vector<finding>& out) {
    rows.find(text, runs, words, out, profile);
    if (table.empty()) return;
    const std::vector<std::u16string>& going_on = rows.list("going-on");
    for (const chinese_run& run : runs) {
        const std::vector<lexicon_token>& tokens = run.tokens;
        for (std::size_t k = 0; k < tokens.size(); ++k) {
            const std::u16string_view word = run.text.substr(tokens[k].begin, tokens[k].length());
            // Verb and object the word list holds as one word (发挥作用).
            if (word.size() > 2) {
                const std::vector<collocation>* entries = table.of_verb(word.substr(0, 2));
                const collocation* c = entries ? with_object(*entries, word.substr(2)) : nullptr;
                if (c && closes_phrase(run, k, going_on)) report(run, tokens[k].begin, *c, out);
            }
            // The verb alone, or closing a set phrase of four (充分发扬).
            std::size_t verb_at = 0;
            const std::vector<collocation>* entries = table.of_verb(word);
            if (!entries && word.size() >= 4) {
                verb_at = word.size() - 2;
                entries = table.of_verb(word.substr(verb_at));
            }
            if (!entries) continue;
            // 增加的水平: the verb modifies the noun rather than governs it.
            if (is(run, tokens, k + 1, u"的")) continue;
            std::size_t gap = 0;
            for (std::size_t j = k + 1; j < tokens.size() && j <= k + 1 + max_gap_words; ++j) {
                const lexicon_token& t = tokens[j];
                const std::u16string_view object = run.text.substr(t.begin, t.length());
                const collocation* c = with_object(*entries, object);
                // A verb that merely ends in the object is an act of its own
                // (叫我们上课 is no lesson taught).
                if (c && c->object.size() < object.size() && t.word.kind == word_class::verb) break;
                if (c) {
                    if (closes_phrase(run, j, going_on))
                        report(run, tokens[k].begin + verb_at, *c, out);
                    break;
                }
                gap += t.length();
                // A verb of one character reaches across no other verb: 陪我买的
                // 衣服 is clothes bought, not clothes matched.
                const bool single = word.size() - verb_at == 1;
                const bool clause =
                    !(single && t.word.kind == word_class::verb) && before_de(run, j, k);
                if (gap > max_gap_chars || !(modifier(words, t) || clause)) break;
            }
        }
    }
}

}  // namespace velmo_service
