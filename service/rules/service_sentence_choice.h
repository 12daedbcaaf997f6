// One decision per stretch of Chinese over the guesses of the rules weighed
// by the word model, instead of each guess standing alone.
#pragma once

#include <vector>

#include "lexicon/service_language_model.h"
#include "lexicon/service_lexicon.h"
#include "rules/service_finding.h"

namespace velmo_service {

// Among the findings `weighed` marks that lie in one run of `runs`: two that
// make the same text are one, the first found staying; of two that
// overlap, the one whose first suggestion gains the model more, with
// the chance of the slip it undoes, is kept; then, with all kept suggestions applied together, a
// finding whose suggestion no longer raises the run's score is dropped (the weakest first, weighing
// the rest again). Without the model, of overlapping findings `weighed` marks the first stands.
// Other findings are kept as they are.
// `char_shares` holds, per run, how much the model's character part counts there.
void sentence_choose_jointly(const language_model& model, const std::vector<chinese_run>& runs,
                             const std::vector<double>& char_shares,
                             const std::vector<bool>& weighed, std::vector<finding>& findings);

}  // namespace velmo_service
