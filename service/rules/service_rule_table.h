// The checking rules as one table: each rule's id, the upload option that
// switches it on, the level of its findings and the function that runs it.
// The engine runs the table in order; a finding carries the id of its rule.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lexicon/service_confusions.h"
#include "lexicon/service_language_model.h"
#include "lexicon/service_lexicon.h"
#include "lexicon/service_native_pairs.h"
#include "lexicon/service_readings.h"
#include "rules/service_dictionary.h"
#include "rules/service_finding.h"
#include "rules/service_usage_tables.h"
#include "rules/service_word_rules.h"

namespace velmo_service {

class traditional_detector;
class english_speller;

// Everything the rules read, loaded once.
struct rule_data {
    rule_data();
    ~rule_data();
    phrase_dictionary misspellings;
    phrase_dictionary leader_phrases;
    phrase_dictionary taiwan_phrases;
    phrase_dictionary leader_order;
    phrase_dictionary repeat_exemptions;
    std::map<int, phrase_dictionary> fields;
    std::unique_ptr<traditional_detector> traditional;
    std::unique_ptr<english_speller> english;
    lexicon words;
    pinyin_readings readings;
    homophone_index homophones;
    language_model model;
    confusion_sets confusions;
    slip_counts slips;
    native_pairs native;  // native-bigrams.txt
    word_patterns patterns;
    measure_word_table measure_words;
    collocation_table collocations;
    word_rule_file particles;                       // rules/particles.rules
    word_rule_file function_words;                  // rules/function-words.rules
    word_rule_file pronouns;                        // rules/pronouns.rules: word lists only
    word_rule_file collocation_rows;                // rules/collocations.rules
    word_rule_file repeat_lists;                    // rules/repeats.rules: word lists only
    check_profile profile = check_profile::office;  // unless a check names its own
};

// One text under check as the rules see it.
class rule_input {
  public:
    rule_input(const std::u16string& text, const check_options& options, const user_words& words,
               const rule_data& data, const std::vector<finding>& earlier)
        : text(text), options(options), words(words), earlier(earlier), data_(data) {}
    const std::u16string& text;
    const check_options& options;
    const user_words& words;
    const std::vector<finding>& earlier;  // what the rules before this one found
    int weight() const;
    // The profile the check names, else the service's.
    check_profile profile() const { return options.profile.value_or(data_.profile); }
    // The runs of Chinese characters and their words, segmented on first use.
    const std::vector<chinese_run>& runs() const;
    // For each run, how much the character model counts in the sentence that holds it.
    const std::vector<double>& char_shares() const;
    // Per character of the text, whether it is meant as written (an office's
    // short name, a parallel phrase; in native prose a listed idiom too),
    // found on first use.
    const std::vector<bool>& standing() const;

  private:
    const rule_data& data_;
    mutable std::optional<std::vector<chinese_run>> runs_;
    mutable std::optional<std::vector<double>> char_shares_;
    mutable std::optional<std::vector<bool>> standing_;
};

using rule_run = void (*)(const rule_data&, const rule_input&, std::vector<finding>&);

struct rule_spec {
    std::string_view id;
    bool check_options::*option;  // the upload option that switches the rule on
    int level;                    // of its findings, unless a data entry says otherwise
    rule_run run;
    // Its findings that overlap an earlier rule's are dropped (a listed
    // misspelling is surer than a guess from probabilities), unless that
    // rule yields too: then both guesses stand until the word model
    // chooses between them.
    bool yields = false;
};

// All rules in the order they run.
const std::vector<rule_spec>& rule_table();
const rule_spec* rule_find(std::string_view id);

// Picks rules by id; an empty one takes every rule the options switch on.
using rule_filter = std::function<bool(std::string_view id)>;

// Runs the rules of the table the options switch on, or those `chosen`
// picks, over `text`; findings carry their rule's id, in the order found.
std::vector<finding> rule_chain_run(const rule_data& data, const std::u16string& text,
                                    const check_options& options, const user_words& words,
                                    const std::function<void(int)>& progress,
                                    const rule_filter& chosen = {});

}  // namespace velmo_service
