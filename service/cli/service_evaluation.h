// Measures the checking engine on a labelled file of sentences, one a line:
//   KIND TAB sentence
// where KIND names the planted error (any word: homophone, particle, ...) or
// is "clean", and the planted error is written in the sentence as
// [wrong|right]. '#' starts a comment line.
#pragma once

#include <iosfwd>
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
    int false_alarms = 0;             // clean sentences with any finding
    std::vector<std::string> misses;  // the lines behind missed errors and false alarms
};

// The options the evaluation checks with: the general rules and punctuation at weight 1.
check_options evaluation_options();
bool evaluation_run(const check_engine& engine, const std::string& path, evaluation_result& result,
                    std::string* error);
void evaluation_print(const evaluation_result& result, std::ostream& out);

}  // namespace velmo_service
