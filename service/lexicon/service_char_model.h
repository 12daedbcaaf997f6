// A character trigram model of corrected text: how probable each character
// is after the two before it, from counts of one to three characters in a
// row. It sees what a word model misses when a slip leaves no word to
// score (企业门 for 企业们) and knows the turns of phrase writers use.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmo_service {

class char_model {
  public:
    // Lines "characters TAB count" ('#' starts a comment); false when the
    // file cannot be read or holds no counts.
    bool load(const std::string& path);
    bool ready() const { return total_ > 0; }
    // log10 probability of the characters of `text`, each after the (up to)
    // two before it inside `text`; 0 when no counts are loaded.
    double score(std::u16string_view text) const;

  private:
    std::uint32_t count(std::u16string_view gram) const;
    double log_chance(std::u16string_view text, std::size_t at) const;

    struct slot {
        std::uint64_t key = 0;  // 0: empty
        std::uint32_t count = 0;
    };
    std::vector<slot> slots_;
    double total_ = 0;  // characters counted
};

}  // namespace velmo_service
