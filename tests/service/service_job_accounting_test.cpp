// What a user's jobs count toward: identifiers that never received text
// against a generous allowance that empties within the idle window, and jobs
// holding text against the per-user cap. Run with the jobs in a SQLite file
// and in PostgreSQL, which must behave alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "service_pg_cluster.h"
#include "service_test_support.h"

using namespace velmo_test;

namespace {

const char* const busy = "同时进行的校对任务过多";

struct accounting : ::testing::TestWithParam<const char*> {
    temp_dir dir;
    std::unique_ptr<running_service> service;
    std::unique_ptr<soap_client> client;

    std::string db;

    void SetUp() override {
        db = dir.path() + "/service.db";
        if (std::string(GetParam()) == "postgresql") {
            pg_cluster* cluster = pg_cluster::shared();
            if (!cluster) GTEST_SKIP() << "PostgreSQL server binaries are not installed";
            db = cluster->new_database();
        }
        velmo_service::service_limits limits;
        limits.jobs.max_jobs_per_user = 2;
        limits.jobs.max_issued_per_user = 3;
        limits.jobs.idle_window = std::chrono::milliseconds(1500);
        start(limits);
        add_account(service->store(), "writer", "no-123");
        add_account(service->store(), "other", "no-456");
    }
    void start(const velmo_service::service_limits& limits) {
        client.reset();
        service.reset();
        service = std::make_unique<running_service>(db, limits);
        client = std::make_unique<soap_client>(service->port());
    }
    std::string pid() { return client->get_pid("writer", "no-123").first("PID"); }
    bool wait_done(const std::string& job) {
        for (int i = 0; i < 3000; ++i) {
            if (client->progress(job).first("GetCheckArticleProgressResult") == "100") return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
};

INSTANTIATE_TEST_SUITE_P(Boards, accounting, ::testing::Values("sqlite", "postgresql"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param);
                         });

}  // namespace

TEST_P(accounting, PastTheAllowanceTheOldestUnusedIdentifierIsForgottenAndAllExpire) {
    std::vector<std::string> pids;
    for (int i = 0; i < 5; ++i) pids.push_back(pid());
    for (const std::string& p : pids) ASSERT_FALSE(p.empty());
    // The two oldest gave way to the newest; the account is never refused.
    upload_options o;
    EXPECT_EQ(client->upload(pids[0], "按步就班。", o).status, 500);
    EXPECT_EQ(client->upload(pids[1], "按步就班。", o).status, 500);
    EXPECT_EQ(client->upload(pids[4], "按步就班。", o).first("ErrCode"), "0");
    EXPECT_EQ(service->store().find_user("writer")->used, 5);
    EXPECT_FALSE(client->get_pid("other", "no-456").first("PID").empty());

    std::this_thread::sleep_for(std::chrono::milliseconds(1700));
    EXPECT_EQ(client->progress(pids[2]).status, 500);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(pid().empty()) << i;
}

// A check that asks for an identifier at its gate and another for its text,
// again and again with the shipped limits, is never turned away, and no
// identifier is left behind beyond the allowance.
TEST_P(accounting, TwoHundredGatedChecksInARowAreAllServed) {
    start(velmo_service::service_limits{});
    for (int i = 0; i < 200; ++i) {
        ASSERT_FALSE(pid().empty()) << i;  // the gate's, never used
        const std::string job = pid();
        ASSERT_EQ(client->upload(job, "按步就班。", upload_options{}).first("ErrCode"), "0") << i;
        ASSERT_TRUE(wait_done(job)) << i;
        ASSERT_EQ(read_errors(client->result(job)).size(), 1u) << i;
    }
    EXPECT_EQ(service->store().find_user("writer")->used, 1000);
    EXPECT_LE(service->operations().jobs().held(), 64u);
}

// Words charged for findings nobody fetched are given back when the job
// expires, while the service runs on and without a request for a new job.
TEST_P(accounting, AFinishedJobNeverFetchedIsRefundedWhenItExpires) {
    velmo_service::service_limits limits;
    limits.jobs.expiry = std::chrono::milliseconds(1500);
    limits.jobs.idle_window = std::chrono::milliseconds(1000);
    limits.jobs.poll = std::chrono::milliseconds(100);
    start(limits);
    const std::string fetched = pid(), forgotten = pid();
    ASSERT_EQ(client->upload(fetched, "按步就班。", upload_options{}).first("ErrCode"), "0");
    ASSERT_EQ(client->upload(forgotten, "我们的的工作。", upload_options{}).first("ErrCode"), "0");
    ASSERT_TRUE(wait_done(fetched));
    ASSERT_TRUE(wait_done(forgotten));
    ASSERT_EQ(client->result(fetched).status, 200);
    EXPECT_EQ(service->store().find_user("writer")->used, 12);

    long long used = -1;
    for (int i = 0; i < 60 && used != 5; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        used = service->store().find_user("writer")->used;
    }
    EXPECT_EQ(used, 5);
    EXPECT_EQ(client->result(forgotten).status, 500);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(service->store().find_user("writer")->used, 5);  // refunded once
}

TEST_P(accounting, JobsHoldingTextAreCappedAndARefusedUploadReleasesItsIdentifier) {
    const std::string first = pid(), second = pid(), third = pid();
    ASSERT_FALSE(third.empty());
    upload_options o;
    ASSERT_EQ(client->upload(first, "按步就班。", o).first("ErrCode"), "0");
    ASSERT_EQ(client->upload(second, "我们的的工作。", o).first("ErrCode"), "0");

    // Two jobs hold text: no third, neither as a new identifier nor as the
    // upload of one issued before the cap was reached.
    EXPECT_EQ(client->get_pid("writer", "no-123").first("ErrMsg"), busy);
    soap_reply up = client->upload(third, "多余的文字。", o);
    EXPECT_EQ(up.first("ErrCode"), "5");
    EXPECT_EQ(up.first("ErrMsg"), busy);
    EXPECT_EQ(client->progress(third).status, 500);  // released, not left to expire
    EXPECT_EQ(client->get_pid("other", "no-456").first("ErrCode"), "0");
    EXPECT_EQ(service->store().find_user("writer")->used, 12);  // the refused text is not charged

    // Fetching a result frees its place at once.
    ASSERT_TRUE(wait_done(first));
    EXPECT_EQ(client->result(first).status, 200);
    const std::string fourth = pid();
    ASSERT_FALSE(fourth.empty());
    EXPECT_EQ(client->upload(fourth, "按步就班。", o).first("ErrCode"), "0");
    EXPECT_EQ(client->get_pid("writer", "no-123").first("ErrMsg"), busy);
}

TEST_P(accounting, AFinishedJobNobodyAsksAboutStopsCountingButCanStillBeFetched) {
    const std::string a = pid(), b = pid();
    upload_options o;
    ASSERT_EQ(client->upload(a, "按步就班。", o).first("ErrCode"), "0");
    ASSERT_EQ(client->upload(b, "按步就班。", o).first("ErrCode"), "0");
    ASSERT_TRUE(wait_done(a));
    ASSERT_TRUE(wait_done(b));
    EXPECT_EQ(client->get_pid("writer", "no-123").first("ErrMsg"), busy);

    // A run that was stopped leaves its jobs behind; after the idle window
    // they no longer keep the user from checking.
    std::this_thread::sleep_for(std::chrono::milliseconds(1700));
    const std::string c = pid();
    ASSERT_FALSE(c.empty());
    EXPECT_EQ(client->upload(c, "按步就班。", o).first("ErrCode"), "0");
    soap_reply late = client->result(a);
    EXPECT_EQ(late.status, 200);
    EXPECT_EQ(read_errors(late).size(), 1u);
}

// Requests of one account arriving at once are counted against its limits as
// if they came one by one: no identifier kept beyond the allowance, no job beyond
// the cap, and only the accepted uploads charged.
TEST_P(accounting, RequestsArrivingAtOnceNeverPassTheLimits) {
    auto at_once = [&](int n, const std::function<std::string(soap_client&, int)>& request) {
        std::vector<std::string> answers(static_cast<std::size_t>(n));
        std::vector<std::thread> threads;
        for (int i = 0; i < n; ++i)
            threads.emplace_back([&, i] {
                soap_client own(service->port());
                answers[static_cast<std::size_t>(i)] = request(own, i);
            });
        for (std::thread& t : threads) t.join();
        return answers;
    };
    std::vector<std::string> pids =
        at_once(12, [](soap_client& c, int) { return c.get_pid("writer", "no-123").first("PID"); });
    EXPECT_EQ(std::count(pids.begin(), pids.end(), std::string()), 0);
    // Each identifier beyond the allowance forgot an older one.
    pids.erase(
        std::remove_if(pids.begin(), pids.end(),
                       [&](const std::string& p) { return client->progress(p).status != 200; }),
        pids.end());
    ASSERT_EQ(pids.size(), 3u);

    const std::vector<std::string> codes = at_once(3, [&](soap_client& c, int i) {
        return c.upload(pids[static_cast<std::size_t>(i)], "按步就班。", upload_options{})
            .first("ErrCode");
    });
    EXPECT_EQ(std::count(codes.begin(), codes.end(), "0"), 2);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), "5"), 1);
    EXPECT_EQ(service->store().find_user("writer")->used, 10);
}

// A fetch lost in transport is repeated with the same findings, charged once;
// the delivered job counts toward no limit, and the next request on it
// releases it.
TEST_P(accounting, AResultCutInTransportIsFetchedWholeAgainAndChargedOnce) {
    std::string article;
    for (int i = 0; i < 200; ++i) article += "我们按步就班地工作。";
    const std::string job = pid();
    ASSERT_EQ(client->upload(job, article, upload_options{}).first("ErrCode"), "0");
    const long long charged = service->store().find_user("writer")->used;
    ASSERT_TRUE(wait_done(job));
    EXPECT_EQ(fetch_result_cut(service->port(), job, 4096), 4096u);
    for (int i = 0; i < 2; ++i) {
        const std::vector<found_error> found = read_errors(client->result(job));
        ASSERT_EQ(found.size(), 200u) << i;
        EXPECT_EQ(found.back().pos, 1992);
    }
    EXPECT_EQ(service->store().find_user("writer")->used, charged);
    EXPECT_EQ(service->operations().jobs().held(), 0u);
    // Two more jobs fit beside it under the cap of two.
    for (const std::string& more : {pid(), pid()})
        EXPECT_EQ(client->upload(more, "按步就班。", upload_options{}).first("ErrCode"), "0");
    EXPECT_EQ(client->progress(job).first("GetCheckArticleProgressResult"), "100");
    EXPECT_EQ(client->result(job).status, 500);  // acknowledged: released
}
