// Several service instances over one PostgreSQL database: any instance
// answers any job, a job whose instance died is finished by another, and
// instances charging one account at once never overdraw it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "jobs/service_job_codec.h"
#include "service_pg_cluster.h"
#include "service_test_support.h"

using namespace velmo_test;
using velmo_service::finding;

namespace {
// Two instances on one fresh database; skipped without PostgreSQL.
struct two_instances : ::testing::Test {
    std::string db;
    std::unique_ptr<running_service> a, b;
    void SetUp() override {
        pg_cluster* cluster = pg_cluster::shared();
        if (!cluster) GTEST_SKIP() << "PostgreSQL server binaries are not installed";
        db = cluster->new_database();
        a = std::make_unique<running_service>(db);
        b = std::make_unique<running_service>(db);
    }
};

std::string describe(const std::vector<found_error>& errors) {
    std::string out;
    for (const found_error& e : errors) {
        out += std::to_string(e.pos) + ":" + std::to_string(e.level) + ":" + e.err_word;
        for (const std::string& s : e.suggestions) out += "/" + s;
        out += ";";
    }
    return out;
}
}  // namespace

TEST(ServiceJobCodec, FindingsAndOptionsSurviveTheRoundTripAndDamagedTextIsRefused) {
    std::vector<finding> in(3);
    in[0] = {0, 4, 1, "按步就班", {"按部就班"}, {}};
    in[1] = {17, 2, 3, "12:3 ;x", {"", "a:b", "\n"}, {}};
    in[2] = {1u << 20, 0, 2, "", {}, {}};
    const std::string text = velmo_service::job_encode_findings(in);
    auto out = velmo_service::job_decode_findings(text);
    ASSERT_TRUE(out);
    ASSERT_EQ(out->size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ((*out)[i].pos, in[i].pos);
        EXPECT_EQ((*out)[i].length, in[i].length);
        EXPECT_EQ((*out)[i].level, in[i].level);
        EXPECT_EQ((*out)[i].err_word, in[i].err_word);
        EXPECT_EQ((*out)[i].suggestions, in[i].suggestions);
    }
    EXPECT_TRUE(
        velmo_service::job_decode_findings(velmo_service::job_encode_findings({}))->empty());
    for (std::size_t cut : {std::size_t{1}, text.size() / 2, text.size() - 1})
        EXPECT_FALSE(velmo_service::job_decode_findings(text.substr(0, cut))) << cut;
    EXPECT_FALSE(velmo_service::job_decode_findings(text + "x"));
    EXPECT_FALSE(velmo_service::job_decode_findings("99999999999999999999;"));

    // Reasons travel too; a text written without them (as before they
    // existed) still reads, with none.
    in[1].message = "why: 12:3";
    const std::string with_reasons = velmo_service::job_encode_findings(in);
    auto reasons = velmo_service::job_decode_findings(with_reasons);
    ASSERT_TRUE(reasons);
    EXPECT_EQ((*reasons)[0].message, "");
    EXPECT_EQ((*reasons)[1].message, "why: 12:3");
    EXPECT_EQ((*out)[1].message, "");
    EXPECT_FALSE(
        velmo_service::job_decode_findings(with_reasons.substr(0, with_reasons.size() - 1)));

    velmo_service::check_options o;
    o.general = false;
    o.english = o.user_errors = true;
    o.weight = 2;
    o.prof_type = 19;
    auto back = velmo_service::job_decode_options(velmo_service::job_encode_options(o));
    ASSERT_TRUE(back);
    EXPECT_EQ(velmo_service::job_encode_options(*back), velmo_service::job_encode_options(o));
    EXPECT_FALSE(back->general);
    EXPECT_TRUE(back->user_errors);
    EXPECT_EQ(back->prof_type, 19);
    EXPECT_FALSE(velmo_service::job_decode_options("1 0 1;"));
}

TEST_F(two_instances, AClientAlternatingBetweenInstancesGetsTheSameFindingsAsOneInstance) {
    temp_dir dir;
    running_service single(dir.path() + "/single.db");
    for (running_service* s : {&single, a.get()}) {
        add_account(s->store(), "alt", "alt-no");
        s->store().add_word("alt", 4,
                            "卓有成效");  // own word, read by whichever instance runs the job
        s->store().add_word("alt", 3, "大约左右");  // defined error
    }
    soap_client ca(a->port()), cb(b->port()), cs(single.port());
    upload_options all;
    all.match_dots = all.eng = all.fan_ti = all.user_err = 1;
    const std::vector<std::string> articles = {"我们按步就班地工作，卓有成效。",
                                               "大约左右有十个人（来了。",
                                               "This sentance has a mistake. 這是繁體字。", ""};
    for (const std::string& article : articles) {
        std::string failure;
        const std::string expected = describe(cs.check("alt", "alt-no", article, all, &failure));
        ASSERT_EQ(failure, "");
        const std::string pid = ca.get_pid("alt", "alt-no").first("PID");
        ASSERT_FALSE(pid.empty());
        ASSERT_EQ(cb.upload(pid, article, all).first("ErrCode"), "0");
        EXPECT_EQ(ca.upload(pid, article, all).first("ErrCode"),
                  "5");  // one upload per job, on any instance
        ASSERT_TRUE(wait_done({&ca, &cb}, pid));
        soap_reply r = cb.result(pid);
        ASSERT_EQ(r.status, 200);
        EXPECT_EQ(describe(read_errors(r)), expected) << article;
        // Fetched again from any instance until the next request on the job
        // acknowledges it; then unknown everywhere.
        EXPECT_EQ(describe(read_errors(ca.result(pid))), expected) << article;
        EXPECT_EQ(cb.progress(pid).first("GetCheckArticleProgressResult"), "100");
        EXPECT_EQ(ca.result(pid).status, 500);
        EXPECT_EQ(cb.progress(pid).status, 500);
    }
    EXPECT_EQ(a->operations().jobs().held(), 0u);
    EXPECT_GT(b->store().find_user("alt")->used, 0);
    EXPECT_EQ(b->store().find_user("alt")->used, single.store().find_user("alt")->used);
}

TEST_F(two_instances,
       AJobWhoseLeaseLapsedIsFinishedByAnotherInstanceAndChargedOnceOrGivenUpAndRefunded) {
    add_account(a->store(), "late", "late-no", 1000);
    soap_client ca(a->port());
    const std::string pid = ca.get_pid("late", "late-no").first("PID");
    ASSERT_EQ(ca.upload(pid, "我们按步就班。", upload_options{}).first("ErrCode"), "0");
    ASSERT_TRUE(wait_done({&ca}, pid));
    const std::int64_t used = a->store().find_user("late")->used;
    // The job as an instance that died while running it leaves it: running,
    // under a lease that has lapsed, without findings.
    ASSERT_EQ(
        run_sql(db,
                "UPDATE jobs SET state=3, progress=40, results=NULL, article='我们按步就班。',"
                " lease_owner='gone', lease_until=now() - interval '1 second' WHERE pid='" +
                    pid + "'"),
        "");
    soap_client cb(b->port());
    ASSERT_TRUE(wait_done({&cb, &ca}, pid));
    std::vector<found_error> errors = read_errors(cb.result(pid));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].err_word, "按步就班");
    EXPECT_EQ(a->store().find_user("late")->used, used);
    EXPECT_EQ(run_sql(db,
                      "DO $$ BEGIN IF (SELECT COUNT(*) FROM usage WHERE user_name='late') <> 1"
                      " THEN RAISE EXCEPTION 'not one usage row'; END IF; END $$"),
              "");

    // A job whose instances died on each of its claims is given up and refunded.
    const std::string doomed = ca.get_pid("late", "late-no").first("PID");
    ASSERT_EQ(ca.upload(doomed, "一二三四五", upload_options{}).first("ErrCode"), "0");
    ASSERT_TRUE(wait_done({&ca}, doomed));
    ASSERT_EQ(a->store().find_user("late")->used, used + 5);
    ASSERT_EQ(run_sql(db,
                      "UPDATE jobs SET state=3, attempts=3, lease_owner='gone', lease_until=now() "
                      "- interval '1 second'"
                      " WHERE pid='" +
                          doomed + "'"),
              "");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (cb.progress(doomed).status == 200 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(ca.progress(doomed).status, 500);
    EXPECT_EQ(a->store().find_user("late")->used, used);
}

TEST_F(two_instances, FiftyClientsAcrossTwoInstancesNeverOverdrawASmallQuota) {
    constexpr int clients = 50;
    const std::string article = "一二三四五六七八九十";  // ten words
    // One account and one address behind every client.
    velmo_service::service_limits limits;
    limits.jobs.max_jobs_per_user = clients;
    velmo_service::server_config config;
    config.connections_per_address = 2 * clients;  // with room for reconnections
    a = std::make_unique<running_service>(db, limits, config);
    b = std::make_unique<running_service>(db, limits, config);
    add_account(a->store(), "small", "small-no", 200);
    std::atomic<int> accepted{0}, refused{0};
    std::mutex failures_mutex;
    std::vector<std::string> failures;
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c)
        threads.emplace_back([&, c] {
            soap_client first(c % 2 ? a->port() : b->port()), second(c % 2 ? b->port() : a->port());
            const std::string pid = first.get_pid("small", "small-no").first("PID");
            std::string failure;
            if (pid.empty()) {
                ++refused;
                return;
            }
            const std::string code = second.upload(pid, article, upload_options{}).first("ErrCode");
            if (code == "4") {
                ++refused;
            } else if (code != "0") {
                failure = "upload answered " + code;
            } else {
                ++accepted;
                if (!wait_done({&first, &second}, pid) || first.result(pid).status != 200)
                    failure = "job lost " + pid;
            }
            std::lock_guard<std::mutex> lock(failures_mutex);
            if (!failure.empty()) failures.push_back(failure);
        });
    for (std::thread& t : threads) t.join();
    EXPECT_TRUE(failures.empty()) << failures.front();
    EXPECT_EQ(accepted.load(), 20);
    EXPECT_EQ(refused.load(), clients - 20);
    EXPECT_EQ(b->store().find_user("small")->used, 200);
    EXPECT_EQ(run_sql(db,
                      "DO $$ BEGIN IF (SELECT COUNT(*) FROM usage WHERE user_name='small') <> 20"
                      " THEN RAISE EXCEPTION 'not one usage row per upload'; END IF; END $$"),
              "");
    EXPECT_EQ(a->operations().jobs().held(), 0u);
}

TEST_F(two_instances, JobsAreCappedPerUserAcrossInstancesAndUnknownToOtherNames) {
    velmo_service::service_limits limits;
    limits.jobs.max_issued_per_user = 8;
    b.reset();
    a = std::make_unique<running_service>(db, limits);
    b = std::make_unique<running_service>(db, limits);
    add_account(a->store(), "ann", "a-1");
    add_account(a->store(), "bob", "b-1");
    soap_client ca(a->port()), cb(b->port());
    for (int i = 0; i < 8; ++i)
        ASSERT_TRUE((i % 2 ? ca : cb).get_pid("ann", "a-1").has("PID")) << i;
    // Past the allowance the oldest is forgotten, on whichever instance.
    EXPECT_TRUE(ca.get_pid("ann", "a-1").has("PID"));
    EXPECT_EQ(a->operations().jobs().held(), 8u);
    const std::string bobs = cb.get_pid("bob", "b-1").first("PID");
    ASSERT_FALSE(bobs.empty());
    const std::string article = "<article>按步就班</article><pid>" + bobs + "</pid>";
    EXPECT_EQ(
        ca.post_raw(envelope("UpLoadCheckArticle", "<userName>ann</userName>" + article)).status,
        500);
    EXPECT_EQ(ca.call("GetCheckArticleProgress", {{"userName", "ann"}, {"pid", bobs}}).status, 500);
    EXPECT_EQ(cb.post_raw(envelope("UpLoadCheckArticle", "<userName>bob</userName>" + article))
                  .first("ErrCode"),
              "0");
    ASSERT_TRUE(wait_done({&ca}, bobs));
    EXPECT_EQ(ca.call("GetCheckArticleResult", {{"userName", "ann"}, {"pid", bobs}}).status, 500);
    EXPECT_EQ(cb.call("GetCheckArticleResult", {{"userName", "bob"}, {"pid", bobs}}).status, 200);
}

TEST_F(two_instances, AnOutOfReachDatabaseAnswersUnavailableAndWordCapsHoldAcrossInstances) {
    add_account(a->store(), "ann", "a-1");
    soap_client ca(a->port()), cb(b->port());
    ASSERT_EQ(run_sql(db, "ALTER TABLE accounts RENAME TO accounts_away"), "");
    for (int i = 0; i < 5; ++i) {
        soap_reply r =
            (i % 2 ? ca : cb).call("CheckUser", {{"userName", "ann"}, {"authNo", "a-1"}});
        EXPECT_EQ(r.status, 503);
        EXPECT_NE(r.body.find("服务暂时不可用"), std::string::npos) << r.body;
    }
    EXPECT_EQ(ca.call("GetUserInfo", {{"userName", "ann"}}).status, 503);
    ASSERT_EQ(run_sql(db, "ALTER TABLE accounts_away RENAME TO accounts"), "");
    EXPECT_EQ(cb.call("CheckUser", {{"userName", "ann"}, {"authNo", "a-1"}}).first("ErrCode"), "0");

    // Additions racing through both instances stop at the cap.
    velmo_service::service_limits capped;
    capped.max_words_per_user = 5;
    a = std::make_unique<running_service>(db, capped);
    b = std::make_unique<running_service>(db, capped);
    std::vector<std::thread> adders;
    for (int i = 0; i < 4; ++i)
        adders.emplace_back([&, i] {
            soap_client c(i % 2 ? a->port() : b->port());
            for (int w = 0; w < 5; ++w)
                c.call("AddWords", {{"userName", "ann"},
                                    {"libType", "4"},
                                    {"words", "词" + std::to_string(i * 5 + w)}});
        });
    for (std::thread& t : adders) t.join();
    EXPECT_EQ(a->store().all_words("ann", 4).size(), 5u);
}

TEST(SharedJobs, AnInstanceThatStopsHandsItsRunningJobBackAndLeavesTheQueueToTheOthers) {
    pg_cluster* cluster = pg_cluster::shared();
    if (!cluster) GTEST_SKIP() << "PostgreSQL server binaries are not installed";
    const std::string db = cluster->new_database();
    std::string article;
    for (int i = 0; i < 2000; ++i) article += "我们按步就班地工作。";  // 20000 words
    velmo_service::service_limits one_worker;
    one_worker.jobs.workers = 1;
    auto first = std::make_unique<running_service>(db, one_worker);
    add_account(first->store(), "stop", "stop-no");
    std::vector<std::string> pids;
    {
        soap_client client(first->port());
        for (int i = 0; i < 3; ++i) {
            pids.push_back(client.get_pid("stop", "stop-no").first("PID"));
            ASSERT_EQ(client.upload(pids.back(), article, upload_options{}).first("ErrCode"), "0");
        }
    }
    wait_for_a_running_job(db);
    first.reset();  // stops with no grace
    EXPECT_EQ(run_sql(db,
                      "DO $$ BEGIN IF EXISTS (SELECT 1 FROM jobs WHERE state=3) OR"
                      " (SELECT COUNT(*) FROM jobs) <> 3 THEN RAISE EXCEPTION 'not handed back'; "
                      "END IF; END $$"),
              "");

    running_service second(db);
    soap_client client(second.port());
    for (const std::string& pid : pids) {
        ASSERT_TRUE(wait_done({&client}, pid));
        EXPECT_EQ(read_errors(client.result(pid)).size(), 2000u);
    }
    EXPECT_EQ(second.store().find_user("stop")->used, 3 * 20000);
}
