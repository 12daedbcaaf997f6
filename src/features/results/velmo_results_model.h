// The rows of the results list "校对结果": one per error mark of the active
// document, built from the collected results and the document's text (no
// host object is kept). Page and line are read from the host only for the
// rows that are drawn, so that a list of many marks opens at once.
#ifndef VELMO_FEATURES_RESULTS_VELMO_RESULTS_MODEL_H
#define VELMO_FEATURES_RESULTS_VELMO_RESULTS_MODEL_H

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <vector>

#include "api/velmo_check_result.h"
#include "document/velmo_mark_level.h"

// Characters of context shown on either side of the marked text.
constexpr int VELMO_RESULTS_CONTEXT = 8;
// Suggestions shown in the list; "建议" shows them all.
constexpr int VELMO_RESULTS_SUGGESTIONS = 3;

struct velmo_result_row_t {
    int record = 0;  // index into the collected results
    int pos = 0;
    int length = 0;
    int level = 0;
    QString err_word;
    QString before;
    QString after;
    QString suggestions;    // the first ones, for reading
    QString reason;         // the service's message, or the kind's name
    mutable int page = -1;  // -1 until read from the host
    mutable int line = -1;
};

// The rows of the records over the document's main text.
std::vector<velmo_result_row_t> velmo_result_rows(const QList<velmo_check_result_t>& records,
                                                  const QString& text);

class velmo_results_model : public QAbstractTableModel {
    Q_OBJECT

  public:
    enum column { kind_column, text_column, suggestion_column, reason_column, place_column };
    // Rows of every kind.
    static constexpr int all_kinds = -1;

    explicit velmo_results_model(QObject* parent = nullptr);

    void set_rows(std::vector<velmo_result_row_t> rows);
    // Shows the rows of one kind (a velmo_mark_kind value), or all_kinds.
    void set_kind_filter(int kind);
    // The row shown at `visible`; null outside.
    const velmo_result_row_t* row_at(int visible) const;
    // The shown row of the record, -1 when it is not shown.
    int visible_row_of(int record) const;
    int total() const { return static_cast<int>(rows.size()); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    void rebuild_visible();

    std::vector<velmo_result_row_t> rows;
    std::vector<int> visible;  // indices into rows
    int kind_filter = all_kinds;
};

#endif
