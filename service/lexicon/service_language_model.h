// A word trigram model of Chinese (the KenLM model an input method ships)
// scoring how probable a stretch of characters reads: the probability of its
// most probable cut into the model's own words under the full model. A
// character model may be added, weighed in with the word model's score.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "lexicon/service_char_model.h"

namespace libime {
class LanguageModel;
}

namespace velmo_service {

class language_model {
  public:
    language_model();
    ~language_model();
    // False when the model cannot be read; score() then returns 0. With
    // `word_table` the model's words are read once into a table of their
    // own, so that cutting a stretch into words asks the model nothing; the
    // scores are the same either way.
    bool load(const std::string& path, bool word_table = true);
    bool ready() const { return model_ != nullptr; }
    // Adds the character model of `path` to every score, times `weight`;
    // false (and no character model) when it cannot be read.
    bool load_characters(const std::string& path, double weight);
    // How much the character model counts in `sentence`, from 0 to 1: all of
    // it where the sentence reads like the text it was counted from, none
    // where it reads like other prose (manuals, office notes), whose words it
    // knows too little: there it would pull toward its own commonest characters.
    double char_share(std::u16string_view sentence) const;
    // log10 probability of the characters of `text` (Chinese only), the
    // character model counting `char_share` of its weight.
    double score(std::u16string_view text, double char_share = 1) const;
    // The word model's part of it alone. The character model gives a text
    // of fewer characters more, whatever they are: it cannot weigh a
    // character dropped against one kept.
    double words_score(std::u16string_view text) const;
    // Words in the table (0 without one).
    std::size_t table_size() const;

  private:
    class word_table;
    template <class Lookup>
    double best_path_score(std::u16string_view text, const Lookup& lookup) const;

    std::unique_ptr<libime::LanguageModel> model_;
    std::unique_ptr<word_table> words_;
    char_model chars_;
    double char_weight_ = 0;
};

}  // namespace velmo_service
