// Life cycle of a check run: taking the range, starting and stopping the
// worker, the worker's entry point and its progress signals.
#include "check/velmo_thread_check.h"

#include <climits>

#include "config/velmo_config.h"
#include "sp.h"

velmo_thread_check::velmo_thread_check(QObject* parent) : QThread(parent) {}

// The worker must not outlive its object: a run still under way is stopped
// and waited for.
velmo_thread_check::~velmo_thread_check() {
    stop_thread();
    wait_until_finished();
}

void velmo_thread_check::set_range(kfc::ks_stdptr<wpsapi::Range>& new_range) {
    stop.store(0);
    range = new_range;
    long start = 0;
    long end = 0;
    if (range && (FAILED(range->get_Start(&start)) || FAILED(range->get_End(&end))))
        start = end = 0;
    check_start = start;
    check_end = end;
    check_length = static_cast<int>(check_end - check_start);
}

void velmo_thread_check::start_thread() {
    init_threadsafe();
    start(QThread::InheritPriority);
}

void velmo_thread_check::stop_thread() { stop.store(1); }

void velmo_thread_check::wait_until_finished() {
    wait(ULONG_MAX);  // wait() binds to a Qt 5.15 overload
    std::lock_guard<std::mutex> finished(run_lock);
}

QList<velmo_check_result_t>* velmo_thread_check::get_check_result() { return &results; }

int velmo_thread_check::is_check_max() const { return check_max; }

int velmo_thread_check::get_checked_length() const { return checked_length; }

int velmo_thread_check::get_unchecked_count() const { return unchecked_count; }

QString velmo_thread_check::get_unchecked_reason() const { return first_unchecked_reason; }

const QList<check_range_threadsafe_t>& velmo_thread_check::get_pieces() const { return pieces; }

const QList<check_range_threadsafe_t>& velmo_thread_check::get_contents_pieces() const {
    return contents_pieces;
}

void velmo_thread_check::run() {
    std::lock_guard<std::mutex> running(run_lock);
    // A stop request also ends a service request in flight.
    sp_http_set_abort(
        [](void* self) { return static_cast<velmo_thread_check*>(self)->stop.load(); }, this);
    piece_length_setting =
        velmo_singleton_config::instance()->get_int("OtherParams", "CheckWordsCount");
    // Jobs in flight at once; a missing or unusable value gives 4.
    const int parallel =
        velmo_singleton_config::instance()->get_int("OtherParams", "CheckParallel");
    parallel_setting = parallel < 1 ? 4 : qMin(parallel, 16);
    run_threadsafe();
    sp_http_set_abort(nullptr, nullptr);
    emit notify_progress(100, 100, QString());
    // Writing the value back keeps the key present in the settings file.
    velmo_singleton_config::instance()->set_int("OtherParams", "CheckWordsCount",
                                                piece_length_setting);
}

void velmo_thread_check::run_threadsafe() {
    check_table_ranges_threadsafe();
    check_ranges_threadsafe();
}

// A total of 100 is kept for the end of the run: pieces may reach outside the
// check range, so the running total is capped at 99 until then.
void velmo_thread_check::emit_notify_progress(int sub_progress, int total_progress,
                                              const QString& text) {
    emit notify_progress(sub_progress, total_progress < 100 ? total_progress : 99, text);
}

void velmo_thread_check::emit_notify_select(long start, long end) {
    emit notify_select(start, end);
}

void velmo_thread_check::emit_notify_find_error(int level, const QString& err_word,
                                                const QString& cor_word) {
    emit notify_find_error(level, err_word, cor_word);
}

// An empty check range has no share to report, so its total stays 0.
int velmo_thread_check::total_percent() const {
    if (check_length == 0) return 0;
    return static_cast<int>(static_cast<qint64>(checked_length) * 100 / check_length);
}
