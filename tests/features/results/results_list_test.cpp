// The results list "校对结果" over the simulated host and the fake service,
// beside the walk through the sample (results_sample_test): what a row
// shows, the kind filter, the keys, "加入用户词库", what is remembered where,
// and that the list follows the marks and the active document.
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTableView>
#include <QTemporaryDir>

#include "config/velmo_config.h"
#include "fake_service.h"
#include "features/check/velmo_check_commands.h"
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
    window->on_kind_changed(2);  // "疑错"
    ASSERT_EQ(window->rows().rowCount(), 1);
    EXPECT_TRUE(cell(window, 0, velmo_results_model::text_column).contains("【疑点】"));
}

// Enter writes the first suggestion, Delete ignores; "加入用户词库" sends the
// text and takes every mark of it.
TEST_F(results_list_test, keys_apply_and_ignore_and_add_word_takes_every_mark_of_the_text) {
    auto document = open_saved("稿.txt", QString::fromUtf8(SAMPLE));
    check();
    velmo_ui_results* window = list();
    auto* view = window->findChild<QTableView*>();
    window->set_current_row(0);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(view, &enter);
    EXPECT_EQ(wps_sim::document_text(document).left(5), QString::fromUtf8("甲有正字。"));
    EXPECT_EQ(highlight(document, 2, 4), 4);  // the correction colour, as "更改(A)" gives
    window->set_current_row(1);
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(view, &del);
    EXPECT_EQ(marks(document), QStringList({"2:正字", "13:错字", "18:错字"}));

    window->set_current_row(2);
    window->on_add_word();
    ASSERT_EQ(service.requests("AddWords").size(), 1u);
    EXPECT_EQ(service.requests("AddWords")[0].value("words"), "错字");
    EXPECT_EQ(marks(document), QStringList({"2:正字"}));
}

// Ignored errors are kept per document: in the user's settings folder for a
// saved one, for the session for one never saved; "恢复已忽略" forgets them.
TEST_F(results_list_test, ignored_errors_stay_with_their_document_until_forgotten) {
    auto unsaved =
        open(wps_sim::document_builder().name("新文档").paragraph(QString::fromUtf8(SAMPLE)));
    check();
    velmo_ui_results* window = list();
    window->set_current_row(1);
    window->on_ignore_all();
    check();
    EXPECT_EQ(marks(unsaved), QStringList({"2:错字", "13:错字", "18:错字"}));

    auto saved = open_saved("稿.txt", QString::fromUtf8(SAMPLE));
    check();
    EXPECT_EQ(marks(saved).size(), 4);
    window->set_current_row(0);
    window->on_ignore();
    check();
    EXPECT_EQ(marks(saved), QStringList({"7:疑点", "13:错字", "18:错字"}));
    window->on_forget_ignored();
    check();
    EXPECT_EQ(marks(saved).size(), 4);
}

TEST_F(results_list_test, the_list_follows_checks_clearing_and_the_active_document) {
    auto first = open_saved("稿.txt", QString::fromUtf8(SAMPLE));
    check();
    EXPECT_FALSE(velmo_results_window());  // opened after a check only on request
    velmo_singleton_config::instance()->set_string("Way", "ResultList", "1");
    check();
    velmo_ui_results* window = velmo_results_window();
    ASSERT_TRUE(window && window->isVisible());
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
