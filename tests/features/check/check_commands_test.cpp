// The check commands end to end: the simulated host, the fake service on
// loopback and the modal responder answering the message boxes.
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>

#include "check/velmo_check_outcome.h"
#include "config/velmo_config.h"
#include "document/velmo_check_progress.h"
#include "document/velmo_document.h"
#include "fake_service.h"
#include "features/check/velmo_check_commands.h"
#include "features/errata/velmo_errata_commands.h"
#include "modal_responder.h"
#include "plugin_commands_fixture.h"

namespace {

// The service in these tests finds these words wherever they occur.
std::vector<fake_error> errors_in(const std::string& article) {
    return fake_errors_wherever(article, {{0, 1, "错字", {"错子"}}, {0, 2, "疑点", {"[疑问]"}}});
}

QByteArray file_bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class check_commands_test : public commands_test {
  protected:
    void SetUp() override {
        commands_test::SetUp();
        config()->set_string("OtherParams", "ServiceUrl", service.url().c_str());
        // One job per request for a job identifier: the login gate takes one too.
        for (int i = 1; i <= 40; ++i) {
            fake_job job;
            job.pid = "job-" + std::to_string(i);
            job.errors_for_article = errors_in;
            service.add_job(job);
        }
    }

    static velmo_singleton_config* config() { return velmo_singleton_config::instance(); }

    // A saved document in the temporary directory, changed since it was saved.
    kfc::ks_stdptr<wpsapi::_Document> open_saved(const QString& name, const QString& text) {
        auto document =
            open(wps_sim::document_builder().name(name).path(dir.path()).paragraph(text));
        insert_text(document, 0, QString::fromUtf8("新"));
        return document;
    }

    // Message boxes shown, as "title|text|buttons".
    QStringList boxes() const {
        QStringList seen;
        for (const modal_responder::seen_modal& modal : responder.seen())
            if (modal.class_name == QLatin1String("QMessageBox"))
                seen << modal.title + "|" + modal.text + "|" + modal.buttons.join(",");
        return seen;
    }

    // The outcome the last closing message carried as data; false when none did.
    bool last_outcome(velmo_check_outcome_t& outcome) const {
        bool found = false;
        for (const modal_responder::seen_modal& modal : responder.seen())
            found = velmo_check_outcome_from_map(
                modal.properties.value(QLatin1String(VELMO_CHECK_OUTCOME_PROPERTY)).toMap(),
                outcome);
        return found;
    }

    static QString name_of(int level, const char* err, const char* cor, long pos) {
        return QString::fromUtf8("vmjd_error_%1_0_%2_%3_%4")
            .arg(level)
            .arg(QString::fromUtf8(err), QString::fromUtf8(cor))
            .arg(pos);
    }

    QList<QVariant> args;
    fake_service service;
    modal_responder responder;
    QTemporaryDir dir;
};

TEST_F(check_commands_test, check_saves_clears_old_marks_places_new_ones_and_reports) {
    auto document = open_saved(QString::fromUtf8("稿件.txt"),
                               QString::fromUtf8("这里有错字。那里也有错字，还有疑点。"));
    add_bookmark(document, name_of(1, "旧", "新", 0), 0, 1);
    add_bookmark(document, QString::fromUtf8("vmjd_find_1_2"), 1, 2);
    add_bookmark(document, QString::fromUtf8("keep"), 2, 3);
    set_cursor(0);
    responder.on(QString::fromUtf8("Velmo校对")).press(QString::fromUtf8("确定"));

    EXPECT_EQ(velmo_cb_check(args), 0);

    // Saved before the check: the file holds the inserted character.
    EXPECT_TRUE(QString::fromUtf8(file_bytes(dir.filePath(QString::fromUtf8("稿件.txt"))))
                    .startsWith(QString::fromUtf8("新这里")));
    const auto marks = bookmarks(document);
    ASSERT_EQ(marks.size(), 4u);
    EXPECT_EQ(marks[0].name, QString::fromUtf8("keep"));
    EXPECT_EQ(marks[1].name, name_of(1, "错字", "错子", 4));
    EXPECT_EQ(marks[1].start, 4);
    EXPECT_EQ(marks[1].end, 6);
    EXPECT_EQ(marks[2].name, name_of(1, "错字", "错子", 11));
    EXPECT_EQ(marks[3].name, name_of(2, "疑点", "Velmo提示疑问", 16));
    EXPECT_EQ(highlight(document, 4, 6), 6);
    EXPECT_EQ(highlight(document, 16, 18), 7);
    EXPECT_EQ(highlight(document, 0, 1), 0);
    EXPECT_EQ(boxes(), QStringList{QString::fromUtf8("Velmo校对|共标记了3处错误|确定")});

    EXPECT_EQ(s_check_progress.document, document.get());
    EXPECT_EQ(s_check_progress.results.size(), 3);
    EXPECT_EQ(s_check_progress.current, 0);
    EXPECT_EQ(s_check_progress.start, 0);
    EXPECT_EQ(s_check_progress.end, wps_sim::document_text(document).length());
    // No errata table unless the settings ask for it.
    EXPECT_FALSE(QFile::exists(dir.filePath(QString::fromUtf8("_稿件.txt.txt"))));
}

TEST_F(check_commands_test, check_writes_the_errata_table_when_the_settings_ask) {
    config()->set_string("Way", "ColorWay", "1");
    open_saved(QString::fromUtf8("稿件.txt"), QString::fromUtf8("有错字，有疑点。"));
    set_cursor(0);
    responder.on(QString::fromUtf8("Velmo校对")).press(QString::fromUtf8("确定"));

    velmo_cb_check(args);

    const QString table =
        QString::fromUtf8(file_bytes(dir.filePath(QString::fromUtf8("_稿件.txt.txt"))));
    EXPECT_TRUE(table.contains(QString::fromUtf8("错误数: 严重错误0个; 错误1个; 疑错1个")));
    EXPECT_TRUE(table.contains(QString::fromUtf8("\n新有【错字】，有疑点。\n")));
    EXPECT_TRUE(table.contains(QString::fromUtf8("\n新有错字，有〖疑点〗。\n")));
}

TEST_F(check_commands_test, check_of_a_clean_document_reports_no_marks) {
    auto document = open(wps_sim::document_builder().paragraph(QString::fromUtf8("一切都好。")));
    responder.on(QString::fromUtf8("Velmo校对")).press(QString::fromUtf8("确定"));
    velmo_cb_check(args);
    EXPECT_TRUE(bookmarks(document).empty());
    EXPECT_EQ(boxes(), QStringList{QString::fromUtf8("Velmo校对|共标记了0处错误|确定")});
    EXPECT_EQ(s_check_progress.document, document.get());
}

TEST_F(check_commands_test, check_stopped_by_the_character_limit_says_so) {
    config()->set_int("OtherParams", "MaxWords", 0);
    open(wps_sim::document_builder().paragraph(QString::fromUtf8("有错字。")));
    responder.on(QString::fromUtf8("Velmo校对")).press(QString::fromUtf8("确定"));
    velmo_cb_check(args);
    EXPECT_EQ(boxes(),
              QStringList{QString::fromUtf8("Velmo校对|内容超长, 校对自动停止, "
                                            "共标记了0处错误\n有1段文字未能校对：内容超长|确定")});
    velmo_check_outcome_t outcome;
    ASSERT_TRUE(last_outcome(outcome));
    EXPECT_TRUE(outcome.reached_max);
    EXPECT_EQ(outcome.unchecked_pieces, 1);
}

// Text that could not be checked is told in a second line, also when
// nothing at all could be checked; marks of the checked part are placed.
TEST_F(check_commands_test, text_left_unchecked_is_told_in_the_closing_message) {
    struct case_t {
        std::vector<fake_answer> progress;
        const char* message;
        int unchecked;
    };
    const case_t cases[] = {
        {{{200, fake_progress_answer(100)}, {500, fake_fault("soap12:Receiver", "busy")}},
         "Velmo校对|共标记了1处错误\n有2段文字未能校对：查询校对进度失败|确定",
         2},
        {{{500, fake_fault("soap12:Receiver", "busy")}},
         "Velmo校对|共标记了0处错误\n有3段文字未能校对：查询校对进度失败|确定",
         3},
    };
    for (const case_t& c : cases) {
        responder.clear();
        auto document = open(wps_sim::document_builder().paragraphs(
            {QString::fromUtf8("有错字。"), QString::fromUtf8("有疑点。"),
             QString::fromUtf8("又错字。")}));
        set_cursor(0);
        service.set_answers("GetCheckArticleProgress", c.progress);
        responder.on(QString::fromUtf8("Velmo校对")).press(QString::fromUtf8("确定"));
        velmo_cb_check(args);
        EXPECT_EQ(boxes(), QStringList{QString::fromUtf8(c.message)});
        EXPECT_EQ(static_cast<int>(bookmarks(document).size()), s_check_progress.results.size());
        // The same outcome as data, for a program that drives the plug-in.
        velmo_check_outcome_t outcome;
        ASSERT_TRUE(last_outcome(outcome));
        EXPECT_EQ(outcome.marks, s_check_progress.results.size());
        EXPECT_FALSE(outcome.reached_max);
        EXPECT_EQ(outcome.unchecked_pieces, c.unchecked);
        EXPECT_EQ(outcome.unchecked_reason, QString::fromUtf8("查询校对进度失败"));
    }
}

// The errors of a table of contents are placed through the selection; the
// next check must still start from the user's cursor, not from there.
TEST_F(check_commands_test, a_second_check_after_a_table_of_contents_keeps_every_mark) {
    auto document =
        open(wps_sim::document_builder()
                 .table_of_contents({QString::fromUtf8("第一章 错字"), QString::fromUtf8("第二章")})
                 .paragraphs({QString::fromUtf8("正文有错字。"), QString::fromUtf8("还有疑点。")}));
    set_cursor(0);
    for (int run = 0; run < 2; ++run) {
        responder.on(QString::fromUtf8("Velmo校对")).press(QString::fromUtf8("确定"));
        velmo_cb_check(args);
        EXPECT_EQ(bookmarks(document).size(), 3u) << run;
        EXPECT_EQ(selection_start(), 0) << run;
        EXPECT_EQ(selection_end(), 0) << run;
    }
    EXPECT_EQ(boxes(), QStringList({QString::fromUtf8("Velmo校对|共标记了3处错误|确定"),
                                    QString::fromUtf8("Velmo校对|共标记了3处错误|确定")}));
}

// A refused or failed gate must not cost the user the marks of the last check.
TEST_F(check_commands_test, refused_and_unreachable_gates_save_but_keep_the_marks) {
    struct gate_case_t {
        std::string url;
        int code;
        const char* service_message;
        const char* message;
    };
    // Only a refusal about the account asks the user to sign in; any other
    // one is shown with the service's own words.
    const gate_case_t cases[] = {
        {service.url(), 1, "用户名或授权码错误", "请登录后再进行校对"},
        {service.url(), 3, "授权已过期", "请登录后再进行校对"},
        {service.url(), 5, "同时进行的校对任务过多", "同时进行的校对任务过多"},
        {fake_service::unreachable_url(), 0, "", "连接服务器失败"}};
    for (const gate_case_t& gate : cases) {
        responder.clear();
        service.set_answer(
            "GetCheckArticlePIDByUser",
            {200, fake_code_answer("GetCheckArticlePIDByUser", gate.code, gate.service_message)});
        config()->set_string("OtherParams", "ServiceUrl", gate.url.c_str());
        const QString name = QString::fromUtf8("门.txt");
        auto document = open_saved(name, QString::fromUtf8("有错字。"));
        add_bookmark(document, name_of(1, "错字", "错子", 3), 3, 5);
        responder.on(QString::fromUtf8("系统提示")).press("确定");

        EXPECT_EQ(velmo_cb_check(args), 0);

        EXPECT_EQ(boxes(),
                  QStringList{
                      QString::fromUtf8("系统提示|%1|确定").arg(QString::fromUtf8(gate.message))});
        EXPECT_EQ(bookmarks(document).size(), 1u);
        EXPECT_TRUE(
            QString::fromUtf8(file_bytes(dir.filePath(name))).startsWith(QString::fromUtf8("新")));
        QFile::remove(dir.filePath(name));
    }
    EXPECT_TRUE(service.requests("UpLoadCheckArticle").empty());
}

// The checked document is closed while its check runs (the timer fires in
// the progress dialog's loop): the marks go nowhere, not into the document
// that is active afterwards.
TEST_F(check_commands_test,
       a_document_closed_during_its_check_gets_no_marks_and_none_go_elsewhere) {
    auto other = open(wps_sim::document_builder().paragraph(QString::fromUtf8("别处也有错字。")));
    auto checked = open(wps_sim::document_builder().paragraph(QString::fromUtf8("这里有错字。")));
    set_cursor(0);
    QTimer::singleShot(0, [&] {
        VARIANT no = kfc::var_bool(false);
        checked->Close(&no, &no, &no);
    });
    responder.on(QString::fromUtf8("Velmo校对")).press(QString::fromUtf8("确定"));

    EXPECT_EQ(velmo_cb_check(args), 0);

    EXPECT_TRUE(bookmarks(other).empty());
    EXPECT_TRUE(bookmarks(checked).empty());
    EXPECT_TRUE(s_check_progress.results.isEmpty());
    EXPECT_EQ(s_check_progress.document, nullptr);
    EXPECT_EQ(
        boxes(),
        QStringList{QString::fromUtf8("Velmo校对|文档在校对期间已关闭，未标记任何错误|确定")});
}

// A check of part of the document (a selection, say the mark the errata
// table left selected, or the text from the cursor on) renews the marks of
// the paragraphs it covers only: the marks of the rest stay where they were.
TEST_F(check_commands_test, a_partial_check_keeps_the_marks_outside_its_range) {
    const QStringList paragraphs = {QString::fromUtf8("一错字。"), QString::fromUtf8("二错字。"),
                                    QString::fromUtf8("三疑点。"), QString::fromUtf8("四错字。")};
    struct case_t {
        const char* what;
        long start;
        long end;
        const char* first_sent;
    };
    const case_t cases[] = {
        {"the last mark selected", 16, 18, "四错字"},
        {"a selection over two paragraphs", 7, 11, "二错字"},
        {"from the cursor on", 12, 12, "三疑点"},
    };
    for (const case_t& c : cases) {
        responder.clear();
        auto document = open(wps_sim::document_builder().paragraphs(paragraphs));
        set_cursor(0);
        responder.on(QString::fromUtf8("Velmo校对")).press(QString::fromUtf8("确定"));
        velmo_cb_check(args);
        ASSERT_EQ(bookmarks(document).size(), 4u) << c.what;
        const size_t uploads_before = service.requests("UpLoadCheckArticle").size();
        set_selection(c.start, c.end);
        responder.on(QString::fromUtf8("Velmo校对")).press(QString::fromUtf8("确定"));

        velmo_cb_check(args);

        std::vector<long> positions;
        for (const bookmark_seen_t& mark : bookmarks(document)) positions.push_back(mark.start);
        EXPECT_EQ(positions, (std::vector<long>{1, 6, 11, 16})) << c.what;
        EXPECT_EQ(highlight(document, 1, 3), 6) << c.what;
        EXPECT_EQ(s_check_progress.start, c.start) << c.what;
        // The marks outside were kept, not found again: only the range was sent
        // (pieces go out in parallel, in no fixed order).
        const std::vector<fake_request> uploads = service.requests("UpLoadCheckArticle");
        ASSERT_GT(uploads.size(), uploads_before) << c.what;
        QStringList sent;
        for (size_t i = uploads_before; i < uploads.size(); ++i)
            sent << QString::fromStdString(uploads[i].value("article")).left(3);
        EXPECT_TRUE(sent.contains(QString::fromUtf8(c.first_sent))) << c.what;
        EXPECT_FALSE(sent.contains(QString::fromUtf8("一错字"))) << c.what;
    }
}

// The errors of a table of contents are searched for in the checked
// document while another one is active: they land on their own text, the
// other document gets nothing and keeps its selection.
TEST_F(check_commands_test, contents_errors_stay_in_the_checked_document_when_another_is_active) {
    auto other =
        open(wps_sim::document_builder().paragraph(QString::fromUtf8("错字在别处，疑点也在。")));
    set_selection(2, 4);
    auto checked = open(wps_sim::document_builder()
                            .table_of_contents({QString::fromUtf8("第一章 疑点与错字"),
                                                QString::fromUtf8("第二章")})
                            .paragraphs({QString::fromUtf8("正文有错字。")}));
    set_cursor(0);
    service.set_answers("GetCheckArticleProgress", {{200, fake_progress_answer(0)},
                                                    {200, fake_progress_answer(0)},
                                                    {200, fake_progress_answer(100)}});
    responder.on(QString::fromUtf8("校对进度（一般 自动）")).act([&](QWidget*) {
        other->Activate();
    });
    responder.on(QString::fromUtf8("Velmo校对")).press(QString::fromUtf8("确定"));

    velmo_cb_check(args);

    EXPECT_TRUE(bookmarks(other).empty());
    EXPECT_EQ(selection_start(), 2);
    EXPECT_EQ(selection_end(), 4);
    std::vector<std::pair<long, long>> spans;
    for (const bookmark_seen_t& mark : bookmarks(checked)) spans.push_back({mark.start, mark.end});
    const long body = QString::fromUtf8("第一章 疑点与错字\r第二章\r").length();
    EXPECT_EQ(spans, (std::vector<std::pair<long, long>>{{4, 6}, {7, 9}, {body + 3, body + 5}}));
    checked->Activate();
    EXPECT_EQ(selection_start(), 0);
    EXPECT_EQ(selection_end(), 0);
}

// A long line without separators is cut after its last white space or
// punctuation in the last fifth of the piece, so no word reaches the service
// in halves (which it would report as misspelt); without one the cut falls
// at the piece length.
TEST_F(check_commands_test, long_lines_without_separators_are_cut_between_words) {
    config()->set_int("OtherParams", "CheckWordsCount", 100);
    config()->set_int("OtherParams", "CheckParallel", 1);
    const QString words = QString::fromUtf8(
        "please send the customer the report they asked for and the list of "
        "items that were dispelled from the store before the end of the month "
        "so that we can check it again");
    const QString unbroken = QString(95, QLatin1Char('a')) + " (b" + QString(20, QLatin1Char('c'));
    const QString no_room = QString(70, QLatin1Char('d')) + " " + QString(60, QLatin1Char('e'));
    open(wps_sim::document_builder().paragraphs({words, unbroken, no_room}));
    set_cursor(0);
    responder.on(QString::fromUtf8("Velmo校对")).press(QString::fromUtf8("确定"));

    velmo_cb_check(args);

    QStringList sent;
    for (const fake_request& upload : service.requests("UpLoadCheckArticle"))
        sent << QString::fromStdString(upload.value("article"));
    // The article carries each paragraph mark as a space.
    EXPECT_EQ(sent.join(QString()), words + " " + unbroken + " " + no_room + " ");
    const int words_pieces = 2;
    ASSERT_EQ(sent.size(), words_pieces + 4);
    EXPECT_TRUE(sent[0].endsWith(QLatin1String("from "))) << sent[0].toStdString();
    EXPECT_EQ(sent[words_pieces + 0], QString(95, QLatin1Char('a')) + " (");
    EXPECT_EQ(sent[words_pieces + 2],
              QString(70, QLatin1Char('d')) + " " + QString(29, QLatin1Char('e')));
    EXPECT_TRUE(bookmarks(local_get_document()).empty());
}

// What the service answers decides the reason the closing message gives
// for a piece it did not check: a failure inside a 200 answer is no clean
// piece, and an oversized or unreadable answer is named as what it is.
TEST_F(check_commands_test, a_piece_is_unchecked_for_the_reason_the_answer_gives) {
    struct case_t {
        const char* operation;
        std::vector<fake_answer> answers;
        const char* reason;
    };
    const std::string job = "job-1";
    const case_t cases[] = {
        {"GetCheckArticleProgress",
         {{200, fake_fault("soap12:Receiver", "任务已过期")}},
         "查询校对进度失败（任务已过期）"},
        {"GetCheckArticleProgress",
         {{200, fake_code_answer("GetCheckArticleProgress", 5, "任务被拒绝")}},
         "查询校对进度失败（任务被拒绝）"},
        {"GetCheckArticleResult",
         {{200, fake_code_answer("GetCheckArticleResult", 3, "授权已过期")}},
         "读取校对结果失败（授权已过期）"},
        {"GetCheckArticleResult", {{200, std::string(17 << 20, ' ')}}, "服务器应答过大"},
        {"GetCheckArticleProgress", {{200, "<html>busy</html>"}}, "服务器应答无法识别"},
        {"GetCheckArticlePIDByUser",
         {{200, fake_pid_answer(job)}, {200, "garbage"}},
         "服务器应答无法识别"},
    };
    for (const case_t& c : cases) {
        responder.clear();
        auto document = open(wps_sim::document_builder().paragraph(QString::fromUtf8("有错字。")));
        set_cursor(0);
        service.set_answers(c.operation, c.answers);
        responder.on(QString::fromUtf8("Velmo校对")).press(QString::fromUtf8("确定"));

        velmo_cb_check(args);

        EXPECT_EQ(boxes(), QStringList{QString::fromUtf8("Velmo校对|共标记了0处错误\n有1段文字"
                                                         "未能校对：%1|确定")
                                           .arg(QString::fromUtf8(c.reason))})
            << c.reason;
        EXPECT_TRUE(bookmarks(document).empty()) << c.reason;
        service.clear_answer(c.operation);
    }
}

// Settings typed by hand at or past their limits: a time-out libcurl would
// refuse is cut to the longest it takes, and a colour no highlight has gives
// the shipped one, reported once, not once per mark.
TEST_F(check_commands_test, settings_at_and_past_their_limits_still_check_and_colour) {
    struct case_t {
        const char* receive_timeout;
        const char* error_color;
        int highlight;
    };
    const case_t cases[] = {
        {"2147483", "16", 16}, {"2147484", "99", 7}, {"2147483647", "-1", 7}, {"-5", "0", 0}};
    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
            if (text.contains(QLatin1String("Color/"))) warnings << text;
        });
    for (const case_t& c : cases) {
        responder.clear();
        config()->set_string("OtherParams", "ReceiveTimeout", c.receive_timeout);
        config()->set_string("Color", "Error", c.error_color);
        auto document = open(wps_sim::document_builder().paragraph(
            QString::fromUtf8("错字，错字，错字，错字，错字，错字，错字，错字。")));
        set_cursor(0);
        responder.on(QString::fromUtf8("Velmo校对")).press(QString::fromUtf8("确定"));

        velmo_cb_check(args);

        EXPECT_EQ(boxes(), QStringList{QString::fromUtf8("Velmo校对|共标记了8处错误|确定")})
            << c.receive_timeout;
        EXPECT_EQ(highlight(document, 0, 2), c.highlight) << c.error_color;
        EXPECT_EQ(highlight(document, 21, 23), c.highlight) << c.error_color;
    }
    qInstallMessageHandler(previous);
    EXPECT_EQ(warnings.size(), 1) << warnings.join(QLatin1Char('\n')).toStdString();
}

TEST_F(check_commands_test, restricted_checks_send_their_options_and_restore_every_one) {
    struct option_t {
        const char* section;
        const char* key;
        const char* punctuation;
        const char* leader;
    };
    const option_t options[] = {
        {"CheckType", "CheckLeaderSort", "0", "1"}, {"CheckType", "CheckMatchDots", "1", "0"},
        {"CheckType", "CheckSentence", "0", "0"},   {"CheckExtendInfo", "ChkEng", "0", "0"},
        {"CheckExtendInfo", "FanTi", "0", "0"},     {"CheckExtendInfo", "Leader", "0", "0"},
        {"CheckExtendInfo", "TaiWan", "0", "0"},    {"CheckExtendInfo", "UserErr", "0", "0"},
    };
    const QByteArray ini_before = file_bytes(QString::fromStdString(settings->ini_path()));
    open(wps_sim::document_builder().paragraph(QString::fromUtf8("有错字。")));

    for (const bool punctuation : {true, false}) {
        service.clear_requests();
        responder.on(QString::fromUtf8("Velmo校对")).press(QString::fromUtf8("确定"));
        // RepeatSentence travels with no upload; it is changed and put back too.
        int repeat_during = -1;
        service.set_handler("UpLoadCheckArticle", [&](const fake_request&) {
            repeat_during = config()->get_int("CheckExtendInfo", "RepeatSentence");
            return fake_answer{200, fake_code_answer("UpLoadCheckArticle", 0, "成功")};
        });
        punctuation ? velmo_cb_punctuation_check(args) : velmo_cb_leader_check(args);

        const auto uploads = service.requests("UpLoadCheckArticle");
        ASSERT_FALSE(uploads.empty());
        for (const option_t& option : options)
            EXPECT_EQ(uploads.front().value(option.key),
                      punctuation ? option.punctuation : option.leader)
                << option.key;
        EXPECT_EQ(uploads.front().value("Weight"), "1");
        EXPECT_EQ(repeat_during, 0);
        EXPECT_EQ(boxes().size(), 1);

        EXPECT_EQ(config()->get_int("CheckType", "CheckLeaderSort"), 1);
        EXPECT_EQ(config()->get_int("CheckType", "CheckMatchDots"), 0);
        for (const option_t& option : options) {
            if (QByteArray(option.key) != "CheckMatchDots") {
                EXPECT_EQ(config()->get_int(option.section, option.key), 1) << option.key;
            }
        }
        EXPECT_EQ(config()->get_int("CheckExtendInfo", "RepeatSentence"), 1);
        EXPECT_EQ(file_bytes(QString::fromStdString(settings->ini_path())), ini_before);
        service.clear_answer("UpLoadCheckArticle");
        responder.clear();
    }
}

class batch_check_test : public check_commands_test {
  protected:
    // Three documents with 1, 2 and 0 errors.
    std::vector<kfc::ks_stdptr<wpsapi::_Document>> open_three() {
        return {open_saved("a.txt", QString::fromUtf8("一个错字。")),
                open_saved("b.txt", QString::fromUtf8("错字和疑点。")),
                open_saved("c.txt", QString::fromUtf8("没有问题。"))};
    }

    long open_document_count() {
        kfc::ks_stdptr<wpsapi::Documents> documents;
        long count = -1;
        if (SUCCEEDED(app->get_Documents(&documents))) documents->get_Count(&count);
        return count;
    }
};

TEST_F(batch_check_test, answer_no_checks_every_document_and_sums_the_errors) {
    auto documents = open_three();
    responder.on(QString::fromUtf8("Velmo校对")).press(QString::fromUtf8("否"));
    responder.on(QString::fromUtf8("Velmo校对")).press(QString::fromUtf8("确定"));

    EXPECT_EQ(velmo_cb_batch_check(args), 0);

    EXPECT_EQ(open_document_count(), 3);
    EXPECT_EQ(bookmarks(documents[0]).size(), 1u);
    EXPECT_EQ(bookmarks(documents[1]).size(), 2u);
    EXPECT_EQ(bookmarks(documents[2]).size(), 0u);
    EXPECT_EQ(boxes(),
              (QStringList{QString::fromUtf8("Velmo校对|文件校对后是否保存并关闭|是,否,取消"),
                           QString::fromUtf8("Velmo校对|共校对了3个文件, 3处错误|确定")}));
}

TEST_F(batch_check_test, answer_yes_checks_saves_and_closes_every_document) {
    open_three();
    responder.on(QString::fromUtf8("Velmo校对")).press(QString::fromUtf8("是"));

    EXPECT_EQ(velmo_cb_batch_check(args), 0);

    EXPECT_EQ(open_document_count(), 0);
    EXPECT_EQ(service.requests("UpLoadCheckArticle").size(), 3u);
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        EXPECT_TRUE(
            QString::fromUtf8(file_bytes(dir.filePath(name))).startsWith(QString::fromUtf8("新")));
    EXPECT_EQ(boxes().size(), 1);
}

TEST_F(batch_check_test, answer_cancel_checks_nothing) {
    auto documents = open_three();
    add_bookmark(documents[0], name_of(1, "错字", "错子", 3), 3, 5);
    responder.on(QString::fromUtf8("Velmo校对")).press(QString::fromUtf8("取消"));

    EXPECT_EQ(velmo_cb_batch_check(args), 0);

    // The login gate is still asked, after the question.
    EXPECT_EQ(service.requests("GetCheckArticlePIDByUser").size(), 1u);
    EXPECT_TRUE(service.requests("UpLoadCheckArticle").empty());
    EXPECT_EQ(bookmarks(documents[0]).size(), 1u);
    EXPECT_EQ(open_document_count(), 3);
    EXPECT_EQ(boxes().size(), 1);
}

TEST_F(batch_check_test, a_run_stopped_by_the_user_ends_the_batch) {
    auto documents = open_three();
    // Jobs that never finish, so that only the stop button ends the run.
    service.set_answer("GetCheckArticleProgress", {200, fake_progress_answer(10)});
    responder.on(QString::fromUtf8("Velmo校对")).press(QString::fromUtf8("是"));
    responder.on(QString::fromUtf8("校对进度（一般 自动）")).press(QString::fromUtf8("停止"));

    EXPECT_EQ(velmo_cb_batch_check(args), 0);

    // The stopped document stays open and the others are not visited.
    EXPECT_EQ(open_document_count(), 3);
    EXPECT_LE(service.requests("UpLoadCheckArticle").size(), 1u);
    EXPECT_TRUE(bookmarks(documents[1]).empty());
    EXPECT_EQ(responder.pending_steps(), 0);
    EXPECT_EQ(boxes().size(), 1);
}

TEST_F(check_commands_test, clear_all_deletes_every_mark_only_when_confirmed) {
    auto document =
        open(wps_sim::document_builder().paragraph(QString::fromUtf8("有错字和疑点。")));
    s_check_progress.results = {record(1, 1, QString::fromUtf8("错字"), QString::fromUtf8("对")),
                                record(4, 2, QString::fromUtf8("疑点"), QString::fromUtf8("对"))};
    s_check_progress.end = 7;
    s_check_progress.document = document;
    local_print_check_result(true);
    add_bookmark(document, QString::fromUtf8("vmjd_find_0_1"), 0, 1);

    responder.on(QString::fromUtf8("Velmo提示")).press(QString::fromUtf8("取消"));
    EXPECT_EQ(velmo_cb_clear_all(args), 0);
    EXPECT_EQ(bookmarks(document).size(), 3u);

    responder.on(QString::fromUtf8("Velmo提示")).press(QString::fromUtf8("确认"));
    EXPECT_EQ(velmo_cb_clear_all(args), 0);
    EXPECT_TRUE(bookmarks(document).empty());
    EXPECT_EQ(highlight(document, 1, 6), 0);
    // The collection is left as it was.
    EXPECT_EQ(s_check_progress.results.size(), 2);
    EXPECT_EQ(boxes(), (QStringList{QString::fromUtf8("Velmo提示|是否清除全部标记|确认,取消"),
                                    QString::fromUtf8("Velmo提示|是否清除全部标记|确认,取消")}));
}

TEST_F(check_commands_test, errata_command_needs_a_check_of_the_active_document) {
    // A check without errors binds the collection to its document; another
    // document without marks leaves it bound there.
    auto checked = open_saved("e.txt", QString::fromUtf8("没有问题。"));
    responder.on(QString::fromUtf8("Velmo校对")).press(QString::fromUtf8("确定"));
    velmo_cb_check(args);

    open(wps_sim::document_builder().paragraph(QString::fromUtf8("另一篇。")));
    responder.on(QString::fromUtf8("系统提示")).press("确定");
    EXPECT_EQ(velmo_cb_export(args), 0);
    EXPECT_TRUE(boxes().contains(QString::fromUtf8("系统提示|请重新校对后，再点勘误表|确定")));
    EXPECT_FALSE(QFile::exists(dir.filePath("_e.txt.txt")));

    checked->Activate();
    responder.on(QString::fromUtf8("选择页码")).press(QString::fromUtf8("确定"));
    EXPECT_EQ(velmo_cb_export(args), 0);
    EXPECT_TRUE(QString::fromUtf8(file_bytes(dir.filePath("_e.txt.txt")))
                    .contains(QString::fromUtf8("错误数: 严重错误0个; 错误0个; 疑错0个")));
    EXPECT_EQ(responder.pending_steps(), 0);
}

TEST_F(check_commands_test, without_a_document_the_collection_empties_and_no_table_is_offered) {
    // Records left from a document that is no longer open.
    s_check_progress.results = {record(1, 1, QString::fromUtf8("错字"), QString::fromUtf8("对"))};
    s_check_progress.document = nullptr;
    responder.on(QString::fromUtf8("系统提示")).press("确定");

    EXPECT_EQ(velmo_cb_export(args), 0);

    EXPECT_TRUE(s_check_progress.results.isEmpty());
    EXPECT_EQ(s_check_progress.document, nullptr);
    EXPECT_EQ(boxes(), QStringList{QString::fromUtf8("系统提示|请重新校对后，再点勘误表|确定")});
}

// Positions the service gets wrong mark nothing: an error one place too far
// on and one far outside its piece are both told as unplaced.
TEST_F(check_commands_test, errors_not_at_their_text_are_reported_never_marked) {
    fake_service* fake = &service;
    service.set_handler("GetCheckArticleResult", [fake](const fake_request& request) {
        std::vector<fake_error> errors = errors_in(fake->uploaded_article(request.value("pid")));
        for (fake_error& error : errors) ++error.pos;
        if (!errors.empty()) errors.push_back({100000, 1, "错字", {"错子"}});
        return fake_answer{200, fake_result_answer(errors), {}};
    });
    auto document =
        open(wps_sim::document_builder().paragraph(QString::fromUtf8("这里有错字，还有疑点。")));
    set_cursor(0);
    responder.on(QString::fromUtf8("Velmo校对")).press(QString::fromUtf8("确定"));
    velmo_cb_check(args);
    EXPECT_TRUE(bookmarks(document).empty());
    EXPECT_EQ(boxes(),
              QStringList{QString::fromUtf8("Velmo校对|共标记了0处错误\n有3处错误无法定位|确定")});
    velmo_check_outcome_t outcome;
    ASSERT_TRUE(last_outcome(outcome));
    EXPECT_EQ(outcome.marks, 0);
    EXPECT_EQ(outcome.unplaced_errors, 3);
}

// The author's cyan under an error survives the check, the next check
// (which clears the old marks first) and "清除全部标记".
TEST_F(check_commands_test, the_authors_highlight_survives_checks_and_a_clear) {
    wps_sim::document_builder builder;
    builder.paragraph(QString::fromUtf8("张三写了错字。")).highlight(0, 6, wpsapi::wdTurquoise);
    auto document = open(builder);
    for (int round = 0; round < 2; ++round) {
        set_cursor(0);
        responder.on(QString::fromUtf8("Velmo校对")).press(QString::fromUtf8("确定"));
        velmo_cb_check(args);
        EXPECT_EQ(highlight(document, 4, 6), 6) << round;
        EXPECT_EQ(highlight(document, 0, 4), wpsapi::wdTurquoise) << round;
    }
    responder.on(QString::fromUtf8("Velmo提示")).press(QString::fromUtf8("确认"));
    velmo_cb_clear_all(args);
    EXPECT_TRUE(bookmarks(document).empty());
    EXPECT_EQ(highlight(document, 0, 6), wpsapi::wdTurquoise);
    EXPECT_EQ(highlight(document, 6, 7), 0);
}

// An empty 200 answer to the upload fails its piece at once, and a job
// whose progress stands still ends as unchecked within the receive
// time-out, with the last progress the service gave; neither polls on.
TEST_F(check_commands_test, a_piece_the_service_never_finishes_ends_unchecked) {
    config()->set_int("OtherParams", "ReceiveTimeout", 1);
    struct case_t {
        const char* operation;
        fake_answer answer;
        const char* message;
    };
    const case_t cases[] = {
        {"UpLoadCheckArticle",
         {200, "", {}},
         "Velmo校对|共标记了0处错误\n有1段文字未能校对：服务器应答无法识别|确定"},
        {"GetCheckArticleProgress",
         {200, fake_progress_answer(40), {}},
         "Velmo校对|共标记了0处错误\n有1段文字未能校对：校对进度长时间停在40%|确定"},
    };
    for (const case_t& c : cases) {
        responder.clear();
        service.set_answer(c.operation, c.answer);
        open(wps_sim::document_builder().paragraph(QString::fromUtf8("有错字。")));
        set_cursor(0);
        responder.on(QString::fromUtf8("Velmo校对")).press(QString::fromUtf8("确定"));
        const auto started = std::chrono::steady_clock::now();
        velmo_cb_check(args);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
        EXPECT_EQ(boxes(), QStringList{QString::fromUtf8(c.message)});
        EXPECT_LE(service.requests("GetCheckArticleProgress").size(), 30u);
        service.clear_answer(c.operation);
    }
}

}  // namespace
