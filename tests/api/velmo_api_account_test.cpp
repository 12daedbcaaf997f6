// Account, usage-detail and word-library calls against the fake service.
#include "api/velmo_api_account.h"

#include <vector>

#include "api_test_fixture.h"
#include "config/velmo_config.h"

namespace {

using names = std::vector<std::string>;

class velmo_api_account : public api_test {};

}  // namespace

TEST_F(velmo_api_account, envelopes_carry_their_parameters_in_order) {
    QString message;
    velmo_userinfo_t info;
    velmo_details_t details;
    QList<QString> words;
    int page_no = 0, total = 0;
    velmo_api_checkuser(QString::fromUtf8("\xE6\x9D\x8E\xE5\x9B\x9B<a&b>"), "'9\"", message);
    velmo_api_userinfo(&info);
    velmo_api_details(details, "2026-05-04 <&>", 3);
    velmo_api_getword(words, page_no, total, VELMO_LIB_USER_WORDS, 2);
    velmo_api_addword(VELMO_LIB_USER_ERRORS, "%1 <w>&%2");
    velmo_api_delword(VELMO_LIB_USER_WORDS, QString::fromUtf8("\xE8\xAF\x8D"));

    struct expectation {
        std::string operation;
        std::vector<std::pair<std::string, std::string>> parameters;
    };
    const std::vector<expectation> expected{
        {"CheckUser", {{"userName", "\xE6\x9D\x8E\xE5\x9B\x9B<a&b>"}, {"authNo", "'9\""}}},
        {"GetUserInfo", {{"userName", USER_NAME}}},
        {"GetUserCheckDetail",
         {{"userName", USER_NAME}, {"queryDate", "2026-05-04 <&>"}, {"pageIndex", "3"}}},
        {"GetWordsList", {{"userName", USER_NAME}, {"libType", "4"}, {"pageIndex", "2"}}},
        {"AddWords", {{"userName", USER_NAME}, {"libType", "3"}, {"words", "%1 <w>&%2"}}},
        {"DeleteWords", {{"userName", USER_NAME}, {"libType", "4"}, {"words", "\xE8\xAF\x8D"}}},
    };
    const std::vector<fake_request> received = service.requests();
    ASSERT_EQ(received.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].operation);
        const read_envelope envelope = read_request_envelope(received[i].body);
        ASSERT_TRUE(envelope.well_formed);
        EXPECT_EQ(envelope.body_children, names{expected[i].operation});
        EXPECT_EQ(envelope.operation.ns, "urn:velmo:proofreading");
        names parameter_names;
        for (const auto& parameter : expected[i].parameters) {
            parameter_names.push_back(parameter.first);
            EXPECT_EQ(text_of(envelope.operation, parameter.first), parameter.second)
                << parameter.first;
        }
        EXPECT_EQ(envelope.operation.child_names(), parameter_names);
        for (const read_element& parameter : envelope.operation.children)
            EXPECT_EQ(parameter.ns, "urn:velmo:proofreading");
    }
}

TEST_F(velmo_api_account, stored_user_name_is_read_at_each_call) {
    velmo_userinfo_t info;
    velmo_api_userinfo(&info);
    velmo_singleton_config::instance()->set_string("UserInfo", "UserName", "carol");
    velmo_api_userinfo(&info);
    velmo_singleton_config::instance()->set_string("UserInfo", "UserName", "");
    velmo_api_addword(VELMO_LIB_USER_WORDS, "w");
    const std::vector<fake_request> received = service.requests();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[0].value("userName"), USER_NAME);
    EXPECT_EQ(received[1].value("userName"), "carol");
    EXPECT_EQ(received[2].value("userName"), "");
}

TEST_F(velmo_api_account, checkuser_message_rules) {
    const QString connect_failed = QString::fromUtf8(VELMO_API_CONNECT_FAILED);
    service.set_answers(
        "CheckUser",
        {
            {200, fake_code_answer("CheckUser", 0, "\xE6\x88\x90\xE5\x8A\x9F"), {}},
            {400,
             fake_code_answer("CheckUser", 1,
                              "\xE7\x94\xA8\xE6\x88\xB7\xE5\x90\x8D\xE6\x88\x96\xE6\x8E\x88\xE6\x9D"
                              "\x83\xE7\xA0\x81\xE9\x94\x99\xE8\xAF\xAF"),
             {}},
            {200, fake_envelope("CheckUser", "<ErrCode>2</ErrCode>"), {}},
            {500, fake_fault("soap12:Receiver", "failure"), {}},
            {200, "<<<", {}},
        });
    QString message = "before";
    EXPECT_EQ(velmo_api_checkuser("u", "a", message), 0);
    EXPECT_EQ(message, QString::fromUtf8("\xE6\x88\x90\xE5\x8A\x9F"));
    EXPECT_EQ(velmo_api_checkuser("u", "a", message), 1);  // any status is read
    EXPECT_EQ(message, QString::fromUtf8("\xE7\x94\xA8\xE6\x88\xB7\xE5\x90\x8D\xE6\x88\x96\xE6\x8E"
                                         "\x88\xE6\x9D\x83\xE7\xA0\x81\xE9\x94\x99\xE8\xAF\xAF"));
    EXPECT_EQ(velmo_api_checkuser("u", "a", message), 2);
    EXPECT_EQ(message, connect_failed);
    EXPECT_EQ(velmo_api_checkuser("u", "a", message), -1);
    EXPECT_EQ(message, connect_failed);
    message.clear();
    EXPECT_EQ(velmo_api_checkuser("u", "a", message), -1);
    EXPECT_EQ(message, connect_failed);
}

TEST_F(velmo_api_account, userinfo_reads_any_status_and_reports_a_missing_end_date) {
    service.set_answers(
        "GetUserInfo",
        {
            {500, fake_userinfo_answer("\xE8\xBF\x87\xE6\x9C\x9F", "0", "2025-12-31T00:00:00"), {}},
            {200,
             fake_envelope("GetUserInfo",
                           "<UserState>s</UserState><ReMainingWordsCount>9</ReMainingWordsCount>"),
             {}},
            {200, fake_code_answer("GetUserInfo", 1, "unknown"), {}},
        });
    velmo_userinfo_t info;
    EXPECT_EQ(velmo_api_userinfo(&info), 0);
    EXPECT_EQ(info.user_state, QString::fromUtf8("\xE8\xBF\x87\xE6\x9C\x9F"));
    EXPECT_EQ(info.auth_end_time, "2025-12-31");
    velmo_userinfo_t partial;
    EXPECT_EQ(velmo_api_userinfo(&partial), -1);
    EXPECT_EQ(partial.user_state, "s");
    EXPECT_EQ(partial.remaining_words, "9");
    EXPECT_EQ(velmo_api_userinfo(&partial), -1);
    EXPECT_EQ(velmo_api_userinfo(nullptr), -1);
}

TEST_F(velmo_api_account, details_fill_one_page) {
    fake_details page{
        "100000", "2500", "700", "2027-01-31T00:00:00",
        "0",      "2",    "25",  {{"2016-05-04T10:20:30", "800"}, {"2016-05-03T08:00:00", "1700"}}};
    service.set_answers(
        "GetUserCheckDetail",
        {{200, fake_details_answer(page), {}},
         {500, fake_details_answer(fake_details{"5", "1", "", "", "", "", "", {}}), {}}});
    velmo_details_t details;
    ASSERT_EQ(velmo_api_details(details, "2016-05-04", 0), 0);
    EXPECT_EQ(details.remaining_words, "97500");
    EXPECT_EQ(details.cur_check_words_count, "700");
    EXPECT_EQ(details.page_no, "2");
    ASSERT_EQ(details.details.size(), 2);
    EXPECT_EQ(details.details[0].check_time, "2016-05-04 10:20");
    EXPECT_EQ(details.details[1].check_words_count, "1700");

    velmo_details_t empty;
    EXPECT_EQ(velmo_api_details(empty, "2016-05-05", 0), -1);  // no rows, status 500 still read
    EXPECT_EQ(empty.auth_words_count, "5");
    EXPECT_EQ(empty.remaining_words, "4");
}

TEST_F(velmo_api_account, word_pages_and_the_empty_library) {
    service.set_answers(
        "GetWordsList",
        {
            {200, fake_words_answer(2, 21, {"\xE7\x94\xB2\xE4\xB9\x99", "<x>"}), {}},
            {200, fake_words_answer(0, 0, {}), {}},
            {500, fake_fault("soap12:Receiver", "x"), {}},
        });
    QList<QString> words;
    int page_no = -1, total = -1;
    ASSERT_EQ(velmo_api_getword(words, page_no, total, VELMO_LIB_USER_WORDS, 0), 0);
    EXPECT_EQ(words, (QList<QString>{QString::fromUtf8("\xE7\x94\xB2\xE4\xB9\x99"), "<x>"}));
    EXPECT_EQ(page_no, 2);
    EXPECT_EQ(total, 21);
    EXPECT_EQ(velmo_api_getword(words, page_no, total, VELMO_LIB_USER_WORDS, 1), -1);
    EXPECT_TRUE(words.isEmpty());
    EXPECT_EQ(page_no, 0);
    EXPECT_EQ(total, 0);
    words = {"kept?"};
    page_no = total = 7;
    EXPECT_EQ(velmo_api_getword(words, page_no, total, VELMO_LIB_USER_WORDS, 1), -1);
    EXPECT_TRUE(words.isEmpty());  // an answer came: the list is cleared
    EXPECT_EQ(page_no, 7);
}

TEST_F(velmo_api_account, add_and_delete_report_nothing) {
    service.set_answer("AddWords", {200, fake_code_answer("AddWords", 0, "ok"), {}});
    service.set_answer("DeleteWords", {200, fake_code_answer("DeleteWords", 0, "ok"), {}});
    EXPECT_EQ(velmo_api_addword(VELMO_LIB_USER_WORDS, "w"), -1);
    EXPECT_EQ(velmo_api_delword(VELMO_LIB_USER_WORDS, "w"), -1);
    EXPECT_EQ(service.requests().size(), 2u);
}

TEST_F(velmo_api_account, without_a_server_nothing_is_touched_but_the_message) {
    for (const std::string& url : {fake_service::unreachable_url(), std::string()}) {
        SCOPED_TRACE(url.empty() ? "no ServiceUrl" : url);
        use_settings(settings_text(url));
        QString message = "before";
        EXPECT_EQ(velmo_api_checkuser("u", "a", message), -1);
        EXPECT_EQ(message, QString::fromUtf8(VELMO_API_CONNECT_FAILED));

        velmo_userinfo_t info{"s", "e", "r"};
        EXPECT_EQ(velmo_api_userinfo(&info), -1);
        EXPECT_EQ(info.user_state, "s");

        velmo_details_t details;
        details.auth_words_count = "a";
        details.details.append(velmo_details_once_t{"t", "c"});
        EXPECT_EQ(velmo_api_details(details, "d", 0), -1);
        EXPECT_EQ(details.auth_words_count, "a");
        EXPECT_EQ(details.details.size(), 1);

        QList<QString> words{"w"};
        int page_no = 4, total = 5;
        EXPECT_EQ(velmo_api_getword(words, page_no, total, VELMO_LIB_USER_WORDS, 0), -1);
        EXPECT_EQ(words, QList<QString>{"w"});
        EXPECT_EQ(page_no, 4);
        EXPECT_EQ(total, 5);

        EXPECT_EQ(velmo_api_addword(VELMO_LIB_USER_WORDS, "w"), -1);
        EXPECT_EQ(velmo_api_delword(VELMO_LIB_USER_WORDS, "w"), -1);
    }
    EXPECT_TRUE(service.requests().empty());
}

// The account calls wait longer than a short ReceiveTimeout.
TEST_F(velmo_api_account, account_calls_do_not_use_the_receive_timeout) {
    velmo_singleton_config::instance()->set_int("OtherParams", "ReceiveTimeout", 1);
    service.set_answer("CheckUser", {200, fake_code_answer("CheckUser", 0, "ok"),
                                     std::chrono::milliseconds(1600)});
    QString message;
    EXPECT_EQ(velmo_api_checkuser("u", "a", message), 0);
    EXPECT_EQ(message, "ok");
}
