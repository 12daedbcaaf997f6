// Two characters that stand together often in edited native prose: how such
// prose writes its terms (行尾, 子串, 彼端), which a checker tuned on other
// text may take for slips.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

namespace velmo_service {

class lexicon;

class native_pairs {
  public:
    // Lines "two characters TAB times" ('#' starts a comment); pairs seen
    // fewer than `min_times` are skipped. False when the file cannot be read.
    bool load(const std::string& path, unsigned min_times);
    bool empty() const { return pairs_.empty(); }
    // Whether the first two characters of `text` are such a pair.
    bool has(std::u16string_view text) const;
    // Whether native prose would keep the character at `i` of `text` rather
    // than write `with` there: it stands between two such pairs, or forms
    // one with a neighbour that `with` does not form.
    bool keeps(std::u16string_view text, std::size_t i, char16_t with) const;
    // Whether the character at `i` of `text` forms with a neighbour a pair
    // that is also a word of `words`: a term of native prose (行尾, 联接).
    bool in_term(std::u16string_view text, std::size_t i, const lexicon& words) const;

  private:
    static std::uint32_t key(char16_t a, char16_t b) { return std::uint32_t(a) << 16 | b; }
    std::unordered_set<std::uint32_t> pairs_;
};

}  // namespace velmo_service
