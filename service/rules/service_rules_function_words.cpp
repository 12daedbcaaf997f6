// The tests of the function-words rows that their conditions cannot say:
// what stands before the run, two places of the run compared, and a first
// step named earlier in the sentence. The rows themselves are in
// data/rules/function-words.rules.
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

// 先吃饭，在去玩 / 先去看电影在逛街: a first step named earlier in the
// sentence makes 在 + verb the next one (先在家 is where the first step is;
// 首先, 原先, 先生, 先前 name no step).
bool after_first_step(const word_context& n, std::ptrdiff_t t) {
    if (n.word(t) == u"先") return false;
    const std::u16string_view before = n.sentence_up_to(t);
    for (std::size_t at = before.find(u'先'); at != std::u16string_view::npos;
         at = before.find(u'先', at + 1)) {
        const char16_t prev = at > 0 ? before[at - 1] : u' ';
        const char16_t next = at + 1 < before.size() ? before[at + 1] : u' ';
        if (std::u16string_view(u"首原优事祖领预争").find(prev) == std::u16string_view::npos &&
            std::u16string_view(u"生前进后").find(next) == std::u16string_view::npos)
            return true;
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
