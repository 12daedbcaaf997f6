#include "features/correction/velmo_ui_correct.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "api/velmo_check_result.h"
#include "config/velmo_config.h"
#include "config/velmo_config_values.h"
#include "document/velmo_document.h"
#include "document/velmo_mark_apply.h"
#include "document/velmo_mark_level.h"
#include "document/velmo_mark_name.h"
#include "features/common/velmo_message.h"
#include "features/common/velmo_ui_fit.h"
#include "host/velmo_host_string.h"
#include "host/velmo_portable_qt.h"

namespace {

constexpr int BUTTON_WIDTH = 90;
constexpr int BUTTON_HEIGHT = 30;

// A suggestion starting with this is a hint for the reader, never text to
// write into the document.
bool is_hint(const QString& cor_word) {
    return cor_word.startsWith(QString::fromUtf8("Velmo提示"));
}

// The characters a mark covers now: the error text as the service found it,
// or the text written over it by an earlier correction.
long mark_end(const velmo_check_result_t& record) {
    return static_cast<long>(record.pos) + velmo_mark_length(record);
}

}  // namespace

velmo_ui_correct::velmo_ui_correct(QDialog* parent) : QDialog(parent) { init_ui(); }

void velmo_ui_correct::init_ui() {
    setWindowTitle(tr("修改建议"));
    setWindowFlags(windowFlags() & ~(Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    resize(320, 300);
    auto* columns = new QHBoxLayout(this);
    columns->addLayout(init_ui_1());
    columns->addLayout(init_ui_2());
}

// The error box, the suggestion box and the list of alternatives.
QVBoxLayout* velmo_ui_correct::init_ui_1() {
    err_edit = new QLineEdit(this);
    cor_edit = new QLineEdit(this);
    cor_list = new QListWidget(this);
    auto* column = new QVBoxLayout();
    const QList<QPair<QString, QWidget*>> groups = {
        {tr("错误"), err_edit}, {tr("建议"), cor_edit}, {tr("全部建议"), cor_list}};
    for (const auto& group : groups) {
        auto* box = new QGroupBox(group.first, this);
        auto* inside = new QHBoxLayout(box);
        inside->addWidget(group.second);
        column->addWidget(box);
    }
    // Why the service holds the text for an error.
    reason_label = new QLabel(this);
    reason_label->setWordWrap(true);
    column->addWidget(reason_label);
    return column;
}

// The five buttons, each with its single-key shortcut.
QVBoxLayout* velmo_ui_correct::init_ui_2() {
    auto* column = new QVBoxLayout();
    const auto add_button = [&](const QString& label, const char* key,
                                void (velmo_ui_correct::*slot)()) {
        auto* button = new QPushButton(label, this);
        button->setShortcut(QKeySequence(QString::fromLatin1(key)));
        velmo_fit_size(button, BUTTON_WIDTH, BUTTON_HEIGHT);
        connect(button, &QPushButton::clicked, this, slot);
        column->addWidget(button);
        return button;
    };
    add_button(tr("上一处(P)"), "P", &velmo_ui_correct::on_prev);
    QPushButton* next_button = add_button(tr("下一处(N)"), "N", &velmo_ui_correct::on_next);
    change_button = add_button(tr("更改(A)"), "A", &velmo_ui_correct::on_correct);
    change_all_button = add_button(tr("全部更改(D)"), "D", &velmo_ui_correct::on_correct_all);
    add_button(tr("终止(C)"), "C", &velmo_ui_correct::on_stop);
    column->addStretch();
    next_button->setFocus();
    return column;
}

void velmo_ui_correct::set_check_progress(check_progress_t* bound) {
    progress = bound;
    if (!progress || progress->results.isEmpty()) return;
    // The marks may have moved with edits since the collection was filled;
    // the refresh keeps the current index and every correction made in memory.
    check_progress_update(progress);
    const long cursor = get_pos();
    if (cursor < 0) return;
    for (int i = 0; i < progress->results.size(); ++i) {
        const velmo_check_result_t& record = progress->results.at(i);
        if (record.pos <= cursor && cursor <= mark_end(record)) {
            progress->current = i;
            break;
        }
    }
    show_current();
    // The text shows which mark the dialog talks about.
    if (showing) select_in_document();
}

bool velmo_ui_correct::apply_first_suggestion(int index) {
    if (!progress || index < 0 || index >= progress->results.size()) return false;
    progress->current = index;
    show_clear();
    show_current();
    const velmo_apply_result done =
        change_button->isEnabled() ? correct_current() : velmo_apply_result::failed;
    tell_stale_marks();
    // Applied, or dropped as stale: either way the progress changed.
    return done != velmo_apply_result::failed;
}

long velmo_ui_correct::get_pos() const { return local_get_pos(); }

HRESULT velmo_ui_correct::get_range(long start, long end,
                                    kfc::ks_stdptr<wpsapi::Range>& out) const {
    return local_get_range(start, end, out);
}

bool velmo_ui_correct::current_in_list() const {
    return progress && progress->current >= 0 && progress->current < progress->results.size();
}

void velmo_ui_correct::get_next() {
    const long cursor = get_pos();
    const QList<velmo_check_result_t>& results = progress->results;
    if (results.size() < 2) return;
    if (cursor < results.first().pos) {
        progress->current = 0;
        return;
    }
    // At or after the last mark the current index stays: no wrap.
    for (int i = 0; i + 1 < results.size(); ++i) {
        if (results.at(i).pos <= cursor && cursor < results.at(i + 1).pos) {
            progress->current = i + 1;
            return;
        }
    }
}

void velmo_ui_correct::select_current() {
    if (!select_in_document()) return;
    show_clear();
    show_current();
}

bool velmo_ui_correct::select_in_document() const {
    const velmo_check_result_t& record = progress->results.at(progress->current);
    kfc::ks_stdptr<wpsapi::Range> range;
    return SUCCEEDED(get_range(record.pos, mark_end(record), range)) && SUCCEEDED(range->Select());
}

void velmo_ui_correct::show_current() {
    if (!progress || progress->results.isEmpty()) return;
    // A kept index that no longer fits the refreshed list: start at the first mark.
    if (!current_in_list()) progress->current = 0;
    const velmo_check_result_t& record = progress->results.at(progress->current);
    err_edit->setText(record.err_word);
    reason_label->setText(velmo_record_reason(record));
    for (const QString& alternative :
         velmo_split(record.cor_word, QLatin1String(VELMO_SUGGESTION_SEPARATOR)))
        cor_list->addItem(alternative);
    connect(cor_list, &QListWidget::currentRowChanged, this, &velmo_ui_correct::on_cor_changed,
            Qt::UniqueConnection);
    cor_list->setCurrentRow(0);
    const bool writable = !is_hint(record.cor_word);
    change_button->setEnabled(writable);
    change_all_button->setEnabled(writable);
    showing = true;
}

void velmo_ui_correct::show_clear() {
    showing = false;
    err_edit->clear();
    reason_label->clear();
    cor_edit->clear();
    // Disconnected first: clearing the list must not report a row that is gone.
    disconnect(cor_list, &QListWidget::currentRowChanged, this, &velmo_ui_correct::on_cor_changed);
    cor_list->clear();
}

velmo_apply_result velmo_ui_correct::correct_current() {
    if (!current_in_list()) return velmo_apply_result::failed;
    const int count = progress->results.size();
    const int index = progress->current;
    const velmo_check_result_t record = progress->results.at(index);
    const QString text = cor_edit->text();
    // The record changes only when the document did, so the two stay in step.
    const velmo_apply_result written = velmo_apply_suggestion(record, text);
    if (written == velmo_apply_result::stale) {
        // Its mark is gone from the document: the record goes too.
        progress->results.removeAt(index);
        ++stale_marks;
    }
    if (written != velmo_apply_result::applied) return written;

    velmo_check_result_t& corrected = progress->results[index];
    corrected.span_by_correction = 1;
    // The mark is placed again over the length of its suggestion, so the
    // suggestion must be the text that was actually written.
    corrected.cor_word = text;
    const int shift = text.length() - velmo_mark_length(record);
    if (shift != 0)
        for (int i = index + 1; i < count; ++i) progress->results[i].pos += shift;
    return written;
}

void velmo_ui_correct::tell_stale_marks() {
    if (stale_marks == 0) return;
    velmo_message_information(tr("有%1处标记的文字已改动，未作更改，标记已删除").arg(stale_marks));
    stale_marks = 0;
}

void velmo_ui_correct::on_prev() {
    if (!progress || progress->results.isEmpty()) return;
    --progress->current;
    if (!current_in_list()) progress->current = progress->results.size() - 1;
    select_current();
}

void velmo_ui_correct::on_next() {
    if (!progress || progress->results.isEmpty()) return;
    get_next();
    if (!current_in_list()) progress->current = 0;
    select_current();
}

void velmo_ui_correct::on_correct() {
    if (showing) correct_current();
    tell_stale_marks();
    accept();
}

void velmo_ui_correct::on_correct_all() {
    if (!showing || !current_in_list()) return;
    const QString wrong = progress->results.at(progress->current).err_word;
    // A replacement shifts later positions, never the list; a stale mark
    // leaves it, and the next record takes its index.
    for (int i = 0; i < progress->results.size();) {
        if (progress->results.at(i).err_word != wrong) {
            ++i;
            continue;
        }
        progress->current = i;
        if (correct_current() != velmo_apply_result::stale) ++i;
    }
    tell_stale_marks();
    accept();
}

void velmo_ui_correct::on_stop() { reject(); }

void velmo_ui_correct::on_cor_changed(int row) {
    QListWidgetItem* item = cor_list->item(row);
    if (item) cor_edit->setText(item->text());
}
