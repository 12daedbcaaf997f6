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
    // False when the model cannot be read; score() then returns 0.
    bool load(const std::string& path);
    bool ready() const { return model_ != nullptr; }
    // log10 probability of the characters of `text` (Chinese only).
    double score(std::u16string_view text) const;

  private:
    std::unique_ptr<libime::LanguageModel> model_;
};

}  // namespace velmo_service
