// Proofreading job calls against the fake service: the envelopes as the
// service received them, and what each call returns.
#include "api/velmo_api_job.h"

#include <cstring>
#include <functional>
#include <vector>

#include "api/velmo_api_transport.h"
#include "api_test_fixture.h"
#include "config/velmo_config.h"

namespace {

using names = std::vector<std::string>;

const char SERVICE_NS[] = "urn:velmo:proofreading";

class velmo_api_job : public api_test {};

}  // namespace

TEST_F(velmo_api_job, every_envelope_has_the_soap12_skeleton) {
    char pid[VELMO_PID_BUFFER_SIZE] = {};
    QList<velmo_check_result_t> results;
    velmo_api_get_pid(pid);
    velmo_api_upload("p", "a");
    velmo_api_progress("p");
    velmo_api_result(results, "p");
    const std::vector<fake_request> received = service.requests();
    ASSERT_EQ(received.size(), 4u);
    const names operations{"GetCheckArticlePIDByUser", "UpLoadCheckArticle",
                           "GetCheckArticleProgress", "GetCheckArticleResult"};
    for (size_t i = 0; i < received.size(); ++i) {
        SCOPED_TRACE(operations[i]);
        EXPECT_EQ(received[i].body.rfind("<?xml version=\"1.0\" encoding=\"utf-8\"?>", 0), 0u);
        const read_envelope envelope = read_request_envelope(received[i].body);
        ASSERT_TRUE(envelope.well_formed);
        EXPECT_EQ(envelope.root.name, "Envelope");
        EXPECT_EQ(envelope.root_prefix, "soap12");
        EXPECT_EQ(envelope.root.ns, "http://www.w3.org/2003/05/soap-envelope");
        const std::vector<std::pair<std::string, std::string>> declared{
            {"xsi", "http://www.w3.org/2001/XMLSchema-instance"},
            {"xsd", "http://www.w3.org/2001/XMLSchema"},
            {"soap12", "http://www.w3.org/2003/05/soap-envelope"}};
        EXPECT_EQ(envelope.root_namespaces, declared);
        EXPECT_EQ(envelope.root.child_names(), names{"Body"});
        EXPECT_EQ(envelope.body_children, names{operations[i]});
        EXPECT_EQ(envelope.operation_prefix, "");
        EXPECT_EQ(envelope.operation.ns, SERVICE_NS);
        for (const read_element& parameter : envelope.operation.children)
            EXPECT_EQ(parameter.ns, SERVICE_NS) << parameter.name;
    }
}

TEST_F(velmo_api_job, job_identifier_request_sends_the_stored_account) {
    service.set_answer("GetCheckArticlePIDByUser", {200, fake_pid_answer("J-1"), {}});
    char pid[VELMO_PID_BUFFER_SIZE];
    std::memset(pid, 0, sizeof pid);
    ASSERT_EQ(velmo_api_get_pid(pid), 0);
    EXPECT_STREQ(pid, "J-1");

    const read_envelope envelope = only_request("GetCheckArticlePIDByUser");
    EXPECT_EQ(envelope.operation.child_names(), (names{"userName", "authNo"}));
    EXPECT_EQ(text_of(envelope.operation, "userName"), USER_NAME);
    EXPECT_EQ(text_of(envelope.operation, "authNo"), AUTH_NO);

    // Read at the moment of the call, not cached.
    velmo_singleton_config::instance()->set_string("UserInfo", "UserName", "bob");
    velmo_singleton_config::instance()->set_string("UserInfo", "AuthNo", "42");
    velmo_api_get_pid(pid);
    const read_envelope second = read_request_envelope(service.requests().back().body);
    EXPECT_EQ(text_of(second.operation, "userName"), "bob");
    EXPECT_EQ(text_of(second.operation, "authNo"), "42");
}

TEST_F(velmo_api_job, job_identifier_failures_leave_the_buffer_alone) {
    char pid[VELMO_PID_BUFFER_SIZE];
    std::memset(pid, 'z', sizeof pid);
    service.set_answers(
        "GetCheckArticlePIDByUser",
        {
            {200, fake_code_answer("GetCheckArticlePIDByUser", 1, "unknown user"), {}},
            {200, fake_pid_answer(std::string(64, 'x')), {}},
            {500, fake_fault("soap12:Receiver", "failure"), {}},
            {200, "", {}},
            {503, "Service Unavailable", {}},
            {500, fake_pid_answer("accepted-anyway"), {}},
        });
    for (int i = 0; i < 5; ++i) EXPECT_EQ(velmo_api_get_pid(pid), -1) << i;
    for (char c : pid) ASSERT_EQ(c, 'z');
    EXPECT_EQ(velmo_api_get_pid(nullptr), -1);
    // The status of this answer is not looked at.
    EXPECT_EQ(velmo_api_get_pid(pid), 0);
    EXPECT_STREQ(pid, "accepted-anyway");
    EXPECT_EQ(service.requests().size(), 6u);
}

TEST_F(velmo_api_job, upload_sends_article_identifier_and_options_in_order) {
    service.set_answer("UpLoadCheckArticle",
                       {200, fake_code_answer("UpLoadCheckArticle", 0, "ok"), {}});
    const QString article = QString::fromUtf8("\xE6\x96\x87%1<b>&%12\n\t\x01%2 \xE5\xB0\xBE");
    ASSERT_EQ(velmo_api_upload("pid<&>", article), 0);

    const read_envelope envelope = only_request("UpLoadCheckArticle");
    const read_element& upload = envelope.operation;
    EXPECT_EQ(upload.child_names(),
              (names{"article", "token", "pid", "checkType", "checkExtendInfo"}));
    const std::string sent_article = text_of(upload, "article");
    EXPECT_EQ(sent_article, "\xE6\x96\x87%1 b  %12   %2 \xE5\xB0\xBE");
    EXPECT_EQ(QString::fromStdString(sent_article).size(), article.size());
    EXPECT_EQ(text_of(upload, "token"), "1");
    EXPECT_EQ(text_of(upload, "pid"), "pid<&>");

    const read_element* check_type = upload.child("checkType");
    ASSERT_NE(check_type, nullptr);
    EXPECT_EQ(check_type->child_names(),
              (names{"CheckLeaderSort", "CheckMatchDots", "CheckSentence"}));
    EXPECT_EQ(text_of(*check_type, "CheckLeaderSort"), "1");
    EXPECT_EQ(text_of(*check_type, "CheckMatchDots"), "0");
    EXPECT_EQ(text_of(*check_type, "CheckSentence"), "1");

    const read_element* extend = upload.child("checkExtendInfo");
    ASSERT_NE(extend, nullptr);
    EXPECT_EQ(extend->child_names(),
              (names{"ChkDefault", "ChkEng", "ChkReturnResultType", "FanTi", "HtmlTag", "Leader",
                     "Needsug", "ProfType", "TaiWan", "UserErr", "Weight"}));
    const std::vector<std::pair<std::string, std::string>> expected{
        {"ChkDefault", "1"}, {"ChkEng", "1"},    {"ChkReturnResultType", "0"},
        {"FanTi", "0"},      {"HtmlTag", "0"},   {"Leader", "1"},
        {"Needsug", "1"},    {"ProfType", "17"}, {"TaiWan", "0"},
        {"UserErr", "1"},    {"Weight", "2"}};
    for (const auto& [name, value] : expected) EXPECT_EQ(text_of(*extend, name), value) << name;
    for (const read_element& group : upload.children)
        for (const read_element& option : group.children)
            EXPECT_EQ(option.ns, SERVICE_NS) << option.name;
}

TEST_F(velmo_api_job, upload_options_are_read_when_the_envelope_is_built) {
    service.set_answer("UpLoadCheckArticle", {200, "", {}});
    velmo_singleton_config* config = velmo_singleton_config::instance();
    config->set_int("CheckType", "CheckMatchDots", 1);
    config->set_int("CheckType", "CheckLeaderSort", 0);
    config->set_int("CheckExtendInfo", "Weight", -3);
    config->set_string("CheckExtendInfo", "ProfType", "not a number");
    velmo_api_upload("p", "x");
    const read_envelope envelope = only_request("UpLoadCheckArticle");
    EXPECT_EQ(text_of(*envelope.operation.child("checkType"), "CheckMatchDots"), "1");
    EXPECT_EQ(text_of(*envelope.operation.child("checkType"), "CheckLeaderSort"), "0");
    // A strength below the lowest is sent as the lowest the service knows.
    EXPECT_EQ(text_of(*envelope.operation.child("checkExtendInfo"), "Weight"), "0");
    EXPECT_EQ(text_of(*envelope.operation.child("checkExtendInfo"), "ProfType"), "0");
}

// A refusal comes with status 200 and a non-zero code; an answer without a
// readable code is judged by its status, once it holds the response element:
// an empty 200 answer or a foreign body accepted nothing.
TEST_F(velmo_api_job, upload_is_refused_by_its_status_or_a_non_zero_code) {
    service.set_answers("UpLoadCheckArticle",
                        {
                            {200, fake_code_answer("UpLoadCheckArticle", 5, "refused"), {}},
                            {200, fake_envelope("UpLoadCheckArticle", ""), {}},
                            {200, "", {}},
                            {200, fake_progress_answer(100), {}},
                            {400, fake_code_answer("UpLoadCheckArticle", 0, "ok"), {}},
                            {500, fake_fault("soap12:Receiver", "x"), {}},
                            {302, "", {}},
                        });
    velmo_api_failure_t failure;
    EXPECT_EQ(velmo_api_upload("p", "a", &failure), -1);
    EXPECT_TRUE(failure.answered);
    EXPECT_EQ(failure.message, "refused");
    EXPECT_EQ(velmo_api_upload("p", "a"), 0);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(velmo_api_upload("p", "a", &failure), -1);
        EXPECT_TRUE(failure.unreadable);
    }
    EXPECT_EQ(velmo_api_upload("p", "a"), -1);
    EXPECT_EQ(velmo_api_upload("p", "a"), -1);
    EXPECT_EQ(velmo_api_upload("p", "a"), -1);
}

TEST_F(velmo_api_job, progress_and_result_envelopes_carry_the_identifier) {
    service.set_answer("GetCheckArticleProgress", {200, fake_progress_answer(60), {}});
    service.set_answer("GetCheckArticleResult", {200, fake_result_answer({}), {}});
    EXPECT_EQ(velmo_api_progress("J&7"), 60);
    QList<velmo_check_result_t> results;
    EXPECT_EQ(velmo_api_result(results, "J&7"), 0);
    for (const char* operation : {"GetCheckArticleProgress", "GetCheckArticleResult"}) {
        const read_envelope envelope = only_request(operation);
        EXPECT_EQ(envelope.operation.child_names(), (names{"pid", "token"})) << operation;
        EXPECT_EQ(text_of(envelope.operation, "pid"), "J&7");
        EXPECT_EQ(text_of(envelope.operation, "token"), "0");
    }
}

TEST_F(velmo_api_job, progress_needs_status_200_and_its_element) {
    service.set_answers("GetCheckArticleProgress",
                        {
                            {200, fake_progress_answer(100), {}},
                            {200, fake_envelope("GetCheckArticleProgress", "abc"), {}},
                            {500, fake_progress_answer(50), {}},
                            {200, fake_fault("soap12:Receiver", "unknown job"), {}},
                            {200, "<p>60</p>", {}},
                            {200, "", {}},
                        });
    EXPECT_EQ(velmo_api_progress("p"), 100);
    EXPECT_EQ(velmo_api_progress("p"), 0);
    EXPECT_EQ(velmo_api_progress("p"), -1);
    EXPECT_EQ(velmo_api_progress("p"), -1);
    EXPECT_EQ(velmo_api_progress("p"), -1);
    EXPECT_EQ(velmo_api_progress("p"), -1);
}

TEST_F(velmo_api_job, result_is_cleared_and_filled_from_a_good_answer_only) {
    const std::string answer = fake_result_answer(
        {{5, 2, "\xE7\x9A\x84\xE7\x9A\x84", {"\xE7\x9A\x84"}, "doubled"}, {9, 1, "x", {"a", "b"}}});
    service.set_answers("GetCheckArticleResult",
                        {{200, answer, {}}, {500, answer, {}}, {200, "oops", {}}});
    QList<velmo_check_result_t> results;
    ASSERT_EQ(velmo_api_result(results, "p"), 0);
    ASSERT_EQ(results.size(), 2);
    EXPECT_EQ(results[0].pos, 5);
    EXPECT_EQ(results[0].level, 2);
    EXPECT_EQ(results[0].err_word, QString::fromUtf8("\xE7\x9A\x84\xE7\x9A\x84"));
    EXPECT_EQ(results[1].cor_word, "a#-#b");
    // The reason is optional: read when sent, empty otherwise.
    EXPECT_EQ(results[0].message, "doubled");
    EXPECT_EQ(results[1].message, QString());

    EXPECT_EQ(velmo_api_result(results, "p"), -1);
    EXPECT_TRUE(results.isEmpty());
    results.append(velmo_check_result_t{});
    EXPECT_EQ(velmo_api_result(results, "p"), -1);
    EXPECT_TRUE(results.isEmpty());
}

TEST_F(velmo_api_job, account_state_relays_the_code_whatever_the_status) {
    service.set_answers(
        "GetCheckArticlePIDByUser",
        {
            {200, fake_pid_answer("x"), {}},
            {400, fake_code_answer("GetCheckArticlePIDByUser", 3, "expired"), {}},
            {200, fake_envelope("GetCheckArticlePIDByUser", "<ErrCode></ErrCode>"), {}},
            {500, fake_fault("soap12:Receiver", "x"), {}},
            {200, "not xml", {}},
        });
    EXPECT_EQ(velmo_api_get_state(), 0);
    EXPECT_EQ(velmo_api_get_state(), 3);
    EXPECT_EQ(velmo_api_get_state(), 0);
    EXPECT_EQ(velmo_api_get_state(), -1);
    EXPECT_EQ(velmo_api_get_state(), -1);
    const std::vector<fake_request> received = service.requests();
    ASSERT_EQ(received.size(), 5u);
    EXPECT_EQ(received[0].value("userName"), USER_NAME);
    EXPECT_EQ(received[0].value("authNo"), AUTH_NO);
}

// Job calls give up after ReceiveTimeout; the account state check waits
// its own fixed time.
TEST_F(velmo_api_job, job_calls_use_the_receive_timeout_and_the_state_check_does_not) {
    velmo_singleton_config::instance()->set_int("OtherParams", "ReceiveTimeout", 1);
    EXPECT_EQ(velmo_api_timeout(), 1);
    const std::chrono::milliseconds slow(1600);
    service.set_answer("GetCheckArticlePIDByUser", {200, fake_pid_answer("late"), slow});
    char pid[VELMO_PID_BUFFER_SIZE] = {};
    EXPECT_EQ(velmo_api_get_pid(pid), -1);
    EXPECT_STREQ(pid, "");
    EXPECT_EQ(velmo_api_get_state(), 0);
}

TEST_F(velmo_api_job, every_job_call_fails_without_a_server) {
    auto run_all = [](std::vector<int>& outcomes, QList<velmo_check_result_t>& results, char* pid) {
        outcomes = {velmo_api_get_pid(pid), velmo_api_upload("p", "a"), velmo_api_progress("p"),
                    velmo_api_result(results, "p"), velmo_api_get_state()};
    };
    for (const std::string& url : {fake_service::unreachable_url(), std::string()}) {
        SCOPED_TRACE(url.empty() ? "no ServiceUrl" : url);
        use_settings(settings_text(url));
        EXPECT_EQ(velmo_api_get_url() == nullptr, url.empty());
        std::vector<int> outcomes;
        QList<velmo_check_result_t> results{velmo_check_result_t{}};
        char pid[VELMO_PID_BUFFER_SIZE] = "untouched";
        run_all(outcomes, results, pid);
        EXPECT_EQ(outcomes, (std::vector<int>{-1, -1, -1, -1, -1}));
        EXPECT_TRUE(results.isEmpty());
        EXPECT_STREQ(pid, "untouched");
    }
    EXPECT_TRUE(service.requests().empty());
}

// The fake service plays a whole job the way the check thread drives one.
TEST_F(velmo_api_job, a_played_job_runs_from_identifier_to_result) {
    fake_job job;
    job.pid = "job-1";
    job.progress = {10, 60, 100};
    job.errors_for_article = [](const std::string& article) {
        return std::vector<fake_error>{{static_cast<int>(article.find('x')), 1, "x", {"y"}}};
    };
    service.add_job(job);
    char pid[VELMO_PID_BUFFER_SIZE] = {};
    ASSERT_EQ(velmo_api_get_pid(pid), 0);
    ASSERT_STREQ(pid, "job-1");
    ASSERT_EQ(velmo_api_upload(pid, "ab<x"), 0);
    EXPECT_EQ(service.uploaded_article("job-1"), "ab x");
    EXPECT_EQ(velmo_api_progress(pid), 10);
    EXPECT_EQ(velmo_api_progress(pid), 60);
    EXPECT_EQ(velmo_api_progress(pid), 100);
    EXPECT_EQ(velmo_api_progress(pid), 100);
    EXPECT_EQ(velmo_api_progress("other"), -1);  // unknown job: status 500
    QList<velmo_check_result_t> results;
    ASSERT_EQ(velmo_api_result(results, pid), 0);
    ASSERT_EQ(results.size(), 1);
    EXPECT_EQ(results[0].pos, 3);
    EXPECT_EQ(results[0].cor_word, "y");
}
