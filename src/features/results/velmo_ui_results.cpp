#include "features/results/velmo_ui_results.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "api/velmo_api_account.h"
#include "document/velmo_check_progress.h"
#include "document/velmo_document.h"
#include "features/common/velmo_text_width.h"
#include "features/common/velmo_ui_fit.h"
#include "features/correction/velmo_correction_commands.h"
#include "features/results/velmo_ignored_marks.h"
#include "features/results/velmo_result_marks.h"

namespace {

// How often the list looks whether the active document or its marks changed.
constexpr int FOLLOW_INTERVAL_MS = 500;
constexpr int BUTTON_WIDTH = 90;
constexpr int BUTTON_HEIGHT = 30;

// Widths of the columns, in characters of the list's font.
constexpr int COLUMN_CHARACTERS[] = {5, 22, 10, 16, 9};

bool same_kind(const velmo_check_result_t& a, const velmo_check_result_t& b) {
    return velmo_level_kind(a.level) == velmo_level_kind(b.level);
}

// A mark whose text was corrected holds the written suggestion now, no longer
// the error text: it is not one of the marks "of" that text.
bool marks_text(const velmo_check_result_t& record, const QString& word) {
    return record.span_by_correction == 0 && record.err_word == word;
}

}  // namespace

velmo_ui_results::velmo_ui_results(QWidget* parent) : QWidget(parent, Qt::Window) {
    init_ui();
    follower = new QTimer(this);
    follower->setInterval(FOLLOW_INTERVAL_MS);
    connect(follower, &QTimer::timeout, this, &velmo_ui_results::follow_document);
    follower->start();
}

void velmo_ui_results::init_ui() {
    setWindowTitle(tr("校对结果"));
    setObjectName(QLatin1String("velmo_results"));
    resize(720, 420);
    auto* column = new QVBoxLayout(this);

    auto* top = new QHBoxLayout();
    kind_box = new QComboBox(this);
    kind_box->addItem(tr("全部类型"), velmo_results_model::all_kinds);
    for (const velmo_mark_kind kind :
         {velmo_mark_kind::error, velmo_mark_kind::suspect, velmo_mark_kind::serious})
        kind_box->addItem(velmo_mark_kind_name(kind), static_cast<int>(kind));
    connect(kind_box, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &velmo_ui_results::on_kind_changed);
    count_label = new QLabel(this);
    top->addWidget(kind_box);
    top->addWidget(count_label, 1);
    column->addLayout(top);

    model = new velmo_results_model(this);
    view = new QTableView(this);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setWordWrap(false);
    view->verticalHeader()->hide();
    // Fixed row heights and column widths: nothing is measured per row, so
    // a list of thousands of marks opens at once.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    const QFontMetrics metrics = view->fontMetrics();
    const int character = velmo_text_width(metrics, QString::fromUtf8("中"));
    for (int c = 0; c <= velmo_results_model::place_column; ++c) {
        const QString caption = model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        view->setColumnWidth(c, qMax(velmo_text_width(metrics, caption) + 3 * character,
                                     COLUMN_CHARACTERS[c] * character));
    }
    // The kind column holds the longest kind's name beside its swatch.
    int kind_width = 0;
    for (int k = 0; k < kind_box->count(); ++k)
        kind_width = qMax(kind_width, velmo_text_width(metrics, kind_box->itemText(k)));
    const int swatch = view->style()->pixelMetric(QStyle::PM_SmallIconSize);
    view->setColumnWidth(velmo_results_model::kind_column,
                         qMax(view->columnWidth(velmo_results_model::kind_column),
                              kind_width + swatch + 2 * character));
    view->horizontalHeader()->setStretchLastSection(true);
    // Wide enough for every column at the current font.
    int columns_width = 0;
    for (int c = 0; c <= velmo_results_model::place_column; ++c)
        columns_width += view->columnWidth(c);
    resize(qMax(width(), columns_width + 4 * character), height());
    column->addWidget(view, 1);
    connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { on_select(current.row()); });
    connect(view, &QTableView::clicked, this,
            [this](const QModelIndex& index) { on_select(index.row()); });
    connect(view, &QTableView::doubleClicked, this, &velmo_ui_results::on_apply);

    // Enter applies, Delete ignores; the arrows move as in every list.
    view->installEventFilter(this);

    column->addLayout(init_buttons());
}

QLayout* velmo_ui_results::init_buttons() {
    auto* row = new QHBoxLayout();
    const auto add_button = [&](const QString& label, void (velmo_ui_results::*slot)()) {
        auto* button = new QPushButton(label, this);
        velmo_fit_size(button, BUTTON_WIDTH, BUTTON_HEIGHT);
        connect(button, &QPushButton::clicked, this, slot);
        row->addWidget(button);
        return button;
    };
    apply_button = add_button(tr("更改"), &velmo_ui_results::on_apply);
    ignore_button = add_button(tr("忽略"), &velmo_ui_results::on_ignore);
    ignore_all_button = add_button(tr("全部忽略"), &velmo_ui_results::on_ignore_all);
    add_word_button = add_button(tr("加入用户词库"), &velmo_ui_results::on_add_word);
    row->addStretch();
    add_button(tr("恢复已忽略"), &velmo_ui_results::on_forget_ignored);
    auto* close_button = new QPushButton(tr("关闭"), this);
    velmo_fit_size(close_button, BUTTON_WIDTH, BUTTON_HEIGHT);
    connect(close_button, &QPushButton::clicked, this, &QWidget::close);
    row->addWidget(close_button);
    return row;
}

bool velmo_ui_results::eventFilter(QObject* watched, QEvent* event) {
    if (watched != view || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        on_apply();
        return true;
    }
    if (key == Qt::Key_Delete) {
        on_ignore();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void velmo_ui_results::refresh() {
    const int kept = current_row();
    const velmo_result_row_t* before = model->row_at(kept);
    const int kept_pos = before ? before->pos : -1;
    check_progress_refresh(&s_check_progress);
    wpsapi::_Document* document = local_get_document();
    seen_document = document;
    seen_bookmarks = s_check_progress.seen_bookmarks;
    seen_end = s_check_progress.seen_end;
    seen_records = s_check_progress.results.size();
    if (s_check_progress.document != document) {
        model->set_rows({});
    } else {
        model->set_rows(velmo_result_rows(s_check_progress.results, velmo_document_text(document)));
    }
    count_label->setText(tr("共%1处").arg(model->rowCount()));
    // The row that was current, or the one that now stands in its place; the
    // first row when none was, so that the keys and buttons work at once.
    int row = qMax(kept, 0);
    for (int i = 0; kept_pos >= 0 && i < model->rowCount(); ++i)
        if (model->row_at(i)->pos >= kept_pos) {
            row = i;
            break;
        }
    row = qMin(row, model->rowCount() - 1);
    if (row >= 0) {
        QSignalBlocker quiet(view->selectionModel());
        view->setCurrentIndex(model->index(row, 0));
    }
    update_buttons();
}

void velmo_ui_results::follow_document() {
    if (!isVisible()) return;
    // The check of the collection is a few host calls while nothing changed.
    check_progress_refresh(&s_check_progress);
    if (seen_document != local_get_document() ||
        seen_bookmarks != s_check_progress.seen_bookmarks ||
        seen_end != s_check_progress.seen_end || seen_records != s_check_progress.results.size())
        refresh();
}

int velmo_ui_results::current_row() const { return view->currentIndex().row(); }

void velmo_ui_results::set_current_row(int row) { view->setCurrentIndex(model->index(row, 0)); }

void velmo_ui_results::update_buttons() {
    const bool any = model->row_at(current_row()) != nullptr;
    for (QPushButton* button : {apply_button, ignore_button, ignore_all_button, add_word_button})
        button->setEnabled(any);
}

bool velmo_ui_results::current_record(int& index) {
    const velmo_result_row_t* row = model->row_at(current_row());
    if (!row) return false;
    index = row->record;
    const QList<velmo_check_result_t>& results = s_check_progress.results;
    check_progress_refresh(&s_check_progress);
    if (s_check_progress.document == local_get_document() && index < results.size() &&
        results.at(index).pos == row->pos && results.at(index).err_word == row->err_word)
        return true;
    // The document changed under the list: show it as it is now instead.
    refresh();
    return false;
}

void velmo_ui_results::on_select(int row) {
    update_buttons();
    const velmo_result_row_t* shown = model->row_at(row);
    if (!shown) return;
    int index = 0;
    if (current_record(index)) velmo_select_result_mark(s_check_progress.results.at(index));
}

void velmo_ui_results::on_apply() {
    int index = 0;
    if (!current_record(index)) return;
    velmo_correction_apply_first(index);
    refresh();
}

void velmo_ui_results::remove_records(const QList<int>& indices) {
    velmo_remove_result_marks(s_check_progress, indices);
    refresh();
}

void velmo_ui_results::on_ignore() {
    int index = 0;
    if (!current_record(index)) return;
    wpsapi::_Document* document = local_get_document();
    velmo_ignored_marks(document).ignore_once(s_check_progress.results.at(index),
                                              velmo_document_text(document));
    remove_records({index});
}

void velmo_ui_results::on_ignore_all() {
    int index = 0;
    if (!current_record(index)) return;
    const velmo_check_result_t chosen = s_check_progress.results.at(index);
    velmo_ignored_marks(local_get_document()).ignore_everywhere(chosen);
    QList<int> same;
    for (int i = 0; i < s_check_progress.results.size(); ++i) {
        const velmo_check_result_t& record = s_check_progress.results.at(i);
        if (marks_text(record, chosen.err_word) && same_kind(record, chosen)) same << i;
    }
    remove_records(same);
}

void velmo_ui_results::on_add_word() {
    int index = 0;
    if (!current_record(index)) return;
    const QString word = s_check_progress.results.at(index).err_word;
    // The service reports nothing back; its own words are never marked again.
    velmo_api_addword(VELMO_LIB_USER_WORDS, word);
    QList<int> same;
    for (int i = 0; i < s_check_progress.results.size(); ++i)
        if (marks_text(s_check_progress.results.at(i), word)) same << i;
    remove_records(same);
}

void velmo_ui_results::on_forget_ignored() { velmo_ignored_marks(local_get_document()).forget(); }

void velmo_ui_results::on_kind_changed(int choice) {
    model->set_kind_filter(kind_box->itemData(choice).toInt());
    count_label->setText(tr("共%1处").arg(model->rowCount()));
    update_buttons();
}
