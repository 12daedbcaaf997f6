#include <algorithm>

#include "base/service_text.h"
#include "rules/service_rules.h"

namespace velmo_service {

namespace {
bool ends_sentence(char16_t c) {
    return c == u'。' || c == u'！' || c == u'？' || c == u'；' || c == '!' || c == '?' || c == ';';
}
}  // namespace

void rules_leader_order(const std::u16string& text, const phrase_dictionary& names,
                        std::vector<finding>& out) {
    if (names.empty()) return;
    std::vector<text_match> hits;
    names.occurrences(text, hits);
    hits = text_matches_leftmost_longest(std::move(hits));
    std::size_t h = 0;
    std::size_t sentence_start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !ends_sentence(text[i])) continue;
        std::vector<text_match> in_sentence;
        while (h < hits.size() && hits[h].pos < i) {
            if (hits[h].pos >= sentence_start) in_sentence.push_back(hits[h]);
            ++h;
        }
        // The names as written against the same names in the required order.
        std::vector<text_match> expected = in_sentence;
        std::stable_sort(expected.begin(), expected.end(),
                         [](const text_match& a, const text_match& b) { return a.id < b.id; });
        for (std::size_t k = 0; k < in_sentence.size(); ++k) {
            if (in_sentence[k].id == expected[k].id) continue;
            finding f;
            f.pos = in_sentence[k].pos;
            f.length = in_sentence[k].length;
            f.level = level_serious;
            f.err_word = names.entry(in_sentence[k].id).phrase;
            f.suggestions.push_back(names.entry(expected[k].id).phrase);
            out.push_back(std::move(f));
        }
        sentence_start = i + 1;
    }
}

}  // namespace velmo_service
