// The service over PostgreSQL while the database server is stopped and
// started again under it: requests answer that the service is unavailable
// while it is away, the first requests after it returns succeed, and jobs
// uploaded before the outage are finished, fetched and charged once.
#include <gtest/gtest.h>

#include <thread>

#include "service_pg_cluster.h"
#include "service_test_support.h"

using namespace velmo_test;

namespace {

struct outage : ::testing::Test {
    pg_cluster* cluster = nullptr;
    std::string db;
    std::unique_ptr<running_service> service;
    std::unique_ptr<soap_client> client;

    void SetUp() override {
        cluster = pg_cluster::shared();
        if (!cluster) GTEST_SKIP() << "PostgreSQL server binaries are not installed";
        db = cluster->new_database();
        service = std::make_unique<running_service>(db);
        client = std::make_unique<soap_client>(service->port());
        add_account(service->store(), "writer", "no-123");
    }
    // The server comes back even when an assertion ends the test early.
    void TearDown() override {
        if (down) cluster->bring_back();
    }
    void take_down() {
        cluster->take_down();
        down = true;
    }
    void bring_back() {
        cluster->bring_back();
        down = false;
    }
    soap_reply sign_in(soap_client& c) {
        return c.call("CheckUser", {{"userName", "writer"}, {"authNo", "no-123"}});
    }
    std::string remaining() {
        return client->call("GetUserInfo", {{"userName", "writer"}}).first("ReMainingWordsCount");
    }
    bool down = false;
};

::testing::AssertionResult unavailable(const soap_reply& r) {
    if (says_unavailable(r)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << r.status << " " << r.body;
}

std::string repeated(const std::string& s, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += s;
    return out;
}

}  // namespace

TEST_F(outage, AccountRequestsAreUnavailableWhileTheDatabaseIsAwayAndSucceedAtOnceAfter) {
    ASSERT_EQ(sign_in(*client).first("ErrCode"), "0");
    take_down();
    // More sign-ins than the throttle lets fail: none of them counts as failed.
    for (int i = 0; i < 12; ++i) EXPECT_TRUE(unavailable(sign_in(*client)));
    EXPECT_TRUE(unavailable(client->get_pid("writer", "no-123")));
    EXPECT_TRUE(unavailable(client->call("GetUserInfo", {{"userName", "writer"}})));
    EXPECT_TRUE(unavailable(
        client->call("AddWords", {{"userName", "writer"}, {"libType", "4"}, {"words", "甲"}})));
    bring_back();

    // Requests at once from several clients reach every pooled connection the
    // outage broke; each is the first on its connection and must succeed.
    constexpr int clients = 8;
    std::vector<soap_reply> signed_in(clients), words(clients);
    std::vector<std::thread> threads;
    for (int i = 0; i < clients; ++i)
        threads.emplace_back([&, i] {
            soap_client c(service->port());
            signed_in[i] = sign_in(c);
            words[i] = c.call(
                "AddWords",
                {{"userName", "writer"}, {"libType", "4"}, {"words", "词" + std::to_string(i)}});
        });
    for (std::thread& t : threads) t.join();
    for (int i = 0; i < clients; ++i) {
        EXPECT_EQ(signed_in[i].first("ErrCode"), "0") << signed_in[i].status << signed_in[i].body;
        EXPECT_EQ(words[i].first("ErrCode"), "0") << words[i].status << words[i].body;
    }
    EXPECT_EQ(remaining(), "1000000");
}

TEST_F(outage, JobsUploadedBeforeAnOutageAreFetchedAfterItAndChargedOnce) {
    // One job finished before the outage, one running through it.
    const std::string finished = client->get_pid("writer", "no-123").first("PID");
    ASSERT_EQ(client->upload(finished, "我们按步就班。", upload_options{}).first("ErrCode"), "0");
    ASSERT_TRUE(wait_done({client.get()}, finished));
    const std::string article = repeated("我们按步就班地工作。", 3000);  // 30000 words
    const std::string running = client->get_pid("writer", "no-123").first("PID");
    ASSERT_EQ(client->upload(running, article, upload_options{}).first("ErrCode"), "0");
    wait_for_a_running_job(db);

    take_down();
    // Not "unknown job": the plug-in keeps the piece and asks again.
    EXPECT_TRUE(unavailable(client->progress(running)));
    EXPECT_TRUE(unavailable(client->result(finished)));
    EXPECT_TRUE(unavailable(client->result(running)));
    std::this_thread::sleep_for(std::chrono::seconds(2));
    bring_back();

    EXPECT_EQ(read_errors(client->result(finished)).size(), 1u);
    ASSERT_TRUE(wait_done({client.get()}, running));
    EXPECT_EQ(read_errors(client->result(running)).size(), 3000u);
    EXPECT_EQ(remaining(), std::to_string(1000000 - 30000 - 7));
}
