// Accounts, usage history and word libraries of the service, in one SQLite
// database (WAL mode, so the administration command can work beside a
// running service). All members are safe to call from several threads.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace velmo_service {

// Codes shared by the login, the job-identifier request and the upload.
enum account_code {
  code_ok = 0,
  code_unknown_user = 1,
  code_disabled = 2,
  code_expired = 3,
  code_no_words = 4,
  code_refused = 5,
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

struct word_page {
  std::vector<std::string> words;  // in the order they were added
  std::int64_t total = 0;
};

class service_store {
 public:
  service_store() = default;
  ~service_store();
  service_store(const service_store&) = delete;
  service_store& operator=(const service_store&) = delete;

  bool open(const std::string& path, std::string* error);

  // Administration. add_user fails when the name exists.
  bool add_user(const std::string& name, const std::string& auth_no, std::int64_t quota,
                const std::string& end_date, std::string* error);
  // Each present value replaces the stored one; false when the user is unknown.
  bool set_user(const std::string& name, const std::optional<std::string>& auth_no,
                const std::optional<int>& state, const std::optional<std::int64_t>& quota,
                const std::optional<std::string>& end_date, const std::optional<std::int64_t>& used);
  bool remove_user(const std::string& name);
  std::vector<account> list_users();
  std::optional<account> find_user(const std::string& name);

  // The code for a sign-in with `auth_no`: 0, or 1 to 4 as account_code says.
  int check_login(const std::string& name, const std::string& auth_no);
  // The code for an account that is already identified (no number check).
  static int account_code_of(const account& a, const std::string& today);

  // Charges `words` at `time`: code_ok and a usage row when the quota allows,
  // code_no_words (nothing charged) otherwise, code_unknown_user for no account.
  int charge(const std::string& name, std::int64_t words, const std::string& time);
  // Takes back a charge of `words` made at `time`: its usage row goes and the
  // words count as unused again.
  bool refund(const std::string& name, std::int64_t words, const std::string& time);
  // Usage rows of the day `date` (yyyy-MM-dd), page of `page_size`, and the
  // month's words of that date.
  usage_page usage(const std::string& name, const std::string& date, std::int64_t page, std::int64_t page_size);

  // Word libraries (3 defined errors, 4 own words).
  word_page words(const std::string& name, int lib, std::int64_t page, std::int64_t page_size);
  std::vector<std::string> all_words(const std::string& name, int lib);
  bool add_word(const std::string& name, int lib, const std::string& word);
  bool delete_word(const std::string& name, int lib, const std::string& word);

 private:
  bool exec(const char* sql);
  sqlite3* db_ = nullptr;
  std::mutex mutex_;
};

}  // namespace velmo_service
