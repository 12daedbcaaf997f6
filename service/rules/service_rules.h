// Checking rules that work on the text alone (no word lists of the user).
#pragma once

#include <string>
#include <vector>

#include "lexicon/service_confusions.h"
#include "lexicon/service_language_model.h"
#include "lexicon/service_lexicon.h"
#include "lexicon/service_native_pairs.h"
#include "lexicon/service_readings.h"
#include "rules/service_dictionary.h"
#include "rules/service_finding.h"
#include "rules/service_word_rules.h"

namespace velmo_service {

// Unpaired and mismatched brackets and quotes; half-width punctuation between
// Chinese characters; from weight 1 doubled punctuation; from weight 2
// half-width punctuation after a Chinese character at a gap or the end.
void rules_punctuation(const std::u16string& text, int weight, std::vector<finding>& out);

// From weight 1 a doubled character of `never_doubled` (的的) and a doubled
// English word; from weight 2 a repeated Chinese word of two to four characters.
void rules_repeats(const std::u16string& text, int weight,
                   const std::vector<std::u16string>& never_doubled, std::vector<finding>& out);

// Names of `names` (entry order = required order) that occur within one
// sentence in another order; each misplaced name is reported with the name
// that belongs at its place.
void rules_leader_order(const std::u16string& text, const phrase_dictionary& names,
                        std::vector<finding>& out);

// Stretches that read like a listed word but are written with a character
// of the same or a commonly confused sound, with the words meant. Stretches
// that are words themselves are only questioned from weight 1.
void rules_homophones(const std::vector<chinese_run>& runs, const lexicon& words,
                      const homophone_index& index, int weight, std::vector<finding>& out);

// Words of two characters that an input method offers beside another word
// of the same sound and at least as common (会议 for 悔意): each with those
// words, for the word model to weigh in its context. From weight 1.
void rules_words_typed_alike(const std::vector<chinese_run>& runs, const lexicon& words,
                             const homophone_index& index, int weight, std::vector<finding>& out);

// Places of the run that are likely part of a person's name: a common
// surname standing alone before one or two lone characters.
std::vector<bool> rules_probable_names(const chinese_run& run);

// Places of the run that the weighing rules leave as written: the ending of
// an office's short name (信访办, 发改委: the word of its business and the
// character naming the office) and the second half of a parallel phrase of
// official prose whose first half is a word (依法依规, 自查自纠).
std::vector<bool> rules_standing_places(const chinese_run& run);

// Whether the stretch [pos, pos + length) of the text cuts a word the
// segmenter reads across its edge (以经 in 以经济, 从新 in 从新疆): a listed
// slip found there is two words' pieces, not the slip.
bool rules_splits_word(const std::vector<chinese_run>& runs, std::size_t pos, std::size_t length);

// The test the particle rows (的/地/得 used in each other's place) call by name.
void particle_predicates(word_predicate_table& table);

// 他 written for 她 or the reverse, where the person the pronoun refers back
// to within the sentence or the one before is plainly of the other sex.
// `lists` holds the words it reads (data/rules/pronouns.rules).
void rules_pronouns(const std::u16string& text, const std::vector<chinese_run>& runs,
                    const lexicon& words, const word_rule_file& lists, std::vector<finding>& out);

// The tests the function-words rows call by name that their conditions
// cannot say (function characters written for one of like sound: 在/再, 那/哪,
// 做/作, 像/想/象, 以/已/一, 是/事/时, 里/理 ...).
void function_word_predicates(word_predicate_table& table);

// Single characters typed or misread for another (those `slips` counts
// writers putting for it, of like sound or shape, the small groups 的/地/得,
// 在/再, 做/作, 他/她/它 ...) and characters written twice, where the word
// model's gain for the corrected text, plus how likely the slip is, clears
// one threshold. Names are left alone, and a character of a pair native
// prose writes often (`native`) needs more gain; where `native` holds pairs,
// so does a lone character that is a common noun. `char_shares` holds, per
// run, how much the model's character part counts there.
void rules_confusions(const std::vector<chinese_run>& runs, const std::vector<double>& char_shares,
                      const lexicon& words, const confusion_sets& sets, const slip_counts& slips,
                      const word_patterns& patterns, const native_pairs& native,
                      const language_model& model, std::vector<finding>& out);

}  // namespace velmo_service
