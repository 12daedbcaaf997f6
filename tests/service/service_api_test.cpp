// The plug-in's own service client (velmo_api_ calls) against the reference
// service on an ephemeral loopback port.
#include <gtest/gtest.h>

#include <QString>

#include "api/velmo_api_account.h"
#include "api/velmo_api_job.h"
#include "base/service_clock.h"
#include "service_test_support.h"
#include "temp_settings.h"

using namespace velmo_test;

namespace {

struct api_fixture : ::testing::Test {
    temp_dir dir;
    running_service service{dir.path() + "/api.db"};
    std::unique_ptr<temp_settings> settings;

    void use_account(const std::string& user, const std::string& number) {
        settings.reset();
        settings = std::make_unique<temp_settings>(
            "[OtherParams]\nServiceUrl=" + service.url() +
            "\nOpenTimeout=10\nSendTimeout=10\nReceiveTimeout=10\n"
            "[CheckType]\nCheckSentence=1\nCheckMatchDots=0\nCheckLeaderSort=0\n"
            "[CheckExtendInfo]\nWeight=0\nChkEng=0\nFanTi=0\nLeader=0\nTaiWan=0\nUserErr="
            "0\nProfType=0\n"
            "[UserInfo]\nUserName=" +
            user + "\nAuthNo=" + number + "\n");
    }
    void SetUp() override {
        add_account(service.store(), "writer", "no-123", 1000);
        use_account("writer", "no-123");
    }

    // One job as the check thread runs it.
    int run_job(const QString& article, QList<velmo_check_result_t>& results) {
        char pid[64] = {0};
        if (velmo_api_get_pid(pid) != 0) return -1;
        if (velmo_api_upload(QString::fromLatin1(pid), article) != 0) return -1;
        int progress = 0;
        while ((progress = velmo_api_progress(QString::fromLatin1(pid))) >= 0 && progress < 100) {
        }
        if (progress != 100) return -1;
        return velmo_api_result(results, QString::fromLatin1(pid));
    }
};

}  // namespace

TEST_F(api_fixture, SignInAndAccountStateThroughTheClient) {
    QString message;
    EXPECT_EQ(velmo_api_checkuser("writer", "no-123", message), 0);
    EXPECT_EQ(message, QString::fromUtf8("成功"));
    EXPECT_EQ(velmo_api_checkuser("writer", "wrong", message), 1);
    EXPECT_EQ(message, QString::fromUtf8("用户名或授权码错误"));
    EXPECT_EQ(velmo_api_get_state(), 0);

    service.store().set_user("writer", std::nullopt, velmo_service::state_disabled, std::nullopt,
                             std::nullopt, std::nullopt);
    EXPECT_EQ(velmo_api_get_state(), 2);
    EXPECT_EQ(velmo_api_checkuser("writer", "no-123", message), 2);
    EXPECT_EQ(message, QString::fromUtf8("账户已停用"));
    velmo_userinfo_t info;
    EXPECT_EQ(velmo_api_userinfo(&info), 0);
    EXPECT_EQ(info.user_state, QString::fromUtf8("停用"));
    EXPECT_EQ(info.auth_end_time, "2099-12-31");

    use_account("stranger", "x");
    EXPECT_EQ(velmo_api_get_state(), 1);
    char pid[64] = {0};
    EXPECT_EQ(velmo_api_get_pid(pid), -1);
    EXPECT_EQ(pid[0], '\0');
}

TEST_F(api_fixture, JobPositionsMatchTheUploadedQString) {
    // Markup characters are sanitised one for one by the client; 𠀀 is two units.
    const QString article = QString::fromUtf8("𠀀<b>&说按步就班，recieve 𝄞再接再励。\n");
    QList<velmo_check_result_t> results;
    ASSERT_EQ(run_job(article, results), 0);
    ASSERT_EQ(results.size(), 2);
    EXPECT_EQ(results[0].pos, article.indexOf(QString::fromUtf8("按步就班")));
    EXPECT_EQ(results[0].err_word, QString::fromUtf8("按步就班"));
    EXPECT_EQ(results[0].cor_word, QString::fromUtf8("按部就班"));
    EXPECT_EQ(results[1].pos, article.indexOf(QString::fromUtf8("再接再励")));

    // The quota was charged: 21 characters without white space.
    velmo_userinfo_t info;
    ASSERT_EQ(velmo_api_userinfo(&info), 0);
    EXPECT_EQ(info.remaining_words, QString::number(1000 - 21));
    velmo_details_t details;
    const QString today = QString::fromStdString(velmo_service::clock_today_text());
    EXPECT_EQ(velmo_api_details(details, today + "T12:00:00", 0), 0);
    EXPECT_EQ(details.remaining_words, QString::number(1000 - 21));
    EXPECT_EQ(details.total_count, "1");
    ASSERT_EQ(details.details.size(), 1);
    EXPECT_EQ(details.details[0].check_words_count, "21");
    EXPECT_TRUE(details.details[0].check_time.startsWith(today + " "));
}

TEST_F(api_fixture, WordLibrariesWithMarkupCharactersRoundTrip) {
    QList<QString> words;
    int page_no = -1, total = -1;
    EXPECT_EQ(velmo_api_getword(words, page_no, total, VELMO_LIB_USER_WORDS, 0), -1);
    EXPECT_EQ(total, 0);
    velmo_api_addword(VELMO_LIB_USER_WORDS, "R&D <team>");
    for (int i = 0; i < 21; ++i)
        velmo_api_addword(VELMO_LIB_USER_WORDS, QString::fromUtf8("词%1").arg(i));
    ASSERT_EQ(velmo_api_getword(words, page_no, total, VELMO_LIB_USER_WORDS, 0), 0);
    EXPECT_EQ(page_no, 2);
    EXPECT_EQ(total, 22);
    ASSERT_EQ(words.size(), 20);
    EXPECT_EQ(words[0], "R&D <team>");
    ASSERT_EQ(velmo_api_getword(words, page_no, total, VELMO_LIB_USER_WORDS, 1), 0);
    EXPECT_EQ(words, (QList<QString>{QString::fromUtf8("词19"), QString::fromUtf8("词20")}));

    velmo_api_delword(VELMO_LIB_USER_WORDS, "R&D <team>");
    ASSERT_EQ(velmo_api_getword(words, page_no, total, VELMO_LIB_USER_WORDS, 0), 0);
    EXPECT_EQ(total, 21);
    EXPECT_EQ(words[0], QString::fromUtf8("词0"));

    // An own word silences the error in the next job.
    velmo_api_addword(VELMO_LIB_USER_WORDS, QString::fromUtf8("按步就班"));
    QList<velmo_check_result_t> results;
    ASSERT_EQ(run_job(QString::fromUtf8("我们按步就班。"), results), 0);
    EXPECT_TRUE(results.isEmpty());
}
