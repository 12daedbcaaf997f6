// The worker of one check run. On the GUI thread it cuts the check range into
// pieces (start_thread); on its own thread it sends every piece to the
// proofreading service and gathers the errors into one list sorted by position.
// The worker never calls the host: it asks the GUI thread to select a contents
// piece and to place its errors through the notify_ signals.
#ifndef VELMO_CHECK_VELMO_THREAD_CHECK_H
#define VELMO_CHECK_VELMO_THREAD_CHECK_H

#include <QList>
#include <QSet>
#include <QString>
#include <QThread>
#include <atomic>
#include <mutex>

#include "api/velmo_check_result.h"
#include "check/velmo_check_range.h"
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
    void run_threadsafe();
    void emit_notify_progress(int sub_progress, int total_progress, const QString& text);
    void emit_notify_select(long start, long end);
    void emit_notify_find_error(int level, const QString& err_word, const QString& cor_word);
    int total_percent() const;

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
    // Appends a piece whose text has already been read from the range.
    void append_piece_threadsafe(kfc::ks_stdptr<wpsapi::Range>& range, const QString& text);

    // Checking, worker thread.
    void check_table_ranges_threadsafe();
    void check_ranges_threadsafe();
    void check_piece_list_threadsafe(const QList<check_range_threadsafe_t>& list, bool is_contents);
    // The piece's length when it was checked; -1 with the reason otherwise.
    int check_single_range_threadsafe(const check_range_threadsafe_t& piece, bool is_contents,
                                      QString* reason);
    // The steps of one piece: taking it on (the character limit, a piece
    // already taken, a blank piece, then job identifier and upload), and,
    // once its job is done, reading and placing its errors.
    enum class piece_start { counted, failed, in_flight };
    piece_start start_piece_threadsafe(const check_range_threadsafe_t& piece, QString* pid,
                                       int* counted_length, QString* reason);
    int finish_piece_threadsafe(const check_range_threadsafe_t& piece, bool is_contents,
                                const QString& pid, QString* reason);
    // Ordinary pieces with up to `parallel` jobs in flight at once.
    void check_ranges_in_parallel_threadsafe(int parallel);
    QString stopped_reason() const;
    int poll_until_done_threadsafe(const QString& pid, QString* reason);
    void place_errors_threadsafe(const check_range_threadsafe_t& piece, bool is_contents,
                                 QList<velmo_check_result_t>& found);
    void count_unchecked(const QString& reason);

    kfc::ks_stdptr<wpsapi::Range> range;
    qint64 check_start = 0;
    qint64 check_end = 0;
    int check_length = 0;
    int checked_length = 0;
    std::atomic<int> stop{0};
    int piece_length_setting = 0;
    int parallel_setting = 1;
    QList<velmo_check_result_t> results;
    QSet<int> checked_piece_starts;
    QSet<int> paragraph_starts;
    QSet<int> table_starts;
    QList<check_range_threadsafe_t> contents_pieces;
    QList<check_range_threadsafe_t> pieces;
    int check_max = 0;
    int unchecked_count = 0;
    QString first_unchecked_reason;
    // Contents-piece errors are inserted on the GUI thread while the worker
    // inserts ordinary ones; this lock keeps the list consistent.
    std::mutex results_lock;
    // Held by the worker for the whole of run().
    std::mutex run_lock;
};

#endif
