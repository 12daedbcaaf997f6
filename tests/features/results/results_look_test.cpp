// The results list as drawn, at the default font and at 16 points: every
// button, column caption and cell of the kind and place columns keeps its
// whole text, and the rows are as tall as the font. Writes the screenshots beside
// the test (results_list_default.png, results_list_16pt.png).
#include <QApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QStyle>
#include <QTableView>

#include "document/velmo_check_progress.h"
#include "document/velmo_document.h"
#include "features/results/velmo_results_commands.h"
#include "features/results/velmo_ui_results.h"
#include "plugin_commands_fixture.h"

namespace {

class results_look_test : public commands_test {
  protected:
    void TearDown() override {
        velmo_results_close();
        QApplication::setFont(original_font);
        commands_test::TearDown();
    }

    void use_points(int points) {
        QFont font = QApplication::font();
        font.setPointSize(points);
        QApplication::setFont(font);
    }

    // A document with a mark of every kind, the longest names and places.
    void open_marked() {
        auto document = open(wps_sim::document_builder().paragraph(
            QString::fromUtf8("第一处错字，第二处疑点，第三处严重的问题。")));
        s_check_progress.results = {
            record(3, 1, QString::fromUtf8("错字"), QString::fromUtf8("正字#-#对字")),
            record(9, 2, QString::fromUtf8("疑点"), QString::fromUtf8("疑问")),
            record(15, 3, QString::fromUtf8("严重"), QString::fromUtf8("重大"))};
        s_check_progress.end = 30;
        s_check_progress.document = document;
        local_print_check_result(true);
    }

    // Texts that do not fit where they are drawn, as "what (room < needed)".
    static QStringList clipped(velmo_ui_results* window) {
        QStringList cut;
        for (QPushButton* button : window->findChildren<QPushButton*>())
            if (button->width() < button->sizeHint().width() ||
                button->height() < button->sizeHint().height())
                cut << QString("button %1 (%2 < %3)")
                           .arg(button->text())
                           .arg(button->width())
                           .arg(button->sizeHint().width());
        auto* view = window->findChild<QTableView*>();
        const QHeaderView* header = view->horizontalHeader();
        const QFontMetrics cells(view->font());
        const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1;
        const int icon = view->style()->pixelMetric(QStyle::PM_SmallIconSize) + 4;
        for (int c = 0; c < header->count(); ++c) {
            const QString caption =
                view->model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
            if (header->sectionSize(c) <
                header->fontMetrics().horizontalAdvance(caption) + 2 * margin)
                cut << "caption " + caption;
        }
        // The kind (with its swatch) and the place are short and must show whole.
        for (int r = 0; r < view->model()->rowCount(); ++r) {
            for (int c :
                 {int(velmo_results_model::kind_column), int(velmo_results_model::place_column)}) {
                const QString text = view->model()->index(r, c).data().toString();
                const int needed = cells.horizontalAdvance(text) + 2 * margin +
                                   (c == velmo_results_model::kind_column ? icon : 0);
                if (view->columnWidth(c) < needed)
                    cut << QString("cell %1 (%2 < %3)")
                               .arg(text)
                               .arg(view->columnWidth(c))
                               .arg(needed);
            }
            if (view->rowHeight(r) < cells.height()) cut << QString("row %1").arg(r);
        }
        return cut;
    }

    void expect_whole(const QString& shot) {
        open_marked();
        QList<QVariant> args;
        velmo_cb_results(args);
        velmo_ui_results* window = velmo_results_window();
        ASSERT_TRUE(window);
        QApplication::processEvents();
        EXPECT_EQ(window->rows().rowCount(), 3);
        EXPECT_EQ(clipped(window), QStringList());
        const QImage image = window->grab().toImage();
        ASSERT_FALSE(image.isNull());
        EXPECT_TRUE(image.save(shot));
    }

    const QFont original_font = QApplication::font();
};

TEST_F(results_look_test, the_list_shows_every_text_whole_at_the_default_font) {
    expect_whole(QStringLiteral("results_list_default.png"));
}

TEST_F(results_look_test, the_list_shows_every_text_whole_at_16_points) {
    use_points(16);
    expect_whole(QStringLiteral("results_list_16pt.png"));
}

}  // namespace
