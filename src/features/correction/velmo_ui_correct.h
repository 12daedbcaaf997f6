// The correction dialog "修改建议": walks the error marks of the last check,
// shows the marked text with the service's suggestions, and writes a
// suggestion over the marked text at one place or at every place marked with
// the same text. It edits the document's text and the collected progress;
// the opener re-places the marks from the progress once it closes.
#ifndef VELMO_FEATURES_CORRECTION_VELMO_UI_CORRECT_H
#define VELMO_FEATURES_CORRECTION_VELMO_UI_CORRECT_H

#include <QDialog>

#include "document/velmo_check_progress.h"
#include "document/velmo_mark_apply.h"
#include "wpsapi.h"

QT_BEGIN_NAMESPACE
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QVBoxLayout;
QT_END_NAMESPACE

class velmo_ui_correct : public QDialog {
    Q_OBJECT

  public:
    explicit velmo_ui_correct(QDialog* parent = nullptr);

    // Binds the dialog to the progress (not owned, edited in place), refreshes
    // it from the document's marks and shows the mark under the cursor, or
    // else the progress's current mark. Call once, before exec.
    void set_check_progress(check_progress_t* progress);

    // Writes the first suggestion of record `index` over its mark, as
    // "更改(A)" does from the dialog, only over text that still is the error
    // text (a stale mark is dropped and the user told); false when the
    // progress is unchanged (a hint, or a mark the host cannot reach).
    bool apply_first_suggestion(int index);

  public slots:
    void on_prev();
    void on_next();
    void on_correct();
    void on_correct_all();
    void on_stop();
    void on_cor_changed(int row);

  private:
    void init_ui();
    QVBoxLayout* init_ui_1();
    QVBoxLayout* init_ui_2();

    // Start of the host's selection, -1 when it cannot be read.
    long get_pos() const;
    // The active document's range from start to end (host status).
    HRESULT get_range(long start, long end, kfc::ks_stdptr<wpsapi::Range>& out) const;
    // Current index from the cursor: the mark after the one the cursor is in.
    void get_next();
    // Selects the current mark in the document and shows it.
    void select_current();
    // Selects the current mark in the document; false when the host cannot.
    bool select_in_document() const;
    void show_current();
    void show_clear();
    // Writes the suggestion box over the current mark where the document
    // still holds its text; a stale mark's record leaves the progress.
    velmo_apply_result correct_current();
    // Tells the user once about the stale marks met since the last telling.
    void tell_stale_marks();
    bool current_in_list() const;

    QLineEdit* err_edit = nullptr;
    QLabel* reason_label = nullptr;
    QLineEdit* cor_edit = nullptr;
    QListWidget* cor_list = nullptr;
    check_progress_t* progress = nullptr;
    QPushButton* change_all_button = nullptr;
    QPushButton* change_button = nullptr;
    // True while the fields show the current mark; changes act only then, so
    // that empty fields never overwrite a mark the user has not seen.
    bool showing = false;
    int stale_marks = 0;
};

#endif
