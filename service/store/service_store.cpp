#include "store/service_store.h"

#include <limits>
#include <map>

#include "store/postgresql/service_store_postgresql.h"
#include "store/service_password.h"
#include "store/service_store_backend.h"
#include "store/service_user_name.h"
#include "store/sqlite/service_store_sqlite.h"

namespace velmo_service {

namespace {
// The first row of a page; a page far beyond any table starts past its end
// instead of wrapping round to a negative offset.
std::int64_t page_offset(std::int64_t page, std::int64_t page_size) {
    if (page <= 0 || page_size <= 0) return 0;
    return page > std::numeric_limits<std::int64_t>::max() / page_size
               ? std::numeric_limits<std::int64_t>::max()
               : page * page_size;
}
}  // namespace

service_store::service_store() = default;
service_store::~service_store() = default;

bool service_store::is_shared_location(const std::string& location) {
    return location.rfind("postgresql://", 0) == 0 || location.rfind("postgres://", 0) == 0;
}

bool service_store::open(const std::string& location, std::string* error) {
    backend_ = is_shared_location(location) ? postgresql_store_open(location, error)
                                            : sqlite_store_open(location, error);
    location_ = backend_ ? location : std::string();
    if (backend_) normalize_stored_names();
    return backend_ != nullptr;
}

// Accounts made before names were kept in NFC take their NFC name, unless
// an account has it already: those look-alikes stay apart for an
// administrator to settle (`user list` names them).
void service_store::normalize_stored_names() {
    for (const account_record& r : backend_->list_users()) {
        const std::string normal = user_name_normal(r.acc.user_name);
        if (normal != r.acc.user_name) backend_->rename_user(r.acc.user_name, normal);
    }
}

std::vector<std::vector<std::string>> service_store::look_alike_accounts() {
    std::map<std::string, std::vector<std::string>> by_normal;
    for (const account_record& r : backend_->list_users())
        by_normal[user_name_normal(r.acc.user_name)].push_back(r.acc.user_name);
    std::vector<std::vector<std::string>> out;
    for (auto& [normal, names] : by_normal)
        if (names.size() > 1) out.push_back(std::move(names));
    return out;
}

bool service_store::add_user(const std::string& given, const std::string& auth_no,
                             std::int64_t quota, const std::string& end_date, std::string* error) {
    const std::string name = user_name_normal(given);
    account_record r;
    r.acc.user_name = name;
    r.acc.quota = quota;
    r.acc.end_date = end_date;
    r.auth_hash = password_hash(auth_no);
    if (r.auth_hash.empty()) {
        if (error) *error = "cannot hash the authorization number";
        return false;
    }
    return backend_->add_user(r, error);
}

bool service_store::set_user(const std::string& given, const std::optional<std::string>& auth_no,
                             const std::optional<int>& state,
                             const std::optional<std::int64_t>& quota,
                             const std::optional<std::string>& end_date,
                             const std::optional<std::int64_t>& used) {
    const std::string name = user_name_normal(given);
    std::optional<std::string> hash;
    if (auth_no) hash = password_hash(*auth_no);
    return backend_->set_user(name, hash, state, quota, end_date, used);
}

bool service_store::remove_user(const std::string& name) {
    return backend_->remove_user(user_name_normal(name));
}

std::vector<account> service_store::list_users() {
    std::vector<account> out;
    for (account_record& r : backend_->list_users()) out.push_back(std::move(r.acc));
    return out;
}

std::optional<account> service_store::find_user(const std::string& given) {
    const std::string name = user_name_normal(given);
    std::optional<account_record> r = backend_->find_user(name);
    if (!r) return std::nullopt;
    return std::move(r->acc);
}

int service_store::account_code_of(const account& a, const std::string& today) {
    if (a.state != state_active) return code_disabled;
    if (a.end_date < today) return code_expired;
    if (a.used >= a.quota) return code_no_words;
    return code_ok;
}

int service_store::check_login(const std::string& given, const std::string& auth_no) {
    const std::string name = user_name_normal(given);
    const std::optional<account_record> r = backend_->find_user(name);
    // An unknown name is checked against a stand-in record of the same cost,
    // so the time of the answer does not tell which names exist.
    static const std::string stand_in = password_hash("no such account");
    if (!r) {
        password_verify(auth_no, stand_in);
        return code_unknown_user;
    }
    return password_verify(auth_no, r->auth_hash) ? code_ok : code_unknown_user;
}

int service_store::charge(const std::string& given, std::int64_t words, const std::string& time) {
    const std::string name = user_name_normal(given);
    try {
        return backend_->charge(name, words, time);
    } catch (const store_unavailable&) {
        return code_unavailable;
    }
}

bool service_store::refund(const std::string& given, std::int64_t words, const std::string& time) {
    const std::string name = user_name_normal(given);
    try {
        return backend_->refund(name, words, time);
    } catch (const store_unavailable&) {
        return false;
    }
}

usage_page service_store::usage(const std::string& given, const std::string& date,
                                std::int64_t page, std::int64_t page_size) {
    const std::string name = user_name_normal(given);
    return backend_->usage(name, date, page_offset(page, page_size), page_size);
}

word_page service_store::words(const std::string& given, int lib, std::int64_t page,
                               std::int64_t page_size) {
    const std::string name = user_name_normal(given);
    return backend_->words(name, lib, page_offset(page, page_size), page_size);
}

std::vector<std::string> service_store::all_words(const std::string& given, int lib) {
    const std::string name = user_name_normal(given);
    try {
        return backend_->all_words(name, lib);
    } catch (const store_unavailable&) {
        return {};  // the check goes on without the user's own words
    }
}

bool service_store::add_word(const std::string& name, int lib, const std::string& word) {
    return add_word_within(name, lib, word, std::numeric_limits<std::int64_t>::max()) ==
           word_added::added;
}

word_added service_store::add_word_within(const std::string& given, int lib,
                                          const std::string& word, std::int64_t cap) {
    const std::string name = user_name_normal(given);
    return backend_->add_word(name, lib, word, cap);
}

bool service_store::delete_word(const std::string& given, int lib, const std::string& word) {
    const std::string name = user_name_normal(given);
    return backend_->delete_word(name, lib, word);
}

bool service_store::copy_from(service_store& from, std::vector<std::string>* skipped,
                              std::string* error) {
    for (const account_record& r : from.backend_->list_users()) {
        if (backend_->find_user(r.acc.user_name)) {
            if (skipped) skipped->push_back(r.acc.user_name);
            continue;
        }
        if (!backend_->add_user(r, error)) return false;
        for (const usage_row& u : from.backend_->all_usage(r.acc.user_name)) {
            if (!backend_->add_usage(r.acc.user_name, u)) {
                if (error) *error = "cannot copy the usage of " + r.acc.user_name;
                return false;
            }
        }
        for (int lib : {3, 4})
            for (const std::string& w : from.backend_->all_words(r.acc.user_name, lib))
                backend_->add_word(r.acc.user_name, lib, w,
                                   std::numeric_limits<std::int64_t>::max());
    }
    return true;
}

}  // namespace velmo_service
