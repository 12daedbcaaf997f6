// One check run, split along its thread line. On the GUI thread the piece
// cutter reads the check range from the host and cuts it into pieces
// (start_thread). On its own thread it hands the pieces to the host-free
// runner, which speaks only to the proofreading service, and
// passes the runner's progress on through the notify_ signals; the GUI
// thread selects contents pieces and places their errors when asked to.
#ifndef VELMO_CHECK_VELMO_THREAD_CHECK_H
#define VELMO_CHECK_VELMO_THREAD_CHECK_H

#include <QList>
#include <QString>
#include <QThread>
#include <mutex>

#include "api/velmo_check_result.h"
#include "check/velmo_check_range.h"
#include "check/velmo_check_runner.h"
#include "check/velmo_piece_cutter.h"
#include "wpsapi.h"

class velmo_thread_check : public QThread {
    Q_OBJECT

  public:
    explicit velmo_thread_check(QObject* parent = nullptr);
    ~velmo_thread_check() override;

    // GUI thread: takes the check range and clears the stop request.
    void set_range(kfc::ks_stdptr<wpsapi::Range>& range);
    // GUI thread: cuts the range into pieces, then starts the worker.
    void start_thread();
    // Any thread: asks the worker to end after the piece or poll in hand.
    void stop_thread();
    // GUI thread: QThread's wait without a time limit, followed by taking the
    // lock the worker held for the whole run, so that everything the worker
    // wrote is seen by the caller with a standard happens-before edge.
    void wait_until_finished();

    // Read these only after the worker has ended.
    QList<velmo_check_result_t>* get_check_result();
    int is_check_max() const;
    int get_checked_length() const;
    // How many stretches of the run were not checked (those the host did not
    // give, then the pieces the service did not check), and why the first of
    // them was not, as a text for the user (empty when every piece was).
    int get_unchecked_count() const;
    QString get_unchecked_reason() const;

    // Adds an error at its document position, keeping the list sorted and
    // dropping an error whose position is already present. Any thread.
    void insert_check_result(const velmo_check_result_t& result);

    // GUI thread: the segmentation alone (start_thread runs it before the worker).
    void init_threadsafe();
    const QList<check_range_threadsafe_t>& get_pieces() const;
    const QList<check_range_threadsafe_t>& get_contents_pieces() const;

  signals:
    void notify_select(long start, long end);
    void notify_find_error(int level, QString err_word, QString cor_word);
    void notify_progress(int sub_progress, int total_progress, QString text);

  protected:
    void run() override;

  private:
    void emit_notify_progress(int sub_progress, int total_progress);

    kfc::ks_stdptr<wpsapi::Range> range;
    qint64 check_start = 0;
    qint64 check_end = 0;
    int check_length = 0;
    int piece_length_setting = 0;
    velmo_piece_cutter cutter;
    velmo_check_runner runner;
    // Held by the worker for the whole of run().
    std::mutex run_lock;
};

#endif
