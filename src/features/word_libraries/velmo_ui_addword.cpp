#include "features/word_libraries/velmo_ui_addword.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "api/velmo_api_account.h"
#include "document/velmo_document.h"
#include "features/common/velmo_ui_fit.h"
#include "features/word_libraries/velmo_word_library_commands.h"
#include "host/velmo_host_string.h"

namespace {

constexpr int SHORTEST_CANDIDATE = 2;
constexpr int LONGEST_CANDIDATE = 6;
constexpr int VISIBLE_CANDIDATES = LONGEST_CANDIDATE - SHORTEST_CANDIDATE + 1;  // every length

// A candidate never reaches across one of these.
bool holds_separator(const QString& text) {
    static const QString separators = QString::fromUtf8("\n\r,;；.。、（）");
    for (const QChar c : text)
        if (separators.contains(c)) return true;
    return false;
}

// The document's text from start to end; false when the host cannot give it.
bool document_text(long start, long end, QString& text) {
    kfc::ks_stdptr<wpsapi::Range> range;
    if (FAILED(local_get_range(start, end, range))) return false;
    return velmo_range_text(range, text);
}

int open_addword(int lib_type) {
    velmo_ui_addword dialog;
    dialog.set_libtype(lib_type);
    dialog.exec();
    return 0;
}

}  // namespace

velmo_ui_addword::velmo_ui_addword(QWidget* parent) : QDialog(parent) {
    init_ui();
    lib_type = VELMO_LIB_USER_WORDS;
}

void velmo_ui_addword::init_ui() {
    setWindowTitle(tr("添加新词"));
    setWindowFlags(windowFlags() & ~(Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    resize(260, 240);

    auto* left = new QVBoxLayout();
    word_edit = new QLineEdit(this);
    candidate_list = new QListWidget(this);
    velmo_fit_text_area(candidate_list, QString(LONGEST_CANDIDATE, QChar(0x5b57)),
                        VISIBLE_CANDIDATES);
    left->addWidget(word_edit);
    left->addWidget(candidate_list);

    auto* right = new QVBoxLayout();
    auto* add_button = new QPushButton(tr("添加"), this);
    auto* close_button = new QPushButton(tr("关闭"), this);
    for (QPushButton* button : {add_button, close_button}) {
        velmo_fit_size(button, 60, 30);
        right->addWidget(button);
    }
    right->addStretch();
    connect(add_button, &QPushButton::clicked, this, &velmo_ui_addword::on_addword);
    connect(close_button, &QPushButton::clicked, this, &velmo_ui_addword::on_close);

    auto* columns = new QHBoxLayout(this);
    columns->addLayout(left);
    columns->addLayout(right);
}

void velmo_ui_addword::set_libtype(int type) {
    lib_type = type;
    if (type == VELMO_LIB_USER_ERRORS) setWindowTitle(tr("定义错误"));
    show_current();
}

void velmo_ui_addword::show_current() {
    // Without a caret there is nothing to propose from.
    const long caret = local_get_pos();
    for (int length = SHORTEST_CANDIDATE; caret >= 0 && length <= LONGEST_CANDIDATE; ++length) {
        QString text;
        if (!document_text(caret, caret + length, text) || holds_separator(text)) break;
        candidate_list->addItem(text);
    }
    connect(candidate_list, &QListWidget::currentRowChanged, this,
            &velmo_ui_addword::on_word_changed, Qt::UniqueConnection);
    candidate_list->setCurrentRow(0);
}

void velmo_ui_addword::on_addword() {
    velmo_api_addword(lib_type, word_edit->text());
    accept();
}

void velmo_ui_addword::on_close() { reject(); }

void velmo_ui_addword::on_word_changed(int row) {
    QListWidgetItem* item = candidate_list->item(row);
    if (item) word_edit->setText(item->text());
}

int velmo_cb_new_word(QList<QVariant>&) { return open_addword(VELMO_LIB_USER_WORDS); }
int velmo_cb_new_error(QList<QVariant>&) { return open_addword(VELMO_LIB_USER_ERRORS); }
