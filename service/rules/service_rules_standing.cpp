// Stretches a writer means as they stand although they read like slips:
// the short names of offices and the parallel phrases of official prose,
// and words that a listed slip would cut in two.
#include "rules/service_rules.h"

namespace velmo_service {

namespace {
// The characters that close the short name of an office or a body of
// government after the word naming its business (公安局, 教育厅, 信访办,
// 发改委); the last two also close one named by a verb.
constexpr std::u16string_view office_endings = u"办委局厅署县镇乡";
constexpr std::u16string_view endings_after_verbs = u"办委";
// A parallel phrase opens with one of these (依法依规, 自查自纠, 边学边改,
// 有理有据, 严查严处) and is built on a common word: other characters
// repeated are as often a slip's neighbours (做工做的, 没办法办段).
constexpr std::u16string_view parallel_openers = u"依自边有严";
constexpr std::uint32_t min_parallel_frequency = 1000;
// A listed slip is taken for two words' pieces only where the word it cuts
// is common (经济, 新疆): rare words the segmenter finds (情事 of 事情事不)
// are as often made by the slip itself.
constexpr std::uint32_t min_cut_frequency = 1000;

bool in(std::u16string_view set, char16_t c) { return set.find(c) != std::u16string_view::npos; }

bool names_business(const lexicon_token& t, char16_t ending) {
    if (t.length() < 2 || t.word.frequency == 0) return false;
    return t.word.kind == word_class::noun || t.word.kind == word_class::name ||
           (t.word.kind == word_class::verb && in(endings_after_verbs, ending));
}

// What may follow an office's name: its post (主任), 的, or nothing in the run.
// A single character after it would rather make a word with the ending's
// correction (办助 for 帮助).
bool may_follow_office(const chinese_run& run, std::size_t t) {
    if (t + 1 >= run.tokens.size()) return true;
    const lexicon_token& next = run.tokens[t + 1];
    if (next.length() == 1) return run.text[next.begin] == u'的';
    const word_class k = next.word.kind;
    return k == word_class::noun || k == word_class::name || k == word_class::other;
}

void mark(std::vector<bool>& places, std::size_t from, std::size_t to) {
    for (std::size_t k = from; k < to && k < places.size(); ++k) places[k] = true;
}
}  // namespace

std::vector<bool> rules_standing_places(const chinese_run& run) {
    std::vector<bool> places(run.text.size(), false);
    const std::u16string_view text = run.text;
    const std::vector<lexicon_token>& tokens = run.tokens;
    for (std::size_t t = 0; t < tokens.size(); ++t) {
        const lexicon_token& token = tokens[t];
        // An office's ending, read with its business as one word or after it.
        const char16_t last = text[token.end - 1];
        if (token.length() >= 3 && in(office_endings, last) && may_follow_office(run, t))
            mark(places, token.end - 1, token.end);
        if (token.length() == 1 && t > 0 && in(office_endings, last) &&
            names_business(tokens[t - 1], last) && may_follow_office(run, t))
            mark(places, token.begin, token.end);
        // A word of two characters repeated in its first (依法依规, 自查自纠):
        // the second half is built on the first, not a slip for another word.
        if (token.length() == 2 && token.word.frequency >= min_parallel_frequency &&
            token.end + 2 <= text.size() && in(parallel_openers, text[token.begin]) &&
            text[token.end] == text[token.begin] && text[token.end + 1] != text[token.begin + 1])
            mark(places, token.end, token.end + 2);
    }
    return places;
}

bool rules_splits_word(const std::vector<chinese_run>& runs, std::size_t pos, std::size_t length) {
    const std::size_t end = pos + length;
    for (const chinese_run& run : runs) {
        if (pos < run.offset || end > run.offset + run.text.size()) continue;
        for (const lexicon_token& t : run.tokens) {
            const std::size_t b = run.offset + t.begin, e = run.offset + t.end;
            if (t.length() < 2 || t.word.frequency < min_cut_frequency || e <= pos || b >= end)
                continue;
            if ((b > pos && e > end) || (b < pos && e < end)) return true;
        }
    }
    return false;
}

}  // namespace velmo_service
