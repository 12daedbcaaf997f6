// The service over real HTTP on loopback, with envelopes built the way the
// plug-in's templates build them.
#include <gtest/gtest.h>

#include <random>

#include "base/service_clock.h"
#include "service_test_support.h"

using namespace velmo_test;
using velmo_service::service_limits;

namespace {

struct http_fixture : ::testing::Test {
    temp_dir dir;
    std::string db = dir.path() + "/service.db";
    std::unique_ptr<running_service> service;
    std::unique_ptr<soap_client> client;

    void start(service_limits limits = {}, velmo_service::server_config config = {}) {
        client.reset();
        service.reset();
        service = std::make_unique<running_service>(db, limits, config);
        client = std::make_unique<soap_client>(service->port());
    }
    void SetUp() override {
        start();
        add_account(service->store(), "writer", "no-123");
    }
    soap_reply user_call(const std::string& op,
                         std::vector<std::pair<std::string, std::string>> params) {
        params.insert(params.begin(), {"userName", "writer"});
        return client->call(op, params);
    }
    std::vector<found_error> check(const std::string& text, const upload_options& o) {
        std::string failure;
        auto errors = client->check("writer", "no-123", text, o, &failure);
        EXPECT_EQ(failure, "");
        return errors;
    }
};

const found_error* find(const std::vector<found_error>& v, const std::string& word) {
    for (const auto& e : v)
        if (e.err_word == word) return &e;
    return nullptr;
}

}  // namespace

TEST_F(http_fixture, LoginIsAcceptedOnlyForAnActiveAccountWithWordsLeft) {
    service_limits lenient;  // the wrong numbers below are not guesses to hold back
    lenient.signin.free_failures = 100;
    start(lenient);
    auto& store = service->store();
    add_account(store, "off", "n1");
    store.set_user("off", std::nullopt, velmo_service::state_disabled, std::nullopt, std::nullopt,
                   std::nullopt);
    add_account(store, "old", "n2", 1000, "2001-01-01");
    add_account(store, "empty", "n3", 10);
    store.set_user("empty", std::nullopt, std::nullopt, std::nullopt, std::nullopt, 10);

    struct row {
        const char* user;
        const char* number;
        const char* code;
        const char* message;
    } rows[] = {{"writer", "no-123", "0", "成功"},
                {"writer", "no-124", "1", "用户名或授权码错误"},
                {"nobody", "no-123", "1", "用户名或授权码错误"},
                {"off", "n1", "2", "账户已停用"},
                {"old", "n2", "3", "授权已过期"},
                {"empty", "n3", "4", "剩余字数不足"},
                {"off", "wrong", "1", "用户名或授权码错误"}};
    for (const row& r : rows) {
        soap_reply check = client->call("CheckUser", {{"userName", r.user}, {"authNo", r.number}});
        EXPECT_EQ(check.status, 200);
        EXPECT_EQ(check.first("ErrCode"), r.code) << r.user;
        EXPECT_EQ(check.first("ErrMsg"), r.message) << r.user;
        soap_reply pid = client->get_pid(r.user, r.number);
        EXPECT_EQ(pid.first("ErrCode"), r.code) << r.user;
        EXPECT_EQ(pid.has("PID"), std::string(r.code) == "0") << r.user;
    }
}

TEST_F(http_fixture, JobRunsFromIdentifierToResultsWithUtf16Positions) {
    upload_options o;
    o.eng = 1;
    o.weight = 0;
    // 𠀀 (two units) before the first error; the client turned < and & into blanks.
    const std::string text = "\xF0\xA0\x80\x80 Tom<&说按步就班，recieve 𝄞再接再励。";
    auto errors = check(text, o);
    ASSERT_EQ(errors.size(), 3u);
    EXPECT_EQ(errors[0].pos, 9);
    EXPECT_EQ(errors[0].err_word, "按步就班");
    EXPECT_EQ(errors[0].level, 1);
    EXPECT_EQ(errors[0].suggestions, std::vector<std::string>{"按部就班"});
    EXPECT_EQ(errors[1].pos, 14);
    EXPECT_EQ(errors[1].err_word, "recieve");
    EXPECT_FALSE(errors[1].suggestions.empty());
    EXPECT_EQ(errors[2].pos, 24);
    EXPECT_EQ(errors[2].err_word, "再接再励");
    // A finding from a rule row without a message carries none.
    EXPECT_EQ(errors[0].message, "");

    // A row's message travels with its finding.
    o.weight = 1;
    const auto reasoned = check("他认真的完成了任务。", o);
    ASSERT_EQ(reasoned.size(), 1u);
    EXPECT_EQ(reasoned[0].err_word, "的");
    EXPECT_EQ(reasoned[0].message,
              "地 between a manner adverbial and its verb (会好好的 reads as fine)");

    // An identifier is used once: fetched results are gone, progress fails.
    soap_reply pid = client->get_pid("writer", "no-123");
    const std::string id = pid.first("PID");
    ASSERT_LT(id.size(), 64u);
    EXPECT_EQ(client->upload(id, "正常的文字", o).first("ErrCode"), "0");
    EXPECT_EQ(client->upload(id, "正常的文字", o).first("ErrCode"), "5");
    while (client->progress(id).first("GetCheckArticleProgressResult") != "100") {
    }
    soap_reply r = client->result(id);
    EXPECT_EQ(r.status, 200);
    EXPECT_FALSE(r.has("CheckResult"));
    EXPECT_EQ(client->result(id).status, 200);  // again, until the next request on the job
    EXPECT_EQ(client->progress(id).first("GetCheckArticleProgressResult"), "100");
    EXPECT_EQ(client->result(id).status, 500);
    EXPECT_EQ(client->progress(id).status, 500);
    EXPECT_EQ(client->progress("no-such-job").status, 500);
    EXPECT_EQ(client->upload("no-such-job", "x", o).status, 500);
}

TEST_F(http_fixture, EachRuleFamilyFollowsItsOption) {
    struct family {
        const char* name;
        const char* text;
        const char* word;
        int upload_options::*flag;
        int on;
        int off;
    } families[] = {
        {"sentence", "大家按步就班。", "按步就班", &upload_options::sentence, 1, 0},
        {"punctuation", "没问题,好吗", ",", &upload_options::match_dots, 1, 0},
        {"traditional", "我们在這裡。", "這裡", &upload_options::fan_ti, 1, 0},
        {"english", "拼写recieve错误", "recieve", &upload_options::eng, 1, 0},
        {"leader", "由赵名远主持", "赵名远", &upload_options::leader, 1, 0},
        {"leader order", "钱立华和赵明远出席。", "钱立华", &upload_options::leader_sort, 1, 0},
        {"region phrases", "提到示例地区总统。", "示例地区总统", &upload_options::taiwan, 1, 0},
        {"field", "避免胰岛素依懒", "胰岛素依懒", &upload_options::prof_type, 13, 0},
        {"weight", "做为试点", "做为", &upload_options::weight, 2, 1},
    };
    for (const family& f : families) {
        upload_options on;
        on.sentence = 0;
        if (f.flag == &upload_options::prof_type || f.flag == &upload_options::weight)
            on.sentence = 1;
        on.*(f.flag) = f.on;
        upload_options off = on;
        off.*(f.flag) = f.off;
        EXPECT_TRUE(find(check(f.text, on), f.word)) << f.name;
        EXPECT_FALSE(find(check(f.text, off), f.word)) << f.name;
    }
}

TEST_F(http_fixture, UserLibrariesDefineErrorsAndSilenceOwnWords) {
    upload_options o;
    o.user_err = 1;
    EXPECT_TRUE(check("这是蓝天科技。", o).empty());
    user_call("AddWords", {{"libType", "3"}, {"words", "蓝天科技"}});
    auto errors = check("这是蓝天科技。", o);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].pos, 2);
    o.user_err = 0;
    EXPECT_TRUE(check("这是蓝天科技。", o).empty());

    o.eng = 1;
    EXPECT_EQ(check("按步就班的zorblax", o).size(), 2u);
    user_call("AddWords", {{"libType", "4"}, {"words", "按步就班"}});
    user_call("AddWords", {{"libType", "4"}, {"words", "zorblax"}});
    EXPECT_TRUE(check("按步就班的zorblax", o).empty());
}

TEST_F(http_fixture, WordListsArePagedAndEscapedWordsRoundTrip) {
    for (int i = 0; i < 44; ++i)
        user_call("AddWords", {{"libType", "4"}, {"words", "词" + std::to_string(i)}});
    user_call("AddWords", {{"libType", "4"}, {"words", "a<b&c>\"'"}});
    user_call("AddWords", {{"libType", "4"}, {"words", "词0"}});  // already there
    user_call("AddWords", {{"libType", "4"}, {"words", "  \t "}});
    soap_reply add = user_call("AddWords", {{"libType", "4"}, {"words", "  词x  "}});
    EXPECT_EQ(add.first("ErrCode"), "0");

    soap_reply p0 = user_call("GetWordsList", {{"libType", "4"}, {"pageIndex", "0"}});
    EXPECT_EQ(p0.first("PageNo"), "3");
    EXPECT_EQ(p0.first("TotalCount"), "46");
    ASSERT_EQ(p0.all("string").size(), 20u);
    EXPECT_EQ(p0.all("string")[0], "词0");
    soap_reply p2 = user_call("GetWordsList", {{"libType", "4"}, {"pageIndex", "2"}});
    EXPECT_EQ(p2.all("string"),
              (std::vector<std::string>{"词40", "词41", "词42", "词43", "a<b&c>\"'", "词x"}));
    EXPECT_TRUE(
        user_call("GetWordsList", {{"libType", "3"}, {"pageIndex", "0"}}).all("string").empty());
    EXPECT_EQ(user_call("GetWordsList", {{"libType", "3"}, {"pageIndex", "0"}}).first("TotalCount"),
              "0");

    user_call("DeleteWords", {{"libType", "4"}, {"words", "a<b&c>\"'"}});
    user_call("DeleteWords", {{"libType", "4"}, {"words", "词0"}});
    soap_reply after = user_call("GetWordsList", {{"libType", "4"}, {"pageIndex", "0"}});
    EXPECT_EQ(after.first("TotalCount"), "44");
    EXPECT_EQ(after.all("string")[0], "词1");
    EXPECT_EQ(user_call("GetWordsList", {{"libType", "7"}, {"pageIndex", "0"}}).status, 400);
    EXPECT_EQ(
        client->call("GetWordsList", {{"userName", "ghost"}, {"libType", "4"}, {"pageIndex", "0"}})
            .first("ErrCode"),
        "1");
}

TEST_F(http_fixture, UsageDetailsAndRemainingWordsFollowUploads) {
    service->store().set_user("writer", std::nullopt, std::nullopt, 1000, std::nullopt,
                              std::nullopt);
    upload_options o;
    check("一二三 四五", o);  // 5 words: blanks are free
    check("abc def", o);      // 6
    check("𠀀𠀀", o);         // 2: one per character, not per unit
    soap_reply info = user_call("GetUserInfo", {});
    EXPECT_EQ(info.first("UserState"), "正常");
    EXPECT_EQ(info.first("ReMainingWordsCount"), "987");
    EXPECT_EQ(info.first("AuthEndTime"), "2099-12-31T00:00:00");

    const std::string today = velmo_service::clock_today_text();
    soap_reply d =
        user_call("GetUserCheckDetail", {{"queryDate", today + "T08:00:00"}, {"pageIndex", "0"}});
    EXPECT_EQ(d.first("AuthWordsCount"), "1000");
    EXPECT_EQ(d.first("CheckWordsCount"), "13");  // the account's figure comes first
    EXPECT_EQ(d.first("CurCheckWordsCount"), "13");
    EXPECT_EQ(d.first("PageIndex"), "0");
    EXPECT_EQ(d.first("PageNo"), "0");
    EXPECT_EQ(d.first("TotalCount"), "3");
    ASSERT_EQ(d.all("UserCheckDetail").size(), 3u);
    EXPECT_EQ(d.all("CheckTime")[0].substr(0, 10), today);

    soap_reply other_day =
        user_call("GetUserCheckDetail", {{"queryDate", "2001-01-01T08:00:00"}, {"pageIndex", "0"}});
    EXPECT_EQ(other_day.first("TotalCount"), "0");
    EXPECT_FALSE(other_day.has("UserCheckDetail"));

    // An upload larger than what is left is refused and charges nothing.
    service->store().set_user("writer", std::nullopt, std::nullopt, 20, std::nullopt, std::nullopt);
    soap_reply pid = client->get_pid("writer", "no-123");
    soap_reply up = client->upload(pid.first("PID"), "一二三四五六七八", o);
    EXPECT_EQ(up.first("ErrCode"), "4");
    EXPECT_EQ(client->progress(pid.first("PID")).status, 500);
    EXPECT_EQ(user_call("GetUserInfo", {}).first("ReMainingWordsCount"), "7");
}

TEST_F(http_fixture, DataSurviveARestart) {
    user_call("AddWords", {{"libType", "4"}, {"words", "保留词"}});
    check("一二三", upload_options{});
    start();
    EXPECT_EQ(
        client->call("CheckUser", {{"userName", "writer"}, {"authNo", "no-123"}}).first("ErrCode"),
        "0");
    EXPECT_EQ(user_call("GetWordsList", {{"libType", "4"}, {"pageIndex", "0"}}).all("string"),
              std::vector<std::string>{"保留词"});
    EXPECT_EQ(user_call("GetUserCheckDetail",
                        {{"queryDate", velmo_service::clock_today_text()}, {"pageIndex", "0"}})
                  .first("TotalCount"),
              "1");
}

TEST_F(http_fixture, JobsAreBoundedAndExpire) {
    service_limits limits;
    limits.jobs.max_jobs = 3;
    limits.jobs.expiry = std::chrono::milliseconds(1500);
    limits.jobs.idle_window = std::chrono::milliseconds(1500);
    limits.max_article_units = 10;
    start(limits);
    std::vector<std::string> pids;
    for (int i = 0; i < 3; ++i) pids.push_back(client->get_pid("writer", "no-123").first("PID"));
    soap_reply full = client->get_pid("writer", "no-123");
    EXPECT_EQ(full.first("ErrCode"), "5");
    EXPECT_EQ(full.first("ErrMsg"), "同时进行的校对任务过多");
    EXPECT_FALSE(full.has("PID"));

    EXPECT_EQ(
        client->upload(pids[0], "一二三四五六七八九十十一", upload_options{}).first("ErrCode"),
        "5");
    EXPECT_EQ(client->progress(pids[0]).status, 500);

    std::this_thread::sleep_for(std::chrono::milliseconds(1600));
    EXPECT_EQ(client->progress(pids[1]).status, 500);  // expired
    EXPECT_TRUE(client->get_pid("writer", "no-123").has("PID"));
    EXPECT_EQ(service->operations().jobs().held(), 1u);
}

TEST_F(http_fixture, MalformedRequestsGetFaultsAndNeverStopTheService) {
    const std::string good =
        envelope("CheckUser", "<userName>writer</userName><authNo>no-123</authNo>");
    const std::vector<std::string> bad = {
        "",
        "not xml at all",
        "<a><b></a>",
        envelope("NoSuchOperation", ""),
        "<?xml version=\"1.0\"?><Envelope><Body/></Envelope>",
        "<soap12:Envelope "
        "xmlns:soap12=\"http://www.w3.org/2003/05/soap-envelope\"><soap12:Body/></soap12:Envelope>",
        "<soap12:Envelope "
        "xmlns:soap12=\"http://www.w3.org/2003/05/soap-envelope\"><soap12:Body><CheckUser>"
        "<userName>writer</userName></CheckUser></soap12:Body></soap12:Envelope>",
        "<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
        "\"&a;&a;&a;&a;&a;&a;\">]>" +
            envelope("CheckUser", "<userName>&b;</userName>").substr(38),
        "<?xml version=\"1.0\"?><!DOCTYPE x SYSTEM \"http://127.0.0.1:1/x.dtd\">" + good.substr(38),
    };
    for (const std::string& body : bad) {
        soap_reply r = client->post_raw(body);
        EXPECT_EQ(r.status, 400) << body;
        EXPECT_NE(r.body.find("Fault"), std::string::npos) << body;
    }
    // Every truncation of a valid envelope.
    for (std::size_t len = 0; len < good.size(); len += 3) {
        soap_reply r = client->post_raw(good.substr(0, len));
        ASSERT_EQ(r.status, 400) << len;
    }
    // Random bytes and randomly damaged envelopes.
    std::mt19937 rng(2026);
    for (int i = 0; i < 300; ++i) {
        std::string body = good;
        if (i % 2) {
            body.assign(rng() % 400, '\0');
            for (char& c : body) c = static_cast<char>(rng());
        } else {
            for (int k = 0; k < 5; ++k) body[rng() % body.size()] = static_cast<char>(rng());
        }
        soap_reply r = client->post_raw(body);
        ASSERT_TRUE(r.status == 200 || r.status == 400) << r.status;
    }
    EXPECT_EQ(client->post_raw(good).first("ErrCode"), "0");
}

TEST_F(http_fixture, OversizedBodiesAreRefusedWithAFault) {
    velmo_service::server_config config;
    config.body_limit = 4096;
    start({}, config);
    const std::string big =
        envelope("CheckUser", "<userName>" + std::string(5000, 'x') + "</userName><authNo/>");
    soap_reply r = client->post_raw(big);
    EXPECT_EQ(r.status, 400);
    EXPECT_NE(r.body.find("too large"), std::string::npos);
    soap_client fresh(service->port());
    EXPECT_EQ(
        fresh.call("CheckUser", {{"userName", "writer"}, {"authNo", "no-123"}}).first("ErrCode"),
        "0");
}
