// Rules kept as rows of a data file (data/rules/<rule id>.rules): each row
// names the word written, the word meant and a condition on the word before
// it and on the word after it, with its examples. One loader reads every such
// file and one matcher runs its rows over the segmented text.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "lexicon/service_lexicon.h"
#include "lexicon/service_run_words.h"
#include "rules/service_finding.h"

namespace velmo_service {

class word_rule_file;

// The words of a run as conditions read them, with the text the run is cut
// from (for the marks that close it and for the sentence it belongs to).
struct word_context : run_words {
    const std::u16string& text;
    const word_rule_file& rules;  // the file of the row being read, for its word lists
    // The sentence the run belongs to ends in a question mark.
    bool in_question() const;
    // The clause goes on past the run (in Latin letters, digits, 、 or a
    // quote), where the run's words cannot see it.
    bool clause_goes_on() const;
    // The run ends its clause at one of `marks` (not at the end of the text,
    // which may be cut off); true only past the run's last word.
    bool closed_by(std::ptrdiff_t t, std::u16string_view marks) const;
    // The sentence up to the end of the word at t: from the last stop before
    // it, at most a few hundred characters back.
    std::u16string_view sentence_up_to(std::ptrdiff_t t) const;
};

// A test the conditions cannot say, kept in C++ and called from a row by name.
using word_predicate = bool (*)(const word_context&, std::ptrdiff_t);
using word_predicate_table = std::unordered_map<std::string, word_predicate>;
// Every such test by the name rows call it with.
const word_predicate_table& word_predicates();

struct condition_node;

// A condition on the word at a place of the run, compiled from its text.
class word_condition {
  public:
    word_condition();
    explicit word_condition(std::shared_ptr<const condition_node> node);
    bool holds(const word_context& n, std::ptrdiff_t t) const;

  private:
    std::shared_ptr<const condition_node> node_;
};

struct word_row {
    std::string id;
    std::u16string written;
    std::u16string meant;
    word_condition before;              // read at the word right before the written one
    word_condition after;               // and at the word right after it
    int level = 0;                      // 0: the level of the rule
    std::vector<std::string> profiles;  // of check_profile's names
    std::string message;
    std::vector<std::string> flags;   // examples it reports: [written|meant] marks the span
    std::vector<std::string> passes;  // close sentences it leaves alone
    int line = 0;                     // where the row starts in its file
    bool belongs_to(check_profile profile) const;
};

class word_rule_file {
  public:
    // False with `error` set (file and line) when the file cannot be read or
    // a row is malformed; then the file holds no rows.
    bool load(const std::string& path, std::string* error);
    bool parse(std::istream& in, const std::string& name, std::string* error);

    const std::string& rule() const { return rule_; }
    const std::vector<word_row>& rows() const { return rows_; }
    // The profiles the file gives its rows unless a row says otherwise.
    const std::vector<std::string>& profiles() const { return profiles_; }
    // A word list the file names ("list NAME words..."); empty when it names none.
    const std::vector<std::u16string>& list(const std::string& name) const;
    bool empty() const { return rows_.empty(); }

    // Every word of the runs that a row's written word and conditions fit,
    // reported with that row's word meant; the rows of one written word are
    // tried in file order and the first that fits decides. Only the rows of
    // `profile` are tried; without one, every row.
    void find(const std::u16string& text, const std::vector<chinese_run>& runs,
              const lexicon& words, std::vector<finding>& out,
              std::optional<check_profile> profile = std::nullopt) const;

  private:
    std::string rule_;
    bool from_second_word_ = false;  // the first word of a run is never read
    std::vector<word_row> rows_;
    std::vector<std::string> profiles_;
    std::unordered_map<std::string, std::vector<std::u16string>> lists_;
    std::unordered_map<std::u16string, std::vector<std::size_t>> by_written_;
};

}  // namespace velmo_service
