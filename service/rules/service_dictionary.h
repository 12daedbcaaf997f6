// Phrase lists of the checking rules, loaded from data files and searched in
// one pass. Line format (tab separated, '#' starts a comment line):
//   phrase [TAB suggestion|suggestion...] [TAB level] [TAB weight]
// level: 1 error, 2 suspect, 3 serious (default 1); weight: the lowest check
// strength (0 fast, 1 normal, 2 strict) at which the entry applies (default 0).
#pragma once

#include <string>
#include <vector>

#include "rules/service_finding.h"
#include "rules/service_matcher.h"

namespace velmo_service {

struct phrase_entry {
    std::string phrase;  // UTF-8
    std::vector<std::string> suggestions;
    int level = level_error;
    int weight = 0;
};

class phrase_dictionary {
  public:
    // Returns false when the file cannot be read; malformed lines are skipped.
    bool load_file(const std::string& path);
    void add(phrase_entry entry);
    void build();
    bool empty() const { return entries_.empty(); }
    std::size_t size() const { return entries_.size(); }
    const phrase_entry& entry(int id) const { return entries_[static_cast<std::size_t>(id)]; }

    // Non-overlapping occurrences (leftmost, then longest) of the entries that
    // apply at `weight`, as findings.
    void find(const std::u16string& text, int weight, std::vector<finding>& out) const;
    // Raw occurrences of all entries, overlapping ones included.
    void occurrences(const std::u16string& text, std::vector<text_match>& out) const;

  private:
    std::vector<phrase_entry> entries_;
    text_matcher matcher_;
};

// A dictionary of plain words (no suggestions), as the user's word lists hold them.
phrase_dictionary dictionary_of_words(const std::vector<std::string>& words);

}  // namespace velmo_service
