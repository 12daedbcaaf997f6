// The statistics dialog and its command: counts by kind of mark, characters,
// English words and their difference, the ratio (also for an empty document),
// the swatches, and the command's refusal without a current check.
#include <QLineEdit>
#include <QProgressBar>

#include "config/velmo_config.h"
#include "document/velmo_check_progress.h"
#include "features/common/velmo_ui_color_button.h"
#include "features/statistics/velmo_statistics_commands.h"
#include "features/statistics/velmo_ui_stat.h"
#include "modal_responder.h"
#include "plugin_commands_fixture.h"

namespace {

struct stat_view {
    QStringList counts;  // error, suspect, corrected
    QString total, chinese, characters, english, ratio, current_file;
    int bar = -1;
};

stat_view view_of(QWidget* dialog) {
    auto text = [dialog](const char* name) {
        auto* box = dialog->findChild<QLineEdit*>(QLatin1String(name));
        return box ? box->text() : QStringLiteral("<missing>");
    };
    stat_view view;
    view.counts = QStringList{text("Error_count"), text("Fallibility_count"), text("Update_count")};
    view.total = text("mark_total");
    view.chinese = text("chinese_count");
    view.characters = text("character_total");
    view.english = text("english_count");
    view.ratio = text("error_ratio");
    view.current_file = text("current_file");
    view.bar = dialog->findChild<QProgressBar*>()->value();
    return view;
}

class stat_test : public commands_test {
  protected:
    stat_view show(wpsapi::_Document* document, const QList<velmo_check_result_t>& records) {
        check_progress_t progress;
        progress.document = document;
        progress.results = records;
        velmo_ui_stat dialog;
        dialog.set_check_progress(&progress);
        return view_of(&dialog);
    }
};

TEST(stat_figures, marks_counted_once_corrected_first_then_by_level) {
    auto mark = [](int level, int span) {
        velmo_check_result_t r;
        r.level = level;
        r.span_by_correction = span;
        return r;
    };
    const velmo_mark_counts_t counts =
        velmo_count_marks({mark(1, 0), mark(1, 0), mark(2, 0), mark(2, 1), mark(3, 0), mark(1, 1)});
    EXPECT_EQ(counts.errors, 3);  // any level other than 2 is an error
    EXPECT_EQ(counts.suspects, 1);
    EXPECT_EQ(counts.corrected, 2);
    EXPECT_EQ(counts.total(), 6);
    EXPECT_EQ(velmo_count_marks({}).total(), 0);
}

TEST(stat_figures, english_words_are_runs_of_ascii_letters) {
    EXPECT_EQ(velmo_count_english_words(QString::fromUtf8("abc abc 中文")), 2);
    EXPECT_EQ(velmo_count_english_words("Hello, world! x-ray 3D"), 5);
    EXPECT_EQ(velmo_count_english_words(QString::fromUtf8("café naïve")), 3);
    EXPECT_EQ(velmo_count_english_words(QString::fromUtf8("中文１２３")), 0);
}

TEST(stat_figures, ratio_has_three_decimals_and_no_division_by_zero) {
    EXPECT_EQ(velmo_error_ratio_text(3, 1000), QString("0.003"));
    EXPECT_EQ(velmo_error_ratio_text(4, 10), QString("0.400"));
    EXPECT_EQ(velmo_error_ratio_text(1, 3), QString("0.333"));
    EXPECT_EQ(velmo_error_ratio_text(0, 0), QString("0.000"));
    EXPECT_EQ(velmo_error_ratio_text(2, 0), QString("0.000"));
}

TEST_F(stat_test, dialog_shows_counts_characters_words_and_ratio) {
    auto document = open(wps_sim::document_builder().name("a.doc").path("/docs").paragraph(
        QString::fromUtf8("abc abc 中文")));
    const stat_view view = show(document, {record(0, 1, "abc", "x"), record(4, 1, "abc", "x"),
                                           record(8, 2, QString::fromUtf8("中"), "y"),
                                           record(9, 2, QString::fromUtf8("文"), "z", 1)});
    EXPECT_EQ(view.counts, (QStringList{"2", "1", "1"}));
    EXPECT_EQ(view.total, "4");
    // Ten characters with spaces; one is taken off per English word, not per letter.
    EXPECT_EQ(view.characters, "10");
    EXPECT_EQ(view.english, "2");
    EXPECT_EQ(view.chinese, "8");
    EXPECT_EQ(view.ratio, "0.400");
    EXPECT_EQ(view.bar, 100);
    EXPECT_EQ(view.current_file, "/docs/a.doc");
}

TEST_F(stat_test, ratio_of_three_marks_over_a_thousand_characters) {
    auto document = open(wps_sim::document_builder().paragraph(QString(1000, QChar(0x5B57))));
    const QString word = QString(QChar(0x5B57));
    const stat_view view =
        show(document, {record(0, 1, word, ""), record(5, 2, word, ""), record(9, 1, word, "")});
    EXPECT_EQ(view.characters, "1000");
    EXPECT_EQ(view.ratio, "0.003");
}

TEST_F(stat_test, empty_document_shows_a_zero_ratio_not_a_division_by_zero) {
    auto document = open(wps_sim::document_builder().paragraph(""));
    const stat_view view = show(document, {});
    EXPECT_EQ(view.counts, (QStringList{"0", "0", "0"}));
    EXPECT_EQ(view.characters, "0");
    EXPECT_EQ(view.chinese, "0");
    EXPECT_EQ(view.ratio, "0.000");
    EXPECT_EQ(view.bar, 100);
}

TEST_F(stat_test, nothing_is_computed_without_a_document_in_the_progress) {
    open(wps_sim::document_builder().paragraph("text"));
    const stat_view view = show(nullptr, {record(0, 1, "t", "")});
    EXPECT_EQ(view.counts, (QStringList{"", "", ""}));
    EXPECT_EQ(view.total, "");
    EXPECT_EQ(view.ratio, "");
    EXPECT_EQ(view.bar, 0);

    velmo_ui_stat dialog;
    dialog.set_check_progress(nullptr);
    EXPECT_EQ(view_of(&dialog).characters, "");
}

TEST_F(stat_test, swatches_keep_the_colours_configured_when_the_dialog_opened) {
    open(wps_sim::document_builder().paragraph("text"));
    velmo_ui_stat dialog;
    velmo_singleton_config::instance()->set_int("Color", "Error", 2);
    auto color_of = [&dialog](const char* key) {
        return dialog.findChild<velmo_ui_color_button*>(QLatin1String(key))->get_wps_color();
    };
    EXPECT_EQ(color_of("Error"), 6);
    EXPECT_EQ(color_of("Fallibility"), 7);
    EXPECT_EQ(color_of("Update"), 4);
    // The dialog is left only by its own button.
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
}

TEST_F(stat_test, command_shows_the_marks_of_the_active_document) {
    auto document = open(wps_sim::document_builder().paragraph(QString::fromUtf8("错字和对字")));
    add_bookmark(document, QString::fromUtf8("vmjd_error_1_0_错_对_0"), 0, 1);
    add_bookmark(document, QString::fromUtf8("vmjd_error_2_0_对_错_3"), 3, 4);
    add_bookmark(document, "vmjd_find_1_2", 1, 2);
    modal_responder responder;
    stat_view seen;
    responder.on(QString::fromUtf8("字数/错误统计")).act([&seen](QWidget* dialog) {
        seen = view_of(dialog);
        static_cast<velmo_ui_stat*>(dialog)->on_ok();
    });
    QList<QVariant> args;
    EXPECT_EQ(velmo_cb_stat(args), 0);
    EXPECT_EQ(responder.pending_steps(), 0);
    EXPECT_EQ(seen.counts, (QStringList{"1", "1", "0"}));
    EXPECT_EQ(seen.characters, "5");
    EXPECT_EQ(seen.ratio, "0.400");
    // The dialog only reads: the marks are still there.
    EXPECT_EQ(bookmarks(document).size(), 3u);
}

TEST_F(stat_test, command_asks_for_a_new_check_when_the_collection_is_not_of_this_document) {
    modal_responder responder;
    QList<QVariant> args;
    // No document at all.
    EXPECT_EQ(velmo_cb_stat(args), 0);
    // A document without marks, and a collection of another document.
    auto first = open(wps_sim::document_builder().paragraph("one"));
    EXPECT_EQ(velmo_cb_stat(args), 0);
    auto second = open(wps_sim::document_builder().paragraph("two"));
    s_check_progress.document = first;
    EXPECT_EQ(velmo_cb_stat(args), 0);

    ASSERT_EQ(responder.seen().size(), 3);
    for (const modal_responder::seen_modal& modal : responder.seen()) {
        EXPECT_EQ(modal.title, QString::fromUtf8("系统提示"));
        EXPECT_EQ(modal.text, QString::fromUtf8("请重新校对后，再点错误统计"));
    }
}

}  // namespace
