// Readings of Chinese characters (toneless pinyin syllables) and the index
// of words by how they sound, for finding the word a pinyin input method
// should have produced. Readings come from a character table of "char TAB
// syllable [TAB weight]" lines, the format of the common input-method data.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "lexicon/service_lexicon.h"

namespace velmo_service {

class pinyin_readings {
  public:
    // `simplified_of` maps a traditional character to its simplified form (0
    // when it has none), so that simplified text finds the readings of
    // tables written in traditional characters. False when unreadable.
    bool load(const std::string& path, const std::function<char16_t(char16_t)>& simplified_of);
    bool empty() const { return syllables_.empty(); }
    // Syllable ids of the character, empty when unknown.
    const std::vector<std::uint16_t>& of(char16_t c) const { return of_[c]; }
    // The id of the syllable with the usual confusions folded together:
    // zh/z, ch/c, sh/s, n/l and the finals -ng/-n.
    std::uint16_t loose(std::uint16_t syllable) const { return loose_[syllable]; }
    std::size_t loose_count() const { return loose_names_.size(); }

  private:
    std::uint16_t id_of(const std::string& syllable);
    std::vector<std::vector<std::uint16_t>> of_ = std::vector<std::vector<std::uint16_t>>(0x10000);
    std::unordered_map<std::string, std::uint16_t> syllables_;
    std::vector<std::uint16_t> loose_;
    std::unordered_map<std::string, std::uint16_t> loose_names_;
};

// A listed word that sounds like a stretch of text and differs from it in
// one character, or in two that each share a syllable with the written one.
struct sound_alike {
    std::u16string_view word;
    lexicon_word info;
    std::size_t changed;  // index of the (first) differing character
    bool same_sound;      // the changed characters share a syllable (not only a loose one)
    std::size_t also_changed = no_second;  // index of the second, if two differ
    static constexpr std::size_t no_second = static_cast<std::size_t>(-1);
};

class homophone_index {
  public:
    // Indexes the words of two to four characters with at least `min_frequency`.
    void build(const lexicon& words, const pinyin_readings& readings, std::uint32_t min_frequency);
    bool empty() const { return keys_.empty(); }
    // Appends the listed words that sound like `text` (loosely) and differ from it in one
    // character, or (with `two`) in two characters of the same syllable each.
    void alike(std::u16string_view text, std::vector<sound_alike>& out, bool two = false) const;

  private:
    // Every loose reading of `text` (one per combination of the characters' readings, capped).
    void keys_of(std::u16string_view text, std::vector<std::uint64_t>& keys) const;
    struct entry {
        std::uint64_t key;
        std::u16string_view word;
        lexicon_word info;
    };
    const pinyin_readings* readings_ = nullptr;
    std::vector<entry> keys_;
};

}  // namespace velmo_service
