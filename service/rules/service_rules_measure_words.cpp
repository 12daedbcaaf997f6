// Measure words that do not fit their noun. Only a measure word counted by a
// numeral or pointed at by a demonstrative is weighed, only before a noun the
// table knows, and only when the noun's own measure words include one the
// written one is commonly mistaken for: a noun outside the table, a measure
// word that fits loosely (一个, 一种) and a figurative use are left alone.
#include <algorithm>

#include "base/service_text.h"
#include "rules/service_rules_usage.h"

namespace velmo_service {

namespace {
// Nouns of a compound a measure word may stand before (苹果树 is 苹果 + 树).
constexpr std::size_t max_noun_words = 3;

const std::u16string_view numerals = u"零〇一二两三四五六七八九十百千万亿几半";
const std::u16string_view approximations = u"多余来";  // 十多, 百余
const std::u16string_view demonstratives = u"这那哪每某";

bool in(std::u16string_view set, char16_t c) { return set.find(c) != std::u16string_view::npos; }

bool digit(char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'０' && c <= u'９'); }

enum class counted { no, by_numeral, by_demonstrative };

// What `before` (the characters right before a measure word) makes of it:
// 三十, 第三, 十多, 这, 这三, 每.
counted counted_by(std::u16string_view before) {
    if (!before.empty() && before[0] == u'第') before.remove_prefix(1);
    if (!before.empty() && in(demonstratives, before[0])) {
        before.remove_prefix(1);
        if (before.empty()) return counted::by_demonstrative;
    }
    // 零件 is a word of its own, not zero pieces.
    if (before.empty() || !in(numerals, before[0]) || before[0] == u'零' || before[0] == u'〇')
        return counted::no;
    for (char16_t c : before)
        if (!in(numerals, c) && !in(approximations, c)) return counted::no;
    return counted::by_numeral;
}

std::u16string_view token_text(const chinese_run& run, const lexicon_token& t) {
    return run.text.substr(t.begin, t.length());
}

bool adjective(const lexicon_token& t) { return t.word.kind == word_class::adjective; }

class noun_finder {
  public:
    noun_finder(const chinese_run& run, const lexicon& words, const measure_word_table& table)
        : run_(run), words_(words), table_(table) {}

    // How the measure word ending token `k` is counted.
    counted counting(const std::u16string& text, std::size_t k) const {
        const lexicon_token& t = run_.tokens[k];
        const std::size_t at = t.end - 1;
        // 一辆, 这件: numeral and measure word as one word of the list; 一向,
        // 一直 are adverbs, so the word must be a numeral's.
        if (t.length() > 1)
            return t.word.kind == word_class::number
                       ? counted_by(run_.text.substr(t.begin, at - t.begin))
                       : counted::no;
        if (k > 0) return counted_by(token_text(run_, run_.tokens[k - 1]));
        return run_.offset > 0 && digit(text[run_.offset - 1]) ? counted::by_numeral : counted::no;
    }

    // The measure words of the noun phrase that starts at token `k`: one
    // adjective (with or without 的) may come first; nullptr when no listed
    // noun closes it.
    const std::u16string* measures_from(std::size_t k) const {
        const std::vector<lexicon_token>& tokens = run_.tokens;
        if (k < tokens.size() && adjective(tokens[k])) {
            ++k;
            if (k < tokens.size() && token_text(run_, tokens[k]) == u"的") ++k;
        }
        std::size_t last = k;
        while (last < tokens.size() && last - k < max_noun_words && nominal(tokens[last])) ++last;
        if (last == k) return nullptr;
        const std::size_t b = tokens[k].begin, e = tokens[last - 1].end;
        for (std::size_t s = b; s < e; ++s) {
            const bool starts_word =
                std::any_of(tokens.begin() + static_cast<std::ptrdiff_t>(k),
                            tokens.begin() + static_cast<std::ptrdiff_t>(last),
                            [&](const lexicon_token& t) { return t.begin == s; });
            if (const std::u16string* m =
                    table_.measures_of(run_.text.substr(s, e - s), starts_word))
                return m;
        }
        return nullptr;
    }

  private:
    // A word that may be part of a noun phrase: a noun of the list, a verb
    // used as a noun, or a word the table knows by its end (树 is tagged a
    // verb, 小树苗 a name).
    bool nominal(const lexicon_token& t) const {
        if (t.word.kind == word_class::noun) return true;
        if (words_.tag_name(t.word.tag) == "vn") return true;
        const std::u16string_view w = token_text(run_, t);
        for (std::size_t s = 0; s < w.size(); ++s)
            if (table_.measures_of(w.substr(s), s == 0)) return true;
        return false;
    }

    const chinese_run& run_;
    const lexicon& words_;
    const measure_word_table& table_;
};
}  // namespace

void rules_measure_words(const std::u16string& text, const std::vector<chinese_run>& runs,
                         const lexicon& words, const measure_word_table& table,
                         std::vector<finding>& out) {
    if (table.empty()) return;
    for (const chinese_run& run : runs) {
        const noun_finder nouns(run, words, table);
        for (std::size_t k = 0; k < run.tokens.size(); ++k) {
            const std::size_t at = run.tokens[k].end - 1;
            const char16_t written = run.text[at];
            if (!table.grouped(written)) continue;
            const counted how = nouns.counting(text, k);
            // 这跟, 那为: after a demonstrative a character that is no measure
            // word at all is read as the word it is.
            if (how == counted::no ||
                (how == counted::by_demonstrative && !table.measure_word(written)))
                continue;
            const std::u16string* right = nouns.measures_from(k + 1);
            if (!right || right->find(written) != std::u16string::npos) continue;
            finding f;
            for (char16_t meant : *right)
                if (table.confusable(written, meant))
                    f.suggestions.push_back(text_utf16_to_utf8(&meant, 1));
            if (f.suggestions.empty()) continue;
            f.pos = run.offset + at;
            f.length = 1;
            f.err_word = text_utf16_to_utf8(&written, 1);
            out.push_back(std::move(f));
        }
    }
}

}  // namespace velmo_service
