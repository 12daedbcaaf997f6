// The about box through its command, with and without the logo file.
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

#include "config/velmo_config.h"
#include "features/about/velmo_about_commands.h"
#include "features/about/velmo_ui_about.h"
#include "plugin/velmo_translations.h"
#include "settings_fixture.h"

namespace {

class about_dialog_test : public settings_test {
  protected:
    struct shown_t {
        QString title;
        QStringList texts;
        bool logo_shown = false;
        bool title_bold = false;
        bool has_minimize = true;
    };

    shown_t run() {
        shown_t shown;
        responder.on("关于Velmo校对软件").act([&](QWidget* dialog) {
            shown.title = dialog->windowTitle();
            shown.has_minimize = dialog->windowFlags() & Qt::WindowMinimizeButtonHint;
            for (QLabel* label : dialog->findChildren<QLabel*>()) {
                if (!label->pixmap(Qt::ReturnByValue).isNull()) shown.logo_shown = true;
                if (label->text().isEmpty()) continue;
                shown.texts << label->text();
                if (label->text().startsWith(QString::fromUtf8("Velmo校对软件")))
                    shown.title_bold = label->font().bold();
            }
            click(dialog, "关闭");
        });
        QList<QVariant> args;
        EXPECT_EQ(velmo_cb_about(args), 0);
        EXPECT_EQ(responder.pending_steps(), 0);
        return shown;
    }

    static void expect_texts(const shown_t& shown, int contact_lines = 0) {
        EXPECT_EQ(shown.title, QString::fromUtf8("关于Velmo校对软件"));
        EXPECT_FALSE(shown.has_minimize);
        ASSERT_EQ(shown.texts.size(), 2 + contact_lines);
        const QStringList title_lines = shown.texts[0].split('\n');
        ASSERT_EQ(title_lines.size(), 4);
        EXPECT_EQ(title_lines[0], QString::fromUtf8("Velmo校对软件 WPS插件版"));
        EXPECT_TRUE(title_lines[1].isEmpty());
        EXPECT_TRUE(shown.title_bold);
        // The version comes first, as the build names it (major.minor.patch).
        EXPECT_TRUE(QRegularExpression(QString::fromUtf8("^版本: \\d+\\.\\d+\\.\\d+$"))
                        .match(shown.texts[1])
                        .hasMatch())
            << shown.texts[1].toStdString();
    }
};

// The contact lines are the installation's to give: each one set in the
// settings is shown under its caption, in the fixed order; none is made up.
TEST_F(about_dialog_test, shows_the_contact_lines_the_settings_give_and_no_other) {
    velmo_singleton_config* config = velmo_singleton_config::instance();
    config->set_string("About", "Web", "https://proof.example.cn");
    config->set_string("About", "Address", "北京市 海淀区");
    shown_t shown = run();
    expect_texts(shown, 2);
    EXPECT_EQ(shown.texts.mid(2),
              QStringList({QString::fromUtf8("地址: 北京市 海淀区"),
                           QString::fromUtf8("网址: https://proof.example.cn")}));
    config->set_string("About", "Phone", "010-1234 5678");
    config->set_string("About", "Email", "team@proof.example.cn");
    shown = run();
    expect_texts(shown, 4);
    EXPECT_EQ(shown.texts[3], QString::fromUtf8("电话: 010-1234 5678"));
    EXPECT_EQ(shown.texts[4], QString::fromUtf8("邮箱: team@proof.example.cn"));
}

TEST_F(about_dialog_test, shows_logo_and_product_texts) {
    const QString source = qEnvironmentVariable("VELMO_SOURCE_DIR") + "/src/resources/logo.jpg";
    ASSERT_TRUE(QFile::copy(source, QString::fromStdString(settings->directory()) + "/logo.jpg"));
    const shown_t shown = run();
    EXPECT_TRUE(shown.logo_shown);
    expect_texts(shown);
}

TEST_F(about_dialog_test, opens_without_a_logo_when_the_file_is_missing_or_broken) {
    shown_t shown = run();
    EXPECT_FALSE(shown.logo_shown);
    expect_texts(shown);

    QFile broken(QString::fromStdString(settings->directory()) + "/logo.jpg");
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a picture");
    broken.close();
    shown = run();
    EXPECT_FALSE(shown.logo_shown);
    expect_texts(shown);
}

// Without a translation of the host's own, Qt's standard buttons read in
// Chinese beside the plug-in's texts; a second load changes nothing.
TEST(qt_translations, standard_buttons_read_chinese_once_loaded) {
    ensure_qt_application();
    EXPECT_TRUE(velmo_load_qt_translations());
    EXPECT_TRUE(velmo_load_qt_translations());
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Ok)->text(), QString::fromUtf8("确定"));
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QString::fromUtf8("取消"));
}

}  // namespace
