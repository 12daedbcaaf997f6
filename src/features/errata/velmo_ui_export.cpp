#include "features/errata/velmo_ui_export.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTextStream>
#include <QVBoxLayout>

#include "config/velmo_config.h"
#include "document/velmo_document.h"
#include "document/velmo_mark_level.h"
#include "features/common/velmo_message.h"
#include "features/errata/velmo_errata_commands.h"
#include "host/velmo_globals.h"
#include "host/velmo_host_string.h"
#include "host/velmo_portable_qt.h"

namespace {

const QChar CELL_MARK(velmo_cell_mark);

bool first_sentence_text(wpsapi::Selection* selection, QString& text) {
    kfc::ks_stdptr<wpsapi::Sentences> sentences;
    if (FAILED(selection->get_Sentences(&sentences)) || !sentences) return false;
    kfc::ks_stdptr<wpsapi::Range> first;
    if (FAILED(sentences->get_First(&first))) return false;
    return velmo_range_text(first, text);
}

}  // namespace

velmo_ui_export::velmo_ui_export(QDialog* parent) : QDialog(parent) { init_ui(); }

void velmo_ui_export::set_check_progress(check_progress_t* progress) { check_progress = progress; }

void velmo_ui_export::init_ui() {
    setWindowTitle(tr("选择页码"));
    new QVBoxLayout(this);
    init_ui_1();
    init_ui_2();
    init_ui_3();
}

// The page numbering choice.
void velmo_ui_export::init_ui_1() {
    auto* group = new QGroupBox(tr("选择"), this);
    auto* row = new QHBoxLayout(group);
    sequential_page_button = new QRadioButton(tr("顺序页码"), group);
    printed_page_button = new QRadioButton(tr("实际页码"), group);
    printed_page_button->setChecked(true);
    row->addWidget(sequential_page_button);
    row->addWidget(printed_page_button);
    static_cast<QVBoxLayout*>(layout())->addWidget(group);
}

// The progress row.
void velmo_ui_export::init_ui_2() {
    auto* row = new QHBoxLayout;
    progress_bar = new QProgressBar(this);
    progress_bar->setTextVisible(false);
    row->addWidget(new QLabel(tr("进度:"), this));
    row->addWidget(progress_bar);
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

// The buttons.
void velmo_ui_export::init_ui_3() {
    auto* row = new QHBoxLayout;
    auto* ok_button = new QPushButton(tr("确定"), this);
    auto* cancel_button = new QPushButton(tr("取消"), this);
    row->addStretch();
    row->addWidget(ok_button);
    row->addWidget(cancel_button);
    connect(ok_button, SIGNAL(clicked()), this, SLOT(on_ok()));
    connect(cancel_button, SIGNAL(clicked()), this, SLOT(on_cancel()));
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

// The whole document name, extension included, goes into the table's name:
// "会议纪要.docx" and "会议纪要.txt" in one folder get tables of their own.
QString velmo_ui_export::file_name_for(const QString& path, const QString& name) {
    if (path.isEmpty() || name.isEmpty()) return QString();
    return path + QLatin1String("/_") + name + QLatin1String(".txt");
}

namespace {

// The header every table starts with: a file without it is no table of ours
// (a document that happens to carry the name) and is never replaced.
bool is_replaceable(const QString& file_name) {
    QFile file(file_name);
    if (!file.exists()) return true;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
    QTextStream stream(&file);
    return stream.readLine().startsWith(QCoreApplication::translate("velmo_ui_export", "用户名: "));
}

}  // namespace

QString velmo_ui_export::header_text(const QString& file_name) const {
    velmo_kind_counts_t counts;
    for (const velmo_check_result_t& record : check_progress->results)
        if (velmo_level_known(record.level)) counts.add(record.level);
    const QString user_name = QString::fromLocal8Bit(
        velmo_singleton_config::instance()->get_string("UserInfo", "UserName"));
    QString text;
    text += tr("用户名: ") + user_name + QLatin1Char('\n');
    text += tr("时间: ") +
            QDateTime::currentDateTime().toString(QStringLiteral("ddd MMM dd hh:mm:ss yyyy")) +
            QLatin1Char('\n');
    text += tr("文件名: ") + file_name + QLatin1Char('\n');
    text += tr("错误数: ") +
            tr("严重错误%1个; 错误%2个; 疑错%3个")
                .arg(counts.serious)
                .arg(counts.errors)
                .arg(counts.suspects) +
            QLatin1String("\n\n");
    return text;
}

QString velmo_ui_export::get_content(int number, velmo_check_result_t& record) {
    if (!g_pApp) return QString();
    kfc::ks_stdptr<wpsapi::Selection> selection;
    if (FAILED(g_pApp->get_Selection(&selection)) || !selection) return QString();
    selection->put_Start(record.pos);
    selection->put_End(record.pos + record.err_word.length());

    int page = 0;
    int line = 0;
    const wpsapi::WdInformation page_kind = sequential_page_button->isChecked()
                                                ? wpsapi::wdActiveEndPageNumber
                                                : wpsapi::wdActiveEndAdjustedPageNumber;
    if (!local_selection_information(selection, page_kind, page) ||
        !local_selection_information(selection, wpsapi::wdFirstCharacterLineNumber, line))
        return QString();
    QString sentence;
    if (!first_sentence_text(selection, sentence)) return QString();

    const bool suspect = velmo_level_kind(record.level) == velmo_mark_kind::suspect;
    const QString kind = suspect ? tr("疑错") : tr("错误");
    const QString head =
        velmo_args(tr("%1%2: %3(建议: %4): 第%5页第%6行\n"),
                   {kind, QString::number(number), record.err_word, record.cor_word,
                    QString::number(page), QString::number(line)});
    // An empty error text would otherwise be bracketed between every character.
    if (!record.err_word.isEmpty()) {
        const QString bracketed = suspect ? tr("〖%1〗") : tr("【%1】");
        sentence.replace(record.err_word, bracketed.arg(record.err_word));
    }
    sentence = sentence.simplified();
    sentence.remove(CELL_MARK);
    return head + sentence + QLatin1String("\n\n");
}

void velmo_ui_export::on_cancel() { close(); }

void velmo_ui_export::on_ok() {
    if (!check_progress || !check_progress->document) return;
    wpsapi::_Document* document = check_progress->document;
    const QString file_name =
        file_name_for(velmo_document_path(document), velmo_document_name(document));
    // A document never saved has no directory: writing "/_..." would land in
    // the file-system root, so no table is written for it; nor over the
    // document itself.
    if (file_name.isEmpty()) {
        close();
        return;
    }
    QString text = header_text(file_name);
    const int count = check_progress->results.size();
    for (int i = 0; i < count; ++i) {
        text += get_content(i + 1, check_progress->results[i]);
        progress_bar->setValue((i + 1) * 100 / count);
    }
    QFile file(file_name);
    QString failure;
    if (!is_replaceable(file_name)) {
        failure = tr("同名文件不是勘误表，未覆盖");
    } else if (!file.open(QIODevice::WriteOnly | QIODevice::Text | QIODevice::Truncate)) {
        failure = file.errorString();
    } else {
        QTextStream stream(&file);
        stream << text;
        stream.flush();
        if (stream.status() != QTextStream::Ok || !file.flush()) failure = file.errorString();
        file.close();
    }
    progress_bar->setValue(100);
    close();
    if (!failure.isEmpty())
        velmo_message_box_ok(tr("Velmo校对"),
                             velmo_args(tr("勘误表未能写入：%1\n%2"),
                                        {QDir::toNativeSeparators(file_name), failure}));
}

int velmo_cb_export(QList<QVariant>&) {
    check_progress_update(&s_check_progress);
    if (!s_check_progress.document || s_check_progress.document != local_get_document()) {
        velmo_message_information(
            QCoreApplication::translate("velmo_ui_export", "请重新校对后，再点勘误表"));
        return 0;
    }
    velmo_ui_export dialog;
    dialog.set_check_progress(&s_check_progress);
    dialog.exec();
    return 0;
}
