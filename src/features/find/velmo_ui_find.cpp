#include "features/find/velmo_ui_find.h"

#include <QCheckBox>
#include <QDebug>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTextEdit>
#include <QTextStream>
#include <QVBoxLayout>

#include "config/velmo_config.h"
#include "config/velmo_config_paths.h"
#include "config/velmo_config_values.h"
#include "document/velmo_document.h"
#include "document/velmo_mark_name.h"
#include "features/common/velmo_message.h"
#include "features/common/velmo_ui_fit.h"
#include "features/find/velmo_find_commands.h"
#include "host/velmo_globals.h"
#include "host/velmo_host_string.h"
#include "host/velmo_portable_qt.h"

namespace {

constexpr const char* WORD_LIST_SECTION = "UserLibraryList";
constexpr const char* SOURCE_KEY = "IsSelectIndex";
constexpr const char* WORD_FILE_KEY = "UserLibrary";
constexpr int FILE_SOURCE = 1;
constexpr int SOURCE_BOX_HEIGHT = 200;
constexpr int FILE_NAME_WIDTH = 200;
// The word list shows this many words of this many characters unwrapped.
constexpr int WORD_LIST_LINES = 6;
constexpr int WORD_LIST_CHARACTERS = 10;

// The whole file as UTF-8 text with line ends made "\n"; false when it
// cannot be read.
bool read_text_file(const QString& path, QString& text) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
    text = QString::fromUtf8(file.readAll());
    return true;
}

bool write_text_file(const QString& path, const QString& text) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text | QIODevice::Truncate)) return false;
    return file.write(text.toUtf8()) >= 0;
}

// Executes the find forward from the selection, stopping at the end of the
// text; true when the selection moved onto a match.
bool execute_find(wpsapi::Find* find, const QString& word, bool match_case, bool whole_word) {
    VARIANT text = kfc::var_bstr(velmo_to_bstr(word).detach());
    VARIANT case_arg = kfc::var_bool(match_case);
    VARIANT whole_arg = kfc::var_bool(whole_word);
    VARIANT forward = kfc::var_bool(true);
    VARIANT wrap = kfc::var_i4(wpsapi::wdFindStop);
    VARIANT format = kfc::var_bool(false);
    VARIANT missing[9];
    for (VARIANT& one : missing) one = kfc::var_missing();
    VARIANT_BOOL found = VARIANT_FALSE;
    const HRESULT hr =
        find->Execute(&text, &case_arg, &whole_arg, &missing[0], &missing[1], &missing[2], &forward,
                      &wrap, &format, &missing[3], &missing[4], &missing[5], &missing[6],
                      &missing[7], &missing[8], &found);
    kfc::var_clear(text);
    return SUCCEEDED(hr) && found != VARIANT_FALSE;
}

}  // namespace

velmo_ui_batch_find::velmo_ui_batch_find(QDialog* parent) : QDialog(parent) { init_ui(); }

QList<check_range_t>& velmo_ui_batch_find::get_find_range() { return found_ranges; }

bool velmo_ui_batch_find::marks_found_words() const { return mark_option->isChecked(); }

void velmo_ui_batch_find::init_ui() {
    setWindowTitle(tr("成批查找"));
    auto* column = new QVBoxLayout(this);
    frame = new QGroupBox(this);
    new QVBoxLayout(frame);
    init_ui_1();
    column->addWidget(frame);

    auto* buttons = new QHBoxLayout;
    auto* start_button = new QPushButton(tr("开始"), this);
    auto* cancel_button = new QPushButton(tr("取消"), this);
    buttons->addStretch();
    buttons->addWidget(start_button);
    buttons->addWidget(cancel_button);
    column->addLayout(buttons);
    connect(start_button, SIGNAL(clicked()), this, SLOT(on_ok()));
    connect(cancel_button, SIGNAL(clicked()), this, SLOT(on_cancel()));

    progress_bar = new QProgressBar(this);
    progress_bar->setRange(0, 100);
    progress_bar->setValue(0);
    column->addWidget(progress_bar);

    // Checking the stored source runs the switch once, which enables the
    // matching widgets and stores the source again.
    velmo_singleton_config* config = velmo_singleton_config::instance();
    const int source = config->get_int(WORD_LIST_SECTION, SOURCE_KEY);
    (source == FILE_SOURCE ? file_option : library_option)->setChecked(true);
    file_name->setText(
        QString::fromLocal8Bit(config->get_string(WORD_LIST_SECTION, WORD_FILE_KEY)));
}

void velmo_ui_batch_find::init_ui_1() {
    init_ui_1_1();
    init_ui_1_2();
    init_ui_1_3();
}

// The two word sources side by side.
void velmo_ui_batch_find::init_ui_1_1() {
    auto* sources = new QGroupBox(frame);
    auto* columns = new QHBoxLayout(sources);

    auto* left = new QVBoxLayout;
    library_option = new QRadioButton(tr("成批查找库"), sources);
    library_text = new QTextEdit(sources);
    velmo_fit_text_area(library_text, QString(WORD_LIST_CHARACTERS, QChar(0x5b57)),
                        WORD_LIST_LINES);
    QString library;
    const QString own =
        QString::fromStdString(velmo_singleton_config::instance()->user_findlib_file());
    if ((!own.isEmpty() && read_text_file(own, library)) ||
        read_text_file(QString::fromLocal8Bit(CONST_FINDLIB_PATH), library))
        library_text->setPlainText(library);
    left->addWidget(library_option);
    left->addWidget(library_text);

    auto* right = new QVBoxLayout;
    file_option = new QRadioButton(tr("挂接成批查找库文件"), sources);
    auto* file_row = new QHBoxLayout;
    file_name = new QLineEdit(sources);
    velmo_fit_width(file_name, FILE_NAME_WIDTH);
    browse_button = new QPushButton(tr("浏览"), sources);
    file_row->addWidget(file_name);
    file_row->addWidget(browse_button);
    right->addWidget(file_option);
    right->addLayout(file_row);
    right->addStretch();

    columns->addLayout(left);
    columns->addLayout(right);
    velmo_fit_height(sources, SOURCE_BOX_HEIGHT);
    static_cast<QVBoxLayout*>(frame->layout())->addWidget(sources);

    connect(library_option, SIGNAL(toggled(bool)), this, SLOT(on_lib_changed(bool)));
    connect(file_option, SIGNAL(toggled(bool)), this, SLOT(on_lib_changed(bool)));
    connect(browse_button, SIGNAL(clicked()), this, SLOT(on_lib_sel()));
}

// The search options.
void velmo_ui_batch_find::init_ui_1_2() {
    auto* column = static_cast<QVBoxLayout*>(frame->layout());
    auto* row = new QHBoxLayout;
    mark_option = new QCheckBox(tr("在文中标记查到的词"), frame);
    mark_option->setChecked(true);
    case_option = new QCheckBox(tr("区分大小写"), frame);
    whole_word_option = new QCheckBox(tr("全字匹配"), frame);
    row->addWidget(mark_option);
    row->addWidget(case_option);
    row->addWidget(whole_word_option);
    column->addSpacing(1);
    column->addLayout(row);
    column->addSpacing(1);
}

// The keyword position file and its page numbering.
void velmo_ui_batch_find::init_ui_1_3() {
    position_file_group = new QGroupBox(tr("生成关键词位置文件"), frame);
    position_file_group->setCheckable(true);
    position_file_group->setChecked(false);
    auto* row = new QHBoxLayout(position_file_group);
    printed_page_option = new QRadioButton(tr("实际页码"), position_file_group);
    sequential_page_option = new QRadioButton(tr("顺序页码"), position_file_group);
    sequential_page_option->setChecked(true);
    row->addWidget(printed_page_option);
    row->addWidget(sequential_page_option);
    static_cast<QVBoxLayout*>(frame->layout())->addWidget(position_file_group);
}

void velmo_ui_batch_find::on_lib_changed(bool checked) {
    // Both options report a switch; the one that became checked acts for it.
    if (!checked) return;
    const bool library = library_option->isChecked();
    browse_button->setEnabled(!library);
    file_name->setEnabled(!library);
    library_text->setEnabled(library);
    velmo_singleton_config* config = velmo_singleton_config::instance();
    config->set_string(WORD_LIST_SECTION, SOURCE_KEY, library ? "0" : "1");
    config->save();
}

void velmo_ui_batch_find::on_lib_sel() {
    file_name->setText(QFileDialog::getOpenFileName(this, tr("打开")));
}

// Library: the non-empty lines of the edited text are the words, and the text
// is kept as the user's own findlib.txt (the installed list is never written:
// an ordinary user cannot, and it is everyone's).
// Word file: every line of the file is a word, blank ones included, and the
// file's name is kept as the last word file used.
void velmo_ui_batch_find::get_words(QList<QString>& words) {
    words.clear();
    QString text;
    if (library_option->isChecked()) {
        text = library_text->toPlainText();
        const std::string own = velmo_singleton_config::instance()->user_findlib_file();
        if (own.empty() || !velmo_make_private_file(own) ||
            !write_text_file(QString::fromStdString(own), text))
            qWarning().noquote() << "velmo: cannot keep the batch-find library in" << own.c_str();
        for (const QString& line : velmo_split(text, QStringLiteral("\n")))
            if (!line.isEmpty()) words.append(line);
        return;
    }
    read_text_file(file_name->text(), text);
    for (const QString& line : velmo_split(text, QStringLiteral("\n"))) words.append(line);
    velmo_singleton_config::instance()->set_string(WORD_LIST_SECTION, WORD_FILE_KEY,
                                                   file_name->text().toLocal8Bit().constData());
}

void velmo_ui_batch_find::record_occurrence(wpsapi::Selection* selection, const QString& word,
                                            long start, long end) {
    check_range_t found;
    found.start = start;
    found.end = end;
    found_ranges.append(found);
    const wpsapi::WdInformation page_kind = printed_page_option->isChecked()
                                                ? wpsapi::wdActiveEndAdjustedPageNumber
                                                : wpsapi::wdActiveEndPageNumber;
    QList<int>& pages = pages_by_word[word];
    int page = 0;  // when the host cannot say
    local_selection_information(selection, page_kind, page);
    if (!pages.contains(page)) pages.append(page);
}

int velmo_ui_batch_find::find_word(wpsapi::Selection* selection, wpsapi::Find* find,
                                   const QString& word) {
    // The host never matches an empty text; one that did without moving the
    // selection would search for ever.
    if (word.isEmpty()) return 0;
    const auto color = static_cast<wpsapi::WdColorIndex>(velmo_config_color("Find"));
    int count = 0;
    long last_start = -1;
    long last_end = -1;
    while (execute_find(find, word, case_option->isChecked(), whole_word_option->isChecked())) {
        kfc::ks_stdptr<wpsapi::Range> range;
        long start = 0;
        long end = 0;
        if (FAILED(selection->get_Range(&range)) || !range || FAILED(range->get_Start(&start)) ||
            FAILED(range->get_End(&end)))
            break;
        // A find that reports the same occurrence again has nothing further.
        if (start == last_start && end == last_end) break;
        last_start = start;
        last_end = end;
        if (mark_option->isChecked()) range->put_HighlightColorIndex(color);
        record_occurrence(selection, word, start, end);
        ++count;
    }
    return count;
}

void velmo_ui_batch_find::on_ok() {
    QList<QString> words;
    get_words(words);
    if (words.isEmpty() || !g_pApp) return;
    kfc::ks_stdptr<wpsapi::Selection> selection;
    if (FAILED(g_pApp->get_Selection(&selection)) || !selection) return;
    kfc::ks_stdptr<wpsapi::Find> find;
    if (FAILED(selection->get_Find(&find)) || !find) return;
    find->ClearFormatting();

    const int step = 100 / words.size();
    int value = step;
    int found = 0;
    // A word listed twice would count and mark its occurrences twice.
    QSet<QString> searched;
    for (const QString& word : words) {
        if (!searched.contains(word)) {
            searched.insert(word);
            found += find_word(selection, find, word);
        }
        // The first word is searched from the user's selection, every later
        // one from the start of the document.
        selection->put_Start(0);
        selection->put_End(1);
        progress_bar->setValue(value);
        value += step;
    }
    progress_bar->setValue(100);
    // Without marking nothing was marked: the count is of words found.
    const QString done = mark_option->isChecked() ? tr("查找完毕, 共标记%1处")
                                                  : tr("查找完毕, 共找到%1处, 未在文中标记");
    velmo_message_box_ok(tr("Velmo校对"), done.arg(found));
    if (position_file_group->isChecked()) get_pos();
    close();
}

void velmo_ui_batch_find::on_cancel() { close(); }

void velmo_ui_batch_find::get_pos() {
    wpsapi::_Document* document = local_get_document();
    if (!document) return;
    const QString pos_file =
        velmo_find_pos_file_name(velmo_document_path(document), velmo_document_name(document));
    // A document never saved has no directory to write beside.
    if (pos_file.isEmpty()) return;
    velmo_find_pos_write(pos_file, velmo_find_pos_text(pages_by_word));
    velmo_open_with_desktop(pos_file);
}

int velmo_cb_batch_find(QList<QVariant>&) {
    velmo_ui_batch_find dialog;
    dialog.exec();
    if (!dialog.marks_found_words()) return 0;
    for (const check_range_t& found : dialog.get_find_range()) {
        kfc::ks_stdptr<wpsapi::Range> range;
        if (FAILED(local_get_range(static_cast<long>(found.start), static_cast<long>(found.end),
                                   range)))
            continue;
        local_add_bookmark(
            velmo_mark_find_name(static_cast<long>(found.start), static_cast<long>(found.end)),
            range);
    }
    return 0;
}
