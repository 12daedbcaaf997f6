// Accounts, usage history and word libraries, in SQLite and in PostgreSQL.
#include "store/service_store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <thread>

#include "jobs/service_job_codec.h"
#include "service_pg_cluster.h"
#include "service_test_support.h"
#include "store/service_password.h"

using namespace velmo_service;

namespace {
// Runs each test once over a SQLite file and once over a fresh PostgreSQL database.
struct store_fixture : ::testing::TestWithParam<const char*> {
    velmo_test::temp_dir dir;
    std::string db;
    service_store store;
    bool sqlite() const { return std::string(GetParam()) == "sqlite"; }
    void SetUp() override {
        if (sqlite()) {
            db = dir.path() + "/service.db";
        } else {
            velmo_test::pg_cluster* cluster = velmo_test::pg_cluster::shared();
            if (!cluster) GTEST_SKIP() << "PostgreSQL server binaries are not installed";
            db = cluster->new_database();
        }
        std::string error;
        ASSERT_TRUE(store.open(db, &error)) << error;
    }
};
INSTANTIATE_TEST_SUITE_P(Backends, store_fixture, ::testing::Values("sqlite", "postgresql"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param);
                         });
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

TEST_P(store_fixture, NumbersAreStoredHashedAndLoginCodesAreDistinct) {
    velmo_test::add_account(store, "alice", "secret-1", 100, "2099-01-01");
    std::string error;
    EXPECT_FALSE(store.add_user("alice", "other", 1, "2099-01-01", &error));
    if (sqlite()) {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(db.c_str(), &raw), SQLITE_OK);
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(raw, "SELECT auth_hash FROM accounts", -1, &s, nullptr);
        ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
        EXPECT_EQ(
            std::string(reinterpret_cast<const char*>(sqlite3_column_text(s, 0))).find("secret-1"),
            std::string::npos);
        sqlite3_finalize(s);
        sqlite3_close(raw);
    }
    EXPECT_EQ(store.check_login("alice", "secret-1"), code_ok);
    EXPECT_EQ(store.check_login("alice", "secret-2"), code_unknown_user);
    EXPECT_EQ(store.check_login("bob", "secret-1"), code_unknown_user);

    account a = *store.find_user("alice");
    EXPECT_EQ(service_store::account_code_of(a, "2050-01-01"), code_ok);
    EXPECT_EQ(service_store::account_code_of(a, "2099-01-01"),
              code_ok);  // the end date is still valid
    EXPECT_EQ(service_store::account_code_of(a, "2099-01-02"), code_expired);
    a.used = a.quota;
    EXPECT_EQ(service_store::account_code_of(a, "2050-01-01"), code_no_words);
    a.state = state_disabled;
    EXPECT_EQ(service_store::account_code_of(a, "2050-01-01"), code_disabled);

    ASSERT_TRUE(store.set_user("alice", std::string("secret-2"), state_disabled, 500,
                               std::string("2030-05-06"), 7));
    a = *store.find_user("alice");
    EXPECT_EQ(a.state, state_disabled);
    EXPECT_EQ(a.quota, 500);
    EXPECT_EQ(a.used, 7);
    EXPECT_EQ(a.end_date, "2030-05-06");
    EXPECT_EQ(store.check_login("alice", "secret-2"), code_ok);
    EXPECT_FALSE(store.set_user("nobody", std::nullopt, state_active, std::nullopt, std::nullopt,
                                std::nullopt));
}

TEST_P(store_fixture, ChargingStopsAtTheQuotaAndWritesOneRowPerUpload) {
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

TEST_P(store_fixture, UsagePagesByDayAndSumsTheMonth) {
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

TEST_P(store_fixture, WordLibrariesKeepOrderIgnoreRepeatsAndSurviveReopening) {
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

TEST_P(store_fixture, InstancesChargingOneAccountAtOnceNeverOverdrawIt) {
    velmo_test::add_account(store, "frank", "n", 1000);
    service_store other;  // a second instance on the same database
    std::string error;
    ASSERT_TRUE(other.open(db, &error)) << error;
    std::atomic<int> accepted{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t] {
            service_store& s = t % 2 ? other : store;
            for (int i = 0; i < 10; ++i)
                if (s.charge("frank", 30, "2026-06-01T08:00:00") == code_ok) ++accepted;
        });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(accepted.load(), 33);  // 33 * 30 = 990; the 34th would pass 1000
    EXPECT_EQ(store.find_user("frank")->used, 990);
    EXPECT_EQ(store.usage("frank", "2026-06-01", 0, 100).total_rows, 33);
    EXPECT_TRUE(store.refund("frank", 30, "2026-06-01T08:00:00"));
    EXPECT_EQ(other.find_user("frank")->used, 960);
    EXPECT_EQ(other.usage("frank", "2026-06-01", 0, 100).total_rows, 32);
}

TEST_P(store_fixture, SchemaIsVersionedAndANewerDatabaseIsRefused) {
    service_store again;  // opening a current database changes nothing
    std::string error;
    ASSERT_TRUE(again.open(db, &error)) << error;
    velmo_test::add_account(again, "gina", "n");
    EXPECT_TRUE(store.find_user("gina"));

    std::vector<std::string> none;
    service_store copy;
    ASSERT_TRUE(copy.open(dir.path() + "/copy.db", &error));
    ASSERT_TRUE(copy.copy_from(store, &none, &error));
    EXPECT_TRUE(none.empty());
    // A database written by a newer program is not opened at all.
    ASSERT_EQ(velmo_test::run_sql(db, "INSERT INTO schema_version(version) VALUES(999)"), "");
    service_store newer;
    EXPECT_FALSE(newer.open(db, &error));
    EXPECT_NE(error.find("newer"), std::string::npos) << error;
}

TEST(ServiceStoreMigration,
     AnUnversionedFileIsAdoptedAndCopiedToPostgresqlWithItsNumbersAndHistory) {
    velmo_test::pg_cluster* cluster = velmo_test::pg_cluster::shared();
    if (!cluster) GTEST_SKIP() << "PostgreSQL server binaries are not installed";
    velmo_test::temp_dir dir;
    const std::string file = dir.path() + "/old.db";
    // The layout files had before versions were recorded.
    ASSERT_EQ(
        velmo_test::run_sql(
            file,
            "CREATE TABLE accounts(user_name TEXT PRIMARY KEY, auth_hash TEXT NOT NULL,"
            " state INTEGER NOT NULL DEFAULT 0, quota INTEGER NOT NULL DEFAULT 0,"
            " used INTEGER NOT NULL DEFAULT 0, end_date TEXT NOT NULL);"
            "CREATE TABLE usage(id INTEGER PRIMARY KEY AUTOINCREMENT, user_name TEXT NOT NULL,"
            " check_time TEXT NOT NULL, words INTEGER NOT NULL);"
            "CREATE TABLE words(id INTEGER PRIMARY KEY AUTOINCREMENT, user_name TEXT NOT NULL,"
            " lib INTEGER NOT NULL, word TEXT NOT NULL, UNIQUE(user_name, lib, word));"),
        "");
    service_store from;
    std::string error;
    ASSERT_TRUE(from.open(file, &error)) << error;
    velmo_test::add_account(from, "hana", "number-1", 500);
    velmo_test::add_account(from, "ivan", "number-2", 500);
    ASSERT_EQ(from.charge("hana", 20, "2026-07-01T10:00:00"), code_ok);
    ASSERT_EQ(from.charge("hana", 30, "2026-07-02T10:00:00"), code_ok);
    from.add_word("hana", 4, "乙");
    from.add_word("hana", 4, "甲");
    from.add_word("hana", 3, "丙");

    service_store to;
    ASSERT_TRUE(to.open(cluster->new_database(), &error)) << error;
    velmo_test::add_account(to, "ivan", "kept", 1);
    std::vector<std::string> skipped;
    ASSERT_TRUE(to.copy_from(from, &skipped, &error)) << error;
    EXPECT_EQ(skipped, std::vector<std::string>{"ivan"});
    EXPECT_EQ(to.check_login("hana", "number-1"), code_ok);
    EXPECT_EQ(to.check_login("ivan", "kept"), code_ok);
    EXPECT_EQ(to.find_user("hana")->used, 50);
    EXPECT_EQ(to.usage("hana", "2026-07-02", 0, 10).month_words, 50);
    EXPECT_EQ(to.all_words("hana", 4), (std::vector<std::string>{"乙", "甲"}));
    EXPECT_EQ(to.all_words("hana", 3), std::vector<std::string>{"丙"});
}

TEST(ServiceStoreMigration, JobsKeptInTheEarlierLayoutAreServedAfterTheUpgrade) {
    velmo_test::temp_dir dir;
    const std::string file = dir.path() + "/kept.db";
    {
        service_store store;
        std::string error;
        ASSERT_TRUE(store.open(file, &error)) << error;
        velmo_test::add_account(store, "lena", "number-1", 500);
        ASSERT_EQ(store.charge("lena", 7, "2026-07-01T10:00:00"), code_ok);
        ASSERT_EQ(store.charge("lena", 9, "2026-07-01T10:00:01"), code_ok);
    }
    // Back to the layout of files whose job table held charged jobs only:
    // one finished and unfetched, one queued when that program ended.
    finding found;
    found.pos = 2;
    found.length = 2;
    found.err_word = "以经";
    found.suggestions = {"已经"};
    ASSERT_EQ(
        velmo_test::run_sql(
            file,
            "DROP INDEX kept_jobs_by_user; ALTER TABLE kept_jobs DROP COLUMN state;"
            "ALTER TABLE kept_jobs DROP COLUMN touched; ALTER TABLE kept_jobs DROP COLUMN "
            "queued_at; ALTER TABLE kept_jobs DROP COLUMN runner;"
            "DELETE FROM schema_version WHERE version > 4;"
            "INSERT INTO kept_jobs(pid, user_name, done, options, results, charged_words,"
            " charged_at, attempts) VALUES('done-before', 'lena', 1, '" +
                job_encode_options(check_options()) + "', '" + job_encode_findings({found}) +
                "', 7, '2026-07-01T10:00:00', 1);"
                "INSERT INTO kept_jobs(pid, user_name, article, options, charged_words,"
                " charged_at, attempts) VALUES('queued-before', 'lena', '我们以经完成了。', '" +
                job_encode_options(check_options()) + "', 9, '2026-07-01T10:00:01', 1);"),
        "");

    velmo_test::running_service service(file);
    velmo_test::soap_client client(service.port());
    const std::vector<velmo_test::found_error> kept =
        velmo_test::read_errors(client.result("done-before"));
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].err_word, "以经");
    ASSERT_TRUE(velmo_test::wait_done({&client}, "queued-before"));
    EXPECT_EQ(velmo_test::read_errors(client.result("queued-before")).size(), 1u);
    // Both were charged once, before the upgrade, and nothing was refunded.
    EXPECT_EQ(service.store().find_user("lena")->used, 16);
    // The upgraded table takes new jobs beside them.
    const std::string pid = client.get_pid("lena", "number-1").first("PID");
    EXPECT_EQ(pid.size(), 32u);
}

// One name in two Unicode forms is one account; accounts stored before in the
// decomposed form take the composed one when the store opens, unless that is
// taken, and those look-alikes are named.
TEST_P(store_fixture, UserNamesAreComparedAndKeptInTheirComposedForm) {
    const std::string composed = "caf\xc3\xa9", decomposed = "cafe\xcc\x81";
    std::string error;
    ASSERT_TRUE(store.add_user(decomposed, "n-1", 100, "2099-12-31", &error)) << error;
    EXPECT_FALSE(store.add_user(composed, "n-2", 100, "2099-12-31", &error));
    ASSERT_EQ(store.list_users().size(), 1u);
    EXPECT_EQ(store.list_users()[0].user_name, composed);
    EXPECT_EQ(store.check_login(decomposed, "n-1"), 0);
    EXPECT_EQ(store.charge(composed, 7, "2026-01-02 03:04:05"), code_ok);
    EXPECT_TRUE(store.add_word(decomposed, 4, "甲"));
    EXPECT_EQ(store.all_words(composed, 4), std::vector<std::string>{"甲"});

    // Accounts written before, as they were given.
    const std::string old_only = "nai\xcc\x88ve", old_twin = "cafe\xcc\x81";
    for (const std::string& name : {old_only, old_twin})
        ASSERT_EQ(velmo_test::run_sql(db,
                                      "INSERT INTO accounts(user_name, auth_hash, state, "
                                      "quota, used, end_date) VALUES('" +
                                          name + "', 'x', 0, 5, 0, '2099-12-31')"),
                  "");
    ASSERT_EQ(velmo_test::run_sql(db, "INSERT INTO words(user_name, lib, word) VALUES('" +
                                          old_only + "', 4, '乙')"),
              "");
    service_store reopened;
    ASSERT_TRUE(reopened.open(db, &error)) << error;
    EXPECT_TRUE(reopened.find_user("na\xc3\xafve"));
    EXPECT_EQ(reopened.all_words("na\xc3\xafve", 4), std::vector<std::string>{"乙"});
    const auto alike = reopened.look_alike_accounts();
    ASSERT_EQ(alike.size(), 1u);
    EXPECT_EQ(alike[0].size(), 2u);
    EXPECT_EQ(reopened.find_user(decomposed)->used, 7);  // the composed one, not its twin
}
