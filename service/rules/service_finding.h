// What one checking rule reports and what steers the rules.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "rules/service_profile.h"
#include "velmo_protocol.h"

namespace velmo_service {

// Severity as the client reads it.
enum finding_level {
    level_error = VELMO_LEVEL_VALUE_ERROR,
    level_suspect = VELMO_LEVEL_VALUE_SUSPECT,
    level_serious = VELMO_LEVEL_VALUE_SERIOUS
};

struct finding {
    std::size_t pos = 0;                   // UTF-16 offset into the checked text
    std::size_t length = 0;                // UTF-16 units
    int level = 0;                         // 0 until the engine gives it the level of its rule
    std::string err_word;                  // UTF-8
    std::vector<std::string> suggestions;  // UTF-8, best first
    std::string rule;      // id of the rule that found it; for logs and evaluation, never sent
    std::string row = {};  // of a rule read from rows, the id of the row; never sent
    // log10 of how likely the text is written so when the first suggestion
    // was meant, as the rule that guessed it reckons; guesses on one span
    // are weighed by it beside the word model. Never sent.
    double log_chance = 0;
    std::string message = {};  // why it is an error, as its rule row says; sent when not empty
};

// The option elements of an upload, already read as numbers.
struct check_options {
    bool general = true;       // CheckSentence (and ChkDefault): misspellings, repeats, field words
    bool match_dots = false;   // CheckMatchDots: punctuation pairing and half-width punctuation
    bool leader_sort = false;  // CheckLeaderSort: order of the configured names
    bool english = false;      // ChkEng: English spelling
    bool traditional = false;  // FanTi: traditional characters in simplified text
    bool leader = false;       // Leader: configured name and key-phrase forms
    bool taiwan = false;       // TaiWan: configured phrases
    bool user_errors = false;  // UserErr: the user's defined errors
    int weight = 0;            // 0 fast, 1 normal, 2 strict
    int prof_type = 0;         // field dictionary; 0 = none
    // The kind of prose checked; empty: the service's setting.
    std::optional<check_profile> profile;
};

// The user's two word libraries, as stored.
struct user_words {
    std::vector<std::string> errors;  // flagged wherever they occur (when UserErr is on)
    std::vector<std::string> own;     // never flagged: findings touching them are dropped
};

}  // namespace velmo_service
