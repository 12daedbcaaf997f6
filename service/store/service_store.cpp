#include "store/service_store.h"

#include <sqlite3.h>

#include <limits>

#include "store/service_password.h"

namespace velmo_service {

namespace {
// One prepared statement, bound by position (1-based) and stepped row by row.
class statement {
 public:
  statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
  ~statement() { sqlite3_finalize(stmt_); }
  statement(const statement&) = delete;
  statement& operator=(const statement&) = delete;

  bool ok() const { return stmt_ != nullptr; }
  statement& bind(int i, const std::string& v) {
    sqlite3_bind_text(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    return *this;
  }
  statement& bind(int i, std::int64_t v) {
    sqlite3_bind_int64(stmt_, i, v);
    return *this;
  }
  bool row() { return stmt_ && sqlite3_step(stmt_) == SQLITE_ROW; }
  bool run() {
    if (!stmt_) return false;
    const int rc = sqlite3_step(stmt_);
    return rc == SQLITE_DONE || rc == SQLITE_ROW;
  }
  std::string text(int col) const {
    const unsigned char* t = sqlite3_column_text(stmt_, col);
    return t ? std::string(reinterpret_cast<const char*>(t), static_cast<std::size_t>(sqlite3_column_bytes(stmt_, col)))
             : std::string();
  }
  std::int64_t integer(int col) const { return sqlite3_column_int64(stmt_, col); }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

const char* const schema =
    "CREATE TABLE IF NOT EXISTS accounts("
    "  user_name TEXT PRIMARY KEY,"
    "  auth_hash TEXT NOT NULL,"
    "  state INTEGER NOT NULL DEFAULT 0,"
    "  quota INTEGER NOT NULL DEFAULT 0,"
    "  used INTEGER NOT NULL DEFAULT 0,"
    "  end_date TEXT NOT NULL);"
    "CREATE TABLE IF NOT EXISTS usage("
    "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
    "  user_name TEXT NOT NULL,"
    "  check_time TEXT NOT NULL,"
    "  words INTEGER NOT NULL);"
    "CREATE INDEX IF NOT EXISTS usage_by_user_time ON usage(user_name, check_time);"
    "CREATE TABLE IF NOT EXISTS words("
    "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
    "  user_name TEXT NOT NULL,"
    "  lib INTEGER NOT NULL,"
    "  word TEXT NOT NULL,"
    "  UNIQUE(user_name, lib, word));";

account read_account(const statement& s) {
  account a;
  a.user_name = s.text(0);
  a.state = static_cast<int>(s.integer(1));
  a.quota = s.integer(2);
  a.used = s.integer(3);
  a.end_date = s.text(4);
  return a;
}
}  // namespace

service_store::~service_store() {
  if (db_) sqlite3_close(db_);
}

bool service_store::exec(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

bool service_store::open(const std::string& path, std::string* error) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                      nullptr) != SQLITE_OK) {
    if (error) *error = db_ ? sqlite3_errmsg(db_) : "cannot open database";
    if (db_) sqlite3_close(db_);
    db_ = nullptr;
    return false;
  }
  sqlite3_busy_timeout(db_, 5000);
  if (!exec("PRAGMA journal_mode=WAL;") || !exec("PRAGMA synchronous=NORMAL;") || !exec(schema)) {
    if (error) *error = sqlite3_errmsg(db_);
    sqlite3_close(db_);
    db_ = nullptr;
    return false;
  }
  return true;
}

bool service_store::add_user(const std::string& name, const std::string& auth_no, std::int64_t quota,
                             const std::string& end_date, std::string* error) {
  const std::string hash = password_hash(auth_no);
  std::lock_guard<std::mutex> lock(mutex_);
  statement s(db_,
              "INSERT INTO accounts(user_name, auth_hash, state, quota, used, end_date) "
              "VALUES(?,?,0,?,0,?)");
  s.bind(1, name).bind(2, hash).bind(3, quota).bind(4, end_date);
  if (hash.empty() || !s.run()) {
    if (error) *error = sqlite3_errmsg(db_);
    return false;
  }
  return true;
}

bool service_store::set_user(const std::string& name, const std::optional<std::string>& auth_no,
                             const std::optional<int>& state, const std::optional<std::int64_t>& quota,
                             const std::optional<std::string>& end_date, const std::optional<std::int64_t>& used) {
  const std::string hash = auth_no ? password_hash(*auth_no) : std::string();
  std::lock_guard<std::mutex> lock(mutex_);
  {
    statement s(db_, "SELECT 1 FROM accounts WHERE user_name=?");
    s.bind(1, name);
    if (!s.row()) return false;
  }
  bool ok = exec("BEGIN IMMEDIATE");
  auto update = [&](const char* sql, auto value) {
    statement s(db_, sql);
    s.bind(1, value).bind(2, name);
    ok = ok && s.run();
  };
  if (auth_no) update("UPDATE accounts SET auth_hash=? WHERE user_name=?", hash);
  if (state) update("UPDATE accounts SET state=? WHERE user_name=?", static_cast<std::int64_t>(*state));
  if (quota) update("UPDATE accounts SET quota=? WHERE user_name=?", *quota);
  if (end_date) update("UPDATE accounts SET end_date=? WHERE user_name=?", *end_date);
  if (used) update("UPDATE accounts SET used=? WHERE user_name=?", *used);
  exec(ok ? "COMMIT" : "ROLLBACK");
  return ok;
}

bool service_store::remove_user(const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  exec("BEGIN IMMEDIATE");
  statement s(db_, "DELETE FROM accounts WHERE user_name=?");
  s.bind(1, name);
  const bool removed = s.run() && sqlite3_changes(db_) > 0;
  if (removed) {
    statement u(db_, "DELETE FROM usage WHERE user_name=?");
    u.bind(1, name).run();
    statement w(db_, "DELETE FROM words WHERE user_name=?");
    w.bind(1, name).run();
  }
  exec("COMMIT");
  return removed;
}

std::vector<account> service_store::list_users() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<account> out;
  statement s(db_, "SELECT user_name, state, quota, used, end_date FROM accounts ORDER BY user_name");
  while (s.row()) out.push_back(read_account(s));
  return out;
}

std::optional<account> service_store::find_user(const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  statement s(db_, "SELECT user_name, state, quota, used, end_date FROM accounts WHERE user_name=?");
  s.bind(1, name);
  if (!s.row()) return std::nullopt;
  return read_account(s);
}

namespace {
// The first row of a page; a page far beyond any table starts past its end
// instead of wrapping round to a negative offset.
std::int64_t page_offset(std::int64_t page, std::int64_t page_size) {
  if (page <= 0 || page_size <= 0) return 0;
  return page > std::numeric_limits<std::int64_t>::max() / page_size ? std::numeric_limits<std::int64_t>::max()
                                                                     : page * page_size;
}
}  // namespace

int service_store::account_code_of(const account& a, const std::string& today) {
  if (a.state != state_active) return code_disabled;
  if (a.end_date < today) return code_expired;
  if (a.used >= a.quota) return code_no_words;
  return code_ok;
}

int service_store::check_login(const std::string& name, const std::string& auth_no) {
  std::string hash;
  std::optional<account> a;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    statement s(db_,
                "SELECT user_name, state, quota, used, end_date, auth_hash FROM accounts WHERE "
                "user_name=?");
    s.bind(1, name);
    if (s.row()) {
      a = read_account(s);
      hash = s.text(5);
    }
  }
  // The hash is computed outside the lock: it is the slow part of a sign-in.
  // An unknown name is checked against a stand-in record of the same cost,
  // so the time of the answer does not tell which names exist.
  static const std::string stand_in = password_hash("no such account");
  if (!a) {
    password_verify(auth_no, stand_in);
    return code_unknown_user;
  }
  if (!password_verify(auth_no, hash)) return code_unknown_user;
  return code_ok;
}

int service_store::charge(const std::string& name, std::int64_t words, const std::string& time) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!exec("BEGIN IMMEDIATE")) return code_refused;
  statement s(db_, "UPDATE accounts SET used = used + ? WHERE user_name=? AND used + ? <= quota");
  s.bind(1, words).bind(2, name).bind(3, words);
  if (!s.run()) {
    exec("ROLLBACK");
    return code_refused;
  }
  if (sqlite3_changes(db_) == 0) {
    exec("ROLLBACK");
    statement f(db_, "SELECT 1 FROM accounts WHERE user_name=?");
    f.bind(1, name);
    return f.row() ? code_no_words : code_unknown_user;
  }
  statement r(db_, "INSERT INTO usage(user_name, check_time, words) VALUES(?,?,?)");
  r.bind(1, name).bind(2, time).bind(3, words);
  if (!r.run()) {
    exec("ROLLBACK");
    return code_refused;
  }
  return exec("COMMIT") ? code_ok : code_refused;
}

bool service_store::refund(const std::string& name, std::int64_t words, const std::string& time) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!exec("BEGIN IMMEDIATE")) return false;
  statement r(db_,
              "DELETE FROM usage WHERE id = (SELECT id FROM usage WHERE user_name=? AND "
              "check_time=? AND words=? "
              "ORDER BY id DESC LIMIT 1)");
  r.bind(1, name).bind(2, time).bind(3, words);
  statement s(db_, "UPDATE accounts SET used = MAX(0, used - ?) WHERE user_name=?");
  s.bind(1, words).bind(2, name);
  if (!r.run() || sqlite3_changes(db_) == 0 || !s.run()) {
    exec("ROLLBACK");
    return false;
  }
  return exec("COMMIT");
}

usage_page service_store::usage(const std::string& name, const std::string& date, std::int64_t page,
                                 std::int64_t page_size) {
  std::lock_guard<std::mutex> lock(mutex_);
  usage_page out;
  const std::string day = date.substr(0, 10);
  {
    statement s(db_, "SELECT COUNT(*) FROM usage WHERE user_name=? AND substr(check_time,1,10)=?");
    s.bind(1, name).bind(2, day);
    if (s.row()) out.total_rows = s.integer(0);
  }
  {
    statement s(db_,
                "SELECT COALESCE(SUM(words),0) FROM usage WHERE user_name=? AND "
                "substr(check_time,1,7)=?");
    s.bind(1, name).bind(2, day.substr(0, 7));
    if (s.row()) out.month_words = s.integer(0);
  }
  statement s(db_,
              "SELECT check_time, words FROM usage WHERE user_name=? AND substr(check_time,1,10)=? "
              "ORDER BY check_time DESC, id DESC LIMIT ? OFFSET ?");
  s.bind(1, name).bind(2, day).bind(3, page_size).bind(4, page_offset(page, page_size));
  while (s.row()) out.rows.push_back(usage_row{s.text(0), s.integer(1)});
  return out;
}

word_page service_store::words(const std::string& name, int lib, std::int64_t page, std::int64_t page_size) {
  std::lock_guard<std::mutex> lock(mutex_);
  word_page out;
  {
    statement s(db_, "SELECT COUNT(*) FROM words WHERE user_name=? AND lib=?");
    s.bind(1, name).bind(2, static_cast<std::int64_t>(lib));
    if (s.row()) out.total = s.integer(0);
  }
  statement s(db_, "SELECT word FROM words WHERE user_name=? AND lib=? ORDER BY id LIMIT ? OFFSET ?");
  s.bind(1, name).bind(2, static_cast<std::int64_t>(lib)).bind(3, page_size).bind(4, page_offset(page, page_size));
  while (s.row()) out.words.push_back(s.text(0));
  return out;
}

std::vector<std::string> service_store::all_words(const std::string& name, int lib) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> out;
  statement s(db_, "SELECT word FROM words WHERE user_name=? AND lib=? ORDER BY id");
  s.bind(1, name).bind(2, static_cast<std::int64_t>(lib));
  while (s.row()) out.push_back(s.text(0));
  return out;
}

bool service_store::add_word(const std::string& name, int lib, const std::string& word) {
  std::lock_guard<std::mutex> lock(mutex_);
  statement s(db_, "INSERT OR IGNORE INTO words(user_name, lib, word) VALUES(?,?,?)");
  s.bind(1, name).bind(2, static_cast<std::int64_t>(lib)).bind(3, word);
  return s.run() && sqlite3_changes(db_) > 0;
}

bool service_store::delete_word(const std::string& name, int lib, const std::string& word) {
  std::lock_guard<std::mutex> lock(mutex_);
  statement s(db_, "DELETE FROM words WHERE user_name=? AND lib=? AND word=?");
  s.bind(1, name).bind(2, static_cast<std::int64_t>(lib)).bind(3, word);
  return s.run() && sqlite3_changes(db_) > 0;
}

}  // namespace velmo_service
