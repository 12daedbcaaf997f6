// Measures the checking engine on a labelled file of sentences, one a line:
//   KIND TAB sentence
// where KIND names the planted error (any word: homophone, particle, ...) or
// is "clean", and the planted error is written in the sentence as
// [wrong|right]. '#' starts a comment line.
#pragma once

#include <iosfwd>
#include <map>
#include <string>
#include <vector>

#include "rules/service_engine.h"

namespace velmo_service {

struct evaluation_kind {
    std::string kind;
    int sentences = 0;
    int found = 0;      // a finding touches the planted error
    int corrected = 0;  // the first suggestion of that finding gives the right sentence
    int offered = 0;    // one of its suggestions does
};

struct evaluation_result {
    std::vector<evaluation_kind> kinds;  // planted kinds, in order of first appearance
    int clean = 0;
    int false_alarms = 0;              // clean sentences with any finding
    std::size_t clean_characters = 0;  // in the clean sentences
    int clean_marks = 0;               // findings in them
    std::vector<std::string>
        misses;  // the lines behind errors missed or not corrected first, and false alarms
};

// The options the evaluation checks with: the general rules and punctuation at weight 1.
check_options evaluation_options();
// `rules` picks the rules to run; empty: those the evaluation options switch on.
bool evaluation_run(const check_engine& engine, const std::string& path, evaluation_result& result,
                    std::string* error, const rule_filter& rules = {});
void evaluation_print(const evaluation_result& result, std::ostream& out);

// Sentence-level scores of the spelling-check bake-offs on their TSV files
// (a header line, then kind TAB sentence TAB wrong TAB correct TAB pos ...,
// kind "csc" for sentences with errors and "clean" for none, the lists
// '|'-joined, positions counted in characters from 0).
struct bakeoff_counts {
    int error_sentences = 0;
    int clean_sentences = 0;
    int flagged = 0;                   // sentences with any finding
    int clean_flagged = 0;             // of them clean
    int detected = 0;                  // flagged positions equal the wrong ones
    int corrected = 0;                 // and every first suggestion gives the right character
    std::size_t clean_characters = 0;  // in the clean sentences
    int clean_marks = 0;               // findings in them
};

struct bakeoff_result {
    bakeoff_counts all;
    // Each rule scored as if it were alone: its findings against every sentence.
    std::map<std::string, bakeoff_counts> by_rule;
    // Of the rules kept as rows, each row alone ("rule/row"), when asked for.
    std::map<std::string, bakeoff_counts> by_row;
    std::vector<std::string> misses;  // sentences scored wrong, with what was found
};

// Which sentences of a file are scored: every fifth is held back from tuning.
enum class bakeoff_part { all, training, held_back };

struct bakeoff_settings {
    rule_filter rules;  // empty: the evaluation options' rules
    int limit = 0;      // read at most this many sentences; 0 = all
    bakeoff_part part = bakeoff_part::all;
    bool by_row = false;  // score each row of the row rules too
};

bool evaluation_run_bakeoff(const check_engine& engine, const std::string& path,
                            const bakeoff_settings& settings, bakeoff_result& result,
                            std::string* error);
void evaluation_print_bakeoff(const bakeoff_result& result, bool show_misses, std::ostream& out);
// True when the file starts with the bake-off header.
bool evaluation_is_bakeoff(const std::string& path);

}  // namespace velmo_service
