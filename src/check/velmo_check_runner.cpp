// The scheduler of a check run: K slots, each on its own thread, take the
// pieces in order and carry each one's job from identifier to result.
#include "check/velmo_check_runner.h"

#include <QDebug>
#include <QObject>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "api/velmo_api_envelope.h"
#include "api/velmo_api_job.h"
#include "api/velmo_api_transport.h"
#include "sp.h"

namespace {

// Pause between two progress polls of a job, and after each request to the
// GUI thread, so that the GUI thread has acted before the slot goes on.
const unsigned long kPauseMicroseconds = 100000;
const int kJobDone = 100;
// The service's code for a refused job; a refusal while the run has other
// jobs on the service means "too many at once" and is tried again this often.
const int kJobRefused = 5;
const int kBusyRetries = 32;

int piece_length(const check_range_threadsafe_t& piece) {
    return static_cast<int>(piece.end - piece.start);
}

// Why a job call failed: no answer at all, one too large or unreadable, or
// what the call was refused with, followed by the service's own message when
// it is worth showing (always for a failure reported inside a 200 answer).
QString failure_reason(const velmo_api_failure_t& failure, const QString& refused,
                       bool with_message) {
    if (!failure.answered)
        return failure.too_large ? QObject::tr("服务器应答过大") : QObject::tr("服务器无应答");
    if (failure.unreadable) return QObject::tr("服务器应答无法识别");
    if (!(with_message || failure.fault) || failure.message.isEmpty()) return refused;
    return refused + QObject::tr("（%1）").arg(failure.message);
}

// White space, paragraph and cell marks and other control characters only:
// nothing the service could find an error in.
bool is_blank(const QString& text) {
    for (const QChar c : text) {
        if (!c.isSpace() && c.unicode() >= 0x20) return false;
    }
    return true;
}

QString stopped_reason() { return QObject::tr("校对已停止"); }

// How long a job's progress may stand still before the piece is given up:
// the call time-out, or the shipped 30 s when that is unlimited.
std::chrono::seconds stall_limit() {
    const int timeout = velmo_api_timeout();
    return std::chrono::seconds(timeout > 0 ? timeout : 30);
}

// True when the error's text is what the piece holds at its position, as the
// service received the piece: only then does a mark land on the error.
bool holds_error_at(const QString& sent_text, const velmo_check_result_t& error) {
    const qint64 pos = error.pos;
    const qint64 length = error.err_word.size();
    return pos >= 0 && length > 0 && pos + length <= sent_text.size() &&
           sent_text.midRef(static_cast<int>(pos), static_cast<int>(length)) == error.err_word;
}

}  // namespace

// One list of pieces under way: where the next piece to take is, and how
// many of the list's pieces the slots hold.
struct velmo_check_runner::list_run_t {
    const QList<check_range_threadsafe_t>& pieces;
    bool is_contents;
    int slot_count;
    int max_words;
    int next = 0;
    int in_flight = 0;
};

velmo_check_runner::velmo_check_runner(velmo_check_hooks_t hooks) : hooks_(std::move(hooks)) {}

void velmo_check_runner::reset(qint64 check_length) {
    std::lock_guard<std::mutex> locked(lock_);
    stop_.store(0);
    check_length_ = check_length;
    checked_length_ = 0;
    check_max_ = 0;
    unchecked_count_ = 0;
    unplaced_count_ = 0;
    first_unchecked_reason_.clear();
    checked_piece_starts_.clear();
    jobs_on_service_ = 0;
    jobs_starting_ = 0;
    jobs_ended_ = 0;
    in_flight_length_ = 0;
    std::lock_guard<std::mutex> results_locked(results_lock_);
    results_.clear();
}

void velmo_check_runner::stop() {
    stop_.store(1);
    std::lock_guard<std::mutex> locked(lock_);
    changed_.notify_all();
}

bool velmo_check_runner::stopped() const { return stop_.load() != 0; }

void velmo_check_runner::run(const QList<check_range_threadsafe_t>& contents,
                             const QList<check_range_threadsafe_t>& pieces, int slot_count,
                             int max_words) {
    // Contents pieces are selected in the document while they are checked,
    // and there is one selection: one at a time.
    list_run_t contents_run{contents, true, 1, max_words};
    run_list(contents_run);
    list_run_t pieces_run{pieces, false, std::max(slot_count, 1), max_words};
    run_list(pieces_run);
}

void velmo_check_runner::run_list(list_run_t& list) {
    const int slot_count = std::min(list.slot_count, static_cast<int>(list.pieces.size()));
    std::vector<std::thread> others;
    for (int i = 1; i < slot_count; ++i) others.emplace_back([this, &list] { slot_loop(list); });
    if (slot_count > 0) slot_loop(list);
    for (std::thread& t : others) t.join();
    // A stop abandons every piece not taken on that needed the service.
    std::lock_guard<std::mutex> locked(lock_);
    for (; list.next < list.pieces.size(); ++list.next) {
        if (!is_blank(list.pieces.at(list.next).text)) count_unchecked_locked(stopped_reason());
    }
}

void velmo_check_runner::slot_loop(list_run_t& list) {
    // Each slot thread has its own connection; a stop also ends its request in flight.
    sp_http_set_abort(
        [](void* self) { return static_cast<velmo_check_runner*>(self)->stop_.load(); }, this);
    for (;;) {
        int index = 0;
        {
            std::unique_lock<std::mutex> locked(lock_);
            const taken t = take_piece(list, &index, locked);
            if (t == taken::none) break;
            if (t == taken::counted) {
                report_progress_locked(0);
                continue;
            }
        }
        const check_range_threadsafe_t& piece = list.pieces.at(index);
        if (list.is_contents) {
            if (hooks_.select) hooks_.select(piece.start, piece.end);
            sp_usleep(kPauseMicroseconds);
        }
        QString reason;
        const bool checked = check_piece(list, piece, &reason);
        {
            std::lock_guard<std::mutex> locked(lock_);
            --list.in_flight;
            in_flight_length_ -= piece_length(piece);
            if (checked) {
                checked_length_ += piece_length(piece);
                report_progress_locked(0);
            } else {
                count_unchecked_locked(stop_.load() ? stopped_reason() : reason);
            }
        }
        changed_.notify_all();
    }
    sp_http_set_abort(nullptr, nullptr);
}

// While pieces are under way, a piece that could reach the character limit
// waits for them, so that the limit falls where it falls one piece at a time.
velmo_check_runner::taken velmo_check_runner::take_piece(list_run_t& list, int* index,
                                                         std::unique_lock<std::mutex>& locked) {
    changed_.wait(locked, [&] {
        return stop_.load() || list.next >= list.pieces.size() || list.in_flight == 0 ||
               checked_length_ + in_flight_length_ < list.max_words;
    });
    if (stop_.load() || list.next >= list.pieces.size()) return taken::none;
    *index = list.next++;
    const check_range_threadsafe_t& piece = list.pieces.at(*index);
    if (checked_length_ >= list.max_words) {
        check_max_ = 1;
        if (!is_blank(piece.text)) count_unchecked_locked(QObject::tr("内容超长"));
        return taken::counted;
    }
    if (checked_piece_starts_.contains(piece.start)) return taken::counted;
    checked_piece_starts_.insert(piece.start);
    if (is_blank(piece.text)) {
        checked_length_ += piece_length(piece);
        return taken::counted;
    }
    ++list.in_flight;
    in_flight_length_ += piece_length(piece);
    return taken::piece;
}

bool velmo_check_runner::check_piece(list_run_t& list, const check_range_threadsafe_t& piece,
                                     QString* reason) {
    QString pid;
    if (!start_job(&pid, piece.text, reason)) return false;
    bool checked = poll_until_done(pid, reason);
    if (checked) {
        QList<velmo_check_result_t> found;
        velmo_api_failure_t failure;
        checked = velmo_api_result(found, pid, &failure) == 0;
        // A result lost in transport is asked for once more: the service keeps
        // a delivered result until the next request on its job.
        if (!checked && !failure.answered && !failure.too_large && !stopped())
            checked = velmo_api_result(found, pid, &failure) == 0;
        if (checked)
            place_errors(piece, list.is_contents, found);
        else
            *reason = failure_reason(failure, QObject::tr("读取校对结果失败"), false);
    }
    {
        std::lock_guard<std::mutex> locked(lock_);
        --jobs_on_service_;
        ++jobs_ended_;
    }
    changed_.notify_all();
    return checked;
}

bool velmo_check_runner::start_job(QString* pid, const QString& text, QString* reason) {
    for (int attempt = 0;; ++attempt) {
        unsigned long seen_endings = 0;
        {
            std::lock_guard<std::mutex> locked(lock_);
            seen_endings = jobs_ended_;
            ++jobs_starting_;
        }
        char pid_buffer[VELMO_PID_BUFFER_SIZE];
        std::memset(pid_buffer, 0, sizeof pid_buffer);
        velmo_api_failure_t failure;
        bool started = false;
        if (velmo_api_get_pid(pid_buffer, &failure) == 0) {
            *pid = QString::fromLatin1(pid_buffer);
            started = velmo_api_upload(*pid, text, &failure) == 0;
            if (!started) *reason = failure_reason(failure, QObject::tr("服务拒绝接收文字"), true);
        } else {
            *reason = failure_reason(failure, QObject::tr("服务拒绝校对任务"), true);
        }
        {
            // A job is counted on the service in the same step as it stops
            // starting, so that a slot refused meanwhile sees it either way.
            std::lock_guard<std::mutex> locked(lock_);
            --jobs_starting_;
            if (started) ++jobs_on_service_;
        }
        changed_.notify_all();
        if (started) return true;
        const bool busy = failure.answered && failure.code == kJobRefused;
        if (!busy || attempt >= kBusyRetries || !wait_for_room(seen_endings)) return false;
    }
}

// Waits until a job of the run has left the service since `seen_endings`;
// false when none is on the service or about to be (the refusal is then not
// about this run's own jobs) or when the run is stopped.
bool velmo_check_runner::wait_for_room(unsigned long seen_endings) {
    std::unique_lock<std::mutex> locked(lock_);
    const auto none_pending = [&] { return jobs_on_service_ == 0 && jobs_starting_ == 0; };
    changed_.wait(locked,
                  [&] { return stop_.load() || jobs_ended_ != seen_endings || none_pending(); });
    return !stop_.load() && jobs_ended_ != seen_endings;
}

// Polls the job until it is done. The pause comes only between polls: an
// answer that says the job is done is followed by its result at once. A stop
// request ends the polling after the current pause, and progress that stands
// still for the stall limit gives the piece up with the last value the
// service reported, so that a job that stays below 100 does not hold the run.
bool velmo_check_runner::poll_until_done(const QString& pid, QString* reason) {
    using clock = std::chrono::steady_clock;
    const clock::duration limit = stall_limit();
    int last_progress = -1;
    clock::time_point last_move = clock::now();
    for (;;) {
        velmo_api_failure_t failure;
        const int progress = velmo_api_progress(pid, &failure);
        if (progress < 0) {
            *reason = failure_reason(failure, QObject::tr("查询校对进度失败"), false);
            return false;
        }
        {
            std::lock_guard<std::mutex> locked(lock_);
            report_progress_locked(progress);
        }
        if (progress >= kJobDone) return true;
        if (progress != last_progress) {
            last_progress = progress;
            last_move = clock::now();
        } else if (clock::now() - last_move >= limit) {
            *reason = QObject::tr("校对进度长时间停在%1%").arg(progress);
            return false;
        }
        sp_usleep(kPauseMicroseconds);
        if (stop_.load()) return false;
    }
}

// Places the piece's errors. An error whose position falls outside the
// piece, or whose text is not the piece's text there, is the service's
// mistake and would mark (and a correction overwrite) other text: it is
// counted as unplaced instead. Contents pieces are searched by text, so
// there only the bounds count. The bounds are computed in 64 bits.
void velmo_check_runner::place_errors(const check_range_threadsafe_t& piece, bool is_contents,
                                      QList<velmo_check_result_t>& found) {
    const qint64 text_length = piece.text.size();
    const QString sent_text = is_contents ? QString() : velmo_api_sanitize_article(piece.text);
    for (velmo_check_result_t& error : found) {
        const qint64 pos = error.pos;
        const bool in_piece =
            pos >= 0 && pos < text_length && pos + error.err_word.size() <= text_length;
        if (!in_piece || (!is_contents && !holds_error_at(sent_text, error))) {
            qDebug() << "velmo: an error not at its text, left unplaced, at" << pos << "of"
                     << text_length;
            count_unplaced();
            continue;
        }
        if (is_contents) {
            if (hooks_.find_error) hooks_.find_error(error.level, error.err_word, error.cor_word);
            sp_usleep(kPauseMicroseconds);
        } else {
            error.pos = static_cast<int>(piece.start + pos);
            insert_check_result(error);
        }
    }
}

void velmo_check_runner::count_unplaced() {
    std::lock_guard<std::mutex> locked(lock_);
    ++unplaced_count_;
}

void velmo_check_runner::count_unchecked_locked(const QString& reason) {
    if (unchecked_count_++ == 0) first_unchecked_reason_ = reason;
}

void velmo_check_runner::report_progress_locked(int sub_progress) {
    if (hooks_.progress) hooks_.progress(sub_progress, total_percent_locked());
}

// An empty check range has no share to report, so its total stays 0.
int velmo_check_runner::total_percent_locked() const {
    if (check_length_ == 0) return 0;
    return static_cast<int>(static_cast<qint64>(checked_length_) * 100 / check_length_);
}

void velmo_check_runner::insert_check_result(const velmo_check_result_t& result) {
    std::lock_guard<std::mutex> locker(results_lock_);
    // The list is kept sorted, so the first entry not below the new position
    // is where it goes, unless that entry already holds the position.
    auto at = std::lower_bound(
        results_.begin(), results_.end(), result.pos,
        [](const velmo_check_result_t& entry, int pos) { return entry.pos < pos; });
    if (at != results_.end() && at->pos == result.pos) return;
    results_.insert(at, result);
}

QList<velmo_check_result_t>* velmo_check_runner::results() { return &results_; }

int velmo_check_runner::checked_length() const { return checked_length_; }

int velmo_check_runner::check_max() const { return check_max_; }

int velmo_check_runner::unchecked_count() const { return unchecked_count_; }

int velmo_check_runner::unplaced_count() const { return unplaced_count_; }

QString velmo_check_runner::first_unchecked_reason() const { return first_unchecked_reason_; }
