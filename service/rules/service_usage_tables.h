// Word-usage tables the grammar rules read: which measure words go with
// which nouns and which are mistaken for each other, and which verbs do not
// go with an object where a near synonym does. Both are plain text files of
// the data folder, one entry a line.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace velmo_service {

// Lines (TAB separated, '#' starts a comment line):
//   noun TAB measure words        the noun alone or closing a compound
//                                 (a noun of one character only where it
//                                 stands as a word of its own)
//   *head TAB measure words       any noun ending in `head` (苹果树, 松树)
//   = TAB characters              characters mistaken for each other
// Measure words are written one after another, the usual one first.
class measure_word_table {
  public:
    // False when the file cannot be read; malformed lines are skipped.
    bool load(const std::string& path);
    bool empty() const { return nouns_.empty(); }
    // The measure words of `noun`: a listed noun (one of a single character
    // only when `whole`, it starts a word of the text) or one of a listed
    // head; nullptr when none.
    const std::u16string* measures_of(std::u16string_view noun, bool whole) const;
    // True when `written` is mistaken for `meant` in some group.
    bool confusable(char16_t written, char16_t meant) const;
    // True when `c` is a measure word of some listed noun.
    bool measure_word(char16_t c) const { return measure_chars_.find(c) != std::u16string::npos; }
    // True when `c` belongs to some group.
    bool grouped(char16_t c) const;

  private:
    std::unordered_map<std::u16string, std::u16string> nouns_;
    std::unordered_map<std::u16string, std::u16string> heads_;
    std::vector<std::u16string> groups_;
    std::u16string measure_chars_;
};

// A verb that does not go with an object, and the verbs that do.
struct collocation {
    std::u16string verb;
    std::u16string object;
    std::vector<std::string> better;  // UTF-8, best first
};

// Lines: verb TAB object TAB better verb|better verb ('#' starts a comment line).
class collocation_table {
  public:
    bool load(const std::string& path);
    bool empty() const { return by_verb_.empty(); }
    // The entries whose verb is `verb`; nullptr when none.
    const std::vector<collocation>* of_verb(std::u16string_view verb) const;

  private:
    std::unordered_map<std::u16string, std::vector<collocation>> by_verb_;
};

}  // namespace velmo_service
