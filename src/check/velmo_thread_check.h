// One check run, split along its thread line. On the GUI thread it is the
// piece cutter: it reads the check range from the host and cuts it into
// pieces (start_thread). On its own thread it hands the pieces to the
// host-free runner, which speaks only to the proofreading service, and
// passes the runner's progress on through the notify_ signals; the GUI
// thread selects contents pieces and places their errors when asked to.
#ifndef VELMO_CHECK_VELMO_THREAD_CHECK_H
#define VELMO_CHECK_VELMO_THREAD_CHECK_H

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QThread>
#include <mutex>

#include "api/velmo_check_result.h"
#include "check/velmo_check_range.h"
#include "check/velmo_check_runner.h"
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
    // How many pieces of the run were not checked, and why the first of
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

    // Segmentation, GUI thread.
    void init_table_range_threadsafe();
    void init_range_threadsafe();
    void init_paragraph_threadsafe(kfc::ks_stdptr<wpsapi::Paragraph>& paragraph);
    bool in_tables_of_contents_threadsafe(long position) const;
    void init_shape_threadsafe(kfc::ks_stdptr<wpsapi::Range>& range);
    void init_any_range_threadsafe(kfc::ks_stdptr<wpsapi::Range>& range);
    void init_single_table_threadsafe(kfc::ks_stdptr<wpsapi::Table>& table);
    void init_only_range_anyway_threadsafe(kfc::ks_stdptr<wpsapi::Range>& range);
    void init_sentence_range_threadsafe(kfc::ks_stdptr<wpsapi::Range>& range);
    void init_single_range_threadsafe(kfc::ks_stdptr<wpsapi::Range>& range);
    // With JoinParagraphs set: runs of whole ordinary paragraphs become one
    // piece each while it stays within the piece length.
    void join_paragraphs_threadsafe();
    // Appends a piece whose text has already been read from the range.
    void append_piece_threadsafe(kfc::ks_stdptr<wpsapi::Range>& range, const QString& text);

    kfc::ks_stdptr<wpsapi::Range> range;
    qint64 check_start = 0;
    qint64 check_end = 0;
    int check_length = 0;
    int piece_length_setting = 0;
    QSet<int> paragraph_starts;
    QHash<int, qint64> paragraph_ends;  // by paragraph start
    QSet<int> table_starts;
    QList<check_range_threadsafe_t> contents_pieces;
    QList<check_range_threadsafe_t> pieces;
    velmo_check_runner runner;
    // Held by the worker for the whole of run().
    std::mutex run_lock;
};

#endif
