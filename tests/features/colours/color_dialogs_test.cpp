// The colour swatch, the colour picker and the dialog "颜色设置" through its
// command.
#include <QDir>
#include <QFile>
#include <QPalette>
#include <QTimer>

#include "features/colours/velmo_color_commands.h"
#include "features/colours/velmo_ui_color.h"
#include "features/common/velmo_ui_color_button.h"
#include "settings_fixture.h"

namespace {

QColor face_of(const velmo_ui_color_button* button, QPalette::ColorGroup group) {
    return button->palette().brush(group, QPalette::Button).color();
}

// The swatches of a dialog in creation order, without the picker's own
// uncoloured buttons.
QList<velmo_ui_color_button*> swatches_of(QWidget* dialog) {
    QList<velmo_ui_color_button*> swatches;
    for (velmo_ui_color_button* button : dialog->findChildren<velmo_ui_color_button*>())
        if (button->text().isEmpty()) swatches << button;
    return swatches;
}

// A picker step: click the grid swatch of `index` (none for 0), then press `button`.
std::function<void(QWidget*)> pick(int index, const QString& button) {
    return [index, button](QWidget* picker) {
        if (index > 0) swatches_of(picker)[index - 1]->click();
        QAbstractButton* target = nullptr;
        for (velmo_ui_color_button* candidate : picker->findChildren<velmo_ui_color_button*>())
            if (candidate->text() == button) target = candidate;
        ASSERT_NE(target, nullptr);
        target->click();
    };
}

class color_dialogs_test : public settings_test {
  protected:
    // Colours shown by the "颜色设置" swatches (Error, Update, Fallibility, Find)
    // when it opened, and the colour each picker opened with.
    QList<int> shown;
    QList<int> picker_opened_with;

    // Runs the command; `edit` works in the dialog before `button` is
    // pressed, each picker it opens is answered by the next of `pickers`.
    void run(const std::function<void(QWidget*)>& edit, const QString& button,
             const QList<std::function<void(QWidget*)>>& pickers = {}) {
        responder.on("颜色设置").act([this, edit, button](QWidget* dialog) {
            shown.clear();
            for (velmo_ui_color_button* swatch : swatches_of(dialog))
                shown << swatch->get_wps_color();
            // The pickers open from a later event: the responder does not
            // answer a modal while it is still inside one of its own steps.
            QTimer::singleShot(0, dialog, [dialog, edit, button] {
                edit(dialog);
                click(dialog, button);
            });
        });
        for (const auto& answer : pickers)
            responder.on("颜色").act([this, answer](QWidget* picker) {
                auto* opened = qobject_cast<velmo_ui_color*>(picker);
                ASSERT_NE(opened, nullptr);
                picker_opened_with << opened->get_color();
                answer(picker);
            });
        QList<QVariant> args;
        EXPECT_EQ(velmo_cb_color_setting(args), 0);
        EXPECT_EQ(responder.pending_steps(), 0);
    }

    // Clicks swatch `index` of the "颜色设置" dialog, which opens the picker.
    static std::function<void(QWidget*)> open_pickers(QList<int> swatch_indices) {
        return [swatch_indices](QWidget* dialog) {
            const QList<velmo_ui_color_button*> swatches = swatches_of(dialog);
            ASSERT_EQ(swatches.size(), 4);
            for (int index : swatch_indices) swatches[index]->click();
        };
    }

    QList<int> stored_colors() const {
        return {config()->get_int("Color", "Error"), config()->get_int("Color", "Update"),
                config()->get_int("Color", "Fallibility"), config()->get_int("Color", "Find")};
    }
};

TEST_F(color_dialogs_test, swatch_shows_every_index_in_its_display_colour_and_red_otherwise) {
    const Qt::GlobalColor expected[] = {
        Qt::black,   Qt::blue,       Qt::cyan,     Qt::green,    Qt::magenta,   Qt::red,
        Qt::yellow,  Qt::white,      Qt::darkBlue, Qt::darkCyan, Qt::darkGreen, Qt::darkMagenta,
        Qt::darkRed, Qt::darkYellow, Qt::gray,     Qt::lightGray};
    velmo_ui_color_button button;
    for (int index = 1; index <= 16; ++index) {
        button.set_wps_color(index);
        EXPECT_EQ(button.get_wps_color(), index);
        EXPECT_EQ(velmo_qt_color_of(index), QColor(expected[index - 1]));
        for (QPalette::ColorGroup group :
             {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            EXPECT_EQ(face_of(&button, group), QColor(expected[index - 1])) << index;
    }
    for (int index : {0, -1, 17, 9999999}) {
        button.set_wps_color(index);
        EXPECT_EQ(button.get_wps_color(), index);
        EXPECT_EQ(face_of(&button, QPalette::Active), QColor(Qt::red)) << index;
    }
    EXPECT_TRUE(button.isFlat());
    EXPECT_TRUE(button.autoFillBackground());
}

TEST_F(color_dialogs_test, picker_grid_holds_the_sixteen_colours_row_by_row) {
    velmo_ui_color picker;
    EXPECT_EQ(picker.windowTitle(), QString::fromUtf8("颜色"));
    QList<velmo_ui_color_button*> swatches = swatches_of(&picker);
    ASSERT_EQ(swatches.size(), 17);  // the grid and the current colour
    for (int index = 1; index <= 16; ++index)
        EXPECT_EQ(swatches[index - 1]->get_wps_color(), index);
    // Its buttons are swatches too, left uncoloured.
    EXPECT_NE(child<velmo_ui_color_button>(&picker, "确定"), nullptr);
    EXPECT_NE(child<velmo_ui_color_button>(&picker, "取消"), nullptr);

    picker.set_color(9);
    swatches[11]->click();
    EXPECT_EQ(picker.get_color(), 12);
    EXPECT_EQ(swatches[16]->get_wps_color(), 12);
    EXPECT_EQ(face_of(swatches[16], QPalette::Active), QColor(Qt::darkMagenta));
}

TEST_F(color_dialogs_test, shows_the_stored_colours_and_confirm_saves_the_picked_ones) {
    run(open_pickers({0, 3}), "确定", {pick(2, "确定"), pick(16, "确定")});
    EXPECT_EQ(shown, QList<int>({6, 4, 7, 3}));
    EXPECT_EQ(picker_opened_with, QList<int>({6, 3}));
    EXPECT_EQ(stored_colors(), QList<int>({2, 4, 7, 16}));
    EXPECT_EQ(changed_keys(), QStringList({"Color/Error", "Color/Find"}));
    EXPECT_EQ(ini_on_disk().value({"Color", "Error"}), "2");
    EXPECT_EQ(ini_on_disk().value({"Color", "Find"}), "16");
}

TEST_F(color_dialogs_test, picker_keeps_the_colour_unless_a_new_one_is_confirmed) {
    use_ini("[Color]\nError=7\nUpdate=3\nFallibility=4\nFind=4\n");
    // "确定" without a click, "取消" after a click, Escape after a click.
    run(open_pickers({0, 0, 0}), "确定", {pick(0, "确定"), pick(5, "取消"), [](QWidget* picker) {
                                              swatches_of(picker)[8]->click();
                                              static_cast<QDialog*>(picker)->reject();
                                          }});
    EXPECT_EQ(picker_opened_with, QList<int>({7, 7, 7}));
    EXPECT_EQ(stored_colors(), QList<int>({7, 3, 4, 4}));
}

TEST_F(color_dialogs_test, a_colour_out_of_range_is_shown_red_and_kept_unless_changed) {
    use_ini("[Color]\nError=0\nUpdate=23\n");
    velmo_ui_color_button* error_swatch = nullptr;
    run(
        [&](QWidget* dialog) {
            error_swatch = swatches_of(dialog)[0];
            EXPECT_EQ(face_of(error_swatch, QPalette::Active), QColor(Qt::red));
            EXPECT_EQ(face_of(swatches_of(dialog)[1], QPalette::Active), QColor(Qt::red));
        },
        "确定");
    EXPECT_EQ(shown, QList<int>({0, 23, 0, 0}));
    EXPECT_EQ(stored_colors(), QList<int>({0, 23, 0, 0}));
    EXPECT_EQ(ini_on_disk().value({"Color", "Find"}), "0");
}

TEST_F(color_dialogs_test, default_fills_the_dialog_but_only_confirm_stores_it) {
    run([](QWidget* dialog) { click(dialog, "默认"); }, "取消");
    EXPECT_EQ(stored_colors(), QList<int>({6, 4, 7, 3}));
    EXPECT_EQ(changed_keys(), QStringList());

    // Four different colours, so that no two kinds of mark are confused.
    run([](QWidget* dialog) { click(dialog, "默认"); }, "确定");
    EXPECT_EQ(stored_colors(), QList<int>({7, 3, 4, 5}));
    const ini_values_t disk = ini_on_disk();
    EXPECT_EQ(disk.value({"Color", "Error"}), "7");
    EXPECT_EQ(disk.value({"Color", "Update"}), "3");
    EXPECT_EQ(disk.value({"Color", "Fallibility"}), "4");
    EXPECT_EQ(disk.value({"Color", "Find"}), "5");
    EXPECT_EQ(changed_keys(),
              QStringList({"Color/Error", "Color/Fallibility", "Color/Find", "Color/Update"}));
}

TEST_F(color_dialogs_test, a_failed_save_is_shown_and_the_dialog_stays_open) {
    // The user's settings file's place is taken by a folder.
    QDir().mkpath(QString::fromStdString(settings->user_ini_path()));
    bool still_open = false;
    responder.on("颜色设置").act([&](QWidget* dialog) {
        click(dialog, "默认");
        click(dialog, "确定");
        still_open = dialog->isVisible();
        click(dialog, "取消");
    });
    QList<QVariant> args;
    EXPECT_EQ(velmo_cb_color_setting(args), 0);
    EXPECT_TRUE(still_open);
    ASSERT_EQ(responder.seen().size(), 2);
    EXPECT_TRUE(
        responder.seen()[1].text.contains(QString::fromStdString(settings->user_ini_path())))
        << responder.seen()[1].text.toStdString();
    EXPECT_EQ(responder.seen()[1].buttons, QStringList{QString::fromUtf8("确定")});
    // Cancelled after the failed save: the colours in effect before it opened.
    EXPECT_EQ(stored_colors(), QList<int>({6, 4, 7, 3}));
}

TEST_F(color_dialogs_test, cancel_after_picking_stores_nothing) {
    run(open_pickers({1}), "取消", {pick(1, "确定")});
    EXPECT_EQ(stored_colors(), QList<int>({6, 4, 7, 3}));
    EXPECT_EQ(changed_keys(), QStringList());
}

}  // namespace
