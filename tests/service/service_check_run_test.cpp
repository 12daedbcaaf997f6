// A day of ordinary use end to end: the plug-in's check runs against the
// reference service with its default limits and the shipped settings. Many
// checks in a row, two clients of one account at once and every number of
// jobs in flight give the same marks, and no piece is lost to the service's
// job accounting.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <thread>

#include "api/velmo_api_job.h"
#include "check/velmo_check_session.h"
#include "config/velmo_config.h"
#include "host/velmo_globals.h"
#include "service_test_support.h"
#include "temp_settings.h"
#include "wps_sim.h"

using namespace velmo_test;

namespace {

QString source_file(const char* path) {
    QFile file(QString::fromUtf8(VELMO_TEST_SOURCE_DIR "/") + QString::fromUtf8(path));
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

// The service's job limits are its defaults. Its guard against one address
// holding many connections is raised: the two clients that share an account
// here run on one machine, where two people would be on two.
velmo_service::server_config two_machines() {
    velmo_service::server_config config;
    config.connections_per_address = 64;
    return config;
}

struct day_of_use : ::testing::Test {
    temp_dir dir;
    running_service service{dir.path() + "/day.db", {}, two_machines()};
    std::unique_ptr<temp_settings> settings;
    kfc::ks_stdptr<wpsapi::_Application> app;

    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "service_check_run_test";
        static char* argv[] = {name, nullptr};
        static QCoreApplication application(argc, argv);
    }
    void SetUp() override {
        add_account(service.store(), "writer", "no-123");
        // The shipped settings, pointed at this service and signed in.
        QString ini = source_file("src/resources/velmo.ini");
        ini.replace(QRegularExpression("ServiceUrl=[^\\n]*"),
                    "ServiceUrl=" + QString::fromStdString(service.url()));
        ini.replace("UserName=\n", "UserName=writer\n").replace("AuthNo=\n", "AuthNo=no-123\n");
        settings = std::make_unique<temp_settings>(ini.toStdString());
        app = wps_sim::create_application();
        g_pApp = app.get();
        wps_sim::document_builder builder;
        for (const QString& line : source_file("samples/会议纪要.txt").split('\n'))
            if (!line.isEmpty()) builder.paragraph(line);
        builder.open(app.get());
    }
    void TearDown() override { g_pApp = nullptr; }

    struct marks_t {
        QStringList marks;
        int unchecked = 0;
    };
    marks_t check(velmo_check_session& thread) {
        kfc::ks_stdptr<wpsapi::_Document> document;
        kfc::ks_stdptr<wpsapi::Range> content;
        app->get_ActiveDocument(&document);
        document->get_Content(&content);
        thread.start(content);
        thread.wait();
        marks_t out;
        for (const velmo_check_result_t& r : thread.outcome().results)
            out.marks << QString::number(r.pos) + ":" + r.err_word;
        out.unchecked = thread.outcome().unchecked_count;
        return out;
    }
    marks_t check() {
        velmo_check_session thread;
        return check(thread);
    }
};

}  // namespace

// Each "校对" asks the gate for an identifier it never uses; twenty in a row
// must neither lock the account out nor lose a piece, whatever the number of
// jobs in flight and whether paragraphs are joined.
TEST_F(day_of_use, twenty_checks_in_a_row_and_every_number_of_jobs_give_the_same_marks) {
    const marks_t first = check();
    ASSERT_GE(first.marks.size(), 10);
    ASSERT_EQ(first.unchecked, 0);
    for (int run = 1; run < 20; ++run) {
        ASSERT_EQ(velmo_api_get_state(), 0) << run;
        const marks_t again = check();
        EXPECT_EQ(again.marks, first.marks) << run;
        EXPECT_EQ(again.unchecked, 0) << run;
    }
    velmo_singleton_config* config = velmo_singleton_config::instance();
    config->set_int("OtherParams", "JoinParagraphs", 0);
    for (int parallel : {1, 4, 16}) {
        config->set_int("OtherParams", "CheckParallel", parallel);
        const marks_t apart = check();
        EXPECT_EQ(apart.marks, first.marks) << parallel;
        EXPECT_EQ(apart.unchecked, 0) << parallel;
    }
}

// Two people on one account, each with sixteen jobs in flight, one piece per
// paragraph: both get every mark.
TEST_F(day_of_use, two_clients_of_one_account_checking_at_once_both_get_every_mark) {
    velmo_singleton_config* config = velmo_singleton_config::instance();
    config->set_int("OtherParams", "JoinParagraphs", 0);
    config->set_int("OtherParams", "CheckParallel", 16);
    const marks_t alone = check();
    ASSERT_EQ(alone.unchecked, 0);
    velmo_check_session first, second;
    marks_t a, b;
    ASSERT_EQ(velmo_api_get_state(), 0);
    ASSERT_EQ(velmo_api_get_state(), 0);
    // Cut on this thread, checked on two workers at the same time.
    kfc::ks_stdptr<wpsapi::_Document> document;
    kfc::ks_stdptr<wpsapi::Range> content;
    app->get_ActiveDocument(&document);
    document->get_Content(&content);
    first.start(content);
    second.start(content);
    first.wait();
    second.wait();
    for (velmo_check_session* t : {&first, &second}) {
        QStringList marks;
        for (const velmo_check_result_t& r : t->outcome().results)
            marks << QString::number(r.pos) + ":" + r.err_word;
        EXPECT_EQ(marks, alone.marks);
        EXPECT_EQ(t->outcome().unchecked_count, 0) << t->outcome().unchecked_reason.toStdString();
    }
}
