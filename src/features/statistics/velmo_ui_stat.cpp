#include "features/statistics/velmo_ui_stat.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include "config/velmo_config.h"
#include "config/velmo_config_values.h"
#include "document/velmo_document.h"
#include "document/velmo_mark_level.h"
#include "features/common/velmo_message.h"
#include "features/common/velmo_ui_color_button.h"
#include "features/common/velmo_ui_fit.h"
#include "features/common/velmo_ui_window.h"
#include "features/statistics/velmo_statistics_commands.h"
#include "host/velmo_host_string.h"
#include "host/velmo_portable_qt.h"

namespace {

constexpr int SWATCH_SIZE = 25;
constexpr int BOX_HEIGHT = 25;
constexpr int COUNT_WIDTH = 85;
constexpr int SUMMARY_WIDTH = 120;
constexpr int LABEL_WIDTH = 55;

QLineEdit* new_value_box(QWidget* parent, int width, const QString& name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    // Room for ten digits whatever the font.
    velmo_show_value(box, width, QStringLiteral("0000000000"));
    velmo_fit_height(box, BOX_HEIGHT);
    return box;
}

// The whole main text; false when the host cannot give it.
bool content_text(wpsapi::_Document* document, QString& text) {
    kfc::ks_stdptr<wpsapi::Range> content;
    if (FAILED(document->get_Content(&content))) return false;
    return velmo_range_text(content, text);
}

}  // namespace

velmo_mark_counts_t velmo_count_marks(const QList<velmo_check_result_t>& results) {
    velmo_mark_counts_t counts;
    for (const velmo_check_result_t& record : results) {
        if (record.span_by_correction != 0)
            ++counts.corrected;
        else if (velmo_level_kind(record.level) == velmo_mark_kind::suspect)
            ++counts.suspects;
        else
            ++counts.errors;
    }
    return counts;
}

int velmo_count_english_words(const QString& text) {
    static const QRegularExpression word(QStringLiteral("[a-zA-Z]+"));
    int count = 0;
    for (auto it = word.globalMatch(text); it.hasNext(); it.next()) ++count;
    return count;
}

QString velmo_error_ratio_text(int marks, long characters) {
    // An empty document has no share of marks; dividing would show "inf" or "nan".
    const float ratio =
        characters > 0 ? static_cast<float>(marks) / static_cast<float>(characters) : 0.0f;
    return QString::number(static_cast<double>(ratio), 'f', 3);
}

velmo_ui_stat::velmo_ui_stat(QDialog* parent) : QDialog(parent) {
    init_ui();
    if (wpsapi::_Document* document = local_get_document())
        current_file->setText(velmo_args(QStringLiteral("%1/%2"), {velmo_document_path(document),
                                                                   velmo_document_name(document)}));
}

// Title, flags and the current-file row.
void velmo_ui_stat::init_ui() {
    setWindowTitle(tr("字数/错误统计"));
    setWindowFlags(velmo_ui_without_title_buttons(windowFlags()));
    auto* column = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    current_file = new QLineEdit(this);
    current_file->setObjectName(QStringLiteral("current_file"));
    current_file->setReadOnly(true);
    row->addWidget(new QLabel(tr("当前文件:"), this));
    row->addWidget(current_file);
    column->addLayout(row);
    init_ui_2();
    init_ui_3();
    init_ui_4();
}

QHBoxLayout* velmo_ui_stat::add_color_count(velmo_ui_color_button*& swatch, QLineEdit*& count,
                                            const char* color_key, const QString& name) {
    auto* pair = new QHBoxLayout;
    // The colour alone does not say which marks it counts.
    pair->addWidget(new QLabel(name, this));
    swatch = new velmo_ui_color_button(this);
    swatch->setObjectName(QLatin1String(color_key));
    velmo_fit_size(swatch, SWATCH_SIZE, SWATCH_SIZE);
    swatch->set_wps_color(velmo_config_color(color_key));
    count = new_value_box(this, COUNT_WIDTH, QLatin1String(color_key) + QLatin1String("_count"));
    pair->addWidget(swatch);
    pair->addWidget(count);
    return pair;
}

// The swatches of the three mark colours with their counts.
void velmo_ui_stat::init_ui_2() {
    auto* group = new QGroupBox(tr("颜色标记统计"), this);
    auto* row = new QHBoxLayout(group);
    row->addLayout(add_color_count(error_swatch, error_count, "Error", tr("错误")));
    row->addLayout(add_color_count(suspect_swatch, suspect_count, "Fallibility", tr("疑错")));
    row->addLayout(add_color_count(corrected_swatch, corrected_count, "Update", tr("已更正")));
    static_cast<QVBoxLayout*>(layout())->addWidget(group);
}

QLineEdit* velmo_ui_stat::add_summary_value(QHBoxLayout* row, const QString& label,
                                            const char* name) {
    auto* caption = new QLabel(label, this);
    velmo_fit_labels({caption}, LABEL_WIDTH);
    velmo_fit_height(caption, BOX_HEIGHT);
    caption->setAlignment(Qt::AlignLeft | Qt::AlignCenter);
    auto* box = new_value_box(this, SUMMARY_WIDTH, QLatin1String(name));
    row->addWidget(caption);
    row->addWidget(box);
    return box;
}

// The summary: totals, character counts and the ratio.
void velmo_ui_stat::init_ui_3() {
    auto* group = new QGroupBox(tr("汇总统计"), this);
    auto* rows = new QVBoxLayout(group);
    auto* first = new QHBoxLayout;
    auto* second = new QHBoxLayout;
    auto* third = new QHBoxLayout;
    mark_total = add_summary_value(first, tr("标记总数:"), "mark_total");
    chinese_count = add_summary_value(first, tr("中文字数:"), "chinese_count");
    character_total = add_summary_value(second, tr("总字数:"), "character_total");
    english_count = add_summary_value(second, tr("英文字数:"), "english_count");
    error_ratio = add_summary_value(third, tr("错误比例:"), "error_ratio");
    for (QHBoxLayout* row : {first, second, third}) {
        row->addStretch();
        rows->addLayout(row);
    }
    static_cast<QVBoxLayout*>(layout())->addWidget(group);
}

// The progress bar and the button.
void velmo_ui_stat::init_ui_4() {
    auto* row = new QHBoxLayout;
    progress_bar = new QProgressBar(this);
    progress_bar->setRange(0, 100);
    progress_bar->setValue(0);
    auto* ok_button = new QPushButton(tr("确定"), this);
    connect(ok_button, SIGNAL(clicked()), this, SLOT(on_ok()));
    row->addWidget(progress_bar);
    row->addWidget(ok_button);
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

void velmo_ui_stat::set_check_progress(check_progress_t* progress) {
    if (!progress || !progress->document) return;
    const velmo_mark_counts_t counts = velmo_count_marks(progress->results);
    error_count->setText(QString::number(counts.errors));
    suspect_count->setText(QString::number(counts.suspects));
    corrected_count->setText(QString::number(counts.corrected));

    wpsapi::_Document* document = progress->document;
    VARIANT include_notes = kfc::var_bool(false);
    long characters = 0;
    if (FAILED(document->ComputeStatistics(wpsapi::wdStatisticCharactersWithSpaces, &include_notes,
                                           &characters)))
        return;
    QString text;
    if (!content_text(document, text)) return;
    const int english = velmo_count_english_words(text);

    mark_total->setText(QString::number(counts.total()));
    chinese_count->setText(QString::number(characters - english));
    character_total->setText(QString::number(characters));
    english_count->setText(QString::number(english));
    error_ratio->setText(velmo_error_ratio_text(counts.total(), characters));
    progress_bar->setValue(100);
}

void velmo_ui_stat::on_ok() { close(); }

int velmo_cb_stat(QList<QVariant>&) {
    check_progress_update(&s_check_progress);
    if (!s_check_progress.document || s_check_progress.document != local_get_document()) {
        velmo_message_information(
            QCoreApplication::translate("velmo_ui_stat", "请重新校对后，再点错误统计"));
        return 0;
    }
    velmo_ui_stat dialog;
    dialog.set_check_progress(&s_check_progress);
    dialog.exec();
    return 0;
}
