// The settings dialog "参数设置" through its command: what it shows, what
// "确定" writes (and only that), and that "取消" writes nothing.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextCodec>
#include <cerrno>
#include <cstring>

#include "features/settings/velmo_settings_commands.h"
#include "features/settings/velmo_ui_setting.h"
#include "settings_fixture.h"

namespace {

const char* const OPTION_CAPTIONS[] = {
    "校对用户自定义错误", "校对英文",           "校对标点",       "检查台湾问题",
    "检查也作/曾用词",    "检查领导人和重点词", "检查领导人排序", "检查重句"};
const char* const WEIGHT_CAPTIONS[] = {"快速校对", "一般校对", "严格校对"};

struct shown_settings_t {
    QString title;
    QStringList tabs;
    QStringList checked_radio_buttons;
    QStringList checked_boxes;
    QStringList line_edits;
    int repository_buttons = 0;
};

shown_settings_t read_dialog(QWidget* dialog) {
    shown_settings_t shown;
    shown.title = dialog->windowTitle();
    if (auto* tabs = dialog->findChild<QTabWidget*>())
        for (int i = 0; i < tabs->count(); ++i) shown.tabs << tabs->tabText(i);
    for (QRadioButton* button : dialog->findChildren<QRadioButton*>())
        if (button->isChecked()) shown.checked_radio_buttons << button->text();
    shown.checked_radio_buttons.sort();
    for (QCheckBox* box : dialog->findChildren<QCheckBox*>())
        if (box->isChecked()) shown.checked_boxes << box->text();
    for (QLineEdit* edit : dialog->findChildren<QLineEdit*>()) shown.line_edits << edit->text();
    shown.repository_buttons = dialog->findChildren<QRadioButton*>().size() - 3;
    return shown;
}

class setting_dialog_test : public settings_test {
  protected:
    // Runs the command; `edit` changes the dialog before `button` is pressed.
    shown_settings_t run(const std::function<void(QWidget*)>& edit, const QString& button) {
        shown_settings_t shown;
        responder.on("参数设置").act([&](QWidget* dialog) {
            shown = read_dialog(dialog);
            edit(dialog);
            click(dialog, button);
        });
        QList<QVariant> args;
        EXPECT_EQ(velmo_cb_setting(args), 0);
        EXPECT_EQ(responder.pending_steps(), 0);
        return shown;
    }

    static void set_check(QWidget* dialog, const char* caption, bool checked) {
        QCheckBox* box = child<QCheckBox>(dialog, QString::fromUtf8(caption));
        ASSERT_NE(box, nullptr) << caption;
        box->setChecked(checked);
    }

    static void set_edit(QWidget* dialog, int index, const QString& text) {
        const QList<QLineEdit*> edits = dialog->findChildren<QLineEdit*>();
        ASSERT_GT(edits.size(), index);
        edits[index]->setText(text);
    }
};

TEST_F(setting_dialog_test, opens_showing_the_stored_settings) {
    config()->set_string("OtherParams", "ServiceUrl",
                         QString::fromUtf8("http://校对.example/s").toLocal8Bit().constData());
    const shown_settings_t shown = run([](QWidget*) {}, "取消");

    EXPECT_EQ(shown.title, QString::fromUtf8("参数设置"));
    EXPECT_EQ(shown.tabs, QStringList({"一般选项", "挂接专业库", "其他参数"}));
    // Weight 2 and ProfType 13.
    QStringList checked_expected({"严格校对", "医学生物心理"});
    checked_expected.sort();
    EXPECT_EQ(shown.checked_radio_buttons, checked_expected);
    EXPECT_EQ(shown.repository_buttons, 20);
    // ColorWay 1; UserErr, ChkEng, CheckMatchDots, Leader, RepeatSentence 1; the rest 0.
    EXPECT_EQ(shown.checked_boxes, QStringList({"自动生成勘误表", "校对用户自定义错误", "校对英文",
                                                "校对标点", "检查领导人和重点词", "检查重句"}));
    EXPECT_EQ(shown.line_edits,
              QStringList({"1500", "3", QString::fromUtf8("http://校对.example/s")}));
}

TEST_F(setting_dialog_test, missing_keys_show_empty_fields_and_nothing_checked) {
    use_ini("[OtherParams]\nnewstyle=1\n[CheckExtendInfo]\nProfType=25\nWeight=-1\n");
    const shown_settings_t shown = run([](QWidget*) {}, "取消");
    // Stored values outside the buttons' range check none.
    EXPECT_TRUE(shown.checked_radio_buttons.isEmpty());
    EXPECT_TRUE(shown.checked_boxes.isEmpty());
    EXPECT_EQ(shown.line_edits, QStringList({"", "", ""}));
}

TEST_F(setting_dialog_test, confirm_writes_exactly_the_dialog_keys_and_saves) {
    run(
        [](QWidget* dialog) {
            child<QRadioButton>(dialog, "快速校对")->setChecked(true);
            child<QRadioButton>(dialog, QString::fromUtf8("经济证券会计\n财政审计"))
                ->setChecked(true);
            set_check(dialog, "自动生成勘误表", false);
            set_check(dialog, "校对后打开校对结果", true);
            set_check(dialog, "校对用户自定义错误", false);
            set_check(dialog, "检查台湾问题", true);
            set_check(dialog, "检查也作/曾用词", true);
            set_check(dialog, "检查领导人排序", true);
            set_check(dialog, "检查重句", false);
            set_edit(dialog, 0, "8000");
            set_edit(dialog, 1, QString::fromUtf8("五"));
            set_edit(dialog, 2, "http://127.0.0.1:9/other");
        },
        "确定");

    const ini_values_t disk = ini_on_disk();
    EXPECT_EQ(changed_keys(),
              QStringList({"CheckExtendInfo/FanTi", "CheckExtendInfo/ProfType",
                           "CheckExtendInfo/TaiWan", "CheckExtendInfo/UserErr",
                           "CheckExtendInfo/Weight", "CheckType/CheckLeaderSort",
                           "OtherParams/CheckWordsCount", "OtherParams/PosCount",
                           "OtherParams/ServiceUrl", "Way/ColorWay", "Way/ResultList"}));
    EXPECT_EQ(disk.value({"Way", "ResultList"}), "1");
    EXPECT_EQ(disk.value({"CheckExtendInfo", "Weight"}), "0");
    EXPECT_EQ(disk.value({"CheckExtendInfo", "ProfType"}), "16");
    EXPECT_EQ(disk.value({"Way", "ColorWay"}), "0");
    EXPECT_EQ(disk.value({"CheckExtendInfo", "UserErr"}), "0");
    EXPECT_EQ(disk.value({"CheckExtendInfo", "TaiWan"}), "1");
    EXPECT_EQ(disk.value({"CheckType", "CheckLeaderSort"}), "1");
    // The repeated-sentence box only shows its setting.
    EXPECT_EQ(disk.value({"CheckExtendInfo", "RepeatSentence"}), "1");
    EXPECT_EQ(disk.value({"OtherParams", "CheckWordsCount"}), "5000");
    EXPECT_EQ(disk.value({"OtherParams", "PosCount"}), QString::fromUtf8("五"));
    EXPECT_EQ(disk.value({"OtherParams", "ServiceUrl"}), "http://127.0.0.1:9/other");

    // Memory holds the same values, the texts in the locale's encoding.
    EXPECT_EQ(config()->get_int("OtherParams", "CheckWordsCount"), 5000);
    EXPECT_EQ(QString::fromLocal8Bit(config()->get_string("OtherParams", "PosCount")),
              QString::fromUtf8("五"));
    EXPECT_EQ(config()->get_int("Way", "ColorWay"), 0);
}

TEST_F(setting_dialog_test, confirm_without_edits_writes_nothing_back) {
    // Values the dialog cannot show as stored: out of range, or text in
    // another encoding (GBK bytes under a UTF-8 locale) that reads as U+FFFD.
    use_ini(
        "[CheckExtendInfo]\nProfType=25\nWeight=9\n[OtherParams]\nCheckWordsCount=50\n"
        "PosCount=\xCE\xE5\nServiceUrl=http://127.0.0.1:1/\xB7\xFE\n");
    run([](QWidget*) {}, "确定");
    EXPECT_EQ(changed_keys(), QStringList());
    EXPECT_EQ(config()->get_int("CheckExtendInfo", "Weight"), 9);
    EXPECT_STREQ(config()->get_string("OtherParams", "PosCount"), "\xCE\xE5");
}

TEST_F(setting_dialog_test, typed_texts_lose_line_breaks_and_outer_blanks) {
    run(
        [](QWidget* dialog) {
            set_edit(dialog, 0, " 2000\n");
            set_edit(dialog, 1, "\t7 ");
            set_edit(dialog, 2, "  http://127.0.0.1:9/\nservice\r\n");
        },
        "确定");
    EXPECT_EQ(changed_keys(), QStringList({"OtherParams/CheckWordsCount", "OtherParams/PosCount",
                                           "OtherParams/ServiceUrl"}));
    EXPECT_EQ(ini_on_disk().value({"OtherParams", "ServiceUrl"}), "http://127.0.0.1:9/service");
    // Memory agrees with the file without a restart.
    EXPECT_STREQ(config()->get_string("OtherParams", "ServiceUrl"), "http://127.0.0.1:9/service");
    EXPECT_STREQ(config()->get_string("OtherParams", "PosCount"), "7");
    EXPECT_EQ(config()->get_int("OtherParams", "CheckWordsCount"), 2000);
}

TEST_F(setting_dialog_test, what_cannot_be_stored_is_named_and_the_dialog_stays_open) {
    QTextCodec* const locale_codec = QTextCodec::codecForLocale();
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("ISO-8859-1"));
    bool open_after_refusal = false;
    bool open_after_failed_save = false;
    int words_after_refusal = 0;
    responder.on("参数设置").act([&](QWidget* dialog) {
        set_edit(dialog, 0, "2000");
        set_edit(dialog, 2, QString::fromUtf8("http://校对.example/"));
        click(dialog, "确定");
        open_after_refusal = dialog->isVisible();
        words_after_refusal = config()->get_int("OtherParams", "CheckWordsCount");

        // A folder in the place of the user's settings file is in the way of a save.
        set_edit(dialog, 2, "http://127.0.0.1:9/");
        QDir().mkpath(QString::fromStdString(settings->user_ini_path()));
        click(dialog, "确定");
        open_after_failed_save = dialog->isVisible();
        click(dialog, "取消");
    });
    QList<QVariant> args;
    velmo_cb_setting(args);
    QTextCodec::setCodecForLocale(locale_codec);

    EXPECT_TRUE(open_after_refusal);
    EXPECT_TRUE(open_after_failed_save);
    const QStringList messages = responder.seen_texts().mid(1);
    ASSERT_EQ(messages.size(), 2) << messages.join(" | ").toStdString();
    EXPECT_TRUE(messages[0].contains(QString::fromUtf8("“服务地址”"))) << messages[0].toStdString();
    EXPECT_TRUE(messages[1].contains(QString::fromStdString(settings->user_ini_path())))
        << messages[1].toStdString();
    EXPECT_TRUE(messages[1].contains(QString::fromLocal8Bit(std::strerror(EISDIR))))
        << messages[1].toStdString();
    EXPECT_EQ(responder.seen()[2].buttons, QStringList{QString::fromUtf8("确定")});
    // The refused address changed nothing, not even the piece length typed with it.
    EXPECT_EQ(words_after_refusal, 1500);
    // "取消" after the failed save: what was in effect before the dialog opened.
    EXPECT_STREQ(config()->get_string("OtherParams", "ServiceUrl"), "http://127.0.0.1:1/service");
    EXPECT_EQ(config()->get_int("OtherParams", "CheckWordsCount"), 1500);
}

TEST_F(setting_dialog_test, piece_length_is_brought_into_100_to_5000) {
    const QPair<QString, int> cases[] = {
        {"50", 100},  {"8000", 5000}, {"abc", 100},   {"3000", 3000},        {"", 100},
        {"-20", 100}, {"100", 100},   {"5000", 5000}, {"99999999999", 5000}, {" 2500 ", 2500}};
    for (const auto& c : cases)
        EXPECT_EQ(velmo_ui_setting::check_words_from_text(c.first), c.second)
            << c.first.toStdString();

    run([](QWidget* dialog) { set_edit(dialog, 0, "50"); }, "确定");
    EXPECT_EQ(ini_on_disk().value({"OtherParams", "CheckWordsCount"}), "100");
}

TEST_F(setting_dialog_test, cancel_after_changes_writes_nothing) {
    run(
        [](QWidget* dialog) {
            child<QRadioButton>(dialog, "一般校对")->setChecked(true);
            for (const char* caption : OPTION_CAPTIONS) set_check(dialog, caption, false);
            set_edit(dialog, 0, "4000");
            set_edit(dialog, 2, "http://elsewhere");
        },
        "取消");
    EXPECT_EQ(changed_keys(), QStringList());
    EXPECT_EQ(config()->get_int("CheckExtendInfo", "Weight"), 2);
    EXPECT_EQ(config()->get_int("CheckExtendInfo", "UserErr"), 1);
    EXPECT_EQ(config()->get_int("OtherParams", "CheckWordsCount"), 1500);
    EXPECT_STREQ(config()->get_string("OtherParams", "ServiceUrl"), "http://127.0.0.1:1/service");
}

TEST_F(setting_dialog_test, closing_the_window_writes_nothing) {
    responder.on("参数设置").act([](QWidget* dialog) {
        set_check(dialog, "校对英文", false);
        dialog->close();
    });
    QList<QVariant> args;
    EXPECT_EQ(velmo_cb_setting(args), 0);
    EXPECT_EQ(changed_keys(), QStringList());
    EXPECT_EQ(config()->get_int("CheckExtendInfo", "ChkEng"), 1);
}

TEST_F(setting_dialog_test, weight_buttons_are_exclusive_and_store_their_index) {
    for (int weight = 0; weight < 3; ++weight) {
        run(
            [&](QWidget* dialog) {
                child<QRadioButton>(dialog, WEIGHT_CAPTIONS[weight])->setChecked(true);
            },
            "确定");
        EXPECT_EQ(config()->get_int("CheckExtendInfo", "Weight"), weight);
        EXPECT_EQ(ini_on_disk().value({"CheckExtendInfo", "Weight"}), QString::number(weight));
    }
}

}  // namespace
