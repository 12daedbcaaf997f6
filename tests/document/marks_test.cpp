// Error marks in the document: names, extents, colours, fallback names,
// reading names back, deleting every mark and saving before a check.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "document/velmo_check_progress.h"
#include "document/velmo_document.h"
#include "document/velmo_mark_level.h"
#include "document/velmo_mark_name.h"
#include "host/velmo_host_string.h"
#include "plugin_commands_fixture.h"

namespace {

const QString TEXT = QString::fromUtf8("甲乙丙丁戊己庚辛壬癸子丑寅卯辰巳午未申酉");

class marks_test : public commands_test {
  protected:
    kfc::ks_stdptr<wpsapi::_Document> open_text() {
        return open(wps_sim::document_builder().paragraph(TEXT));
    }

    // Places the records as a finished check over the whole document would.
    void place(wpsapi::_Document* document, const QList<velmo_check_result_t>& records,
               bool colour = true) {
        s_check_progress.start = 0;
        s_check_progress.end = TEXT.length();
        s_check_progress.results = records;
        s_check_progress.document = document;
        local_print_check_result(colour);
    }
};

TEST_F(marks_test, placed_marks_carry_the_record_in_their_name_and_span_by_flag) {
    auto document = open_text();
    place(document, {record(2, 2, QString::fromUtf8("丙丁"), QString::fromUtf8("丙")),
                     record(6, 1, QString::fromUtf8("庚辛"), QString::fromUtf8("庚辛壬"), 1),
                     record(12, 3, QString::fromUtf8("寅"), QString::fromUtf8("卯"))});

    const auto marks = bookmarks(document);
    ASSERT_EQ(marks.size(), 3u);
    EXPECT_EQ(marks[0].name, QString::fromUtf8("vmjd_error_2_0_丙丁_丙_2"));
    EXPECT_EQ(marks[0].start, 2);
    EXPECT_EQ(marks[0].end, 4);
    // Corrected text: the mark spans the suggestion's length.
    EXPECT_EQ(marks[1].name, QString::fromUtf8("vmjd_error_1_1_庚辛_庚辛壬_6"));
    EXPECT_EQ(marks[1].end - marks[1].start, 3);
    EXPECT_EQ(marks[2].name, QString::fromUtf8("vmjd_error_3_0_寅_卯_12"));

    // Level 2 takes the suspect colour, every other level the error colour.
    EXPECT_EQ(highlight(document, 2, 4), 7);
    EXPECT_EQ(highlight(document, 6, 9), 6);
    EXPECT_EQ(highlight(document, 12, 13), 6);
    EXPECT_EQ(highlight(document, 4, 6), 0);
}

// A record the host cannot put at its start (a contents error placed where
// no text was found, a position past the end) is left out instead of
// becoming a mark on other text; the rest are placed.
TEST_F(marks_test, records_the_host_cannot_place_at_their_start_are_left_out) {
    auto document = open_text();
    place(document, {record(-1, 1, QString::fromUtf8("甲乙"), QString::fromUtf8("乙")),
                     record(4, 1, QString::fromUtf8("戊己"), QString::fromUtf8("己")),
                     record(40, 2, QString::fromUtf8("子丑"), QString::fromUtf8("丑"))});

    const auto marks = bookmarks(document);
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0].start, 4);
    EXPECT_EQ(highlight(document, 0, 2), 0);
    EXPECT_EQ(highlight(document, 19, 21), 0);
    // They leave the collection, which the marks' count is told from.
    ASSERT_EQ(s_check_progress.results.size(), 1);
    EXPECT_EQ(s_check_progress.results.at(0).pos, 4);
}

// The author's highlights under marks (a whole one, one over part of a mark,
// one in a mark colour, which cannot be told apart) come back when a single
// mark is removed and when the marks of a stretch are cleared, and only
// there; the records that kept them go with them.
TEST_F(marks_test, removing_marks_puts_the_authors_highlight_back) {
    wps_sim::document_builder builder;
    builder.paragraph(TEXT)
        .highlight(2, 4, wpsapi::wdTurquoise)
        .highlight(7, 8, wpsapi::wdBrightGreen)
        .highlight(12, 14, static_cast<wpsapi::WdColorIndex>(6));
    auto document = open(builder);
    place(document, {record(2, 1, QString::fromUtf8("丙丁"), QString::fromUtf8("丙")),
                     record(6, 1, QString::fromUtf8("庚辛"), QString::fromUtf8("庚")),
                     record(12, 2, QString::fromUtf8("寅卯"), QString::fromUtf8("寅"))});
    EXPECT_EQ(highlight(document, 2, 4), 6);
    EXPECT_EQ(highlight(document, 6, 8), 6);
    const auto kept = [&] {
        int count = 0;
        for (const bookmark_seen_t& seen : bookmarks(document))
            count += velmo_mark_read_kept_highlight(seen.name) > 0 ? 1 : 0;
        return count;
    };
    EXPECT_EQ(kept(), 2);

    kfc::ks_stdptr<wpsapi::Bookmarks> marks;
    long count = 0;
    ASSERT_TRUE(SUCCEEDED(local_get_bookmarks_in(2, 4, marks, count)));
    kfc::ks_stdptr<wpsapi::Bookmark> first;
    for (long i = 1; i <= count && !first; ++i) {
        kfc::ks_stdptr<wpsapi::Bookmark> candidate;
        ASSERT_TRUE(SUCCEEDED(local_get_bookmark(marks, i, candidate)));
        if (velmo_mark_is_error_name(velmo_bookmark_name(candidate))) first = candidate;
    }
    ASSERT_TRUE(first);
    EXPECT_TRUE(local_remove_mark(first));
    EXPECT_EQ(highlight(document, 2, 4), wpsapi::wdTurquoise);
    EXPECT_EQ(highlight(document, 6, 8), 6);
    EXPECT_EQ(kept(), 1);

    local_del_bookmarks_in(true, 5, 20);
    EXPECT_EQ(highlight(document, 6, 7), 0);
    EXPECT_EQ(highlight(document, 7, 8), wpsapi::wdBrightGreen);
    EXPECT_EQ(highlight(document, 12, 14), 0);
    EXPECT_EQ(kept(), 0);
    EXPECT_TRUE(bookmarks(document).empty());
}

TEST_F(marks_test, placing_without_colour_leaves_the_highlight_alone) {
    auto document = open_text();
    place(document, {record(2, 2, QString::fromUtf8("丙丁"), QString::fromUtf8("丙"))}, false);
    EXPECT_EQ(bookmarks(document).size(), 1u);
    EXPECT_EQ(highlight(document, 2, 4), 0);
}

TEST_F(marks_test, suggestion_is_cleaned_into_a_hint_in_the_name_and_the_record) {
    auto document = open_text();
    place(document, {record(0, 1, QString::fromUtf8("甲"), QString::fromUtf8("[说明]")),
                     record(2, 1, QString::fromUtf8("丙"), QString::fromUtf8("a<b")),
                     record(4, 1, QString::fromUtf8("戊"), QString::fromUtf8("己#-#庚")),
                     record(6, 1, QString::fromUtf8("%5"), QString::fromUtf8("%4"))});

    const QList<velmo_check_result_t>& results = s_check_progress.results;
    EXPECT_EQ(results[0].cor_word, QString::fromUtf8("Velmo提示说明"));
    EXPECT_EQ(results[1].cor_word, QString::fromUtf8("Velmo提示ab"));
    EXPECT_EQ(results[2].cor_word, QString::fromUtf8("己#-#庚"));
    const auto marks = bookmarks(document);
    ASSERT_EQ(marks.size(), 4u);
    EXPECT_EQ(marks[0].name, QString::fromUtf8("vmjd_error_1_0_甲_Velmo提示说明_0"));
    EXPECT_EQ(marks[1].name, QString::fromUtf8("vmjd_error_1_0_丙_Velmo提示ab_2"));
    EXPECT_EQ(marks[2].name, QString::fromUtf8("vmjd_error_1_0_戊_己#-#庚_4"));
    // Placeholders inside the texts are not filled in again.
    EXPECT_EQ(marks[3].name, QString::fromUtf8("vmjd_error_1_0_%5_%4_6"));
}

TEST_F(marks_test, refused_names_fall_back_to_shorter_names_and_stay_coloured) {
    auto document = open_text();
    // The host refuses names of more than 255 characters.
    const QString long_hint = QString(250, QChar(0x4E59));
    place(document, {record(2, 1, QString::fromUtf8("丙丁"), long_hint),
                     record(8, 2, QString(250, QChar(0x58EC)), QString::fromUtf8("壬"))});

    const auto marks = bookmarks(document);
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[0].name, QString::fromUtf8("vmjd_error_1_0_丙丁_Velmo提示无_2"));
    EXPECT_EQ(marks[1].name, QString::fromUtf8("vmjd_error_2_0_有错_Velmo提示无_8"));
    EXPECT_EQ(highlight(document, 8, 10), 7);
}

TEST_F(marks_test, every_text_survives_the_round_trip_through_the_name) {
    auto document = open_text();
    // Blanks, separators, controls, format characters and the escape sign
    // itself; the host refuses most of them in a name.
    const QList<velmo_check_result_t> placed = {
        record(0, 1, QString::fromUtf8("甲乙"), QString::fromUtf8("a lot"), 1),
        record(6, 1, QString::fromUtf8("庚"), QString::fromUtf8("a_lot"), 1),
        record(10, 2, QString::fromUtf8("子\t丑"), QString::fromUtf8("\u3000x\u200B_\u00A40041\n")),
    };
    place(document, placed);
    ASSERT_EQ(bookmarks(document).size(), 3u);
    for (const auto& mark : bookmarks(document))
        EXPECT_FALSE(mark.name.contains(QLatin1String("Velmo"))) << mark.name.toStdString();

    // Rebuilt from the names alone, every record reads back whole.
    s_check_progress.results.clear();
    check_progress_update(&s_check_progress);
    const QList<velmo_check_result_t>& results = s_check_progress.results;
    ASSERT_EQ(results.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(results[i].err_word, placed[i].err_word) << i;
        EXPECT_EQ(results[i].cor_word, placed[i].cor_word) << i;
        EXPECT_EQ(results[i].span_by_correction, placed[i].span_by_correction) << i;
        EXPECT_EQ(velmo_mark_length(results[i]), velmo_mark_length(placed[i])) << i;
    }
}

TEST_F(marks_test, adding_a_named_bookmark_reports_a_refused_name) {
    auto document = open_text();
    kfc::ks_stdptr<wpsapi::Range> range;
    ASSERT_TRUE(SUCCEEDED(local_get_range(2, 3, range)));
    EXPECT_EQ(local_add_bookmark(QString(300, QLatin1Char('x')), range), -1);
    EXPECT_EQ(local_add_bookmark(QString::fromUtf8("vmjd_find_2_3"), range), 0);
    const auto marks = bookmarks(document);
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0].start, 2);
    EXPECT_EQ(marks[0].end, 3);
}

TEST_F(marks_test, names_read_back_into_records_with_the_position_of_the_bookmark) {
    auto document = open_text();
    add_bookmark(document, QString::fromUtf8("vmjd_error_2_1_丙丁_丙_99"), 2, 4);
    // An error text holding "_" shifts the later parts.
    add_bookmark(document, QString::fromUtf8("vmjd_error_1_0_戊_己_庚_6"), 4, 7);
    // Too few parts, another prefix, a find mark: not error marks.
    add_bookmark(document, QString::fromUtf8("vmjd_error_1_0_辛"), 7, 8);
    add_bookmark(document, QString::fromUtf8("user_mark"), 9, 10);
    add_bookmark(document, QString::fromUtf8("vmjd_find_10_11"), 10, 11);

    check_progress_update(&s_check_progress);

    const QList<velmo_check_result_t>& results = s_check_progress.results;
    ASSERT_EQ(results.size(), 2);
    EXPECT_EQ(results[0].pos, 2);
    EXPECT_EQ(results[0].level, 2);
    EXPECT_EQ(results[0].span_by_correction, 1);
    EXPECT_EQ(results[0].err_word, QString::fromUtf8("丙丁"));
    EXPECT_EQ(results[0].cor_word, QString::fromUtf8("丙"));
    EXPECT_EQ(results[1].pos, 4);
    EXPECT_EQ(results[1].err_word, QString::fromUtf8("戊"));
    EXPECT_EQ(results[1].cor_word, QString::fromUtf8("己"));
    EXPECT_EQ(s_check_progress.document, document.get());
    EXPECT_EQ(s_check_progress.start, 0);
    EXPECT_EQ(s_check_progress.end, 5);
}

TEST_F(marks_test, deleting_marks_reaches_all_two_thousand_and_keeps_other_bookmarks) {
    QString long_text;
    for (int i = 0; i < 2100; ++i) long_text += QString::fromUtf8("错字");
    auto document = open(wps_sim::document_builder().paragraph(long_text));
    QList<velmo_check_result_t> records;
    for (int i = 0; i < 2000; ++i)
        records.append(record(i * 2, 1 + i % 2, QString::fromUtf8("错"), QString::fromUtf8("对")));
    s_check_progress.start = 0;
    s_check_progress.end = long_text.length();
    s_check_progress.results = records;
    local_print_check_result(true);
    add_bookmark(document, QString::fromUtf8("vmjd_find_4100_4102"), 4100, 4102);
    add_bookmark(document, QString::fromUtf8("chapter"), 4002, 4010);
    ASSERT_EQ(bookmarks(document).size(), 2002u);

    local_del_bookmarks(true);

    const auto left = bookmarks(document);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].name, QString::fromUtf8("chapter"));
    EXPECT_EQ(highlight(document, 0, 4000), 0);
}

TEST_F(marks_test, deleting_without_the_flag_keeps_the_highlight) {
    auto document = open_text();
    place(document, {record(2, 1, QString::fromUtf8("丙丁"), QString::fromUtf8("丙"))});
    local_del_bookmarks(false);
    EXPECT_TRUE(bookmarks(document).empty());
    EXPECT_EQ(highlight(document, 2, 4), 6);
}

TEST_F(marks_test, a_colour_that_does_not_stick_is_reported_after_three_tries) {
    open_text();
    kfc::ks_stdptr<wpsapi::Range> range;
    ASSERT_TRUE(SUCCEEDED(local_get_range(3, 5, range)));
    EXPECT_EQ(local_put_color_anyway(range, wpsapi::wdRed), 0);
    // An empty range takes no colour.
    ASSERT_TRUE(SUCCEEDED(local_get_range(8, 8, range)));
    EXPECT_EQ(local_put_color_anyway(range, wpsapi::wdRed), -1);
}

TEST_F(marks_test, only_a_document_with_a_file_is_saved) {
    QTemporaryDir dir;
    auto saved = open(wps_sim::document_builder().name("a.txt").path(dir.path()).paragraph(TEXT));
    insert_text(saved, 0, QString::fromUtf8("新"));
    local_save_doc_if_saved();
    VARIANT_BOOL is_saved = VARIANT_FALSE;
    saved->get_Saved(&is_saved);
    EXPECT_NE(is_saved, VARIANT_FALSE);
    EXPECT_TRUE(QFile::exists(dir.filePath("a.txt")));

    auto unsaved = open(wps_sim::document_builder().paragraph(TEXT));
    insert_text(unsaved, 0, QString::fromUtf8("新"));
    local_save_doc_if_saved();
    unsaved->get_Saved(&is_saved);
    EXPECT_EQ(is_saved, VARIANT_FALSE);
}

TEST_F(marks_test, without_a_document_nothing_is_placed_or_deleted) {
    EXPECT_EQ(local_get_document(), nullptr);
    EXPECT_EQ(local_get_pos(), -1);
    kfc::ks_stdptr<wpsapi::Range> range;
    EXPECT_TRUE(FAILED(local_get_range(0, 1, range)));
    s_check_progress.results = {record(0, 1, QString::fromUtf8("甲"), QString())};
    local_print_check_result(true);
    local_del_bookmarks(true);
    local_save_doc_if_saved();
}

// One reading of the levels for every side: the colour, the counts, writer-sim
// and the batch command. An unknown level is an error, never dropped.
TEST(mark_levels, every_level_falls_into_exactly_one_kind) {
    velmo_kind_counts_t counts;
    for (int level : {-1, 0, 1, 2, 3, 4}) counts.add(level);
    EXPECT_EQ(counts.errors, 4);
    EXPECT_EQ(counts.suspects, 1);
    EXPECT_EQ(counts.serious, 1);
    EXPECT_FALSE(velmo_level_known(0));
    EXPECT_FALSE(velmo_level_known(4));
    EXPECT_EQ(velmo_mark_kind_name(velmo_level_kind(1)), QString::fromUtf8("错误"));
    EXPECT_EQ(velmo_mark_kind_name(velmo_level_kind(2)), QString::fromUtf8("疑错"));
    EXPECT_EQ(velmo_mark_kind_name(velmo_level_kind(3)), QString::fromUtf8("严重错误"));
}

// Host strings are read unit for unit: a leading U+FEFF or U+FFFE is text,
// not a byte-order mark, and dropping it would shift every position.
TEST(host_strings, keep_every_unit_of_the_text) {
    const QString text = QString(QChar(0xFEFF)) + QString::fromUtf8("错字") + QChar(0xFFFE);
    kfc::ks_bstr host = velmo_to_bstr(text);
    const QString back = velmo_from_bstr(host);
    EXPECT_EQ(text.size(), back.size());
    EXPECT_EQ(text, back);
    EXPECT_TRUE(velmo_from_bstr(nullptr).isNull());
}

}  // namespace
