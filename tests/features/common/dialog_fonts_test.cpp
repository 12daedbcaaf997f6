// The dialogs with fixed label sizes at a font larger than they were drawn
// for: every label and the date box still show their whole text.
#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QDateEdit>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <cmath>
#include <memory>

#include "features/about/velmo_ui_about.h"
#include "features/account/velmo_ui_login.h"
#include "features/colours/velmo_ui_color.h"
#include "features/colours/velmo_ui_color_clear.h"
#include "features/colours/velmo_ui_color_setting.h"
#include "features/correction/velmo_ui_correct.h"
#include "features/errata/velmo_ui_export.h"
#include "features/find/velmo_ui_find.h"
#include "features/settings/velmo_ui_setting.h"
#include "features/statistics/velmo_ui_stat.h"
#include "features/usage_details/velmo_ui_details.h"
#include "features/word_libraries/velmo_ui_addword.h"
#include "settings_fixture.h"

namespace {

// WCAG contrast ratio of two colours (1 to 21).
double contrast(const QColor& a, const QColor& b) {
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

class dialog_fonts_test : public settings_test {
  protected:
    void SetUp() override {
        settings_test::SetUp();
        use_points(12);
    }
    static void use_points(int points) {
        QFont large = QApplication::font();
        large.setPointSize(points);
        QApplication::setFont(large);
    }

    // Buttons and fields smaller than their text needs, and read-only values
    // drawn with too little contrast.
    // values_only: every field of the page shows a value (none takes input).
    static QStringList cut_controls(QWidget* page, bool values_only) {
        QStringList cut;
        for (QAbstractButton* button : page->findChildren<QAbstractButton*>()) {
            if (!button->isVisibleTo(page) || button->text().isEmpty()) continue;
            const QSize needed = button->sizeHint();
            if (button->width() < needed.width() || button->height() < needed.height())
                cut << QString("button %1 (%2x%3 < %4x%5)")
                           .arg(button->text())
                           .arg(button->width())
                           .arg(button->height())
                           .arg(needed.width())
                           .arg(needed.height());
        }
        for (QLineEdit* field : page->findChildren<QLineEdit*>()) {
            // A date box's own field is judged by the box's size hint.
            if (!field->isVisibleTo(page) || qobject_cast<QAbstractSpinBox*>(field->parent()))
                continue;
            const QFontMetrics metrics(field->font());
            if (field->height() < field->sizeHint().height() ||
                field->contentsRect().width() < metrics.horizontalAdvance(field->displayText()))
                cut << QString("field %1 (%2x%3)")
                           .arg(field->objectName() + ":" + field->displayText())
                           .arg(field->width())
                           .arg(field->height());
            if (field->isReadOnly() || (values_only && !field->isEnabled())) {
                const QPalette::ColorGroup group =
                    field->isEnabled() ? QPalette::Active : QPalette::Disabled;
                const double ratio = contrast(field->palette().color(group, QPalette::Text),
                                              field->palette().color(group, QPalette::Base));
                if (ratio < 4.5)
                    cut << QString("value %1 (contrast %2)").arg(field->objectName()).arg(ratio);
            }
        }
        return cut;
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
            if (check_controls) {
                EXPECT_EQ(cut_controls(page, values_only), QStringList())
                    << dialog->windowTitle().toStdString();
            }
            EXPECT_FALSE(dialog->grab().toImage().isNull());
        }
        dialog->close();
    }

    const QFont original_font = QApplication::font();
    bool check_controls = false;
    bool values_only = false;
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

// At 16 points every dialog keeps every label, button and field whole,
// and values shown read-only stay readable.
TEST_F(dialog_fonts_test, every_dialog_keeps_its_texts_whole_and_readable_at_16_points) {
    use_points(16);
    check_controls = true;
    velmo_ui_setting settings;
    expect_readable(&settings);
    values_only = true;
    velmo_ui_stat statistics;
    for (QLineEdit* value : statistics.findChildren<QLineEdit*>()) value->setText("1234567");
    expect_readable(&statistics);
    velmo_ui_check_details usage;
    for (QLineEdit* value : usage.findChildren<QLineEdit*>())
        if (!qobject_cast<QAbstractSpinBox*>(value->parent()))
            value->setText("2099-12-31T00:00:00");
    expect_readable(&usage);
    values_only = false;
    velmo_ui_login login;
    expect_readable(&login);
    velmo_ui_about about;
    expect_readable(&about);
    velmo_ui_export errata;
    expect_readable(&errata);
    velmo_ui_addword add_word;
    expect_readable(&add_word);
    velmo_ui_correct correction;
    expect_readable(&correction);
    velmo_ui_batch_find find;
    expect_readable(&find);
    velmo_ui_color picker;
    expect_readable(&picker);
    velmo_ui_color_setting colours;
    expect_readable(&colours);
    velmo_ui_clear_color clear;
    expect_readable(&clear);
}

// The word lists keep their words whole and several in view at 16 points:
// batch find's list of words to look for and the add-word candidates.
TEST_F(dialog_fonts_test, word_lists_keep_their_words_whole_at_16_points) {
    use_points(16);
    velmo_ui_batch_find find;
    auto* words = find.findChild<QTextEdit*>();
    ASSERT_NE(words, nullptr);
    words->setPlainText(QString::fromUtf8("全国人民代表大会常委\n").repeated(6).trimmed());
    find.show();
    QApplication::processEvents();
    for (QTextBlock block = words->document()->begin(); block.isValid(); block = block.next())
        EXPECT_EQ(block.layout()->lineCount(), 1) << block.text().toStdString();
    EXPECT_GE(words->viewport()->height(), 6 * QFontMetrics(words->font()).lineSpacing());

    velmo_ui_addword add_word;
    auto* candidates = add_word.findChild<QListWidget*>();
    ASSERT_NE(candidates, nullptr);
    for (const char* candidate : {"工作", "工作报", "工作报告", "工作报告会", "工作报告会议"})
        candidates->addItem(QString::fromUtf8(candidate));
    add_word.show();
    QApplication::processEvents();
    EXPECT_FALSE(candidates->horizontalScrollBar()->isVisible());
    EXPECT_LE(candidates->visualItemRect(candidates->item(4)).bottom(),
              candidates->viewport()->height());
}

}  // namespace
