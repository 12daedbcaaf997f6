// The dialog "清除颜色标记" and the command "清除颜色": check boxes of one colour
// move together, confirmed ticks are stored, and the marks highlighted in a
// chosen colour leave the active document with their highlight.
#include <QCheckBox>

#include "features/colours/velmo_color_commands.h"
#include "features/colours/velmo_ui_color_clear.h"
#include "features/common/velmo_ui_color_button.h"
#include "host/velmo_host_string.h"
#include "settings_fixture.h"

namespace {

const char* const ERROR_BOX = "清除所有错误标记";
const char* const SUSPECT_BOX = "清除所有疑错标记";
const char* const UPDATE_BOX = "清除所有修改标记";
const char* const FIND_BOX = "清除所有成批查找标记";
const char* const ALL_BOXES[] = {ERROR_BOX, SUSPECT_BOX, UPDATE_BOX, FIND_BOX};

// Colours of the test settings: Error 6, Fallibility 7, Update 4, Find 3.
struct placed_mark_t {
    const char* name;
    long start;
    long end;
    int color;
};

const placed_mark_t MARKS[] = {
    {"vmjd_error_1_0_甲乙_x_0", 0, 2, 6},
    {"vmjd_error_3_0_丙_y_2", 2, 3, 6},
    {"vmjd_error_2_0_丁戊_z_4", 4, 6, 7},
    {"vmjd_error_1_1_己_w_7", 7, 8, 4},
    {"vmjd_find_9_11", 9, 11, 3},
    {"vmjd_find_12_13", 12, 13, 6},         // a find mark in the error colour
    {"my_note", 14, 16, 6},                 // the user's own bookmark
    {"vmjd_error_1_0_午_q_16", 16, 17, 9},  // a colour of no kind
};

class clear_color_test : public settings_test {
  protected:
    QList<bool> shown_ticks;

    kfc::ks_stdptr<wpsapi::_Document> open_marked_document() {
        wps_sim::document_builder builder;
        builder.paragraph(QString::fromUtf8("甲乙丙丁戊己庚辛壬癸子丑寅卯辰巳午未申酉"));
        for (const placed_mark_t& mark : MARKS) {
            builder.highlight(mark.start, mark.end, static_cast<wpsapi::WdColorIndex>(mark.color));
            builder.bookmark(QString::fromUtf8(mark.name), mark.start, mark.end);
        }
        return builder.open(app);
    }

    // Runs the command with the boxes set as given, then `button` pressed.
    void run(QList<bool> ticks, const QString& button) {
        responder.on("清除颜色标记").act([this, ticks, button](QWidget* dialog) {
            shown_ticks = current_ticks(dialog);
            for (int i = 0; i < ticks.size(); ++i) box(dialog, ALL_BOXES[i])->setChecked(ticks[i]);
            click(dialog, button);
        });
        QList<QVariant> args;
        EXPECT_EQ(velmo_cb_clear_color(args), 0);
        EXPECT_EQ(responder.pending_steps(), 0);
    }

    static QCheckBox* box(QWidget* dialog, const char* caption) {
        QCheckBox* found = child<QCheckBox>(dialog, QString::fromUtf8(caption));
        EXPECT_NE(found, nullptr) << caption;
        return found;
    }

    static QList<bool> current_ticks(QWidget* dialog) {
        QList<bool> ticks;
        for (const char* caption : ALL_BOXES) ticks << box(dialog, caption)->isChecked();
        return ticks;
    }

    static QStringList bookmark_names(wpsapi::_Document* document) {
        QStringList names;
        kfc::ks_stdptr<wpsapi::Bookmarks> all;
        long count = 0;
        if (FAILED(document->get_Bookmarks(&all)) || FAILED(all->get_Count(&count))) return names;
        for (long i = 1; i <= count; ++i) {
            VARIANT index = kfc::var_i8(i);
            kfc::ks_stdptr<wpsapi::Bookmark> bookmark;
            if (SUCCEEDED(all->Item(&index, &bookmark))) names << velmo_bookmark_name(bookmark);
        }
        return names;
    }

    // The marks of MARKS still present, and each one's highlight now.
    static QStringList remaining(wpsapi::_Document* document) {
        const QStringList names = bookmark_names(document);
        QStringList left;
        for (const placed_mark_t& mark : MARKS)
            if (names.contains(QString::fromUtf8(mark.name)))
                left << QString::fromUtf8(mark.name) + "=" +
                            QString::number(highlight(document, mark.start, mark.end));
        return left;
    }
};

TEST_F(clear_color_test, dialog_shows_colours_and_confirmed_ticks) {
    velmo_ui_clear_color dialog;
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("清除颜色标记"));
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowContextHelpButtonHint);
    EXPECT_EQ(current_ticks(&dialog), QList<bool>({false, true, false, false}));
    QList<int> colors;
    for (velmo_ui_color_button* swatch : dialog.findChildren<velmo_ui_color_button*>())
        colors << swatch->get_wps_color();
    EXPECT_EQ(colors, QList<int>({6, 7, 4, 3}));
}

TEST_F(clear_color_test, boxes_of_one_colour_move_together) {
    use_ini("[Color]\nError=7\nUpdate=3\nFallibility=4\nFind=4\n");
    velmo_ui_clear_color dialog;
    box(&dialog, SUSPECT_BOX)->setChecked(true);
    EXPECT_EQ(current_ticks(&dialog), QList<bool>({false, true, false, true}));
    box(&dialog, FIND_BOX)->setChecked(false);
    EXPECT_EQ(current_ticks(&dialog), QList<bool>({false, false, false, false}));
    box(&dialog, UPDATE_BOX)->setChecked(true);
    EXPECT_EQ(current_ticks(&dialog), QList<bool>({false, false, true, false}));
}

TEST_F(clear_color_test, only_a_confirmed_dialog_answers_which_colours_to_clear) {
    velmo_ui_clear_color dialog;
    for (const char* caption : ALL_BOXES) box(&dialog, caption)->setChecked(true);
    for (int color : {6, 7, 4, 3}) EXPECT_FALSE(dialog.is_clear_color(color)) << color;

    box(&dialog, UPDATE_BOX)->setChecked(false);
    click(&dialog, "确定");
    EXPECT_TRUE(dialog.is_clear_color(6));
    EXPECT_TRUE(dialog.is_clear_color(7));
    EXPECT_FALSE(dialog.is_clear_color(4));
    EXPECT_TRUE(dialog.is_clear_color(3));
    EXPECT_FALSE(dialog.is_clear_color(9));  // no kind has it
    EXPECT_FALSE(dialog.is_clear_color(0));
}

TEST_F(clear_color_test, clears_marks_of_the_chosen_colour_only_and_stores_the_ticks) {
    auto document = open_marked_document();
    run({true, false, false, false}, "确定");

    EXPECT_EQ(shown_ticks, QList<bool>({false, true, false, false}));
    EXPECT_EQ(remaining(document),
              QStringList({"vmjd_error_2_0_丁戊_z_4=7", "vmjd_error_1_1_己_w_7=4",
                           "vmjd_find_9_11=3", "my_note=6", "vmjd_error_1_0_午_q_16=9"}));
    // The cleared marks lost their highlight.
    EXPECT_EQ(highlight(document, 0, 3), 0);
    EXPECT_EQ(highlight(document, 12, 13), 0);

    const ini_values_t disk = ini_on_disk();
    EXPECT_EQ(disk.value({"ClearColor", "ErrorFlag"}), "1");
    EXPECT_EQ(disk.value({"ClearColor", "FallibilityFlag"}), "0");
    EXPECT_EQ(disk.value({"ClearColor", "UpdateFlag"}), "0");
    EXPECT_EQ(disk.value({"ClearColor", "FindFlag"}), "0");
    EXPECT_EQ(changed_keys(), QStringList({"ClearColor/ErrorFlag", "ClearColor/FallibilityFlag"}));
}

TEST_F(clear_color_test, next_opening_shows_the_last_confirmed_ticks) {
    auto document = open_marked_document();
    run({false, false, true, true}, "确定");
    EXPECT_EQ(remaining(document),
              QStringList({"vmjd_error_1_0_甲乙_x_0=6", "vmjd_error_3_0_丙_y_2=6",
                           "vmjd_error_2_0_丁戊_z_4=7", "vmjd_find_12_13=6", "my_note=6",
                           "vmjd_error_1_0_午_q_16=9"}));
    run({}, "取消");
    EXPECT_EQ(shown_ticks, QList<bool>({false, false, true, true}));
}

TEST_F(clear_color_test, every_kind_chosen_removes_every_mark_and_leaves_other_bookmarks) {
    auto document = open_marked_document();
    run({true, true, true, true}, "确定");
    EXPECT_EQ(bookmark_names(document), QStringList({"my_note"}));
    EXPECT_EQ(highlight(document, 0, 14), 0);
    EXPECT_EQ(highlight(document, 14, 16), 6);
    EXPECT_EQ(highlight(document, 16, 17), 0);
}

TEST_F(clear_color_test, cancel_clears_nothing_whatever_the_boxes_show) {
    auto document = open_marked_document();
    run({true, true, true, true}, "取消");
    EXPECT_EQ(bookmark_names(document).size(), static_cast<int>(std::size(MARKS)));
    EXPECT_EQ(highlight(document, 0, 3), 6);
    EXPECT_EQ(changed_keys(), QStringList());
    EXPECT_STREQ(config()->get_string("ClearColor", "ErrorFlag"), "0");
}

TEST_F(clear_color_test, clears_a_long_run_of_adjacent_marks) {
    // 2000 marks in the error colour, then 50 suspect marks.
    constexpr long ERROR_MARKS = 2000;
    constexpr long ALL_MARKS = ERROR_MARKS + 50;
    wps_sim::document_builder builder;
    builder.paragraph(QString(2 * ALL_MARKS, QChar(0x5b57)));
    for (long i = 0; i < ALL_MARKS; ++i) {
        const bool error = i < ERROR_MARKS;
        builder.highlight(2 * i, 2 * i + 2, error ? wpsapi::wdRed : wpsapi::wdYellow);
        builder.bookmark(QString("vmjd_error_%1_0_ab_c_%2").arg(error ? 1 : 2).arg(2 * i), 2 * i,
                         2 * i + 2);
    }
    auto document = builder.open(app);
    run({true, false, false, false}, "确定");
    const QStringList left = bookmark_names(document);
    EXPECT_EQ(left.size(), ALL_MARKS - ERROR_MARKS);
    for (const QString& name : left)
        EXPECT_TRUE(name.startsWith("vmjd_error_2_")) << name.toStdString();
    EXPECT_EQ(highlight(document, 0, 2 * ERROR_MARKS), 0);
    EXPECT_EQ(highlight(document, 2 * ERROR_MARKS, 2 * ALL_MARKS), wpsapi::wdYellow);
}

TEST_F(clear_color_test, without_a_document_only_the_ticks_are_stored) {
    run({true, false, false, false}, "确定");
    EXPECT_EQ(ini_on_disk().value({"ClearColor", "ErrorFlag"}), "1");
}

}  // namespace
