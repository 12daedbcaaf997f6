#include "features/word_libraries/velmo_ui_maintain.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "api/velmo_api_account.h"
#include "features/word_libraries/velmo_word_library_commands.h"

namespace {

constexpr int FIRST_LIB_TYPE = VELMO_LIB_USER_ERRORS;
constexpr int USER_WORDS_INDEX = VELMO_LIB_USER_WORDS - FIRST_LIB_TYPE;

}  // namespace

velmo_ui_maintain::velmo_ui_maintain(QWidget* parent) : QDialog(parent) {
    init_ui();
    lib_combo->setCurrentIndex(USER_WORDS_INDEX);
}

void velmo_ui_maintain::init_ui() {
    group = new QGroupBox(this);
    group_rows = new QVBoxLayout(group);
    auto* main_layout = new QVBoxLayout(this);
    main_layout->addWidget(group);
    init_ui_1();
    init_ui_2();
    init_ui_3();
    init_ui_4();
}

// Library choice.
void velmo_ui_maintain::init_ui_1() {
    auto* row = new QHBoxLayout();
    row->addWidget(new QLabel(tr("词库:"), group));
    lib_combo = new QComboBox(group);
    lib_combo->addItem(tr("修改敏感词库"));
    lib_combo->addItem(tr("修改用户库"));
    // Index 0 stays selected until the constructor picks the user's library,
    // which then loads it through this connection.
    connect(lib_combo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &velmo_ui_maintain::on_lib_changed);
    row->addWidget(lib_combo);
    row->addStretch();
    group_rows->addLayout(row);
}

// The word field with its actions.
void velmo_ui_maintain::init_ui_2() {
    auto* row = new QHBoxLayout();
    row->addWidget(new QLabel(tr("词组:"), group));
    word_edit = new QLineEdit(group);
    row->addWidget(word_edit);
    const struct {
        QString text;
        void (velmo_ui_maintain::*slot)();
    } buttons[] = {
        {tr("查询"), &velmo_ui_maintain::on_query},
        {tr("增加"), &velmo_ui_maintain::on_add_word},
        {tr("删除"), &velmo_ui_maintain::on_delete_word},
    };
    for (const auto& button : buttons) {
        auto* push = new QPushButton(button.text, group);
        connect(push, &QPushButton::clicked, this, button.slot);
        row->addWidget(push);
    }
    group_rows->addLayout(row);
}

// The words of the page on screen.
void velmo_ui_maintain::init_ui_3() {
    word_list = new QListWidget(group);
    connect(word_list, &QListWidget::currentRowChanged, this, &velmo_ui_maintain::on_word_changed);
    group_rows->addWidget(word_list);
}

// Page summary and paging.
void velmo_ui_maintain::init_ui_4() {
    auto* row = new QHBoxLayout();
    page_label = new QLabel(tr("共0页0条数据，当前第1页"), group);
    page_label->setStyleSheet(QStringLiteral(
        "color:blue;background: transparent;border-width:1px;border-style:none none none "
        "none;font-family:Microsoft YaHei;"));
    row->addWidget(page_label);
    row->addStretch();
    auto* prev_button = new QPushButton(tr("上一页"), group);
    auto* next_button = new QPushButton(tr("下一页"), group);
    connect(prev_button, &QPushButton::clicked, this, &velmo_ui_maintain::on_prev_page);
    connect(next_button, &QPushButton::clicked, this, &velmo_ui_maintain::on_next_page);
    row->addWidget(prev_button);
    row->addWidget(next_button);
    group_rows->addLayout(row);
}

void velmo_ui_maintain::on_lib_changed(int index) {
    lib_type = index + FIRST_LIB_TYPE;
    show_current_lib();
}

void velmo_ui_maintain::show_current_lib() {
    setWindowTitle(lib_type == VELMO_LIB_USER_ERRORS ? tr("敏感词库") : tr("用户库"));
    current_page = 0;
    show_current_page(0);
}

void velmo_ui_maintain::on_query() { show_current_lib(); }

void velmo_ui_maintain::show_current_page(int page) {
    // Clearing the list must not copy anything into the word field.
    disconnect(word_list, &QListWidget::currentRowChanged, this,
               &velmo_ui_maintain::on_word_changed);
    word_list->clear();
    page_label->setText(tr("共1页0条数据，当前第1页"));
    // Until a page arrives there is no page to go on to; a count kept from
    // the other library would page into one that does not exist.
    page_count = 0;

    QList<QString> words;
    int pages = 0;
    int total = 0;
    if (velmo_api_getword(words, pages, total, lib_type, page) != 0) return;

    word_list->addItems(words);
    page_count = pages;
    page_label->setText(tr("共%1页%2条数据，当前第%3页").arg(page_count).arg(total).arg(page + 1));
    connect(word_list, &QListWidget::currentRowChanged, this, &velmo_ui_maintain::on_word_changed,
            Qt::UniqueConnection);
    word_list->setCurrentRow(0);
}

void velmo_ui_maintain::on_next_page() {
    if (current_page + 1 >= page_count) return;
    ++current_page;
    show_current_page(current_page);
}

void velmo_ui_maintain::on_prev_page() {
    if (current_page < 1) return;
    --current_page;
    show_current_page(current_page);
}

void velmo_ui_maintain::on_add_word() {
    velmo_api_addword(lib_type, word_edit->text());
    show_current_page(current_page);
}

void velmo_ui_maintain::on_delete_word() {
    velmo_api_delword(lib_type, word_edit->text());
    show_current_page(current_page);
}

void velmo_ui_maintain::on_word_changed(int row) {
    QListWidgetItem* item = word_list->item(row);
    if (item) word_edit->setText(item->text());
}

int velmo_cb_maintain(QList<QVariant>&) {
    velmo_ui_maintain dialog;
    dialog.exec();
    return 0;
}
