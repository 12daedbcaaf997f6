// The results list "校对结果" over the simulated host and the fake service:
// what each row shows, what a click, "更改", "忽略", "全部忽略" and
// "加入用户词库" do to the document, that ignored errors stay ignored across
// checks, and that the list follows the marks and the active document.
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>

#include "config/velmo_config.h"
#include "document/velmo_check_progress.h"
#include "fake_service.h"
#include "features/check/velmo_check_commands.h"
#include "features/correction/velmo_correction_commands.h"
#include "features/results/velmo_results_commands.h"
#include "features/results/velmo_ui_results.h"
#include "modal_responder.h"
#include "plugin_commands_fixture.h"

namespace {

// The service here finds these words wherever they occur.
std::vector<fake_error> errors_in(const std::string& article) {
    return fake_errors_wherever(
        article, {{0, 1, "错字", {"正字"}, "错字应作正字"}, {0, 2, "疑点", {"疑问"}}});
}

class results_list_test : public commands_test {
  protected:
    void SetUp() override {
        commands_test::SetUp();
        velmo_singleton_config::instance()->set_string("OtherParams", "ServiceUrl",
                                                       service.url().c_str());
        for (int i = 1; i <= 20; ++i) {
            fake_job job;
            job.pid = "job-" + std::to_string(i);
            job.errors_for_article = errors_in;
            service.add_job(job);
        }
        service.set_answer("AddWords", {200, fake_code_answer("AddWords", 0, "成功")});
        responder.on(QString::fromUtf8("Velmo校对")).press(QString::fromUtf8("确定"));
    }
    void TearDown() override {
        velmo_results_close();
        commands_test::TearDown();
    }

    kfc::ks_stdptr<wpsapi::_Document> open_saved(const QString& name, const QString& text) {
        return open(wps_sim::document_builder().name(name).path(dir.path()).paragraph(text));
    }

    void check() {
        set_cursor(0);
        velmo_cb_check(args);
    }

    velmo_ui_results* list() {
        velmo_cb_results(args);
        return velmo_results_window();
    }

    // The marks of the document as "start:text".
    QStringList marks(wpsapi::_Document* document) const {
        QStringList seen;
        const QString text = wps_sim::document_text(document);
        for (const bookmark_seen_t& mark : bookmarks(document))
            if (mark.name.startsWith(QLatin1String("vmjd_error")))
                seen << QString::number(mark.start) + ":" +
                            text.mid(mark.start, mark.end - mark.start);
        return seen;
    }

    static QString cell(velmo_ui_results* window, int row, int column) {
        const velmo_results_model& model = window->rows();
        return model.data(model.index(row, column), Qt::DisplayRole).toString();
    }

    QList<QVariant> args;
    fake_service service;
    modal_responder responder;
    QTemporaryDir dir;
};

const char* const SAMPLE = "甲有错字。乙有疑点，丙也有错字。丁的错字。";

TEST_F(results_list_test, rows_show_kind_context_suggestion_reason_and_place_and_filter_by_kind) {
    open_saved("稿.txt", QString::fromUtf8(SAMPLE));
    check();
    velmo_ui_results* window = list();
    ASSERT_TRUE(window);
    ASSERT_EQ(window->rows().rowCount(), 4);
    EXPECT_EQ(cell(window, 0, velmo_results_model::kind_column), QString::fromUtf8("错误"));
    EXPECT_EQ(cell(window, 0, velmo_results_model::text_column),
              QString::fromUtf8("甲有【错字】。乙有疑点，丙也"));
    EXPECT_EQ(cell(window, 0, velmo_results_model::suggestion_column), QString::fromUtf8("正字"));
    // The service's reason when it sent one, the kind's name otherwise.
    EXPECT_EQ(cell(window, 0, velmo_results_model::reason_column),
              QString::fromUtf8("错字应作正字"));
    EXPECT_EQ(cell(window, 1, velmo_results_model::reason_column), QString::fromUtf8("疑错"));
    EXPECT_EQ(cell(window, 1, velmo_results_model::place_column), QString::fromUtf8("第1页第1行"));
    const QVariant swatch = window->rows().data(window->rows().index(1, 0), Qt::DecorationRole);
    EXPECT_TRUE(swatch.canConvert<QColor>());

    window->on_kind_changed(2);  // "疑错"
    ASSERT_EQ(window->rows().rowCount(), 1);
    EXPECT_EQ(cell(window, 0, velmo_results_model::text_column).contains("【疑点】"), true);
    window->on_kind_changed(0);
    EXPECT_EQ(window->rows().rowCount(), 4);
}

TEST_F(results_list_test, a_check_opens_the_list_only_when_the_settings_ask) {
    open_saved("稿.txt", QString::fromUtf8(SAMPLE));
    check();
    EXPECT_FALSE(velmo_results_window());
    velmo_singleton_config::instance()->set_string("Way", "ResultList", "1");
    check();
    ASSERT_TRUE(velmo_results_window());
    EXPECT_TRUE(velmo_results_window()->isVisible());
    EXPECT_EQ(velmo_results_window()->rows().rowCount(), 4);
}

TEST_F(results_list_test, a_click_selects_the_mark_and_ignore_removes_exactly_that_one_for_good) {
    auto document = open_saved("稿.txt", QString::fromUtf8(SAMPLE));
    check();
    velmo_ui_results* window = list();
    window->set_current_row(2);
    EXPECT_EQ(selection_start(), 13);
    EXPECT_EQ(selection_end(), 15);

    window->on_ignore();
    EXPECT_EQ(marks(document), QStringList({"2:错字", "7:疑点", "18:错字"}));
    EXPECT_EQ(highlight(document, 13, 15), 0);
    EXPECT_EQ(window->rows().rowCount(), 3);

    // The next check leaves that occurrence alone, and only that one; the
    // list made its file in the user's settings folder.
    check();
    EXPECT_EQ(marks(document), QStringList({"2:错字", "7:疑点", "18:错字"}));
    EXPECT_EQ(window->rows().rowCount(), 3);

    // Forgotten, it is marked again.
    window->on_forget_ignored();
    check();
    EXPECT_EQ(marks(document).size(), 4);
}

TEST_F(results_list_test, ignore_all_removes_every_mark_of_the_text_and_kind_across_checks) {
    auto document = open_saved("稿.txt", QString::fromUtf8(SAMPLE));
    check();
    velmo_ui_results* window = list();
    window->set_current_row(0);
    window->on_ignore_all();
    EXPECT_EQ(marks(document), QStringList({"7:疑点"}));
    check();
    EXPECT_EQ(marks(document), QStringList({"7:疑点"}));
    // Another document keeps its own list.
    auto other = open_saved("另.txt", QString::fromUtf8(SAMPLE));
    check();
    EXPECT_EQ(marks(other).size(), 4);
}

TEST_F(results_list_test, a_document_never_saved_keeps_its_ignored_errors_for_the_session) {
    auto document =
        open(wps_sim::document_builder().name("新文档").paragraph(QString::fromUtf8(SAMPLE)));
    check();
    velmo_ui_results* window = list();
    window->set_current_row(1);
    window->on_ignore_all();
    check();
    EXPECT_EQ(marks(document), QStringList({"2:错字", "13:错字", "18:错字"}));
}

TEST_F(results_list_test, keys_apply_and_ignore_and_applying_changes_the_text_like_suggest) {
    auto document = open_saved("稿.txt", QString::fromUtf8(SAMPLE));
    check();
    velmo_ui_results* window = list();
    auto* view = window->findChild<QTableView*>();
    ASSERT_TRUE(view);
    window->show();
    view->setFocus();
    window->set_current_row(0);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QKeyEvent enter_release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(view, &enter);
    QApplication::sendEvent(view, &enter_release);

    // As "更改(A)" of "建议": the text replaced, coloured, and the mark now
    // spans the written suggestion.
    EXPECT_EQ(wps_sim::document_text(document).left(5), QString::fromUtf8("甲有正字。"));
    EXPECT_EQ(highlight(document, 2, 4), 4);
    EXPECT_EQ(marks(document).size(), 4);
    EXPECT_TRUE(bookmarks(document)[0].name.startsWith(QString::fromUtf8("vmjd_error_1_1_")));

    window->set_current_row(1);
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(view, &del);
    EXPECT_EQ(marks(document), QStringList({"2:正字", "13:错字", "18:错字"}));
}

TEST_F(results_list_test, add_word_sends_the_text_and_removes_its_marks) {
    auto document = open_saved("稿.txt", QString::fromUtf8(SAMPLE));
    check();
    velmo_ui_results* window = list();
    window->set_current_row(3);
    window->on_add_word();
    ASSERT_EQ(service.requests("AddWords").size(), 1u);
    EXPECT_EQ(service.requests("AddWords")[0].value("words"), "错字");
    EXPECT_EQ(marks(document), QStringList({"7:疑点"}));
}

TEST_F(results_list_test, the_list_follows_clearing_and_the_active_document) {
    auto first = open_saved("稿.txt", QString::fromUtf8(SAMPLE));
    check();
    velmo_ui_results* window = list();
    EXPECT_EQ(window->rows().rowCount(), 4);
    // The list looks on its own while it is shown.
    const auto rows_after_a_while = [&](int expected) {
        QElapsedTimer waited;
        waited.start();
        while (window->rows().rowCount() != expected && waited.elapsed() < 3000)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        return window->rows().rowCount();
    };
    open_saved("另.txt", QString::fromUtf8("另有错字。"));
    EXPECT_EQ(rows_after_a_while(0), 0);
    check();
    EXPECT_EQ(window->rows().rowCount(), 1);
    responder.on(QString::fromUtf8("Velmo提示")).press(QString::fromUtf8("确认"));
    velmo_cb_clear_all(args);
    EXPECT_EQ(rows_after_a_while(0), 0);
    EXPECT_EQ(first->Activate(), S_OK);
    EXPECT_EQ(rows_after_a_while(4), 4);
}

}  // namespace
