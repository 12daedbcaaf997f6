// The results list "校对结果": a window beside the document listing every
// error mark of the active document, filtered by kind. A click selects the
// mark in the document; "更改" (or a double click, or Enter) writes its first
// suggestion as "建议" does; "忽略" (or Delete) removes that mark, "全部忽略"
// every mark of the same text and kind, and both are remembered for the
// document; "加入用户词库" adds the text to the user's own words and removes
// its marks. It keeps positions and texts only, never a host object.
#ifndef VELMO_FEATURES_RESULTS_VELMO_UI_RESULTS_H
#define VELMO_FEATURES_RESULTS_VELMO_UI_RESULTS_H

#include <QWidget>

#include "features/results/velmo_results_model.h"

QT_BEGIN_NAMESPACE
class QComboBox;
class QLabel;
class QPushButton;
class QTableView;
class QTimer;
QT_END_NAMESPACE

class velmo_ui_results : public QWidget {
    Q_OBJECT

  public:
    explicit velmo_ui_results(QWidget* parent = nullptr);

    // Reads the marks of the active document again and shows them, keeping
    // the current row where it can.
    void refresh();
    // The rows as shown (tests and the benchmark read them).
    const velmo_results_model& rows() const { return *model; }
    int current_row() const;
    void set_current_row(int row);

  public slots:
    void on_select(int row);
    void on_apply();
    void on_ignore();
    void on_ignore_all();
    void on_add_word();
    void on_forget_ignored();
    void on_kind_changed(int choice);

  protected:
    // Enter and Delete in the list.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void init_ui();
    QLayout* init_buttons();
    // Refreshes when the active document or its marks changed since the
    // last look; cheap when nothing did.
    void follow_document();
    // The record of the current row as the collection holds it now; false
    // when the list no longer agrees with the collection (then refreshed).
    bool current_record(int& index);
    // Removes the marks and records of the given indices of the collection.
    void remove_records(const QList<int>& indices);
    void update_buttons();

    velmo_results_model* model = nullptr;
    QTableView* view = nullptr;
    QComboBox* kind_box = nullptr;
    QLabel* count_label = nullptr;
    QPushButton* apply_button = nullptr;
    QPushButton* ignore_button = nullptr;
    QPushButton* ignore_all_button = nullptr;
    QPushButton* add_word_button = nullptr;
    QTimer* follower = nullptr;
    // What the list was built from: compared, never dereferenced.
    const void* seen_document = nullptr;
    long seen_bookmarks = -1;
    long seen_end = -1;
    int seen_records = -1;
};

#endif
