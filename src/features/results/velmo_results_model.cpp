#include "features/results/velmo_results_model.h"

#include <QCoreApplication>

#include "document/velmo_document.h"
#include "document/velmo_mark_name.h"
#include "features/common/velmo_ui_color_button.h"
#include "host/velmo_host_string.h"
#include "host/velmo_portable_qt.h"

namespace {

QString text(const char* source) { return QCoreApplication::translate("velmo_ui_results", source); }

// Line breaks and cell marks would break the list's one-line rows.
QString one_line(QString part) {
    for (QChar& c : part)
        if (c == QChar(13) || c == QChar(10) || c == QChar(velmo_cell_mark) || c == QChar(11))
            c = QLatin1Char(' ');
    return part;
}

QString first_suggestions(const velmo_check_result_t& record) {
    QStringList parts = velmo_split(record.cor_word, QLatin1String(VELMO_SUGGESTION_SEPARATOR));
    parts.removeAll(QString());
    return parts.mid(0, VELMO_RESULTS_SUGGESTIONS).join(QString::fromUtf8("、"));
}

// Page and line of the text at [pos, end) as the host lays it out.
void read_place(const velmo_result_row_t& row) {
    kfc::ks_stdptr<wpsapi::Range> range;
    row.page = 0;
    row.line = 0;
    if (FAILED(local_get_range(row.pos, row.pos + row.length, range))) return;
    const auto information = [&](wpsapi::WdInformation type) {
        VARIANT value = kfc::var_empty();
        if (FAILED(range->get_Information(type, &value))) return 0;
        const int number = V_VT(&value) == VT_I8 ? static_cast<int>(V_I8(&value)) : V_I4(&value);
        kfc::var_clear(value);
        return number;
    };
    row.page = information(wpsapi::wdActiveEndAdjustedPageNumber);
    row.line = information(wpsapi::wdFirstCharacterLineNumber);
}

}  // namespace

std::vector<velmo_result_row_t> velmo_result_rows(const QList<velmo_check_result_t>& records,
                                                  const QString& text) {
    std::vector<velmo_result_row_t> rows;
    rows.reserve(static_cast<size_t>(records.size()));
    for (int i = 0; i < records.size(); ++i) {
        const velmo_check_result_t& record = records.at(i);
        velmo_result_row_t row;
        row.record = i;
        row.pos = record.pos;
        row.length = velmo_mark_length(record);
        row.level = record.level;
        row.err_word = record.err_word;
        const int from = qMax(0, record.pos - VELMO_RESULTS_CONTEXT);
        row.before = one_line(text.mid(from, record.pos - from));
        row.after = one_line(text.mid(record.pos + row.length, VELMO_RESULTS_CONTEXT));
        row.suggestions = first_suggestions(record);
        row.reason = velmo_record_reason(record);
        rows.push_back(std::move(row));
    }
    return rows;
}

velmo_results_model::velmo_results_model(QObject* parent) : QAbstractTableModel(parent) {}

void velmo_results_model::set_rows(std::vector<velmo_result_row_t> fresh) {
    beginResetModel();
    rows = std::move(fresh);
    rebuild_visible();
    endResetModel();
}

void velmo_results_model::set_kind_filter(int kind) {
    beginResetModel();
    kind_filter = kind;
    rebuild_visible();
    endResetModel();
}

void velmo_results_model::rebuild_visible() {
    visible.clear();
    visible.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        if (kind_filter == all_kinds ||
            static_cast<int>(velmo_level_kind(rows[i].level)) == kind_filter)
            visible.push_back(static_cast<int>(i));
}

const velmo_result_row_t* velmo_results_model::row_at(int shown) const {
    if (shown < 0 || shown >= static_cast<int>(visible.size())) return nullptr;
    return &rows[static_cast<size_t>(visible[static_cast<size_t>(shown)])];
}

int velmo_results_model::visible_row_of(int record) const {
    for (size_t i = 0; i < visible.size(); ++i)
        if (rows[static_cast<size_t>(visible[i])].record == record) return static_cast<int>(i);
    return -1;
}

int velmo_results_model::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(visible.size());
}

int velmo_results_model::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : place_column + 1;
}

QVariant velmo_results_model::data(const QModelIndex& index, int role) const {
    const velmo_result_row_t* row = row_at(index.row());
    if (!row) return QVariant();
    const int column = index.column();
    if (role == Qt::DecorationRole && column == kind_column)
        return velmo_qt_color_of(local_mark_color(row->level));
    if (role == Qt::ToolTipRole && column == reason_column) return row->reason;
    if (role != Qt::DisplayRole) return QVariant();
    switch (column) {
        case kind_column:
            return velmo_mark_kind_name(velmo_level_kind(row->level));
        case text_column:
            return row->before + QString::fromUtf8("【") + row->err_word + QString::fromUtf8("】") +
                   row->after;
        case suggestion_column:
            return row->suggestions;
        case reason_column:
            return row->reason;
        case place_column:
            if (row->page < 0) read_place(*row);
            return text("第%1页第%2行").arg(row->page).arg(row->line);
        default:
            return QVariant();
    }
}

QVariant velmo_results_model::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QVariant();
    static const char* const captions[] = {"类型", "内容", "建议", "说明", "位置"};
    if (section < 0 || section > place_column) return QVariant();
    return text(captions[section]);
}
