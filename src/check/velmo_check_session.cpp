// The life of one check run: cutting, the runner's thread, its end and outcome.
#include "check/velmo_check_session.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include "config/velmo_config.h"
#include "host/velmo_host_documents.h"

namespace {

// Jobs in flight at once; a missing or unusable value gives 4.
int parallel_jobs() {
    const int parallel =
        velmo_singleton_config::instance()->get_int("OtherParams", "CheckParallel");
    return parallel < 1 ? 4 : qMin(parallel, 16);
}

}  // namespace

velmo_check_session::velmo_check_session(QObject* parent)
    : QObject(parent),
      runner(velmo_check_hooks_t{
          [this](int sub, int total) { emit runner_progress(sub, total, QPrivateSignal()); },
          [this](qint64 start, qint64 end) { emit runner_select(start, end, QPrivateSignal()); },
          [this](int level, const QString& err_word, const QString& cor_word) {
              emit runner_find_error(level, err_word, cor_word, QPrivateSignal());
          }}) {
    connect(this, &velmo_check_session::runner_progress, this,
            &velmo_check_session::on_runner_progress, Qt::QueuedConnection);
    connect(this, &velmo_check_session::runner_select, this, &velmo_check_session::on_runner_select,
            Qt::QueuedConnection);
    connect(this, &velmo_check_session::runner_find_error, this,
            &velmo_check_session::on_runner_find_error, Qt::QueuedConnection);
    connect(this, &velmo_check_session::runner_done, this, &velmo_check_session::on_runner_done,
            Qt::QueuedConnection);
}

velmo_check_session::~velmo_check_session() {
    runner.stop();
    join_worker();
}

void velmo_check_session::start(kfc::ks_stdptr<wpsapi::Range>& new_range, long new_selection_start,
                                long new_selection_end) {
    join_worker();
    range = new_range;
    ended = false;
    checked_document.clear();
    contents_piece_start = -1;
    contents_text.clear();
    selection_start = new_selection_start;
    selection_end = new_selection_end;
    long start = 0;
    long end = 0;
    if (range && (FAILED(range->get_Start(&start)) || FAILED(range->get_End(&end))))
        start = end = 0;
    result = velmo_check_run_outcome_t();
    result.start = start;
    result.end = end;
    if (range) {
        wpsapi::Document* owner = nullptr;
        if (SUCCEEDED(range->get_Document(&owner)))
            checked_document = velmo_adopt<wpsapi::_Document>(owner);
    }
    runner.reset(end - start);
    // A stop asked for before the start holds: the run then sends nothing.
    if (stop_pending.load()) runner.stop();
    if (!range) {
        // Nothing to check: the run ends as soon as the event loop runs.
        emit runner_done(QPrivateSignal());
        return;
    }
    pieces.cut(range, start, end);
    velmo_singleton_config* config = velmo_singleton_config::instance();
    const int slot_count = parallel_jobs();
    const int max_words = config->get_int("OtherParams", "MaxWords");
    // The settings cannot change while the run's modal view is open.
    piece_length_setting = config->get_int("OtherParams", "CheckWordsCount");
    worker = std::thread([this, slot_count, max_words] {
        runner.run(pieces.contents_pieces(), pieces.pieces(), slot_count, max_words);
        emit runner_done(QPrivateSignal());
    });
    if (!document_watch) {
        document_watch = new QTimer(this);
        connect(document_watch, &QTimer::timeout, this,
                &velmo_check_session::stop_if_document_closed);
    }
    document_watch->start(200);
}

void velmo_check_session::stop(bool by_user) {
    if (by_user) stopped_by_user.store(true);
    stop_pending.store(true);
    runner.stop();
}

void velmo_check_session::wait() {
    join_worker();
    // The runner's last events are queued here; handling them now ends the run.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

bool velmo_check_session::has_finished() const { return ended; }

const velmo_check_run_outcome_t& velmo_check_session::outcome() const { return result; }

const velmo_piece_cutter& velmo_check_session::cutter() const { return pieces; }

wpsapi::_Document* velmo_check_session::document() const { return checked_document.get(); }

void velmo_check_session::join_worker() {
    if (worker.joinable()) worker.join();
}

// Closing the checked document ends the run like a stop, abandoning its
// jobs, but not as the user's stop: a run over several documents goes on.
void velmo_check_session::stop_if_document_closed() {
    if (ended || velmo_document_is_open(checked_document.get())) return;
    document_watch->stop();
    runner.stop();
}

// A total of 100 is kept for the end of the run: pieces may reach outside the
// check range, so the running total is capped at 99 until then.
void velmo_check_session::on_runner_progress(int sub_progress, int total_progress) {
    if (!ended) emit progress(sub_progress, total_progress < 100 ? total_progress : 99);
}

// The runner has returned (or never started): the outcome is taken, with the
// stretches the host did not give counted first.
void velmo_check_session::on_runner_done() {
    if (ended) return;
    join_worker();
    ended = true;
    // Writing the value back keeps the key present in the settings file; on
    // this thread, since the settings are not shared with the runner's.
    if (range)
        velmo_singleton_config::instance()->set_int("OtherParams", "CheckWordsCount",
                                                    piece_length_setting);
    if (document_watch) document_watch->stop();
    range.clear();  // the host's range is not needed past the run
    if (const QList<velmo_check_result_t>* found = runner.results()) result.results = *found;
    result.checked_length = runner.checked_length();
    result.reached_max = runner.check_max() != 0;
    result.stopped_by_user = stopped_by_user.exchange(false);
    stop_pending.store(false);
    result.document_closed = checked_document && !velmo_document_is_open(checked_document.get());
    const QList<velmo_unread_stretch_t>& unread = pieces.unread();
    result.unchecked_count = unread.size() + runner.unchecked_count();
    result.unchecked_reason =
        unread.isEmpty() ? runner.first_unchecked_reason() : unread.first().reason;
    result.unplaced_count += runner.unplaced_count();
    restore_selection();
    emit progress(100, 100);
    emit finished();
}

// Placing the errors of contents pieces moves the checked document's
// selection; the next check would take it as its range.
void velmo_check_session::restore_selection() {
    if (selection_start < 0) return;
    kfc::ks_stdptr<wpsapi::Range> selected;
    if (!velmo_document_is_open(checked_document.get()) ||
        FAILED(
            velmo_document_range(checked_document.get(), selection_start, selection_end, selected)))
        return;
    selected->Select();
}
