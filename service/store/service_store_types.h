// Rows the service store hands out, and the account codes shared by the
// sign-in, the job-identifier request and the upload.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace velmo_service {

enum account_code {
    code_ok = 0,
    code_unknown_user = 1,
    code_disabled = 2,
    code_expired = 3,
    code_no_words = 4,
    code_refused = 5,
    code_unavailable = 6,  // the database could not be reached or written
};

// Thrown by the store when the database cannot be reached, read or written,
// so that an outage is never taken for a missing row or a wrong number.
struct store_unavailable : std::runtime_error {
    using std::runtime_error::runtime_error;
};

enum account_state { state_active = 0, state_disabled = 1 };

struct account {
    std::string user_name;
    int state = state_active;
    std::int64_t quota = 0;  // words granted
    std::int64_t used = 0;   // words charged so far
    std::string end_date;    // last valid day, yyyy-MM-dd
};

struct usage_row {
    std::string check_time;  // yyyy-MM-ddThh:mm:ss
    std::int64_t words = 0;
};

struct usage_page {
    std::vector<usage_row> rows;  // newest first
    std::int64_t total_rows = 0;  // rows of the day
    std::int64_t month_words = 0;
};

// What adding to a word library did: an entry already there counts as kept.
enum class word_added { added, present, full };

struct word_page {
    std::vector<std::string> words;  // in the order they were added
    std::int64_t total = 0;
};

}  // namespace velmo_service
