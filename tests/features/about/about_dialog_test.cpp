// The about box through its command, with and without the logo file.
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

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

    static void expect_texts(const shown_t& shown) {
        EXPECT_EQ(shown.title, QString::fromUtf8("关于Velmo校对软件"));
        EXPECT_FALSE(shown.has_minimize);
        ASSERT_EQ(shown.texts.size(), 6);
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
        const char* const captions[] = {"地址: ", "电话: ", "邮箱: ", "网址: "};
        for (int i = 0; i < 4; ++i)
            EXPECT_TRUE(shown.texts[i + 2].startsWith(QString::fromUtf8(captions[i])))
                << shown.texts[i + 2].toStdString();
    }
};

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
