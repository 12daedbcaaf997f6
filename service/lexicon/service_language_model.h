// A word trigram model of Chinese (the KenLM model an input method ships)
// scoring how probable a stretch of characters reads. The stretch is cut into
// the model's own words by the most probable path of single words, then
// scored with the full model.
#pragma once

#include <memory>
#include <string>
#include <string_view>

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
    // log10 probability of the characters of `text` (Chinese only).
    double score(std::u16string_view text) const;
    // Words in the table (0 without one).
    std::size_t table_size() const;

  private:
    class word_table;
    template <class Lookup>
    double best_path_score(std::u16string_view text, const Lookup& lookup) const;

    std::unique_ptr<libime::LanguageModel> model_;
    std::unique_ptr<word_table> words_;
};

}  // namespace velmo_service
