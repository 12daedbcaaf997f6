// What the correction dialog shows: the mark under the cursor or the current
// one, its alternatives, hints, walking the marks, an empty collection and a
// collection left over from another document.
#include <QLabel>
#include <QWidget>

#include "correction_fixture.h"
#include "document/velmo_check_progress.h"

namespace {

const QString TEXT = QString::fromUtf8("甲乙丙丁戊己庚辛壬癸子丑寅卯辰巳午未申酉");

class correction_view_test : public correction_test {
  protected:
    // 丙丁 at 2, 庚辛 at 6 (suspect, three alternatives), 寅卯 at 12.
    kfc::ks_stdptr<wpsapi::_Document> open_three_marks() {
        return open_marked(
            TEXT, {record(2, 1, QString::fromUtf8("丙丁"), QString::fromUtf8("丙")),
                   record(6, 2, QString::fromUtf8("庚辛"), QString::fromUtf8("庚#-#辛#-#壬")),
                   record(12, 1, QString::fromUtf8("寅卯"), QString::fromUtf8("寅"))});
    }

    void expect_selected(long start, long end) {
        EXPECT_EQ(selection_start(), start);
        EXPECT_EQ(selection_end(), end);
    }
};

TEST_F(correction_view_test, opens_on_the_mark_under_the_cursor_with_both_ends_included) {
    open_three_marks();
    for (long cursor = 12; cursor <= 14; ++cursor) {
        SCOPED_TRACE(cursor);
        s_check_progress.current = 0;
        set_cursor(cursor);
        EXPECT_EQ(suggest_and_look().error, QString::fromUtf8("寅卯"));
        EXPECT_EQ(s_check_progress.current, 2);
    }
    // Outside every mark the progress's current mark is shown.
    for (long cursor : {11L, 15L}) {
        SCOPED_TRACE(cursor);
        s_check_progress.current = 1;
        set_cursor(cursor);
        EXPECT_EQ(suggest_and_look().error, QString::fromUtf8("庚辛"));
    }
}

// The text shows which mark the dialog talks about, and the dialog says why
// it is one: the service's message, or the kind when the record has none.
TEST_F(correction_view_test, opening_selects_the_shown_mark_and_tells_why_it_is_an_error) {
    open_three_marks();
    s_check_progress.results[1].message = QString::fromUtf8("庚辛应作庚");
    const auto reason = [](QWidget* dialog) {
        QStringList texts;
        for (QLabel* label : dialog->findChildren<QLabel*>())
            if (!label->text().isEmpty()) texts << label->text();
        return texts;
    };
    QStringList seen;
    set_cursor(7);
    suggest([&](QWidget* dialog) {
        expect_selected(6, 8);
        seen << reason(dialog);
        press(dialog, QString::fromUtf8("下一处(N)"));
        expect_selected(12, 14);
        seen << reason(dialog);
    });
    EXPECT_EQ(seen, (QStringList{QString::fromUtf8("庚辛应作庚"), QString::fromUtf8("错误")}));
}

TEST_F(correction_view_test, alternatives_fill_the_list_and_the_chosen_row_fills_the_box) {
    open_three_marks();
    set_cursor(7);
    correct_view_t opened;
    correct_view_t chosen;
    EXPECT_TRUE(suggest([&](QWidget* dialog) {
        opened = view_of(dialog);
        choose_row(dialog, 2);
        chosen = view_of(dialog);
    }));
    EXPECT_EQ(opened.error, QString::fromUtf8("庚辛"));
    EXPECT_EQ(opened.rows, (QStringList{QString::fromUtf8("庚"), QString::fromUtf8("辛"),
                                        QString::fromUtf8("壬")}));
    EXPECT_EQ(opened.suggestion, QString::fromUtf8("庚"));
    EXPECT_TRUE(opened.change_enabled);
    EXPECT_TRUE(opened.change_all_enabled);
    EXPECT_EQ(chosen.suggestion, QString::fromUtf8("壬"));
    // Closing without a change leaves the text and the colours as they were.
    EXPECT_EQ(wps_sim::document_text(s_check_progress.document).left(TEXT.length()), TEXT);
    EXPECT_EQ(highlight(s_check_progress.document, 6, 8), 7);
}

TEST_F(correction_view_test, a_hint_disables_both_changes_and_the_next_mark_enables_them_again) {
    // The brackets are stripped when the mark is placed, which makes the text a hint.
    auto document =
        open_marked(TEXT, {record(2, 1, QString::fromUtf8("丙丁"), QString::fromUtf8("[丙]")),
                           record(6, 1, QString::fromUtf8("庚辛"), QString::fromUtf8("庚"))});
    set_cursor(3);
    correct_view_t hint;
    correct_view_t after_next;
    EXPECT_TRUE(suggest([&](QWidget* dialog) {
        hint = view_of(dialog);
        press(dialog, QString::fromUtf8("更改(A)"));
        press(dialog, QString::fromUtf8("全部更改(D)"));
        press(dialog, QString::fromUtf8("下一处(N)"));
        after_next = view_of(dialog);
    }));
    EXPECT_EQ(hint.rows, QStringList{QString::fromUtf8("Velmo提示丙")});
    EXPECT_FALSE(hint.change_enabled);
    EXPECT_FALSE(hint.change_all_enabled);
    EXPECT_EQ(after_next.error, QString::fromUtf8("庚辛"));
    EXPECT_TRUE(after_next.change_enabled);
    EXPECT_TRUE(after_next.change_all_enabled);
    EXPECT_EQ(text_of(document, 0, TEXT.length()), TEXT);
}

TEST_F(correction_view_test, next_walks_forward_without_wrapping_and_previous_wraps_to_the_last) {
    open_three_marks();
    set_cursor(0);
    EXPECT_TRUE(suggest([&](QWidget* dialog) {
        const QString next = QString::fromUtf8("下一处(N)");
        const QString previous = QString::fromUtf8("上一处(P)");
        // The mark shown on opening is selected, so the walk goes on from it.
        expect_selected(2, 4);
        EXPECT_EQ(view_of(dialog).error, QString::fromUtf8("丙丁"));
        press(dialog, next);
        expect_selected(6, 8);
        EXPECT_EQ(view_of(dialog).rows.size(), 3);
        press(dialog, next);
        expect_selected(12, 14);
        press(dialog, next);
        expect_selected(12, 14);
        press(dialog, previous);
        expect_selected(6, 8);
        press(dialog, previous);
        expect_selected(2, 4);
        press(dialog, previous);
        expect_selected(12, 14);
        EXPECT_EQ(view_of(dialog).error, QString::fromUtf8("寅卯"));
    }));
    EXPECT_EQ(s_check_progress.current, 2);
}

TEST_F(correction_view_test, an_empty_collection_shows_nothing_and_only_change_and_stop_close) {
    auto document = open(wps_sim::document_builder().paragraph(TEXT));
    s_check_progress.document = document;
    set_cursor(3);
    correct_view_t seen;
    EXPECT_TRUE(suggest([&](QWidget* dialog) {
        press(dialog, QString::fromUtf8("下一处(N)"));
        press(dialog, QString::fromUtf8("上一处(P)"));
        press(dialog, QString::fromUtf8("全部更改(D)"));
        seen = view_of(dialog);
    }));
    EXPECT_TRUE(seen.error.isEmpty());
    EXPECT_TRUE(seen.suggestion.isEmpty());
    EXPECT_TRUE(seen.rows.isEmpty());
    EXPECT_FALSE(suggest([&](QWidget* dialog) { press(dialog, QString::fromUtf8("更改(A)")); }));
    EXPECT_EQ(text_of(document, 0, TEXT.length()), TEXT);
    EXPECT_TRUE(bookmarks(document).empty());
}

TEST_F(correction_view_test, a_kept_index_outside_the_list_shows_the_first_mark) {
    auto document = open_three_marks();
    s_check_progress.current = 7;
    set_cursor(10);
    correct_view_t seen;
    EXPECT_FALSE(suggest([&](QWidget* dialog) {
        seen = view_of(dialog);
        press(dialog, QString::fromUtf8("更改(A)"));
    }));
    EXPECT_EQ(seen.error, QString::fromUtf8("丙丁"));
    // The change lands on the mark that was shown.
    EXPECT_EQ(text_of(document, 0, 6), QString::fromUtf8("甲乙丙戊己庚"));
    expect_marks_agree(document);
}

TEST_F(correction_view_test, marks_moved_by_an_edit_are_found_where_they_are_now) {
    auto document = open_three_marks();
    insert_text(document, 0, QString::fromUtf8("一二三"));
    set_cursor(16);
    correct_view_t seen;
    EXPECT_FALSE(suggest([&](QWidget* dialog) {
        seen = view_of(dialog);
        press(dialog, QString::fromUtf8("更改(A)"));
    }));
    EXPECT_EQ(seen.error, QString::fromUtf8("寅卯"));
    EXPECT_EQ(text_of(document, 14, 17), QString::fromUtf8("丑寅辰"));
    expect_marks_agree(document);
}

TEST_F(correction_view_test, a_collection_of_another_document_is_rebuilt_from_the_active_one) {
    auto first = open_three_marks();
    auto second =
        open(wps_sim::document_builder().paragraph(QString::fromUtf8("天地玄黄宇宙洪荒")));
    add_bookmark(second, QString::fromUtf8("vmjd_error_1_0_玄黄_玄武_2"), 2, 4);
    add_bookmark(second, QString::fromUtf8("vmjd_error_2_0_洪荒_洪水#-#洪流_6"), 6, 8);
    set_cursor(7);
    correct_view_t seen;
    EXPECT_FALSE(suggest([&](QWidget* dialog) {
        seen = view_of(dialog);
        choose_row(dialog, 1);
        press(dialog, QString::fromUtf8("更改(A)"));
    }));
    EXPECT_EQ(seen.error, QString::fromUtf8("洪荒"));
    EXPECT_EQ(seen.rows, (QStringList{QString::fromUtf8("洪水"), QString::fromUtf8("洪流")}));
    EXPECT_EQ(s_check_progress.document, second.get());
    ASSERT_EQ(s_check_progress.results.size(), 2);
    EXPECT_EQ(text_of(second, 0, 8), QString::fromUtf8("天地玄黄宇宙洪流"));
    expect_marks_agree(second);
    EXPECT_EQ(text_of(first, 0, TEXT.length()), TEXT);
    EXPECT_EQ(bookmarks(first).size(), 3u);
}

}  // namespace
