// The service side of a check run, free of the host: it takes pieces of
// text already captured on the GUI thread and checks them with the service,
// one job per piece, with up to K jobs under way at once. Each of the K slots
// runs on a thread of its own and carries one job from identifier to result,
// so the requests of different jobs travel at the same time and a round costs
// about one round trip, not K. Errors are placed by position into one sorted
// list; the errors of contents pieces go to the caller instead, which finds
// them in the document.
#ifndef VELMO_CHECK_VELMO_CHECK_RUNNER_H
#define VELMO_CHECK_VELMO_CHECK_RUNNER_H

#include <QList>
#include <QSet>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "api/velmo_check_result.h"
#include "check/velmo_check_range.h"

// How the runner reaches its caller. Each is called from a slot thread,
// one call at a time and in the order the events happened.
struct velmo_check_hooks_t {
    std::function<void(int sub_progress, int total_progress)> progress;
    // A contents piece is about to be checked: its stretch of the document.
    std::function<void(qint64 start, qint64 end)> select;
    // An error of the contents piece last selected.
    std::function<void(int level, const QString& err_word, const QString& cor_word)> find_error;
};

class velmo_check_runner {
  public:
    explicit velmo_check_runner(velmo_check_hooks_t hooks);

    // Clears the results and the stop request of an earlier run.
    void reset(qint64 check_length);
    // Checks the contents pieces one at a time, then the pieces with up to
    // `slot_count` jobs in flight. `max_words` is the character limit: a piece is
    // taken on only while fewer characters than that were checked, as if the
    // pieces went one at a time. Returns when every piece is done or the run
    // was stopped.
    void run(const QList<check_range_threadsafe_t>& contents,
             const QList<check_range_threadsafe_t>& pieces, int slot_count, int max_words);
    // Any thread: the slots end the job in hand (a request in flight is cut
    // short) and take no other piece.
    void stop();
    bool stopped() const;

    // Adds an error at its document position, keeping the list sorted and
    // dropping an error whose position is already present. Any thread.
    void insert_check_result(const velmo_check_result_t& result);

    // Read these after run() has returned.
    QList<velmo_check_result_t>* results();
    int checked_length() const;
    int check_max() const;
    int unchecked_count() const;
    // Errors the service reported at a position that does not hold their text.
    int unplaced_count() const;
    QString first_unchecked_reason() const;

  private:
    struct list_run_t;
    enum class taken { piece, counted, none };

    void run_list(list_run_t& list);
    void slot_loop(list_run_t& list);
    // With lock_ held by `locked`: the next piece to check, or why there is none.
    taken take_piece(list_run_t& list, int* index, std::unique_lock<std::mutex>& locked);
    // One job from identifier to placed errors; false with the reason when
    // the piece was not checked.
    bool check_piece(list_run_t& list, const check_range_threadsafe_t& piece, QString* reason);
    // Identifier and upload; a refusal while other jobs of the run are on the
    // service waits for one of them to end and tries again.
    bool start_job(QString* pid, const QString& text, QString* reason);
    bool wait_for_room(unsigned long seen_endings);
    bool poll_until_done(const QString& pid, QString* reason);
    void place_errors(const check_range_threadsafe_t& piece, bool is_contents,
                      QList<velmo_check_result_t>& found);
    void count_unplaced();
    void count_unchecked_locked(const QString& reason);
    void report_progress_locked(int sub_progress);
    int total_percent_locked() const;

    velmo_check_hooks_t hooks_;
    std::atomic<int> stop_{0};

    // Shared by the slots of a run.
    mutable std::mutex lock_;
    std::condition_variable changed_;
    qint64 check_length_ = 0;
    int checked_length_ = 0;
    int check_max_ = 0;
    int unchecked_count_ = 0;
    int unplaced_count_ = 0;
    QString first_unchecked_reason_;
    QSet<qint64> checked_piece_starts_;
    int jobs_on_service_ = 0;       // uploaded and not yet read or given up
    int jobs_starting_ = 0;         // asking for an identifier or uploading right now
    unsigned long jobs_ended_ = 0;  // jobs of the run that left the service so far
    int in_flight_length_ = 0;      // characters of the pieces taken on and not done

    // Contents-piece errors are inserted on the GUI thread while the slots
    // insert ordinary ones; this lock keeps the list consistent.
    std::mutex results_lock_;
    QList<velmo_check_result_t> results_;
};

#endif
