// The modal dialog of one check run. Opening it decides the check range (the
// selection, or the text from the cursor to the end of the document), cuts it
// and starts the check thread; it shows the piece's and the run's progress,
// lets the user stop, selects contents pieces and places their errors on the
// GUI thread, and closes itself when the run ends.
//
// Use: construct without parent, exec(), wait(), then read the getters.
#ifndef VELMO_EVENTS_VELMO_UI_CHECK_H
#define VELMO_EVENTS_VELMO_UI_CHECK_H

#include <QDialog>
#include <QList>
#include <QString>

#include "api/velmo_check_result.h"
#include "check/velmo_thread_check.h"
#include "wpsapi.h"

QT_BEGIN_NAMESPACE
class QCloseEvent;
class QProgressBar;
class QPushButton;
class QTimer;
QT_END_NAMESPACE

class velmo_ui_check : public QDialog {
    Q_OBJECT

  public:
    explicit velmo_ui_check(QDialog* parent = nullptr);
    ~velmo_ui_check() override;

    // Blocks until the check thread has ended.
    void wait();
    qint64 get_check_start() const;
    qint64 get_check_end() const;
    // Owned by the dialog; read after wait().
    QList<velmo_check_result_t>* get_check_result();
    int is_check_max() const;
    // The active document when the dialog opened; null when there was none.
    // The dialog holds a reference until it is destroyed.
    wpsapi::_Document* get_document() const;
    // 1 when the user ended the run: "停止", Escape or the window's close button.
    int stop_by_user() const;
    // Pieces of the run that were not checked, and why the first was not.
    int get_unchecked_count() const;
    QString get_unchecked_reason() const;

  public slots:
    void on_stop();
    void on_notify_select(long start, long end);
    void on_notify_find_error(int level, QString err_word, QString cor_word);
    void on_notify_progress(int sub_progress, int total_progress, QString text);

    // Escape: stops the run like "停止"; the dialog closes when the run ends.
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void init_ui();
    void init_loading();
    void init_check();
    void request_stop();
    void restore_selection();
    // Closing the checked document ends the run like "停止", abandoning its
    // jobs, but not as the user's stop: a run over several documents goes on.
    void stop_if_document_closed();

    QProgressBar* sub_progress_bar = nullptr;
    QProgressBar* total_progress_bar = nullptr;
    QPushButton* stop_button = nullptr;
    QTimer* document_watch = nullptr;
    velmo_thread_check thread;
    kfc::ks_stdptr<wpsapi::Range> check_range;
    qint64 check_start = 0;
    qint64 check_end = 0;
    kfc::ks_stdptr<wpsapi::_Document> document;
    // The user's selection when the dialog opened, put back when the run ends.
    long selection_start = 0;
    long selection_end = 0;
    int stopped_by_user = 0;
    bool run_ended = false;
    // The contents piece whose errors are being placed: its start and text,
    // where the next search begins and where the last error was placed.
    long contents_piece_start = -1;
    QString contents_text;
    int contents_search_from = 0;
    long contents_found_at = -1;
};

#endif
