// One check run, without any window: it owns the range, the piece cutter, the
// runner that speaks to the service on threads of its own, the results and
// the run's outcome. It lives on the GUI thread, where it cuts the range,
// selects each contents piece and places its errors in the document while the
// runner checks it, and puts the user's selection back at the end. A view
// (the progress dialog) connects to its signals and may stop it; the check
// commands read the outcome once it has finished.
#ifndef VELMO_CHECK_VELMO_CHECK_SESSION_H
#define VELMO_CHECK_VELMO_CHECK_SESSION_H

#include <QList>
#include <QObject>
#include <QString>
#include <atomic>
#include <thread>

#include "api/velmo_check_result.h"
#include "check/velmo_check_runner.h"
#include "check/velmo_piece_cutter.h"
#include "wpsapi.h"

QT_BEGIN_NAMESPACE
class QTimer;
QT_END_NAMESPACE

// What one run came to.
struct velmo_check_run_outcome_t {
    qint64 start = 0;  // the checked range
    qint64 end = 0;
    QList<velmo_check_result_t> results;  // in ascending order of position
    int checked_length = 0;               // characters the service checked
    bool reached_max = false;             // the run stopped at the length limit
    bool stopped_by_user = false;
    // The checked document was closed during the run: its results are void.
    bool document_closed = false;
    // Stretches not checked, those the host did not give first, and why
    // the first of them was not.
    int unchecked_count = 0;
    QString unchecked_reason;
    // Errors the service reported that were not where their text is, left
    // without a mark.
    int unplaced_count = 0;
};

class velmo_check_session : public QObject {
    Q_OBJECT

  public:
    explicit velmo_check_session(QObject* parent = nullptr);
    // A run still under way is stopped and waited for.
    ~velmo_check_session() override;

    // Cuts `range` of its document into pieces and starts checking them (a
    // session may run again once it has finished);
    // `selection_start` and `selection_end` are put back as the selection when
    // the run ends. A null range ends the run as soon as events are processed.
    void start(kfc::ks_stdptr<wpsapi::Range>& range, long selection_start = -1,
               long selection_end = -1);
    // Any thread: the run ends after the piece or poll in hand; `by_user`
    // marks the outcome as the user's stop.
    void stop(bool by_user = true);
    // Blocks until the runner has ended and the run's last events have been
    // handled here, so that finished() has been emitted. GUI thread.
    void wait();
    bool has_finished() const;

    // Complete once finished() has been emitted.
    const velmo_check_run_outcome_t& outcome() const;
    // The pieces of the run, as cut.
    const velmo_piece_cutter& cutter() const;
    // The checked document; null when the range had none. Held until the
    // session is destroyed.
    wpsapi::_Document* document() const;

  signals:
    // The current piece's progress and the run's, in percent; 100 of 100
    // comes once, right before finished().
    void progress(int sub_progress, int total_progress);
    void finished();

    // From the runner's threads; queued to this object's thread.
    void runner_progress(int sub_progress, int total_progress, QPrivateSignal);
    void runner_select(qint64 start, qint64 end, QPrivateSignal);
    void runner_find_error(int level, QString err_word, QString cor_word, QPrivateSignal);
    void runner_done(QPrivateSignal);

  private:
    void on_runner_progress(int sub_progress, int total_progress);
    void on_runner_select(qint64 start, qint64 end);
    void on_runner_find_error(int level, const QString& err_word, const QString& cor_word);
    void on_runner_done();
    void stop_if_document_closed();
    void restore_selection();
    void join_worker();

    kfc::ks_stdptr<wpsapi::Range> range;
    kfc::ks_stdptr<wpsapi::_Document> checked_document;
    long selection_start = -1;
    long selection_end = -1;
    velmo_piece_cutter pieces;
    velmo_check_runner runner;
    std::thread worker;
    QTimer* document_watch = nullptr;
    std::atomic<bool> stopped_by_user{false};
    std::atomic<bool> stop_pending{false};  // asked for and not yet taken by an end
    bool ended = false;
    int piece_length_setting = 0;  // as read at the start; written back at the end
    velmo_check_run_outcome_t result;
    // The contents piece whose errors are being placed: its start and text,
    // where the next search begins and where the last error was placed.
    long contents_piece_start = -1;
    QString contents_text;
    int contents_search_from = 0;
    long contents_found_at = -1;
};

#endif
