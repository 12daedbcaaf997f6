// What each answer reader takes from an answer body: normal answers,
// repeated and missing elements, elements outside the service namespace,
// faults, empty and non-XML bodies.
#include "api/velmo_api_answers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "api/velmo_api_job.h"
#include "fake_service.h"

namespace {

const std::string NOT_XML[] = {"", "Internal Server Error", "<html><body>502</body>", "\x01\x02"};

std::string fault() { return fake_fault("soap12:Receiver", "internal failure"); }

}  // namespace

TEST(velmo_api_answers, pid_is_copied_only_when_present_and_short_enough) {
    char pid[VELMO_PID_BUFFER_SIZE];
    std::memset(pid, 0, sizeof pid);
    ASSERT_EQ(velmo_api_read_pid(fake_pid_answer("job-17").c_str(), pid), 0);
    EXPECT_STREQ(pid, "job-17");

    // First occurrence wins.
    const std::string twice =
        fake_envelope("GetCheckArticlePIDByUser", "<PID>first</PID><x><PID>second</PID></x>");
    ASSERT_EQ(velmo_api_read_pid(twice.c_str(), pid), 0);
    EXPECT_STREQ(pid, "first");

    const std::string fits(63, 'p');
    ASSERT_EQ(velmo_api_read_pid(fake_pid_answer(fits).c_str(), pid), 0);
    EXPECT_EQ(std::string(pid), fits);

    // 64 bytes would overflow the buffer with its terminator: refused, buffer untouched.
    std::memset(pid, 'z', sizeof pid);
    EXPECT_EQ(velmo_api_read_pid(fake_pid_answer(std::string(64, 'q')).c_str(), pid), -1);
    EXPECT_EQ(velmo_api_read_pid(fake_pid_answer(std::string(5000, 'q')).c_str(), pid), -1);
    EXPECT_EQ(velmo_api_read_pid(fake_code_answer("GetCheckArticlePIDByUser", 1, "x").c_str(), pid),
              -1);
    EXPECT_EQ(velmo_api_read_pid(fault().c_str(), pid), -1);
    const std::string foreign =
        fake_envelope("GetCheckArticlePIDByUser", "<PID xmlns=\"urn:other\">p</PID>");
    EXPECT_EQ(velmo_api_read_pid(foreign.c_str(), pid), -1);
    for (const std::string& body : NOT_XML) EXPECT_EQ(velmo_api_read_pid(body.c_str(), pid), -1);
    EXPECT_EQ(velmo_api_read_pid(fake_pid_answer("p").c_str(), nullptr), -1);
    for (char c : pid) ASSERT_EQ(c, 'z');
}

TEST(velmo_api_answers, error_code_and_progress_read_the_first_integer) {
    EXPECT_EQ(
        velmo_api_read_error_code(fake_code_answer("GetCheckArticlePIDByUser", 0, "ok").c_str()),
        0);
    EXPECT_EQ(
        velmo_api_read_error_code(fake_code_answer("GetCheckArticlePIDByUser", 3, "x").c_str()), 3);
    EXPECT_EQ(velmo_api_read_error_code(fake_envelope("Op", "<ErrCode/>").c_str()), 0);
    EXPECT_EQ(velmo_api_read_error_code(
                  fake_envelope("Op", "<ErrCode> -2x</ErrCode><ErrCode>5</ErrCode>").c_str()),
              -2);
    EXPECT_EQ(velmo_api_read_error_code(fake_envelope("Op", "<ErrMsg>m</ErrMsg>").c_str()), -1);
    EXPECT_EQ(velmo_api_read_error_code(fault().c_str()), -1);

    EXPECT_EQ(velmo_api_read_progress(fake_progress_answer(100).c_str()), 100);
    EXPECT_EQ(velmo_api_read_progress(fake_progress_answer(0).c_str()), 0);
    EXPECT_EQ(velmo_api_read_progress(fake_envelope("GetCheckArticleProgress", "abc").c_str()), 0);
    EXPECT_EQ(velmo_api_read_progress(fake_envelope("GetCheckArticleProgress", " 42%").c_str()),
              42);
    EXPECT_EQ(
        velmo_api_read_progress(fake_envelope("GetCheckArticleProgress", "99999999999999").c_str()),
        2147483647);
    const std::string foreign = "<GetCheckArticleProgressResult>50</GetCheckArticleProgressResult>";
    EXPECT_EQ(velmo_api_read_progress(foreign.c_str()), -1);
    EXPECT_EQ(velmo_api_read_progress(fault().c_str()), -1);
    for (const std::string& body : NOT_XML) {
        EXPECT_EQ(velmo_api_read_error_code(body.c_str()), -1);
        EXPECT_EQ(velmo_api_read_progress(body.c_str()), -1);
    }
}

TEST(velmo_api_answers, results_become_records_with_joined_suggestions) {
    QList<velmo_check_result_t> results;
    results.append(velmo_check_result_t{9, 9, 9, "stale", "stale"});
    const std::string body = fake_result_answer({
        {3, 2, "\xE5\x9C\xA8\xE5\x9C\xA8", {"\xE7\x94\xB2", "\xE4\xB9\x99", "\xE4\xB8\x99"}},
        {7, 1, "teh", {"the"}},
        {12, 3, "x", {}},
    });
    ASSERT_EQ(velmo_api_read_results(body.c_str(), results), 0);
    ASSERT_EQ(results.size(), 3);
    EXPECT_EQ(results[0].pos, 3);
    EXPECT_EQ(results[0].level, 2);
    EXPECT_EQ(results[0].span_by_correction, 0);
    EXPECT_EQ(results[0].err_word, QString::fromUtf8("\xE5\x9C\xA8\xE5\x9C\xA8"));
    EXPECT_EQ(results[0].cor_word, QString::fromUtf8("\xE7\x94\xB2#-#\xE4\xB9\x99#-#\xE4\xB8\x99"));
    EXPECT_EQ(results[1].cor_word, "the");
    EXPECT_EQ(results[2].level, 3);
    EXPECT_EQ(results[2].cor_word, "");
}

TEST(velmo_api_answers, partial_and_foreign_result_records_keep_defaults) {
    QList<velmo_check_result_t> results;
    const std::string body =
        fake_envelope("GetCheckArticleResult",
                      "<CheckResult><Pos>4</Pos><level>2</level><ErrWord>a</"
                      "ErrWord><CorWord><string>b</string></CorWord></CheckResult>"
                      "<CheckResult><Pos>x9</Pos><ErrWord>c</ErrWord></CheckResult>"
                      "<CheckResult><f:Pos xmlns:f=\"urn:other\">8</f:Pos><Pos>99</Pos>"
                      "<CorWord><string>s1</string><other>no</other><string></string><f:string "
                      "xmlns:f=\"urn:f\">s3</f:string></CorWord>"
                      "<CorWord><string>ignored</string></CorWord></CheckResult>"
                      "<CheckResult/>"
                      "<CheckResult xmlns=\"urn:other\"><Pos>1</Pos></CheckResult>");
    ASSERT_EQ(velmo_api_read_results(body.c_str(), results), 0);
    ASSERT_EQ(results.size(), 4);    // the record outside the namespace is not one
    EXPECT_EQ(results[1].pos, 0);    // not a number
    EXPECT_EQ(results[1].level, 0);  // missing
    EXPECT_EQ(results[1].err_word, "c");
    EXPECT_EQ(results[1].cor_word, "");
    EXPECT_EQ(results[2].pos, 8);  // children match by local name, first wins
    EXPECT_EQ(results[2].cor_word, "s1#-##-#s3");
    EXPECT_EQ(results[3].pos, 0);
    EXPECT_EQ(results[3].err_word, "");
}

TEST(velmo_api_answers, no_more_than_32_suggestions_are_kept) {
    fake_error many{0, 1, "w", {}};
    for (int i = 0; i < 40; ++i) many.suggestions.push_back("s" + std::to_string(i));
    QList<velmo_check_result_t> results;
    ASSERT_EQ(velmo_api_read_results(fake_result_answer({many}).c_str(), results), 0);
    const QStringList kept = results.at(0).cor_word.split("#-#");
    ASSERT_EQ(kept.size(), 32);
    EXPECT_EQ(kept.first(), "s0");
    EXPECT_EQ(kept.last(), "s31");
}

TEST(velmo_api_answers, results_of_unreadable_answers_are_empty) {
    QList<velmo_check_result_t> results;
    results.append(velmo_check_result_t{});
    EXPECT_EQ(velmo_api_read_results(fake_result_answer({}).c_str(), results), 0);
    EXPECT_TRUE(results.isEmpty());
    results.append(velmo_check_result_t{});
    EXPECT_EQ(velmo_api_read_results(fault().c_str(), results), 0);  // well-formed, no records
    EXPECT_TRUE(results.isEmpty());
    for (const std::string& body : NOT_XML) {
        results.append(velmo_check_result_t{});
        EXPECT_EQ(velmo_api_read_results(body.c_str(), results), -1);
        EXPECT_TRUE(results.isEmpty());
    }
}

TEST(velmo_api_answers, checkuser_relays_code_and_message) {
    const QString connect_failed = QString::fromUtf8(VELMO_API_CONNECT_FAILED);
    QString message = connect_failed;
    EXPECT_EQ(velmo_api_read_checkuser(
                  fake_code_answer("CheckUser", 0, "\xE6\x88\x90\xE5\x8A\x9F").c_str(), message),
              0);
    EXPECT_EQ(message, QString::fromUtf8("\xE6\x88\x90\xE5\x8A\x9F"));

    message = connect_failed;
    EXPECT_EQ(velmo_api_read_checkuser(fake_envelope("CheckUser", "<ErrCode>2</ErrCode>").c_str(),
                                       message),
              2);
    EXPECT_EQ(message, connect_failed);

    message = connect_failed;
    EXPECT_EQ(velmo_api_read_checkuser(fake_envelope("CheckUser", "<ErrMsg>why</ErrMsg>").c_str(),
                                       message),
              -1);
    EXPECT_EQ(message, "why");

    for (const std::string& body : NOT_XML) {
        message = connect_failed;
        EXPECT_EQ(velmo_api_read_checkuser(body.c_str(), message), -1);
        EXPECT_EQ(message, connect_failed);
    }
}

TEST(velmo_api_answers, userinfo_fills_what_it_finds) {
    velmo_userinfo_t info;
    ASSERT_EQ(velmo_api_read_userinfo(
                  fake_userinfo_answer("\xE6\xAD\xA3\xE5\xB8\xB8", "12345", "2027-01-31T00:00:00")
                      .c_str(),
                  info),
              0);
    EXPECT_EQ(info.user_state, QString::fromUtf8("\xE6\xAD\xA3\xE5\xB8\xB8"));
    EXPECT_EQ(info.remaining_words, "12345");
    EXPECT_EQ(info.auth_end_time, "2027-01-31");

    velmo_userinfo_t partial;
    partial.auth_end_time = "kept";
    const std::string no_end =
        fake_envelope("GetUserInfo",
                      "<UserState>s</UserState><ReMainingWordsCount>7</ReMainingWordsCount>"
                      "<RemainingWordsCount>8</RemainingWordsCount>");
    EXPECT_EQ(velmo_api_read_userinfo(no_end.c_str(), partial), -1);
    EXPECT_EQ(partial.user_state, "s");
    EXPECT_EQ(partial.remaining_words, "7");
    EXPECT_EQ(partial.auth_end_time, "kept");

    velmo_userinfo_t short_date;
    EXPECT_EQ(
        velmo_api_read_userinfo(
            fake_envelope("GetUserInfo", "<AuthEndTime>2027</AuthEndTime>").c_str(), short_date),
        0);
    EXPECT_EQ(short_date.auth_end_time, "2027");

    for (const std::string& body : NOT_XML) {
        velmo_userinfo_t untouched{"a", "b", "c"};
        EXPECT_EQ(velmo_api_read_userinfo(body.c_str(), untouched), -1);
        EXPECT_EQ(untouched.user_state, "a");
    }
}

TEST(velmo_api_answers, details_compute_remaining_words_from_64_bit_counts) {
    fake_details page;
    page.auth_words_count = "100000";
    page.check_words_count = "2500";
    page.cur_check_words_count = "300";
    page.auth_end_time = "2027-01-31T00:00:00";
    page.page_index = "1";
    page.page_no = "2";
    page.total_count = "25";
    page.rows = {{"2026-05-04T10:20:30", "120"},
                 {"2026-05-04T09:00:00.123", "1234567890123456789T"}};
    velmo_details_t details;
    details.details.append(velmo_details_once_t{"earlier", "row"});
    ASSERT_EQ(velmo_api_read_details(fake_details_answer(page).c_str(), details), 0);
    EXPECT_EQ(details.auth_words_count, "100000");
    EXPECT_EQ(details.check_words_count, "2500");  // the account's, not a row's
    EXPECT_EQ(details.remaining_words, "97500");
    EXPECT_EQ(details.cur_check_words_count, "300");
    EXPECT_EQ(details.auth_end_time, "2027-01-31T00:00:00");
    EXPECT_EQ(details.page_index, "1");
    EXPECT_EQ(details.page_no, "2");
    EXPECT_EQ(details.total_count, "25");
    ASSERT_EQ(details.details.size(), 3);  // appended, not replaced
    EXPECT_EQ(details.details[1].check_time, "2026-05-04 10:20");
    EXPECT_EQ(details.details[1].check_words_count, "120");
    EXPECT_EQ(details.details[2].check_time, "2026-05-04 09:00");
    EXPECT_EQ(details.details[2].check_words_count, "1234567890123456");

    page.auth_words_count = "5000000000";
    page.check_words_count = "1";
    velmo_details_t big;
    velmo_api_read_details(fake_details_answer(page).c_str(), big);
    EXPECT_EQ(big.remaining_words, "4999999999");

    page.auth_words_count = "9223372036854775807";
    page.check_words_count = "-9223372036854775808";
    velmo_details_t extreme;
    velmo_api_read_details(fake_details_answer(page).c_str(), extreme);
    EXPECT_EQ(extreme.remaining_words, "18446744073709551615");

    page.auth_words_count = "lots";
    page.check_words_count = "12";
    velmo_details_t words;
    velmo_api_read_details(fake_details_answer(page).c_str(), words);
    EXPECT_EQ(words.remaining_words, "-12");
}

TEST(velmo_api_answers, details_without_rows_still_fill_the_counts) {
    velmo_details_t details;
    details.remaining_words = "kept";
    const std::string body = fake_envelope(
        "GetUserCheckDetail",
        "<AuthWordsCount>10</AuthWordsCount><PageNo>0</PageNo><TotalCount>0</TotalCount>"
        "<UserCheckDetail xmlns=\"urn:other\"><CheckTime>t</CheckTime></UserCheckDetail>");
    EXPECT_EQ(velmo_api_read_details(body.c_str(), details), -1);
    EXPECT_EQ(details.auth_words_count, "10");
    EXPECT_EQ(details.remaining_words, "kept");  // no CheckWordsCount: not computed
    EXPECT_EQ(details.page_no, "0");
    EXPECT_TRUE(details.details.isEmpty());

    const std::string row_without_children =
        fake_envelope("GetUserCheckDetail", "<UserCheckDetail/>");
    ASSERT_EQ(velmo_api_read_details(row_without_children.c_str(), details), 0);
    ASSERT_EQ(details.details.size(), 1);
    EXPECT_EQ(details.details[0].check_time, "");

    for (const std::string& body : NOT_XML)
        EXPECT_EQ(velmo_api_read_details(body.c_str(), details), -1);
    EXPECT_EQ(details.details.size(), 1);
}

TEST(velmo_api_answers, word_pages_replace_the_list) {
    QList<QString> words{"old"};
    int page_no = -5, total = -5;
    ASSERT_EQ(velmo_api_read_words(fake_words_answer(3, 45, {"\xE7\x94\xB2", "a&b", "c"}).c_str(),
                                   words, page_no, total),
              0);
    EXPECT_EQ(words, (QList<QString>{QString::fromUtf8("\xE7\x94\xB2"), "a&b", "c"}));
    EXPECT_EQ(page_no, 3);
    EXPECT_EQ(total, 45);

    EXPECT_EQ(velmo_api_read_words(fake_words_answer(0, 0, {}).c_str(), words, page_no, total), -1);
    EXPECT_TRUE(words.isEmpty());
    EXPECT_EQ(page_no, 0);
    EXPECT_EQ(total, 0);

    words = {"old"};
    page_no = total = 9;
    EXPECT_EQ(velmo_api_read_words(fake_envelope("GetWordsList", "<string>w</string>").c_str(),
                                   words, page_no, total),
              0);
    EXPECT_EQ(words, QList<QString>{"w"});
    EXPECT_EQ(page_no, 9);  // absent: unchanged
    EXPECT_EQ(total, 9);

    for (const std::string& body : NOT_XML) {
        words = {"old"};
        EXPECT_EQ(velmo_api_read_words(body.c_str(), words, page_no, total), -1);
        EXPECT_TRUE(words.isEmpty());
    }
}
