// What writer-sim reads from host documents: error marks, highlight runs,
// and the opening of files with a clear refusal for bad ones.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "document/velmo_mark_name.h"
#include "wps_sim.h"
#include "wsim_document_file.h"
#include "wsim_marks.h"
#include "wsim_process.h"
#include "wsim_snapshot.h"

TEST(wsim_marks, reads_error_marks_and_ignores_other_bookmarks) {
    auto app = wps_sim::create_application();
    wps_sim::document_builder builder;
    builder.paragraph(QStringLiteral("销售部再接再励，好象还行，這個。"))
        .bookmark(QStringLiteral("vmjd_error_1_0_再接再励_再接再厉_3"), 3, 7)
        .bookmark(QStringLiteral("vmjd_error_2_0_好象_好像#-#好似_8"), 8, 10)
        .bookmark(QStringLiteral("vmjd_error_3_0_這個__13"), 13, 15)
        .bookmark(QStringLiteral("vmjd_find_3_7"), 3, 7)
        .bookmark(QStringLiteral("user_note"), 0, 2)
        .bookmark(QStringLiteral("vmjd_error_1_0_short"), 0, 1);
    auto doc = builder.open(app);

    const QVector<wsim_error_mark> marks = wsim_error_marks(doc);
    ASSERT_EQ(marks.size(), 3);
    EXPECT_EQ(marks.at(0).start, 3);
    EXPECT_EQ(marks.at(0).end, 7);
    EXPECT_EQ(marks.at(0).wrong_text, QStringLiteral("再接再励"));
    EXPECT_EQ(marks.at(0).suggestions, QStringList{QStringLiteral("再接再厉")});
    EXPECT_EQ(marks.at(1).level, 2);
    EXPECT_EQ(marks.at(1).suggestions,
              (QStringList{QStringLiteral("好像"), QStringLiteral("好似")}));
    EXPECT_TRUE(marks.at(2).suggestions.isEmpty());

    EXPECT_EQ(wsim_format_mark(marks.at(1)), QStringLiteral("8-10 疑错 好象 -> 好像 | 好似"));
    EXPECT_EQ(wsim_format_mark(marks.at(2)), QStringLiteral("13-15 严重错误 這個 -> (无建议)"));
    const QString listing = wsim_format_marks(QStringLiteral("d.txt"), marks);
    EXPECT_TRUE(listing.startsWith(QStringLiteral("marks of d.txt: 3\n")));
    EXPECT_EQ(listing.count('\n'), 4);
}

// Names the plug-in escapes (blanks, "_", controls) list as the texts were
// written, not as "the¤0020the".
TEST(wsim_marks, escaped_texts_list_as_written) {
    velmo_check_result_t record;
    record.level = 1;
    record.pos = 0;
    record.err_word = QStringLiteral("the the");
    record.cor_word = QStringLiteral("the#-#snake_case\tword");
    auto app = wps_sim::create_application();
    wps_sim::document_builder builder;
    builder.paragraph(QStringLiteral("the the end")).bookmark(velmo_mark_error_name(record), 0, 7);
    auto doc = builder.open(app);

    const QVector<wsim_error_mark> marks = wsim_error_marks(doc);
    ASSERT_EQ(marks.size(), 1);
    EXPECT_EQ(wsim_format_mark(marks.at(0)),
              QStringLiteral("0-7 错误 the the -> the | snake_case\tword"));
}

TEST(wsim_marks, a_mark_follows_edits_made_before_it) {
    auto app = wps_sim::create_application();
    wps_sim::document_builder builder;
    builder.paragraph(QStringLiteral("前言。按步就班。"))
        .bookmark(QStringLiteral("vmjd_error_1_0_按步就班_按部就班_3"), 3, 7);
    auto doc = builder.open(app);
    VARIANT at = kfc::var_i8(0);
    kfc::ks_stdptr<wpsapi::Range> range;
    ASSERT_TRUE(SUCCEEDED(doc->Range(&at, &at, &range)));
    const kfc::ks_bstr text(velmo_wide(u"新的"));
    ASSERT_TRUE(SUCCEEDED(range->put_Text(text)));
    // The position comes from where the bookmark is now, not from its name.
    const auto marks = wsim_error_marks(doc);
    ASSERT_EQ(marks.size(), 1);
    EXPECT_EQ(marks.at(0).start, 5);
    EXPECT_EQ(marks.at(0).end, 9);
}

TEST(wsim_snapshot, finds_each_highlight_run_with_its_colour) {
    auto app = wps_sim::create_application();
    wps_sim::document_builder builder;
    builder.paragraph(QString(300, QChar('x')))
        .highlight(0, 1, wpsapi::wdYellow)
        .highlight(10, 20, wpsapi::wdBrightGreen)
        .highlight(20, 25, wpsapi::wdYellow)
        .highlight(298, 300, wpsapi::wdRed);
    auto doc = builder.open(app);
    const QVector<wsim_highlight_run> runs = wsim_highlight_runs(doc, 0, 301);
    const QVector<wsim_highlight_run> expected{{0, 1, wpsapi::wdYellow},
                                               {10, 20, wpsapi::wdBrightGreen},
                                               {20, 25, wpsapi::wdYellow},
                                               {298, 300, wpsapi::wdRed}};
    EXPECT_EQ(runs, expected);

    wsim_set_selection(app, 4, 9);
    const wsim_snapshot s = wsim_take_snapshot(app, doc, true);
    EXPECT_EQ(s.text.size(), 301);
    EXPECT_EQ(s.selection_start, 4);
    EXPECT_EQ(s.selection_end, 9);
    EXPECT_EQ(s.highlights, expected);
}

TEST(wsim_document_file, opens_utf8_files_and_refuses_others_clearly) {
    QTemporaryDir dir;
    auto app = wps_sim::create_application();
    QString error;

    const QString good =
        write_file(dir, QStringLiteral("好.txt"), QStringLiteral("第一行\nsecond\n").toUtf8());
    auto doc = wsim_open_document(app, good, error);
    ASSERT_TRUE(doc) << error.toStdString();
    EXPECT_EQ(wsim_document_name(doc), QStringLiteral("好.txt"));
    EXPECT_EQ(wps_sim::document_text(doc), QStringLiteral("第一行\rsecond\r"));
    long start = -1, end = -1;
    ASSERT_TRUE(wsim_selection(app, start, end));
    EXPECT_EQ(start, 0);
    EXPECT_EQ(end, 0);

    EXPECT_FALSE(wsim_open_document(app, dir.filePath("missing.txt"), error));
    EXPECT_TRUE(error.contains("no such file")) << error.toStdString();
    EXPECT_TRUE(error.contains("missing.txt"));

    EXPECT_FALSE(wsim_open_document(app, dir.path(), error));
    EXPECT_TRUE(error.contains("directory")) << error.toStdString();

    const QString gbk =
        write_file(dir, QStringLiteral("gbk.txt"), QByteArray("\xD6\xD0\xCE\xC4\n"));
    EXPECT_FALSE(wsim_open_document(app, gbk, error));
    EXPECT_TRUE(error.contains("not valid UTF-8")) << error.toStdString();

    // A file the kernel refuses to read although it exists.
    EXPECT_FALSE(wsim_open_document(app, QStringLiteral("/proc/self/mem"), error));
    EXPECT_TRUE(error.startsWith("cannot read")) << error.toStdString();

    // Only the good file was opened.
    EXPECT_EQ(wsim_documents(app).size(), 1);
}
