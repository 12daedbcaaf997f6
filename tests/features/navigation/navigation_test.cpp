// Next and previous over the collected records and over bare bookmarks, the
// update of the collection from the marks, and clearing the current mark.
#include "document/velmo_check_progress.h"
#include "document/velmo_document.h"
#include "features/colours/velmo_color_commands.h"
#include "features/navigation/velmo_navigation_commands.h"
#include "host/velmo_bstr.h"
#include "plugin_commands_fixture.h"

namespace {

const QString TEXT = QString::fromUtf8("甲乙丙丁戊己庚辛壬癸子丑寅卯辰巳午未申酉");

class navigation_test : public commands_test {
  protected:
    // Three error marks: 丙丁 at 2, 庚辛 at 6 (suspect), 寅卯 at 12.
    kfc::ks_stdptr<wpsapi::_Document> open_marked() {
        auto document = open(wps_sim::document_builder().paragraph(TEXT));
        s_check_progress.start = 0;
        s_check_progress.end = TEXT.length();
        s_check_progress.results = {
            record(2, 1, QString::fromUtf8("丙丁"), QString::fromUtf8("丙")),
            record(6, 2, QString::fromUtf8("庚辛"), QString::fromUtf8("庚")),
            record(12, 1, QString::fromUtf8("寅卯"), QString::fromUtf8("寅"))};
        s_check_progress.document = document;
        local_print_check_result(true);
        return document;
    }

    int next() { return velmo_cb_next(args); }
    int previous() { return velmo_cb_previous(args); }
    void expect_selected(long start, long end) {
        EXPECT_EQ(selection_start(), start);
        EXPECT_EQ(selection_end(), end);
    }

    QList<QVariant> args;
};

TEST_F(navigation_test, next_walks_the_marks_in_order_and_wraps_to_the_first) {
    open_marked();
    set_cursor(0);
    EXPECT_EQ(next(), 0);
    expect_selected(2, 4);
    EXPECT_EQ(next(), 0);
    expect_selected(6, 8);
    EXPECT_EQ(next(), 0);
    expect_selected(12, 14);
    EXPECT_EQ(next(), 0);
    expect_selected(2, 4);
    // From a cursor between marks, the next mark after it.
    set_cursor(9);
    EXPECT_EQ(next(), 0);
    expect_selected(12, 14);
}

TEST_F(navigation_test, previous_walks_backwards_and_wraps_to_the_last) {
    open_marked();
    set_cursor(0);
    EXPECT_EQ(previous(), 0);
    expect_selected(12, 14);
    EXPECT_EQ(previous(), 0);
    expect_selected(6, 8);
    EXPECT_EQ(previous(), 0);
    expect_selected(2, 4);
    // Inside the first mark: round to the last.
    set_cursor(3);
    EXPECT_EQ(previous(), 0);
    expect_selected(12, 14);
}

TEST_F(navigation_test, without_error_marks_next_and_previous_visit_bare_bookmarks) {
    auto document = open(wps_sim::document_builder().paragraph(TEXT));
    add_bookmark(document, QString::fromUtf8("vmjd_find_2_4"), 2, 4);
    add_bookmark(document, QString::fromUtf8("vmjd_find_10_12"), 10, 12);
    add_bookmark(document, QString::fromUtf8("note"), 15, 16);
    set_cursor(0);
    EXPECT_EQ(next(), 0);
    expect_selected(2, 4);
    // The bookmark holding the cursor is passed over.
    EXPECT_EQ(next(), 0);
    expect_selected(10, 12);
    EXPECT_EQ(next(), 0);
    expect_selected(15, 16);

    set_cursor(12);
    EXPECT_EQ(previous(), 0);
    expect_selected(2, 4);
    set_cursor(TEXT.length());
    EXPECT_EQ(previous(), 0);
    expect_selected(15, 16);
    EXPECT_TRUE(s_check_progress.results.isEmpty());
}

TEST_F(navigation_test, without_a_document_the_commands_report_it) {
    EXPECT_EQ(next(), VELMO_E_NO_DOCUMENT);
    EXPECT_EQ(previous(), VELMO_E_NO_DOCUMENT);
    EXPECT_EQ(velmo_cb_clear_current_color(args), VELMO_E_NO_DOCUMENT);
}

TEST_F(navigation_test, update_after_an_insertion_moves_positions_and_keeps_edits) {
    auto document = open_marked();
    // Edits made in memory, as the correction dialog makes them.
    s_check_progress.results[1].span_by_correction = 1;
    s_check_progress.results[1].cor_word = QString::fromUtf8("改好");
    s_check_progress.current = 2;
    insert_text(document, 5, QString::fromUtf8("一二三"));

    check_progress_update(&s_check_progress);

    const QList<velmo_check_result_t>& results = s_check_progress.results;
    ASSERT_EQ(results.size(), 3);
    EXPECT_EQ(results[0].pos, 2);
    EXPECT_EQ(results[1].pos, 9);
    EXPECT_EQ(results[2].pos, 15);
    EXPECT_EQ(results[1].span_by_correction, 1);
    EXPECT_EQ(results[1].cor_word, QString::fromUtf8("改好"));
    EXPECT_EQ(s_check_progress.current, 2);
    EXPECT_EQ(s_check_progress.end, 17);

    set_cursor(5);
    EXPECT_EQ(next(), 0);
    expect_selected(9, 11);
}

// Presses do not read every mark again unless the document changed: an
// insertion between presses, or a mark deleted by hand, is still followed.
TEST_F(navigation_test, next_follows_marks_moved_or_deleted_between_presses) {
    auto document = open_marked();
    set_cursor(0);
    EXPECT_EQ(next(), 0);
    expect_selected(2, 4);
    insert_text(document, 5, QString::fromUtf8("一二三"));
    EXPECT_EQ(next(), 0);
    expect_selected(9, 11);

    kfc::ks_stdptr<wpsapi::Bookmarks> all;
    ASSERT_TRUE(SUCCEEDED(document->get_Bookmarks(&all)));
    VARIANT last = kfc::var_i8(3);
    kfc::ks_stdptr<wpsapi::Bookmark> bookmark;
    ASSERT_TRUE(SUCCEEDED(all->Item(&last, &bookmark)));
    ASSERT_TRUE(SUCCEEDED(bookmark->Delete()));
    set_cursor(12);
    EXPECT_EQ(next(), 0);
    expect_selected(2, 4);
    EXPECT_EQ(s_check_progress.results.size(), 2);
}

// Text taken out before the marks and as much put in between them leaves
// the document as long as it was, yet the marks have moved.
TEST_F(navigation_test, next_follows_marks_moved_by_text_of_the_same_length) {
    auto document = open_marked();
    set_cursor(0);
    EXPECT_EQ(next(), 0);
    expect_selected(2, 4);
    VARIANT s = kfc::var_i8(0);
    VARIANT e = kfc::var_i8(1);
    kfc::ks_stdptr<wpsapi::Range> first;
    ASSERT_TRUE(SUCCEEDED(document->Range(&s, &e, &first)));
    ASSERT_TRUE(SUCCEEDED(first->put_Text(velmo_to_bstr(QString()))));
    insert_text(document, 10, QString::fromUtf8("一"));
    set_cursor(0);
    EXPECT_EQ(next(), 0);
    expect_selected(1, 3);
    EXPECT_EQ(next(), 0);
    expect_selected(5, 7);
    EXPECT_EQ(next(), 0);
    expect_selected(12, 14);
}

TEST_F(navigation_test, update_with_the_same_positions_changes_nothing) {
    open_marked();
    s_check_progress.results[0].cor_word = QString::fromUtf8("记下");
    s_check_progress.start = 1;
    s_check_progress.end = 19;
    check_progress_update(&s_check_progress);
    EXPECT_EQ(s_check_progress.results[0].cor_word, QString::fromUtf8("记下"));
    EXPECT_EQ(s_check_progress.start, 1);
    EXPECT_EQ(s_check_progress.end, 19);
}

TEST_F(navigation_test, update_after_a_mark_was_deleted_by_hand_rebuilds_from_the_names) {
    auto document = open_marked();
    s_check_progress.results[2].cor_word = QString::fromUtf8("记下");
    kfc::ks_stdptr<wpsapi::Bookmarks> all;
    ASSERT_TRUE(SUCCEEDED(document->get_Bookmarks(&all)));
    VARIANT first = kfc::var_i8(1);
    kfc::ks_stdptr<wpsapi::Bookmark> bookmark;
    ASSERT_TRUE(SUCCEEDED(all->Item(&first, &bookmark)));
    ASSERT_TRUE(SUCCEEDED(bookmark->Delete()));

    check_progress_update(&s_check_progress);

    ASSERT_EQ(s_check_progress.results.size(), 2);
    EXPECT_EQ(s_check_progress.results[0].pos, 6);
    EXPECT_EQ(s_check_progress.results[1].cor_word, QString::fromUtf8("寅"));
    EXPECT_EQ(s_check_progress.start, 0);
    EXPECT_EQ(s_check_progress.end, 14);
}

TEST_F(navigation_test, switching_to_a_document_with_as_many_marks_takes_its_positions) {
    open_marked();
    const QList<velmo_check_result_t> first_results = s_check_progress.results;
    auto other = open(wps_sim::document_builder().paragraph(TEXT));
    add_bookmark(other, QString::fromUtf8("vmjd_error_1_0_乙_x_1"), 1, 2);
    add_bookmark(other, QString::fromUtf8("vmjd_error_1_0_己_x_5"), 5, 6);
    add_bookmark(other, QString::fromUtf8("vmjd_error_1_0_酉_x_19"), 19, 20);
    check_progress_update(&s_check_progress);
    ASSERT_EQ(s_check_progress.results.size(), 3);
    EXPECT_EQ(s_check_progress.document, other.get());
    EXPECT_EQ(s_check_progress.results[2].pos, 19);
    EXPECT_EQ(s_check_progress.results[2].err_word, first_results[2].err_word);
}

TEST_F(navigation_test, clear_current_removes_the_mark_under_the_cursor_only) {
    auto document = open_marked();
    add_bookmark(document, QString::fromUtf8("vmjd_find_16_18"), 16, 18);

    set_cursor(10);
    EXPECT_EQ(velmo_cb_clear_current_color(args), 0);
    EXPECT_EQ(bookmarks(document).size(), 4u);
    EXPECT_EQ(s_check_progress.results.size(), 3);

    set_cursor(7);
    EXPECT_EQ(velmo_cb_clear_current_color(args), 0);
    const auto left = bookmarks(document);
    ASSERT_EQ(left.size(), 3u);
    EXPECT_EQ(left[1].start, 12);
    EXPECT_EQ(highlight(document, 6, 8), 0);
    EXPECT_EQ(highlight(document, 2, 4), 6);
    ASSERT_EQ(s_check_progress.results.size(), 2);
    EXPECT_EQ(s_check_progress.results[1].pos, 12);

    // A cursor right after a mark still counts as on it.
    set_cursor(14);
    EXPECT_EQ(velmo_cb_clear_current_color(args), 0);
    EXPECT_EQ(bookmarks(document).size(), 2u);
    EXPECT_EQ(highlight(document, 12, 14), 0);
    ASSERT_EQ(s_check_progress.results.size(), 1);

    // A find mark under the cursor goes the same way.
    set_cursor(17);
    EXPECT_EQ(velmo_cb_clear_current_color(args), 0);
    EXPECT_EQ(bookmarks(document).size(), 1u);
}

}  // namespace
