// What the correction dialog writes: one replacement, an edited suggestion,
// every occurrence at once, a mark corrected a second time, suggestions with
// odd characters, and the marks the command leaves behind.
#include <QCheckBox>
#include <QWidget>
#include <utility>

#include "correction_fixture.h"
#include "document/velmo_check_progress.h"
#include "features/colours/velmo_color_commands.h"
#include "features/navigation/velmo_navigation_commands.h"

namespace {

const QString TEXT = QString::fromUtf8("甲乙丙丁戊己庚辛壬癸子丑寅卯辰巳午未申酉");
constexpr int UPDATE_COLOR = 4;
constexpr int ERROR_COLOR = 6;

class correction_changes_test : public correction_test {
  protected:
    // 丙丁 at 2, 庚辛 at 6, 寅卯 at 12.
    kfc::ks_stdptr<wpsapi::_Document> open_three_marks() {
        return open_marked(
            TEXT, {record(2, 1, QString::fromUtf8("丙丁"), QString::fromUtf8("丙")),
                   record(6, 1, QString::fromUtf8("庚辛"), QString::fromUtf8("庚辛壬#-#庚")),
                   record(12, 1, QString::fromUtf8("寅卯"), QString::fromUtf8("寅"))});
    }

    // Opens the dialog on the cursor, optionally types into the suggestion
    // box, and leaves by the given button; false when it stayed open.
    bool change_at(long cursor, const QString& button, const QString& typed = QString()) {
        set_cursor(cursor);
        return !suggest([&](QWidget* dialog) {
            if (!typed.isNull()) type_suggestion(dialog, typed);
            press(dialog, button);
        });
    }
    bool change_at(long cursor) { return change_at(cursor, QString::fromUtf8("更改(A)")); }

    const velmo_check_result_t& result(int i) { return s_check_progress.results.at(i); }
};

TEST_F(correction_changes_test, a_longer_suggestion_shifts_only_the_later_marks) {
    auto document = open_three_marks();
    ASSERT_TRUE(change_at(7));
    EXPECT_EQ(text_of(document, 0, 12), QString::fromUtf8("甲乙丙丁戊己庚辛壬壬癸子"));
    EXPECT_EQ(highlight(document, 6, 9), UPDATE_COLOR);
    EXPECT_EQ(highlight(document, 2, 4), ERROR_COLOR);
    EXPECT_EQ(highlight(document, 13, 15), ERROR_COLOR);
    ASSERT_EQ(s_check_progress.results.size(), 3);
    EXPECT_EQ(result(0).pos, 2);
    EXPECT_EQ(result(0).span_by_correction, 0);
    EXPECT_EQ(result(1).pos, 6);
    EXPECT_EQ(result(1).span_by_correction, 1);
    EXPECT_EQ(result(1).err_word, QString::fromUtf8("庚辛"));
    EXPECT_EQ(result(1).cor_word, QString::fromUtf8("庚辛壬"));
    EXPECT_EQ(result(2).pos, 13);
    EXPECT_EQ(s_check_progress.current, 1);
    expect_marks_agree(document);
    EXPECT_EQ(bookmarks(document).at(1).name, QString::fromUtf8("vmjd_error_1_1_庚辛_庚辛壬_6"));
}

TEST_F(correction_changes_test, an_edited_suggestion_is_written_and_its_length_shifts_the_marks) {
    auto document = open_three_marks();
    ASSERT_TRUE(change_at(2, QString::fromUtf8("更改(A)"), QString::fromUtf8("乙")));
    EXPECT_EQ(text_of(document, 0, 6), QString::fromUtf8("甲乙乙戊己庚"));
    EXPECT_EQ(highlight(document, 2, 3), UPDATE_COLOR);
    EXPECT_EQ(result(0).cor_word, QString::fromUtf8("乙"));
    EXPECT_EQ(result(1).pos, 5);
    EXPECT_EQ(result(2).pos, 11);
    expect_marks_agree(document);
}

TEST_F(correction_changes_test,
       change_everywhere_replaces_each_occurrence_and_keeps_marks_between) {
    // 丙丁 at 1, 6 and 10 with 寅卯 at 4 and 巳 at 9 between them.
    const QString text = QString::fromUtf8("子丙丁丑寅卯丙丁辰巳丙丁午");
    const QString wrong = QString::fromUtf8("丙丁");
    const QString right = QString::fromUtf8("甲乙丙");
    auto document =
        open_marked(text, {record(1, 1, wrong, right),
                           record(4, 2, QString::fromUtf8("寅卯"), QString::fromUtf8("寅")),
                           record(6, 1, wrong, right),
                           record(9, 1, QString::fromUtf8("巳"), QString::fromUtf8("己")),
                           record(10, 1, wrong, right)});
    ASSERT_TRUE(change_at(7, QString::fromUtf8("全部更改(D)")));
    EXPECT_EQ(text_of(document, 0, 16), QString::fromUtf8("子甲乙丙丑寅卯甲乙丙辰巳甲乙丙午"));
    const QList<int> positions = {1, 5, 7, 11, 12};
    for (int i = 0; i < positions.size(); ++i) EXPECT_EQ(result(i).pos, positions.at(i)) << i;
    for (int i : {0, 2, 4}) {
        EXPECT_EQ(result(i).span_by_correction, 1) << i;
        EXPECT_EQ(highlight(document, result(i).pos, result(i).pos + 3), UPDATE_COLOR) << i;
    }
    EXPECT_EQ(result(1).span_by_correction, 0);
    EXPECT_EQ(result(3).span_by_correction, 0);
    EXPECT_EQ(s_check_progress.current, 4);
    expect_marks_agree(document);
}

TEST_F(correction_changes_test, change_everywhere_writes_the_edited_text_at_every_place) {
    const QString text = QString::fromUtf8("丙丁子丙丁");
    const QString wrong = QString::fromUtf8("丙丁");
    auto document = open_marked(text, {record(0, 1, wrong, QString::fromUtf8("丙")),
                                       record(3, 1, wrong, QString::fromUtf8("丁"))});
    ASSERT_TRUE(change_at(4, QString::fromUtf8("全部更改(D)"), QString::fromUtf8("甲")));
    EXPECT_EQ(text_of(document, 0, 3), QString::fromUtf8("甲子甲"));
    EXPECT_EQ(result(1).pos, 2);
    expect_marks_agree(document);
}

TEST_F(correction_changes_test, a_mark_corrected_before_is_replaced_over_its_written_text) {
    // 丙丁 was already corrected to 丙: the document holds 丙 at 2.
    const QString text = QString::fromUtf8("甲乙丙戊己庚辛");
    auto document =
        open_marked(text, {record(2, 1, QString::fromUtf8("丙丁"), QString::fromUtf8("丙"), 1),
                           record(5, 1, QString::fromUtf8("庚辛"), QString::fromUtf8("庚"))});
    ASSERT_TRUE(change_at(2, QString::fromUtf8("更改(A)"), QString::fromUtf8("丙丁丁")));
    EXPECT_EQ(text_of(document, 0, 9), QString::fromUtf8("甲乙丙丁丁戊己庚辛"));
    EXPECT_EQ(result(1).pos, 7);
    expect_marks_agree(document);
}

TEST_F(correction_changes_test, suggestions_with_odd_characters_are_listed_and_written_literally) {
    auto document = open_marked(
        TEXT, {record(2, 1, QString::fromUtf8("丙丁"), QString::fromUtf8("A&B#-#%1#-#x_y#-#")),
               record(12, 1, QString::fromUtf8("寅卯"), QString::fromUtf8("寅"))});
    set_cursor(2);
    correct_view_t seen;
    EXPECT_FALSE(suggest([&](QWidget* dialog) {
        seen = view_of(dialog);
        choose_row(dialog, 2);
        press(dialog, QString::fromUtf8("更改(A)"));
    }));
    EXPECT_EQ(seen.rows, (QStringList{"A&B", "%1", "x_y", ""}));
    EXPECT_EQ(seen.suggestion, QString::fromUtf8("A&B"));
    EXPECT_EQ(text_of(document, 0, 6), QString::fromUtf8("甲乙x_y戊"));
    EXPECT_EQ(result(1).pos, 13);
    expect_marks_agree(document);
}

// Written texts holding a blank or "_" keep their marks' lengths once the
// collection is rebuilt from the bookmark names alone (as after reopening
// the document): navigation, a second change and clearing by colour all act
// on exactly the written text.
TEST_F(correction_changes_test, written_texts_with_blanks_or_separators_keep_their_marks) {
    auto document = open_marked(QString::fromUtf8("甲alot乙alot丙"),
                                {record(1, 1, "alot", "a lot"), record(6, 1, "alot", "a_lot")});
    ASSERT_TRUE(change_at(1));
    ASSERT_TRUE(change_at(7));
    ASSERT_EQ(text_of(document, 0, 13), QString::fromUtf8("甲a lot乙a_lot丙"));

    s_check_progress.results.clear();
    s_check_progress.document = nullptr;
    set_cursor(0);
    const std::pair<long, long> walked[] = {{1, 6}, {7, 12}, {1, 6}};
    for (int i = 0; i < 3; ++i) {
        if (i < 2)
            velmo_cb_next(args);
        else
            velmo_cb_previous(args);
        EXPECT_EQ(std::make_pair(selection_start(), selection_end()), walked[i]) << i;
    }
    ASSERT_EQ(s_check_progress.results.size(), 2);
    EXPECT_EQ(result(0).cor_word, "a lot");
    EXPECT_EQ(result(1).cor_word, "a_lot");

    ASSERT_TRUE(change_at(7, QString::fromUtf8("更改(A)"), "b"));
    EXPECT_EQ(text_of(document, 0, 9), QString::fromUtf8("甲a lot乙b丙"));
    expect_marks_agree(document);

    responder.on(QString::fromUtf8("清除颜色标记")).act([](QWidget* dialog) {
        for (QCheckBox* box : dialog->findChildren<QCheckBox*>())
            box->setChecked(box->text() == QString::fromUtf8("清除所有修改标记"));
        press(dialog, QString::fromUtf8("确定"));
    });
    velmo_cb_clear_color(args);
    EXPECT_TRUE(bookmarks(document).empty());
    EXPECT_EQ(highlight(document, 0, 9), 0);
}

TEST_F(correction_changes_test, find_marks_survive_and_move_with_the_correction) {
    auto document = open_three_marks();
    add_bookmark(document, QString::fromUtf8("vmjd_find_16_18"), 16, 18);
    ASSERT_TRUE(change_at(7));
    bool found = false;
    for (const bookmark_seen_t& mark : bookmarks(document)) {
        if (mark.name != QString::fromUtf8("vmjd_find_16_18")) continue;
        found = true;
        EXPECT_EQ(mark.start, 17);
        EXPECT_EQ(mark.end, 19);
    }
    EXPECT_TRUE(found);
    expect_marks_agree(document);
}

TEST_F(correction_changes_test, stop_keeps_the_document_and_the_colours) {
    auto document = open_three_marks();
    ASSERT_TRUE(change_at(7, QString::fromUtf8("终止(C)")));
    EXPECT_EQ(text_of(document, 0, TEXT.length()), TEXT);
    EXPECT_EQ(highlight(document, 6, 8), ERROR_COLOR);
    EXPECT_EQ(result(1).span_by_correction, 0);
    expect_marks_agree(document);
}

}  // namespace
