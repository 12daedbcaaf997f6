// The checking engine: runs the rule families an upload asks for over one
// article and returns its findings in ascending position. Loaded once from
// the data directory; check() is safe to call from several threads.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "lexicon/service_lexicon.h"
#include "lexicon/service_readings.h"
#include "rules/service_finding.h"
#include "rules/service_rule_table.h"

namespace velmo_service {

struct engine_config {
    std::string data_dir;  // misspellings.txt, leader_*.txt, taiwan_phrases.txt, fields/<n>.txt ...
    std::string hunspell_aff = "/usr/share/hunspell/en_US.aff";
    std::string hunspell_dic = "/usr/share/hunspell/en_US.dic";
    std::string opencc_config = "t2s.json";
    // Word list with frequencies and tags, and character readings; a file of
    // the same name in data_dir takes precedence over these installed ones.
    std::string lexicon_file = "/usr/lib/python3/dist-packages/jieba/dict.txt";
    std::string readings_file = "/usr/share/rime-data/luna_pinyin.dict.yaml";
    // The word trigram model that weighs a suspected slip against its correction.
    std::string language_model_file = "/usr/lib/x86_64-linux-gnu/libime/zh_CN.lm";
    // Every finding is written to stderr with the id of its rule: which rule
    // speaks is the first question when a finding is disputed.
    bool log_findings = false;
    // The kind of prose checked when a check does not name one.
    check_profile profile = check_profile::office;
};

// Called with a value from 0 to 99 as the rule families finish.
using progress_callback = std::function<void(int)>;

class check_engine {
  public:
    explicit check_engine(const engine_config& config);
    ~check_engine();

    std::vector<finding> check(const std::u16string& text, const check_options& options,
                               const user_words& words,
                               const progress_callback& progress = {}) const;
    // Only the rules `chosen` picks, whatever the options switch on.
    std::vector<finding> check_rules(const std::u16string& text, const check_options& options,
                                     const rule_filter& chosen) const;

    // What was loaded, for the start-up line and for tests.
    std::size_t misspelling_count() const { return data_.misspellings.size(); }
    bool has_field_dictionary(int prof_type) const { return data_.fields.count(prof_type) != 0; }
    bool english_ready() const;
    bool traditional_ready() const;
    std::size_t lexicon_size() const { return data_.words.size(); }
    bool sounds_ready() const { return !data_.homophones.empty(); }
    bool language_model_ready() const { return data_.model.ready(); }

  private:
    rule_data data_;
    bool log_findings_ = false;
};

// Sorts by position (longer first at one position) and drops repeats of the
// same span, keeping the first reported.
void engine_order_findings(std::vector<finding>& findings);

}  // namespace velmo_service
