// What a database back-end of the service store provides. The store facade
// hashes and verifies authorization numbers and chooses the back-end; a
// back-end only keeps rows. Every member is safe to call from several threads.
// A member that cannot reach, read or write the database throws
// store_unavailable; a row that conflicts with a stored one is reported.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "store/service_store_types.h"

namespace velmo_service {

// One account as stored, with its number's hash.
struct account_record {
    account acc;
    std::string auth_hash;
};

class store_backend {
  public:
    virtual ~store_backend() = default;

    virtual bool add_user(const account_record& record, std::string* error) = 0;
    virtual bool set_user(const std::string& name, const std::optional<std::string>& auth_hash,
                          const std::optional<int>& state, const std::optional<std::int64_t>& quota,
                          const std::optional<std::string>& end_date,
                          const std::optional<std::int64_t>& used) = 0;
    virtual bool remove_user(const std::string& name) = 0;
    // Gives an account, its usage, words and jobs another name; false when
    // that name is taken or the account is unknown.
    virtual bool rename_user(const std::string& from, const std::string& to) = 0;
    virtual std::vector<account_record> list_users() = 0;
    virtual std::optional<account_record> find_user(const std::string& name) = 0;

    // Checks the quota and charges in one transaction: code_ok with one usage
    // row, code_no_words or code_unknown_user with nothing written.
    virtual int charge(const std::string& name, std::int64_t words, const std::string& time) = 0;
    // Takes back the newest charge of `words` made at `time`: its usage row
    // goes and the words count as unused again; false when there is none.
    virtual bool refund(const std::string& name, std::int64_t words, const std::string& time) = 0;
    // Usage rows of the day `date` (yyyy-MM-dd), `limit` from row `offset`,
    // and the month's words of that date.
    virtual usage_page usage(const std::string& name, const std::string& date, std::int64_t offset,
                             std::int64_t limit) = 0;
    // Every usage row of an account, oldest first (for copying between databases).
    virtual std::vector<usage_row> all_usage(const std::string& name) = 0;
    // Appends a usage row as it is, without charging (for copying between databases).
    virtual bool add_usage(const std::string& name, const usage_row& row) = 0;

    virtual word_page words(const std::string& name, int lib, std::int64_t offset,
                            std::int64_t limit) = 0;
    virtual std::vector<std::string> all_words(const std::string& name, int lib) = 0;
    // Adds unless the entry is there or the user already holds `cap` entries
    // in all libraries together; one transaction.
    virtual word_added add_word(const std::string& name, int lib, const std::string& word,
                                std::int64_t cap) = 0;
    virtual bool delete_word(const std::string& name, int lib, const std::string& word) = 0;
};

}  // namespace velmo_service
