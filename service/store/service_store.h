// Accounts, usage history and word libraries of the service (user names in
// NFC, whatever form a caller gives them in), in one SQLite
// file (`open("velmo.db")`) or in a PostgreSQL database that several service
// instances share (`open("postgresql://...")`). All members are safe to call
// from several threads. Those that answer requests throw store_unavailable
// when the database cannot be reached or written; the ones the job workers
// call (charge, refund, all_words) answer code_unavailable, false or nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "store/service_store_types.h"

namespace velmo_service {

class store_backend;

class service_store {
  public:
    service_store();
    ~service_store();
    service_store(const service_store&) = delete;
    service_store& operator=(const service_store&) = delete;

    // Opens the database `location` names and brings its schema up to date.
    bool open(const std::string& location, std::string* error);
    // True for a PostgreSQL location, whose jobs several instances share.
    static bool is_shared_location(const std::string& location);
    const std::string& location() const { return location_; }

    // Administration. add_user fails when the name exists.
    bool add_user(const std::string& name, const std::string& auth_no, std::int64_t quota,
                  const std::string& end_date, std::string* error);
    // Each present value replaces the stored one; false when the user is unknown.
    bool set_user(const std::string& name, const std::optional<std::string>& auth_no,
                  const std::optional<int>& state, const std::optional<std::int64_t>& quota,
                  const std::optional<std::string>& end_date,
                  const std::optional<std::int64_t>& used);
    bool remove_user(const std::string& name);
    std::vector<account> list_users();
    std::optional<account> find_user(const std::string& name);

    // The code for a sign-in with `auth_no`: 0, or 1 to 4 as account_code says.
    int check_login(const std::string& name, const std::string& auth_no);
    // The code for an account that is already identified (no number check).
    static int account_code_of(const account& a, const std::string& today);

    // Charges `words` at `time`: code_ok and a usage row when the quota allows,
    // code_no_words (nothing charged) otherwise, code_unknown_user for no account,
    // code_unavailable when the database failed (nothing charged).
    int charge(const std::string& name, std::int64_t words, const std::string& time);
    // Takes back a charge of `words` made at `time`: its usage row goes and the
    // words count as unused again.
    bool refund(const std::string& name, std::int64_t words, const std::string& time);
    // Usage rows of the day `date` (yyyy-MM-dd), page of `page_size`, and the
    // month's words of that date.
    usage_page usage(const std::string& name, const std::string& date, std::int64_t page,
                     std::int64_t page_size);

    // Word libraries (3 defined errors, 4 own words).
    word_page words(const std::string& name, int lib, std::int64_t page, std::int64_t page_size);
    std::vector<std::string> all_words(const std::string& name, int lib);
    // True when the entry was added (not there before); no cap.
    bool add_word(const std::string& name, int lib, const std::string& word);
    // Adds unless the user already holds `cap` entries in all libraries together.
    word_added add_word_within(const std::string& name, int lib, const std::string& word,
                               std::int64_t cap);
    bool delete_word(const std::string& name, int lib, const std::string& word);

    // Copies every account (with its hashed number), usage row and word of
    // `from` into this store; accounts already here are left as they are and
    // named in `skipped`. False with `error` when a write fails.
    bool copy_from(service_store& from, std::vector<std::string>* skipped, std::string* error);

    // Groups of accounts whose names differ only in their Unicode form.
    std::vector<std::vector<std::string>> look_alike_accounts();

  private:
    void normalize_stored_names();

    std::unique_ptr<store_backend> backend_;
    std::string location_;
};

}  // namespace velmo_service
