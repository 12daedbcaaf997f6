// Which characters are typed, or misread, for which: sets of characters of
// like sound or like shape, and an index of the listed words by every
// pattern that leaves one of their characters open, so that the words a
// stretch of text turns into by changing one character are found at once.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "lexicon/service_lexicon.h"

namespace velmo_service {

class confusion_sets {
  public:
    // Character table of like sounds: a header line, then "char TAB group
    // TAB group ..."; only the groups whose bit is set in `groups` (bit 0 =
    // first group) are read. False when the file cannot be read.
    bool load_sounds(const std::string& path, unsigned groups);
    // Character table of like shapes: "char,characters" lines.
    bool load_shapes(const std::string& path);
    // `a` and `b` are taken for each other (both ways).
    void add(char16_t a, char16_t b);
    bool empty() const { return count_ == 0; }
    bool confusable(char16_t written, char16_t meant) const;
    // Taken for each other by sound (read from the sound table).
    bool sound_alike(char16_t written, char16_t meant) const;
    // The characters taken for `written`, sorted.
    std::u16string_view of(char16_t written) const { return of_[written]; }

  private:
    static void insert(std::u16string& set, char16_t c);
    std::vector<std::u16string> of_ = std::vector<std::u16string>(0x10000);  // each sorted
    std::vector<std::u16string> sound_of_ = std::vector<std::u16string>(0x10000);
    std::size_t count_ = 0;
};

// A character written where another was meant, and log10 of how likely the
// meant one is written so.
struct slip {
    char16_t meant;
    double log_chance;
};

// How often writers put one character for another, counted on labelled text.
class slip_counts {
  public:
    // Lines "written TAB meant TAB times TAB occurrences of meant"; '#' starts
    // a comment. Pairs seen fewer than `min_times` are skipped. False when
    // the file cannot be read.
    bool load(const std::string& path, unsigned min_times);
    bool empty() const { return count_ == 0; }
    // The characters `written` was seen to stand for, likeliest first.
    const std::vector<slip>& meant_by(char16_t written) const { return of_[written]; }
    // log10 chance that `meant` is written as `written`, at least `unseen`
    // (what a pair never counted is given): a pair seen is never less likely.
    double log_chance(char16_t written, char16_t meant, double unseen) const;

    // Lines "two characters written TAB meant TAB times wrong TAB times
    // right"; stretches wrong fewer than `min_times` are skipped.
    bool load_pairs(const std::string& path, unsigned min_times);
    // The slip at character `at` (0 or 1) of the two characters `pair`, with
    // log10 of the share of the pair's occurrences that were wrong; null when
    // the pair was not counted so.
    const slip* in_pair(std::u16string_view pair, std::size_t at) const;

  private:
    static std::uint32_t pair_key(std::u16string_view pair) {
        return static_cast<std::uint32_t>(pair[0]) << 16 | pair[1];
    }
    std::vector<std::vector<slip>> of_ = std::vector<std::vector<slip>>(0x10000);
    std::size_t count_ = 0;
    // By pair: the slip at its first and at its second character (meant 0 when none).
    std::unordered_map<std::uint32_t, std::array<slip, 2>> pairs_;
};

// A listed word that fits a stretch of text except at one character.
struct word_fit {
    std::u16string_view word;
    lexicon_word info;
};

class word_patterns {
  public:
    // Indexes the words of two to four characters with at least `min_frequency`.
    void build(const lexicon& words, std::uint32_t min_frequency);
    bool empty() const { return entries_.empty(); }
    // Appends the words that equal `text` everywhere but at `open` (where they differ).
    void fits(std::u16string_view text, std::size_t open, std::vector<word_fit>& out) const;
    // The same, only the words whose character at `open` is one of `allowed`.
    void fits(std::u16string_view text, std::size_t open, std::u16string_view allowed,
              std::vector<word_fit>& out) const;

  private:
    struct entry {
        std::uint64_t key;
        std::u16string_view word;
        lexicon_word info;
    };
    // The entries of one pattern, found by hashing the pattern.
    struct range {
        std::uint64_t key = 0;  // 0: an empty slot
        std::uint32_t begin = 0, end = 0;
    };
    const range* find(std::u16string_view text, std::size_t open) const;

    std::vector<entry> entries_;  // sorted by pattern
    // The character at the open place of each entry, apart, so that a long
    // pattern's words are sifted without reading the entries themselves.
    std::u16string open_chars_;
    std::vector<range> ranges_;
};

}  // namespace velmo_service
