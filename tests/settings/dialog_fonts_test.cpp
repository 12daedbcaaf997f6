// The dialogs with fixed label sizes at a font larger than they were drawn
// for: every label and the date box still show their whole text.
#include <QApplication>
#include <QDateEdit>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QTabWidget>
#include <memory>

#include "events/velmo_ui_details.h"
#include "events/velmo_ui_setting.h"
#include "events/velmo_ui_stat.h"
#include "settings_fixture.h"

namespace {

class dialog_fonts_test : public settings_test {
  protected:
    void SetUp() override {
        settings_test::SetUp();
        QFont large = QApplication::font();
        large.setPointSize(12);
        QApplication::setFont(large);
    }
    void TearDown() override {
        QApplication::setFont(original_font);
        settings_test::TearDown();
    }

    // Labels narrower than their text, as "text (width < needed)".
    static QStringList clipped_labels(QWidget* dialog) {
        QStringList clipped;
        for (QLabel* label : dialog->findChildren<QLabel*>()) {
            if (!label->isVisibleTo(dialog) || label->text().isEmpty()) continue;
            const QFontMetrics metrics(label->font());
            int needed = 0;
            for (const QString& line : label->text().split('\n'))
                needed = qMax(needed, metrics.horizontalAdvance(line));
            if (label->contentsRect().width() < needed)
                clipped << QString("%1 (%2 < %3)")
                               .arg(label->text())
                               .arg(label->contentsRect().width())
                               .arg(needed);
        }
        return clipped;
    }

    // Shows the dialog (every tab in turn), checks its labels and draws it.
    void expect_readable(QDialog* dialog) {
        dialog->show();
        QApplication::processEvents();
        QList<QWidget*> pages = {dialog};
        if (auto* tabs = dialog->findChild<QTabWidget*>())
            for (int i = 0; i < tabs->count(); ++i) pages << tabs->widget(i);
        for (QWidget* page : pages) {
            if (auto* tabs = dialog->findChild<QTabWidget*>()) {
                if (page != dialog) tabs->setCurrentWidget(page);
                QApplication::processEvents();
            }
            EXPECT_EQ(clipped_labels(page), QStringList()) << dialog->windowTitle().toStdString();
            EXPECT_FALSE(dialog->grab().toImage().isNull());
        }
        dialog->close();
    }

    const QFont original_font = QApplication::font();
};

TEST_F(dialog_fonts_test, labels_and_dates_keep_their_whole_text_at_12_points) {
    velmo_ui_setting settings;
    expect_readable(&settings);
    velmo_ui_stat statistics;
    expect_readable(&statistics);

    velmo_ui_check_details usage;
    QDateEdit* date = usage.findChild<QDateEdit*>();
    ASSERT_NE(date, nullptr);
    date->setDate(QDate(2026, 12, 28));
    expect_readable(&usage);
    EXPECT_EQ(date->text(), "2026-12-28");
    EXPECT_GE(date->width(), date->sizeHint().width());
}

}  // namespace
