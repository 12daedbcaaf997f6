// Accounts, usage history and word libraries in SQLite.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include "service_test_support.h"
#include "store/service_password.h"
#include "store/service_store.h"

using namespace velmo_service;

namespace {
struct store_fixture : ::testing::Test {
  velmo_test::temp_dir dir;
  std::string db = dir.path() + "/service.db";
  service_store store;
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(store.open(db, &error)) << error;
  }
};
}  // namespace

TEST(ServicePassword, VerifiesOnlyTheRightNumberAndAWellFormedHash) {
  const std::string h = password_hash("1234-abcd");
  EXPECT_EQ(h.find("1234-abcd"), std::string::npos);
  EXPECT_NE(h, password_hash("1234-abcd"));  // salted
  EXPECT_TRUE(password_verify("1234-abcd", h));
  EXPECT_FALSE(password_verify("1234-abcD", h));
  EXPECT_FALSE(password_verify("", h));
  EXPECT_FALSE(password_verify("1234-abcd", ""));
  EXPECT_FALSE(password_verify("1234-abcd", "pbkdf2-sha256$x$00$00"));
  EXPECT_FALSE(password_verify("1234-abcd", h.substr(0, h.size() - 2)));
}

TEST_F(store_fixture, NumbersAreStoredHashedAndLoginCodesAreDistinct) {
  velmo_test::add_account(store, "alice", "secret-1", 100, "2099-01-01");
  std::string error;
  EXPECT_FALSE(store.add_user("alice", "other", 1, "2099-01-01", &error));
  {
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &raw), SQLITE_OK);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(raw, "SELECT auth_hash FROM accounts", -1, &s, nullptr);
    ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(sqlite3_column_text(s, 0))).find("secret-1"),
              std::string::npos);
    sqlite3_finalize(s);
    sqlite3_close(raw);
  }
  EXPECT_EQ(store.check_login("alice", "secret-1"), code_ok);
  EXPECT_EQ(store.check_login("alice", "secret-2"), code_unknown_user);
  EXPECT_EQ(store.check_login("bob", "secret-1"), code_unknown_user);

  account a = *store.find_user("alice");
  EXPECT_EQ(service_store::account_code_of(a, "2050-01-01"), code_ok);
  EXPECT_EQ(service_store::account_code_of(a, "2099-01-01"), code_ok);  // the end date is still valid
  EXPECT_EQ(service_store::account_code_of(a, "2099-01-02"), code_expired);
  a.used = a.quota;
  EXPECT_EQ(service_store::account_code_of(a, "2050-01-01"), code_no_words);
  a.state = state_disabled;
  EXPECT_EQ(service_store::account_code_of(a, "2050-01-01"), code_disabled);

  ASSERT_TRUE(store.set_user("alice", std::string("secret-2"), state_disabled, 500, std::string("2030-05-06"), 7));
  a = *store.find_user("alice");
  EXPECT_EQ(a.state, state_disabled);
  EXPECT_EQ(a.quota, 500);
  EXPECT_EQ(a.used, 7);
  EXPECT_EQ(a.end_date, "2030-05-06");
  EXPECT_EQ(store.check_login("alice", "secret-2"), code_ok);
  EXPECT_FALSE(store.set_user("nobody", std::nullopt, state_active, std::nullopt, std::nullopt, std::nullopt));
}

TEST_F(store_fixture, ChargingStopsAtTheQuotaAndWritesOneRowPerUpload) {
  velmo_test::add_account(store, "carol", "n", 100);
  EXPECT_EQ(store.charge("carol", 60, "2026-03-01T10:00:00"), code_ok);
  EXPECT_EQ(store.charge("carol", 41, "2026-03-01T10:01:00"), code_no_words);
  EXPECT_EQ(store.charge("carol", 40, "2026-03-01T10:02:00"), code_ok);
  EXPECT_EQ(store.charge("nobody", 1, "2026-03-01T10:02:00"), code_unknown_user);
  EXPECT_EQ(store.find_user("carol")->used, 100);
  usage_page p = store.usage("carol", "2026-03-01", 0, 10);
  ASSERT_EQ(p.rows.size(), 2u);
  EXPECT_EQ(p.rows[0].check_time, "2026-03-01T10:02:00");  // newest first
  EXPECT_EQ(p.rows[0].words, 40);
}

TEST_F(store_fixture, UsagePagesByDayAndSumsTheMonth) {
  velmo_test::add_account(store, "dave", "n", 1000000);
  for (int i = 0; i < 25; ++i) {
    char t[32];
    std::snprintf(t, sizeof t, "2026-04-10T09:%02d:00", i);
    ASSERT_EQ(store.charge("dave", 10, t), code_ok);
  }
  store.charge("dave", 7, "2026-04-11T09:00:00");
  store.charge("dave", 5, "2026-05-01T09:00:00");
  usage_page p0 = store.usage("dave", "2026-04-10T23:59:59", 0, 10);
  EXPECT_EQ(p0.total_rows, 25);
  EXPECT_EQ(p0.month_words, 257);
  ASSERT_EQ(p0.rows.size(), 10u);
  EXPECT_EQ(p0.rows[0].check_time, "2026-04-10T09:24:00");
  usage_page p2 = store.usage("dave", "2026-04-10", 2, 10);
  ASSERT_EQ(p2.rows.size(), 5u);
  EXPECT_EQ(p2.rows.back().check_time, "2026-04-10T09:00:00");
  EXPECT_EQ(store.usage("dave", "2026-04-12", 0, 10).total_rows, 0);
}

TEST_F(store_fixture, WordLibrariesKeepOrderIgnoreRepeatsAndSurviveReopening) {
  velmo_test::add_account(store, "erin", "n");
  EXPECT_TRUE(store.add_word("erin", 4, "甲"));
  EXPECT_TRUE(store.add_word("erin", 4, "a<b&c"));
  EXPECT_FALSE(store.add_word("erin", 4, "甲"));
  EXPECT_TRUE(store.add_word("erin", 3, "甲"));
  EXPECT_TRUE(store.add_word("erin", 4, "乙"));
  word_page p = store.words("erin", 4, 0, 2);
  EXPECT_EQ(p.total, 3);
  EXPECT_EQ(p.words, (std::vector<std::string>{"甲", "a<b&c"}));
  EXPECT_EQ(store.words("erin", 4, 1, 2).words, std::vector<std::string>{"乙"});
  EXPECT_TRUE(store.delete_word("erin", 4, "甲"));
  EXPECT_FALSE(store.delete_word("erin", 4, "甲"));
  EXPECT_EQ(store.all_words("erin", 3), std::vector<std::string>{"甲"});

  service_store again;
  std::string error;
  ASSERT_TRUE(again.open(db, &error));
  EXPECT_EQ(again.all_words("erin", 4), (std::vector<std::string>{"a<b&c", "乙"}));
  EXPECT_TRUE(again.remove_user("erin"));
  EXPECT_TRUE(again.all_words("erin", 3).empty());
  EXPECT_FALSE(again.find_user("erin"));
}
