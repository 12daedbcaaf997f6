// Life cycle of a check run: taking the range, starting and stopping the
// worker, the worker's entry point and its progress signals.
#include "check/velmo_thread_check.h"

#include <climits>

#include "config/velmo_config.h"

velmo_thread_check::velmo_thread_check(QObject* parent)
    : QThread(parent),
      runner(velmo_check_hooks_t{
          [this](int sub, int total) { emit_notify_progress(sub, total); },
          [this](qint64 start, qint64 end) {
              emit notify_select(static_cast<long>(start), static_cast<long>(end));
          },
          [this](int level, const QString& err_word, const QString& cor_word) {
              emit notify_find_error(level, err_word, cor_word);
          }}) {}

// The worker must not outlive its object: a run still under way is stopped
// and waited for.
velmo_thread_check::~velmo_thread_check() {
    stop_thread();
    wait_until_finished();
}

void velmo_thread_check::set_range(kfc::ks_stdptr<wpsapi::Range>& new_range) {
    range = new_range;
    long start = 0;
    long end = 0;
    if (range && (FAILED(range->get_Start(&start)) || FAILED(range->get_End(&end))))
        start = end = 0;
    check_start = start;
    check_end = end;
    check_length = static_cast<int>(check_end - check_start);
    runner.reset(check_length);
}

void velmo_thread_check::start_thread() {
    init_threadsafe();
    start(QThread::InheritPriority);
}

void velmo_thread_check::stop_thread() { runner.stop(); }

void velmo_thread_check::wait_until_finished() {
    wait(ULONG_MAX);  // wait() binds to a Qt 5.15 overload
    std::lock_guard<std::mutex> finished(run_lock);
}

QList<velmo_check_result_t>* velmo_thread_check::get_check_result() { return runner.results(); }

int velmo_thread_check::is_check_max() const { return runner.check_max(); }

int velmo_thread_check::get_checked_length() const { return runner.checked_length(); }

int velmo_thread_check::get_unchecked_count() const {
    return cutter.unread().size() + runner.unchecked_count();
}

QString velmo_thread_check::get_unchecked_reason() const {
    const QList<velmo_unread_stretch_t>& unread = cutter.unread();
    return unread.isEmpty() ? runner.first_unchecked_reason() : unread.first().reason;
}

void velmo_thread_check::insert_check_result(const velmo_check_result_t& result) {
    runner.insert_check_result(result);
}

void velmo_thread_check::init_threadsafe() { cutter.cut(range, check_start, check_end); }

const QList<check_range_threadsafe_t>& velmo_thread_check::get_pieces() const {
    return cutter.pieces();
}

const QList<check_range_threadsafe_t>& velmo_thread_check::get_contents_pieces() const {
    return cutter.contents_pieces();
}

void velmo_thread_check::run() {
    std::lock_guard<std::mutex> running(run_lock);
    velmo_singleton_config* config = velmo_singleton_config::instance();
    piece_length_setting = config->get_int("OtherParams", "CheckWordsCount");
    // Jobs in flight at once; a missing or unusable value gives 4. The
    // settings cannot change while the modal check dialog is open.
    const int parallel = config->get_int("OtherParams", "CheckParallel");
    runner.run(cutter.contents_pieces(), cutter.pieces(), parallel < 1 ? 4 : qMin(parallel, 16),
               config->get_int("OtherParams", "MaxWords"));
    emit notify_progress(100, 100, QString());
    // Writing the value back keeps the key present in the settings file.
    config->set_int("OtherParams", "CheckWordsCount", piece_length_setting);
}

// A total of 100 is kept for the end of the run: pieces may reach outside the
// check range, so the running total is capped at 99 until then.
void velmo_thread_check::emit_notify_progress(int sub_progress, int total_progress) {
    emit notify_progress(sub_progress, total_progress < 100 ? total_progress : 99, QString());
}
