// The service when its database fails under it and when it is stopped with
// requests in flight. Real HTTP on loopback and a real SQLite database that a
// second connection takes away and gives back.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "service_test_support.h"

using namespace velmo_test;

namespace {

struct fault_fixture : ::testing::Test {
    temp_dir dir;
    std::string db = dir.path() + "/service.db";
    std::unique_ptr<running_service> service;
    std::unique_ptr<soap_client> client;

    void SetUp() override {
        service = std::make_unique<running_service>(db);
        client = std::make_unique<soap_client>(service->port());
        add_account(service->store(), "writer", "no-123");
    }
    void sql(const std::string& statement) { ASSERT_EQ(run_sql(db, statement), ""); }
    soap_reply sign_in() {
        return client->call("CheckUser", {{"userName", "writer"}, {"authNo", "no-123"}});
    }
    soap_reply words(const char* op, const char* word = "甲") {
        return client->call(op, {{"userName", "writer"}, {"libType", "4"}, {"words", word}});
    }
};

::testing::AssertionResult unavailable(const soap_reply& r) {
    if (says_unavailable(r)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << r.status << " " << r.body;
}

}  // namespace

TEST_F(fault_fixture, AStoreOutOfReachIsNeitherAWrongNumberNorAnUnknownUserAndChargesNothing) {
    const std::string pid = client->get_pid("writer", "no-123").first("PID");
    ASSERT_FALSE(pid.empty());
    sql("ALTER TABLE accounts RENAME TO accounts_away");
    for (int i = 0; i < 6; ++i) EXPECT_TRUE(unavailable(sign_in()));
    EXPECT_TRUE(unavailable(client->get_pid("writer", "no-123")));
    EXPECT_TRUE(unavailable(client->call("GetUserInfo", {{"userName", "writer"}})));
    EXPECT_TRUE(unavailable(client->call("GetUserCheckDetail", {{"userName", "writer"}})));
    EXPECT_TRUE(unavailable(client->upload(pid, "我们按步就班。", upload_options{})));
    sql("ALTER TABLE accounts_away RENAME TO accounts");
    // The answers during the outage were no failed sign-ins: nothing is held back.
    EXPECT_EQ(sign_in().first("ErrCode"), "0");
    EXPECT_EQ(client->call("GetUserInfo", {{"userName", "writer"}}).first("ReMainingWordsCount"),
              "1000000");
}

TEST_F(fault_fixture, WordLibraryWritesThatFailSaySo) {
    sql("ALTER TABLE words RENAME TO words_away");
    EXPECT_TRUE(unavailable(words("AddWords")));
    EXPECT_TRUE(unavailable(words("DeleteWords")));
    EXPECT_TRUE(unavailable(words("GetWordsList")));
    sql("ALTER TABLE words_away RENAME TO words");
    EXPECT_EQ(words("AddWords").first("ErrCode"), "0");
    EXPECT_EQ(words("GetWordsList").all("string"), std::vector<std::string>{"甲"});
}

TEST_F(fault_fixture, StoppingAnswersTheRequestsInFlightAndTakesNoNewOnes) {
    const std::string body =
        envelope("CheckUser", "<userName>writer</userName><authNo>no-123</authNo>");
    raw_connection c("127.0.0.1", service->port());
    ASSERT_TRUE(c.send_text("POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: " +
                            std::to_string(body.size()) + "\r\n\r\n" + body.substr(0, 10)));
    c.receive(200);  // the head has arrived
    const int port = service->port();
    std::thread stopping([&] { service->stop(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    raw_connection late("127.0.0.1", port);
    EXPECT_LT(late.fd, 0);  // no new connections
    ASSERT_TRUE(c.send_text(body.substr(10)));
    const std::string answer = c.receive(2000);
    stopping.join();
    EXPECT_EQ(answer.rfind("HTTP/1.1 200", 0), 0u) << answer;
    EXPECT_NE(answer.find("<ErrCode>0</ErrCode>"), std::string::npos);
    EXPECT_NE(answer.find("Connection: close"), std::string::npos);
}

// A write lock another process holds: writes waiting together are answered
// "unavailable" together, not one wait after another, and reads and polls go
// on meanwhile; once the lock goes, writes succeed again.
TEST_F(fault_fixture, ALockedDatabaseAnswersWritesUnavailableTogetherAndReadsStillAnswer) {
    const std::string job = client->get_pid("writer", "no-123").first("PID");
    ASSERT_EQ(client->upload(job, "我们按步就班。", upload_options{}).first("ErrCode"), "0");
    ASSERT_TRUE(wait_done({client.get()}, job));
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &holder), SQLITE_OK);
    sqlite3_busy_timeout(holder, 5000);  // the service may be writing just then
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN IMMEDIATE; UPDATE accounts SET quota=quota", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    const auto begun = std::chrono::steady_clock::now();
    std::vector<std::thread> writers;
    std::atomic<int> refused{0};
    for (int i = 0; i < 8; ++i)
        writers.emplace_back([&, i] {
            soap_client own(service->port());
            refused += says_unavailable(
                own.call("AddWords",
                         {{"userName", "writer"}, {"libType", "4"}, {"words", std::to_string(i)}}));
        });
    // Reads answer while the writers wait.
    EXPECT_EQ(client->call("GetUserInfo", {{"userName", "writer"}}).first("ReMainingWordsCount"),
              "999993");
    EXPECT_EQ(client->progress(job).first("GetCheckArticleProgressResult"), "100");
    for (std::thread& t : writers) t.join();
    const double waited =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
    EXPECT_EQ(refused.load(), 8);
    EXPECT_LT(waited, 8 * 1.5);  // well under eight waits in turn
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    EXPECT_EQ(words("AddWords").first("ErrCode"), "0");
}
