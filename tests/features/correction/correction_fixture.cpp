#include "correction_fixture.h"

#include <QAbstractButton>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "document/velmo_check_progress.h"
#include "document/velmo_document.h"
#include "document/velmo_mark_name.h"
#include "features/correction/velmo_correction_commands.h"

namespace {

const char* const DIALOG_TITLE = "修改建议";

QPushButton* button_of(QWidget* dialog, const QString& label) {
    for (QPushButton* button : dialog->findChildren<QPushButton*>())
        if (button->text() == label) return button;
    return nullptr;
}

}  // namespace

kfc::ks_stdptr<wpsapi::_Document> correction_test::open_marked(
    const QString& text, const QList<velmo_check_result_t>& records) {
    auto document = open(wps_sim::document_builder().paragraph(text));
    s_check_progress.start = 0;
    s_check_progress.end = text.length();
    s_check_progress.results = records;
    s_check_progress.current = 0;
    s_check_progress.document = document;
    local_print_check_result(true);
    return document;
}

bool correction_test::suggest(const std::function<void(QWidget*)>& work) {
    bool still_open = false;
    responder.on(QString::fromUtf8(DIALOG_TITLE)).act([&](QWidget* dialog) {
        work(dialog);
        still_open = dialog->isVisible();
        if (still_open) press(dialog, QString::fromUtf8("终止(C)"));
    });
    EXPECT_EQ(velmo_cb_suggest(args), 0);
    EXPECT_EQ(responder.pending_steps(), 0) << "the dialog was not shown";
    return still_open;
}

correct_view_t correction_test::suggest_and_look() {
    correct_view_t seen;
    suggest([&](QWidget* dialog) { seen = view_of(dialog); });
    return seen;
}

correct_view_t correction_test::view_of(QWidget* dialog) {
    correct_view_t view;
    const QList<QLineEdit*> edits = dialog->findChildren<QLineEdit*>();
    if (edits.size() >= 2) {
        view.error = edits.at(0)->text();
        view.suggestion = edits.at(1)->text();
    }
    QListWidget* list = dialog->findChild<QListWidget*>();
    for (int i = 0; list && i < list->count(); ++i) view.rows << list->item(i)->text();
    QPushButton* change = button_of(dialog, QString::fromUtf8("更改(A)"));
    QPushButton* change_all = button_of(dialog, QString::fromUtf8("全部更改(D)"));
    view.change_enabled = change && change->isEnabled();
    view.change_all_enabled = change_all && change_all->isEnabled();
    return view;
}

void correction_test::press(QWidget* dialog, const QString& label) {
    QPushButton* button = button_of(dialog, label);
    ASSERT_NE(button, nullptr) << label.toStdString();
    button->click();
}

void correction_test::type_suggestion(QWidget* dialog, const QString& text) {
    const QList<QLineEdit*> edits = dialog->findChildren<QLineEdit*>();
    ASSERT_GE(edits.size(), 2);
    edits.at(1)->setText(text);
}

void correction_test::choose_row(QWidget* dialog, int row) {
    QListWidget* list = dialog->findChild<QListWidget*>();
    ASSERT_NE(list, nullptr);
    list->setCurrentRow(row);
}

QString correction_test::text_of(wpsapi::_Document* document, long start, long end) {
    return wps_sim::document_text(document).mid(start, end - start);
}

void correction_test::expect_marks_agree(wpsapi::_Document* document) {
    std::vector<bookmark_seen_t> marks;
    for (const bookmark_seen_t& seen : bookmarks(document))
        if (seen.name.startsWith(QLatin1String(VELMO_ERROR_MARK_PREFIX))) marks.push_back(seen);
    const QList<velmo_check_result_t>& results = s_check_progress.results;
    ASSERT_EQ(marks.size(), static_cast<size_t>(results.size()));
    for (int i = 0; i < results.size(); ++i) {
        const velmo_check_result_t& record = results.at(i);
        const bookmark_seen_t& mark = marks.at(static_cast<size_t>(i));
        SCOPED_TRACE(mark.name.toStdString());
        EXPECT_EQ(mark.start, record.pos);
        EXPECT_EQ(mark.end, record.pos + velmo_mark_length(record));
        const QString expected = record.span_by_correction ? record.cor_word : record.err_word;
        EXPECT_EQ(text_of(document, mark.start, mark.end), expected);
    }
}
