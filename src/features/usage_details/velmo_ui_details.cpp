#include "features/usage_details/velmo_ui_details.h"

#include <QDate>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTime>
#include <QVBoxLayout>

#include "api/velmo_api_account.h"
#include "api/velmo_api_transport.h"
#include "features/common/velmo_ui_fit.h"
#include "features/common/velmo_ui_window.h"
#include "features/usage_details/velmo_usage_details_commands.h"
#include "host/velmo_portable_qt.h"

namespace {

constexpr int LABEL_WIDTH = 55;
constexpr int FIELD_WIDTH = 100;
constexpr int DATE_LENGTH = 10;

QLabel* fixed_label(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    velmo_fit_labels({label}, LABEL_WIDTH);
    return label;
}

QTableWidgetItem* read_only_item(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

}  // namespace

velmo_ui_check_details::velmo_ui_check_details(QWidget* parent)
    : QDialog(parent), user_name(velmo_api_setting_text("UserInfo", "UserName")) {
    init_ui();
}

void velmo_ui_check_details::init_ui() {
    setWindowTitle(tr("用户校验信息明细"));
    setWindowFlags(velmo_ui_without_title_buttons(windowFlags()));
    new QVBoxLayout(this);
    init_ui_1();
    init_ui_2();
    init_ui_3();
    init_ui_4();
    init_ui_5();
}

QLineEdit* velmo_ui_check_details::add_field(QHBoxLayout* row, const QString& label) {
    row->addWidget(fixed_label(label, this));
    auto* field = new QLineEdit(this);
    velmo_show_value(field, FIELD_WIDTH, QStringLiteral("0000-00-00T00:00:00"));
    row->addWidget(field);
    return field;
}

// Account and date of the query.
void velmo_ui_check_details::init_ui_1() {
    auto* row = new QHBoxLayout();
    account_edit = add_field(row, tr("账户:"));
    account_edit->setText(user_name);
    row->addWidget(fixed_label(tr("日期:"), this));
    date_edit = new QDateEdit(QDate::currentDate(), this);
    date_edit->setCalendarPopup(true);
    // One form whatever the locale, and room for all of it.
    date_edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    velmo_fit_width(date_edit, FIELD_WIDTH);
    row->addWidget(date_edit);
    auto* query_button = new QPushButton(tr("查询"), this);
    connect(query_button, &QPushButton::clicked, this, &velmo_ui_check_details::on_query);
    row->addWidget(query_button);
    row->addStretch();
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

// Quota, checked and remaining words.
void velmo_ui_check_details::init_ui_2() {
    auto* row = new QHBoxLayout();
    auth_words_field = add_field(row, tr("授权字数:"));
    check_words_field = add_field(row, tr("校对字数:"));
    remaining_words_field = add_field(row, tr("剩余字数:"));
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

// End date and this month's words.
void velmo_ui_check_details::init_ui_3() {
    auto* row = new QHBoxLayout();
    end_date_field = add_field(row, tr("截止日期:"));
    month_words_field = add_field(row, tr("本月校对:"));
    row->addStretch();
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

// The checks of the page.
void velmo_ui_check_details::init_ui_4() {
    table = new QTableWidget(0, 3, this);
    table->setHorizontalHeaderLabels({QString(), tr("校对时间"), tr("校对字数")});
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    layout()->addWidget(table);
}

// Page indicator and paging.
void velmo_ui_check_details::init_ui_5() {
    auto* row = new QHBoxLayout();
    page_indicator = new QPushButton(tr("共0页，当前第0页"), this);
    page_indicator->setFlat(true);
    page_indicator->setStyleSheet(QStringLiteral(
        "color:blue;background: transparent;border-width:1px;border-style:none none solid none;"));
    row->addWidget(page_indicator);
    row->addStretch();
    auto* prev_button = new QPushButton(tr("上一页"), this);
    auto* next_button = new QPushButton(tr("下一页"), this);
    connect(prev_button, &QPushButton::clicked, this, &velmo_ui_check_details::on_prev_page);
    connect(next_button, &QPushButton::clicked, this, &velmo_ui_check_details::on_next_page);
    row->addWidget(prev_button);
    row->addWidget(next_button);
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

void velmo_ui_check_details::query(int page) {
    const QString query_date = date_edit->date().toString(QStringLiteral("yyyy-MM-dd")) +
                               QLatin1Char('T') +
                               QTime::currentTime().toString(QStringLiteral("hh:mm:ss"));
    // Whatever the answer filled is shown; what it lacked shows empty.
    velmo_details_t details;
    velmo_api_details(details, query_date, page);

    auth_words_field->setText(details.auth_words_count);
    check_words_field->setText(details.check_words_count);
    remaining_words_field->setText(details.remaining_words);
    end_date_field->setText(details.auth_end_time.left(DATE_LENGTH));
    month_words_field->setText(details.cur_check_words_count);

    // The service reports the index of its last page; a text that is not a
    // number reads as 0.
    current_page = details.page_index.toInt();
    page_count = details.page_no.toInt();
    // One substitution pass, so a service text holding "%3" stays as it is.
    page_indicator->setText(velmo_args(
        tr("共%1页%2条数据，当前第%3页"),
        {QString::number(page_count + 1), details.total_count, QString::number(current_page + 1)}));

    table->clearContents();
    table->setRowCount(0);
    for (const velmo_details_once_t& row : details.details) {
        const int at = table->rowCount();
        table->insertRow(at);
        table->setItem(at, 1, read_only_item(row.check_time));
        table->setItem(at, 2, read_only_item(row.check_words_count));
    }
}

void velmo_ui_check_details::on_query() { query(0); }

void velmo_ui_check_details::on_prev_page() {
    if (current_page >= 1) query(current_page - 1);
}

void velmo_ui_check_details::on_next_page() {
    // page_count is the index of the last page: there is nothing after it.
    if (page_count >= 1 && current_page < page_count) query(current_page + 1);
}

int velmo_cb_check_details(QList<QVariant>&) {
    velmo_ui_check_details dialog;
    dialog.exec();
    return 0;
}
