// The word list the Chinese rules read text with: words with their corpus
// frequency and part-of-speech tag (one "word frequency tag" line each, the
// format the common segmenters ship), and the maximum-probability
// segmentation over it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmo_service {

// The word classes the rules ask about, from the tag's first letters.
enum class word_class : std::uint8_t {
    other,
    noun,
    name,
    verb,
    adjective,
    adverb,
    number,
    particle
};

struct lexicon_word {
    std::uint32_t frequency = 0;  // 0 for a character that is no word of the list
    std::uint8_t tag = 0;         // index into lexicon::tag_name
    word_class kind = word_class::other;
};

// One word of a segmentation: [begin, end) of the segmented text.
struct lexicon_token {
    std::size_t begin;
    std::size_t end;
    lexicon_word word;
    std::size_t length() const { return end - begin; }
};

class lexicon {
  public:
    // Returns false when the file cannot be read; malformed lines are skipped.
    bool load(const std::string& path);
    bool empty() const { return word_count_ == 0; }
    std::size_t size() const { return word_count_; }

    // The word, or nullptr when `text` is not in the list.
    const lexicon_word* find(std::u16string_view text) const;
    const std::string& tag_name(std::uint8_t tag) const { return tags_[tag]; }
    // Natural logarithm of the word's probability; a unit for unknown words.
    double log_probability(std::uint32_t frequency) const;

    // Maximum-probability path through the words of `text` (a run of Chinese
    // characters); a character no word covers stands alone.
    std::vector<lexicon_token> segment(std::u16string_view text) const;
    // Log probability of that best path.
    double best_path_score(std::u16string_view text) const;

    // Calls f(begin, end) for every listed word inside `text`.
    template <typename F>
    void for_each_word(F&& f) const {
        for (const slot& s : slots_)
            if (s.length != 0 && (s.flags & flag_word))
                f(std::u16string_view(pool_.data() + s.offset, s.length), s.word);
    }

  private:
    static constexpr std::uint8_t flag_word = 1;
    static constexpr std::uint8_t flag_prefix = 2;
    struct slot {
        std::uint32_t offset = 0;
        std::uint8_t length = 0;  // 0 = empty slot
        std::uint8_t flags = 0;
        lexicon_word word;
    };
    const slot* lookup(std::u16string_view text) const;
    slot& insert(std::u16string_view text);
    void grow();
    // Best path of text[i..] for every i, right to left: (score, end of first word).
    void best_routes(std::u16string_view text,
                     std::vector<std::pair<double, std::size_t>>& route) const;

    std::u16string pool_;
    std::vector<slot> slots_;
    std::size_t used_ = 0;
    std::size_t word_count_ = 0;
    std::size_t longest_ = 1;
    double log_total_ = 0;
    std::vector<std::string> tags_{""};
};

// A stretch of Chinese characters of a checked text and its words.
struct chinese_run {
    std::size_t offset;  // of text in the checked text
    std::u16string_view text;
    std::vector<lexicon_token> tokens;
};

// The maximal runs of Chinese characters of `text`, each segmented.
std::vector<chinese_run> lexicon_segment_runs(const lexicon& words, const std::u16string& text);

}  // namespace velmo_service
