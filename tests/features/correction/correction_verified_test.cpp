// "更改" and "全部更改" write only over text that still is what the mark
// stands for: text the user edited after the check, and marks whose names do
// not decode cleanly, are dropped with one message instead of overwritten;
// the author's own highlight under a mark comes back over the correction.
#include <QWidget>

#include "correction_fixture.h"
#include "document/velmo_check_progress.h"
#include "document/velmo_document.h"
#include "document/velmo_mark_name.h"
#include "features/correction/velmo_correction_commands.h"
#include "host/velmo_bstr.h"

namespace {

constexpr int UPDATE_COLOR = 4;
constexpr int ERROR_COLOR = 6;
const QString CHANGE = QString::fromUtf8("更改(A)");
const QString CHANGE_ALL = QString::fromUtf8("全部更改(D)");
const QString NOTICE_TITLE = QString::fromUtf8("系统提示");

class correction_verified_test : public correction_test {
  protected:
    // Opens the builder's document and marks it as a finished check does.
    kfc::ks_stdptr<wpsapi::_Document> open_checked(const wps_sim::document_builder& builder,
                                                   const QList<velmo_check_result_t>& records) {
        auto document = open(builder);
        s_check_progress.start = 0;
        s_check_progress.end = wps_sim::document_text(document).size();
        s_check_progress.results = records;
        s_check_progress.document = document;
        local_print_check_result(true);
        return document;
    }

    // Opens "建议" at the cursor and leaves by the button; the notice about
    // stale marks, when one is expected, is answered and its text returned.
    QString press_at(long cursor, const QString& button, bool notice_expected = true) {
        set_cursor(cursor);
        suggest([&](QWidget* dialog) {
            if (notice_expected) responder.on(NOTICE_TITLE).press(QString::fromUtf8("确定"));
            press(dialog, button);
        });
        QString notice;
        for (const QString& seen : responder.seen_texts())
            if (seen.contains(QString::fromUtf8("标记的文字已改动"))) notice = seen;
        return notice;
    }

    static int own_bookmarks(wpsapi::_Document* document, const char* prefix) {
        int count = 0;
        for (const bookmark_seen_t& seen : bookmarks(document))
            if (seen.name.startsWith(QLatin1String(prefix))) ++count;
        return count;
    }
};

TEST_F(correction_verified_test, text_edited_after_the_check_is_never_overwritten) {
    const QString text = QString::fromUtf8("我们按步就班地工作。");
    auto document =
        open_checked(wps_sim::document_builder().paragraph(text),
                     {record(2, 1, QString::fromUtf8("按步就班"), QString::fromUtf8("按部就班"))});
    // The user widens the marked words to 按步骤就班 after the check.
    insert_text(document, 4, QString::fromUtf8("骤"));
    const QString notice = press_at(3, CHANGE);
    EXPECT_EQ(text_of(document, 0, 11), QString::fromUtf8("我们按步骤就班地工作。"));
    EXPECT_EQ(notice, QString::fromUtf8("有1处标记的文字已改动，未作更改，标记已删除"));
    EXPECT_TRUE(s_check_progress.results.isEmpty());
    EXPECT_EQ(own_bookmarks(document, VELMO_ERROR_MARK_PREFIX), 0);
    EXPECT_EQ(highlight(document, 2, 7), 0);
}

TEST_F(correction_verified_test, change_everywhere_skips_the_stale_places_and_tells_once) {
    // 丙丁 at 1, 4 and 7; the first two are edited into 丙x丁 and 乙丁.
    const QString text = QString::fromUtf8("子丙丁丑丙丁寅丙丁卯");
    const QString wrong = QString::fromUtf8("丙丁");
    const QString right = QString::fromUtf8("甲乙");
    auto document = open_checked(
        wps_sim::document_builder().paragraph(text),
        {record(1, 1, wrong, right), record(4, 1, wrong, right), record(7, 1, wrong, right)});
    insert_text(document, 2, QString::fromUtf8("x"));
    {
        VARIANT s = kfc::var_i8(5);
        VARIANT e = kfc::var_i8(6);
        kfc::ks_stdptr<wpsapi::Range> range;
        ASSERT_TRUE(SUCCEEDED(document->Range(&s, &e, &range)));
        range->put_Text(velmo_to_bstr(QString::fromUtf8("乙")));
    }
    ASSERT_EQ(text_of(document, 0, 11), QString::fromUtf8("子丙x丁丑乙丁寅丙丁卯"));
    const QString notice = press_at(8, CHANGE_ALL);
    EXPECT_EQ(text_of(document, 0, 11), QString::fromUtf8("子丙x丁丑乙丁寅甲乙卯"));
    EXPECT_EQ(notice, QString::fromUtf8("有2处标记的文字已改动，未作更改，标记已删除"));
    ASSERT_EQ(s_check_progress.results.size(), 1);
    EXPECT_EQ(s_check_progress.results.at(0).pos, 8);
    EXPECT_EQ(highlight(document, 8, 10), UPDATE_COLOR);
    EXPECT_EQ(highlight(document, 1, 7), 0);
    expect_marks_agree(document);
}

// Names as the host may hand them back damaged: the record read from them
// is never applied, even where the text under the mark is the error text.
TEST_F(correction_verified_test, a_mark_whose_name_does_not_decode_cleanly_is_never_applied) {
    const QString text = QString::fromUtf8("要再接再励啊");
    for (const char* damaged :
         {"vmjd_error_1_x_再接再励_再接再厉_1", "vmjd_error_1_0_再接再励_再接再厉_1_9",
          "vmjd_error_1_0_再接再励_再接再厉\xC2\xA4"
          "00_1",
          "vmjd_error_1_0__再接再厉_1"}) {
        SCOPED_TRACE(damaged);
        s_check_progress = check_progress_t();
        auto document = open(wps_sim::document_builder().paragraph(text));
        add_bookmark(document, QString::fromUtf8(damaged), 1, 5);
        press_at(2, CHANGE);
        EXPECT_EQ(text_of(document, 0, 6), text);
        EXPECT_EQ(own_bookmarks(document, VELMO_ERROR_MARK_PREFIX), 0);
    }
    // The same name undamaged is applied.
    s_check_progress = check_progress_t();
    auto document = open(wps_sim::document_builder().paragraph(text));
    add_bookmark(document, QString::fromUtf8("vmjd_error_1_0_再接再励_再接再厉_1"), 1, 5);
    press_at(2, CHANGE, false);
    EXPECT_EQ(text_of(document, 0, 6), QString::fromUtf8("要再接再厉啊"));
}

TEST_F(correction_verified_test, the_authors_highlight_comes_back_over_the_correction) {
    const QString text = QString::fromUtf8("请张三李四来开会");
    wps_sim::document_builder builder;
    builder.paragraph(text).highlight(1, 5, wpsapi::wdTurquoise);
    auto document =
        open_checked(builder, {record(1, 1, QString::fromUtf8("张三"), QString::fromUtf8("章三")),
                               record(4, 1, QString::fromUtf8("四来"), QString::fromUtf8("四人"))});
    ASSERT_EQ(highlight(document, 1, 3), ERROR_COLOR);
    ASSERT_EQ(highlight(document, 4, 6), ERROR_COLOR);
    press_at(1, CHANGE, false);
    EXPECT_EQ(text_of(document, 0, 8), QString::fromUtf8("请章三李四来开会"));
    EXPECT_EQ(highlight(document, 1, 4), wpsapi::wdTurquoise);
    // Half of the second mark was the author's; the other half gets the
    // correction colour.
    press_at(4, CHANGE, false);
    EXPECT_EQ(text_of(document, 0, 8), QString::fromUtf8("请章三李四人开会"));
    EXPECT_EQ(highlight(document, 4, 5), wpsapi::wdTurquoise);
    EXPECT_EQ(highlight(document, 5, 6), UPDATE_COLOR);
    EXPECT_EQ(own_bookmarks(document, VELMO_KEPT_HIGHLIGHT_PREFIX), 0);
}

}  // namespace
