// The words of a segmented run as rules read them around one word: by index,
// with the word list's tag; an index outside the run (a run ends at
// punctuation) reads as an empty word without a tag.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string_view>

#include "lexicon/service_lexicon.h"

namespace velmo_service {

struct run_words {
    const chinese_run& run;
    const lexicon& words;

    std::u16string_view word(std::ptrdiff_t t) const;
    std::string_view tag(std::ptrdiff_t t) const;
    bool tagged(std::ptrdiff_t t, std::initializer_list<std::string_view> tags) const;
};

bool word_one_of(std::u16string_view w, std::initializer_list<std::u16string_view> list);

// 我, 你, 您, 他, 她 and their plurals: the pronouns that name a person.
bool personal_pronoun(std::u16string_view w);

}  // namespace velmo_service
