// Rules on how words go together: measure words with their nouns, verbs with
// their objects. Both read their tables and the segmentation of the runs.
#pragma once

#include <string>
#include <vector>

#include "lexicon/service_lexicon.h"
#include "rules/service_finding.h"
#include "rules/service_usage_tables.h"
#include "rules/service_word_rules.h"

namespace velmo_service {

// A numeral or demonstrative, a measure word and a listed noun whose measure
// words do not include it but include one it is mistaken for (三十辆笔记本电脑,
// 三百颗树苗): the measure word is reported with the right ones. `text` is the
// whole checked text, so that Arabic numerals before a run count too.
void rules_measure_words(const std::u16string& text, const std::vector<chinese_run>& runs,
                         const lexicon& words, const measure_word_table& table,
                         std::vector<finding>& out);

// A listed verb followed, within a few modifiers and no sentence boundary, by
// an object it does not go with (增加…水平): the verb is reported with the
// near synonyms that do. The rows of `rows` (a word rule file) are run too,
// and its list going-on names the words after an object that leave it the
// verb's own.
void rules_collocations(const std::u16string& text, const std::vector<chinese_run>& runs,
                        const lexicon& words, const collocation_table& table,
                        const word_rule_file& rows, check_profile profile,
                        std::vector<finding>& out);

}  // namespace velmo_service
