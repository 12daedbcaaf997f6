// The check progress dialog as the view of whole runs in the simulated host.
#include <gtest/gtest.h>

#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "check/velmo_check_session.h"
#include "check_test_env.h"
#include "features/check/velmo_check_commands.h"
#include "features/check/velmo_ui_check.h"
#include "host/velmo_variant.h"

namespace {

struct check_dialog : ::testing::Test {
    void use(const check_settings& settings) {
        env.reset();  // its settings file must be gone before the next one is set
        env.reset(new check_test_env(settings));
    }
    void select(long start, long end) { env->selection()->SetRange(start, end); }

    static QProgressBar* bar(velmo_ui_check& dialog, const char* name) {
        return dialog.findChild<QProgressBar*>(name);
    }
    static QList<int> positions(const velmo_check_session& session) {
        QList<int> out;
        for (const velmo_check_result_t& result : session.outcome().results) out << result.pos;
        return out;
    }

    std::unique_ptr<check_test_env> env{new check_test_env()};
};

TEST_F(check_dialog, the_title_names_strength_and_field) {
    struct case_t {
        int weight;
        int prof_type;
        const char* title;
    };
    for (const case_t& c :
         {case_t{2, 1, "校对进度（严格 专业）"}, case_t{0, 0, "校对进度（快速 自动）"},
          case_t{1, 7, "校对进度（一般 专业）"}}) {
        check_settings settings;
        settings.weight = c.weight;
        settings.prof_type = c.prof_type;
        settings.max_words = 0;  // no traffic
        use(settings);
        env->open(wps_sim::document_builder().paragraph("正文。"));
        velmo_check_session session;
        velmo_ui_check dialog(&session);
        velmo_start_check_of_active_document(session);
        EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8(c.title));
        dialog.exec();
    }
}

TEST_F(check_dialog, the_check_range_is_the_selection_or_runs_from_the_cursor_to_the_end) {
    check_settings settings;
    settings.max_words = 0;
    use(settings);
    env->open(wps_sim::document_builder().paragraphs({"第一段。", "第二段文字。"}));
    struct case_t {
        long select_start, select_end, check_start, check_end;
    };
    for (const case_t& c : {case_t{7, 7, 7, 12}, case_t{7, 8, 7, 12}, case_t{2, 8, 2, 8}}) {
        select(c.select_start, c.select_end);
        velmo_check_session session;
        velmo_ui_check dialog(&session);
        velmo_start_check_of_active_document(session);
        dialog.exec();
        session.wait();
        EXPECT_EQ(session.outcome().start, c.check_start) << c.select_start;
        EXPECT_EQ(session.outcome().end, c.check_end) << c.select_start;
        EXPECT_NE(session.document(), nullptr);
        EXPECT_FALSE(session.outcome().stopped_by_user);
    }
}

TEST_F(check_dialog, progress_reaches_the_bars_and_the_end_of_the_run_closes_the_dialog) {
    env->open(wps_sim::document_builder().paragraphs({filler(9), filler(9)}));
    env->add_job({}, {30, 60, 100});
    env->add_job();
    select(0, 0);
    velmo_check_session session;
    velmo_ui_check dialog(&session);
    velmo_start_check_of_active_document(session);
    QStringList log;
    QObject::connect(bar(dialog, "sub_progress_bar"), &QProgressBar::valueChanged,
                     [&](int value) { log << QString("sub %1").arg(value); });
    QObject::connect(bar(dialog, "total_progress_bar"), &QProgressBar::valueChanged,
                     [&](int value) { log << QString("total %1").arg(value); });
    dialog.exec();
    session.wait();
    EXPECT_EQ(log, QStringList({"sub 30", "total 0", "sub 60", "sub 100", "sub 0", "total 50",
                                "sub 100", "sub 0", "total 99", "sub 100", "total 100"}));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(session.outcome().reached_max);
}

TEST_F(check_dialog, contents_piece_errors_are_placed_where_their_text_is_found) {
    wps_sim::document_builder builder;
    builder.table_of_contents({"第一章 总则", "第二章 细则"}).paragraphs({"正文一。", "正文二。"});
    env->open(builder);
    const long second_entry = 7;
    const long second_body = 19;
    ASSERT_EQ(env->text(second_entry, second_entry + 3), "第二章");
    ASSERT_EQ(env->text(second_body, second_body + 3), "正文二");
    env->add_job({make_error(4, "总则", 2, {"总纲"})});
    env->add_job({make_error(1, "不存在的词")});
    env->add_plain_jobs(1);
    env->add_job({make_error(2, "二")});
    select(0, 0);
    velmo_check_session session;
    velmo_ui_check dialog(&session);
    velmo_start_check_of_active_document(session);
    dialog.exec();
    session.wait();
    // The text that is not found gets no mark on other text: it is counted.
    ASSERT_EQ(positions(session), QList<int>({4, second_body + 2}));
    const velmo_check_result_t& found = session.outcome().results.at(0);
    EXPECT_EQ(found.level, 2);
    EXPECT_EQ(found.err_word, "总则");
    EXPECT_EQ(found.cor_word, "总纲");
    EXPECT_EQ(session.outcome().unplaced_count, 1);
}

// A contents piece whose job never finishes, stopped by the button, by
// closing the window or by Escape: each ends the run the same way, keeps the
// error already found in the first contents piece and puts the user's
// selection back.
TEST_F(check_dialog, every_way_of_stopping_ends_the_run_and_keeps_what_was_found) {
    enum class way { button, close, escape };
    for (way how : {way::button, way::close, way::escape}) {
        use(check_settings());
        env->open(wps_sim::document_builder()
                      .table_of_contents({"第一章 总则", "第二章 细则"})
                      .paragraphs({filler(9), filler(9)}));
        env->add_job({make_error(4, "总则")});
        env->add_job({}, {10});
        select(2, 2);
        velmo_check_session session;
        velmo_ui_check dialog(&session);
        velmo_start_check_of_active_document(session);
        QObject::connect(bar(dialog, "sub_progress_bar"), &QProgressBar::valueChanged,
                         [&](int value) {
                             if (value != 10) return;
                             if (how == way::button)
                                 dialog.findChild<QPushButton*>("stop_button")->click();
                             else if (how == way::close)
                                 dialog.close();
                             else
                                 QTest::keyClick(&dialog, Qt::Key_Escape);
                         });
        dialog.exec();
        session.wait();
        const int n = static_cast<int>(how);
        EXPECT_TRUE(session.outcome().stopped_by_user) << n;
        EXPECT_EQ(positions(session), QList<int>({4})) << n;
        EXPECT_EQ(session.outcome().unchecked_count, 3) << n;
        EXPECT_EQ(session.outcome().unchecked_reason, QString::fromUtf8("校对已停止")) << n;
        EXPECT_EQ(env->service.requests("GetCheckArticlePIDByUser").size(), 2u) << n;
        long selection_start = -1;
        env->selection()->get_Start(&selection_start);
        EXPECT_EQ(selection_start, 2) << n;
    }
}

// Closing the checked document ends the run as "停止" would: the jobs in
// flight are abandoned, no result is fetched and no further piece is sent,
// yet it is not the user's stop, so a run over several documents goes on.
TEST_F(check_dialog, closing_the_checked_document_stops_the_run_and_abandons_its_jobs) {
    check_settings settings;
    settings.parallel = 2;
    use(settings);
    kfc::ks_stdptr<wpsapi::_Document> checked =
        env->open(wps_sim::document_builder().paragraphs({filler(9), filler(9), filler(9)}));
    for (int i = 0; i < 3; ++i) env->add_job({make_error(1, "x")}, {10});
    select(0, 0);
    velmo_check_session session;
    velmo_ui_check dialog(&session);
    velmo_start_check_of_active_document(session);
    bool closed = false;
    QObject::connect(bar(dialog, "sub_progress_bar"), &QProgressBar::valueChanged, [&](int value) {
        if (value != 10 || closed) return;
        closed = true;
        VARIANT no = kfc::var_bool(false);
        checked->Close(&no, &no, &no);
    });
    dialog.exec();
    session.wait();
    EXPECT_TRUE(closed);
    EXPECT_FALSE(session.outcome().stopped_by_user);
    EXPECT_TRUE(session.outcome().results.isEmpty());
    EXPECT_EQ(session.outcome().unchecked_count, 3);
    EXPECT_EQ(session.outcome().unchecked_reason, QString::fromUtf8("校对已停止"));
    EXPECT_EQ(env->service.requests("GetCheckArticlePIDByUser").size(), 2u);
    EXPECT_TRUE(env->service.requests("GetCheckArticleResult").empty());
}

TEST_F(check_dialog, without_a_document_the_dialog_closes_with_nothing_checked) {
    velmo_check_session session;
    velmo_ui_check dialog(&session);
    velmo_start_check_of_active_document(session);
    dialog.exec();
    session.wait();
    EXPECT_EQ(session.document(), nullptr);
    EXPECT_TRUE(session.outcome().results.isEmpty());
    EXPECT_TRUE(env->service.requests().empty());
}

}  // namespace
