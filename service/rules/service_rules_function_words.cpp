// The tests of the function-words rows that their conditions cannot say:
// what stands before the run, two places of the run compared, and a first
// step named earlier in the sentence. The rows themselves are in
// data/rules/function-words.rules.
#include <algorithm>
#include <string_view>

#include "rules/service_rules.h"

namespace velmo_service {

namespace {
// T血: a T恤 (T-shirt), the run opening right after the letter.
bool after_letter_t(const word_context& n, std::ptrdiff_t t) {
    return t < 0 && n.run.offset > 0 &&
           std::u16string_view(u"TtＴｔ").find(n.text[n.run.offset - 1]) !=
               std::u16string_view::npos;
}

// 说以说, 等以等, 改以改: a verb said twice around 一 (do it a little).
bool same_verb_twice(const word_context& n, std::ptrdiff_t t) {
    const std::u16string_view before = n.word(t - 2);
    return before.size() == 1 && n.word(t) == before && n.tagged(t, {"v", "u"});
}

// A character of `list` is `c`.
bool listed(const std::vector<std::u16string>& list, char16_t c) {
    return std::any_of(list.begin(), list.end(),
                       [c](const std::u16string& w) { return w.size() == 1 && w[0] == c; });
}

// 先吃饭，在去玩 / 先去看电影在逛街: a first step named earlier in the
// sentence (the file's list first-step, 先) makes 在 + verb the next one,
// unless the word before is that step itself (先在家 is where it is) or the
// step's character stands in another word (首先, 先生: the lists
// first-step-not-after and first-step-not-before).
bool after_first_step(const word_context& n, std::ptrdiff_t t) {
    const auto& step = n.rules.list("first-step");
    if (step.empty() || step[0].size() != 1 || n.word(t) == step[0]) return false;
    const char16_t mark = step[0][0];
    const auto& not_after = n.rules.list("first-step-not-after");
    const auto& not_before = n.rules.list("first-step-not-before");
    const std::u16string_view before = n.sentence_up_to(t);
    for (std::size_t at = before.find(mark); at != std::u16string_view::npos;
         at = before.find(mark, at + 1)) {
        const char16_t prev = at > 0 ? before[at - 1] : u' ';
        const char16_t next = at + 1 < before.size() ? before[at + 1] : u' ';
        if (!listed(not_after, prev) && !listed(not_before, next)) return true;
    }
    return false;
}
}  // namespace

void function_word_predicates(word_predicate_table& table) {
    table["after-letter-t"] = after_letter_t;
    table["same-verb-twice"] = same_verb_twice;
    table["after-first-step"] = after_first_step;
}

}  // namespace velmo_service
