// The worker's side of a run: each piece becomes one service job (identifier,
// upload, progress polled every 100 ms, result), and its errors are placed in
// the sorted result list, or handed to the GUI thread for contents pieces.
#include <QDebug>
#include <algorithm>
#include <cstring>

#include "api/velmo_api_job.h"
#include "check/velmo_thread_check.h"
#include "config/velmo_config.h"
#include "sp.h"

namespace {

// Pause between two progress polls, and after each request to the GUI thread,
// so that the GUI thread has acted before the worker goes on.
const unsigned long kPauseMicroseconds = 100000;
const int kJobDone = 100;

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

}  // namespace

void velmo_thread_check::check_table_ranges_threadsafe() {
    check_piece_list_threadsafe(contents_pieces, true);
}

void velmo_thread_check::check_ranges_threadsafe() {
    if (parallel_setting > 1)
        check_ranges_in_parallel_threadsafe(parallel_setting);
    else
        check_piece_list_threadsafe(pieces, false);
}

void velmo_thread_check::check_piece_list_threadsafe(const QList<check_range_threadsafe_t>& list,
                                                     bool is_contents) {
    for (const check_range_threadsafe_t& piece : list) {
        // After a stop every piece left that needed the service is counted.
        if (stop.load()) {
            if (!is_blank(piece.text)) count_unchecked(stopped_reason());
            continue;
        }
        if (is_contents) {
            emit_notify_select(static_cast<long>(piece.start), static_cast<long>(piece.end));
            sp_usleep(kPauseMicroseconds);
        }
        QString reason;
        const int checked = check_single_range_threadsafe(piece, is_contents, &reason);
        if (checked < 0) {
            count_unchecked(stop.load() ? stopped_reason() : reason);
            continue;
        }
        checked_length += checked;
        emit_notify_progress(0, total_percent(), QString());
    }
}

int velmo_thread_check::check_single_range_threadsafe(const check_range_threadsafe_t& piece,
                                                      bool is_contents, QString* reason) {
    QString pid;
    int counted_length = 0;
    switch (start_piece_threadsafe(piece, &pid, &counted_length, reason)) {
        case piece_start::counted:
            return counted_length;
        case piece_start::failed:
            return -1;
        case piece_start::in_flight:
            break;
    }
    if (poll_until_done_threadsafe(pid, reason) < 0) return -1;
    return finish_piece_threadsafe(piece, is_contents, pid, reason);
}

velmo_thread_check::piece_start velmo_thread_check::start_piece_threadsafe(
    const check_range_threadsafe_t& piece, QString* pid, int* counted_length, QString* reason) {
    *counted_length = 0;
    const int max_words = velmo_singleton_config::instance()->get_int("OtherParams", "MaxWords");
    if (checked_length >= max_words) {
        check_max = 1;
        if (is_blank(piece.text)) return piece_start::counted;
        *reason = tr("内容超长");
        return piece_start::failed;
    }

    const int start_key = static_cast<int>(piece.start);
    if (checked_piece_starts.contains(start_key)) return piece_start::counted;
    checked_piece_starts.insert(start_key);

    if (is_blank(piece.text)) {
        *counted_length = piece_length(piece);
        return piece_start::counted;
    }

    char pid_buffer[VELMO_PID_BUFFER_SIZE];
    std::memset(pid_buffer, 0, sizeof pid_buffer);
    velmo_api_failure_t failure;
    if (velmo_api_get_pid(pid_buffer, &failure) != 0) {
        *reason = failure_reason(failure, tr("服务拒绝校对任务"), true);
        return piece_start::failed;
    }
    *pid = QString::fromLatin1(pid_buffer);
    if (velmo_api_upload(*pid, piece.text, &failure) != 0) {
        *reason = failure_reason(failure, tr("服务拒绝接收文字"), true);
        return piece_start::failed;
    }
    return piece_start::in_flight;
}

int velmo_thread_check::finish_piece_threadsafe(const check_range_threadsafe_t& piece,
                                                bool is_contents, const QString& pid,
                                                QString* reason) {
    QList<velmo_check_result_t> found;
    velmo_api_failure_t failure;
    if (velmo_api_result(found, pid, &failure) != 0) {
        *reason = failure_reason(failure, tr("读取校对结果失败"), false);
        return -1;
    }
    place_errors_threadsafe(piece, is_contents, found);
    return piece_length(piece);
}

QString velmo_thread_check::stopped_reason() const { return tr("校对已停止"); }

// Up to `parallel` jobs in flight: free slots are filled in piece order, the
// jobs in flight are polled in one round that shares one pause, and a job
// that is done has its errors placed. Each slot has its own connection.
// Errors of different pieces never share a position, so the marks do not
// depend on the order in which jobs end. While jobs are in flight, a piece
// that could reach the character limit waits for them, so that the limit
// falls where it falls one piece at a time.
void velmo_thread_check::check_ranges_in_parallel_threadsafe(int parallel) {
    struct job_t {
        int index;
        QString pid;
        int channel;
        int progress;
        QString reason;
    };
    QList<job_t> flight;
    QList<int> free_channels;
    for (int channel = 1; channel <= parallel; ++channel) free_channels << channel;
    int in_flight_length = 0;
    int next = 0;
    // The settings cannot change while the modal check dialog is open.
    const int max_words = velmo_singleton_config::instance()->get_int("OtherParams", "MaxWords");
    while (!stop.load() && (next < pieces.size() || !flight.isEmpty())) {
        while (flight.size() < parallel && next < pieces.size() && !stop.load()) {
            if (!flight.isEmpty() && checked_length + in_flight_length >= max_words) break;
            const check_range_threadsafe_t& piece = pieces.at(next);
            QString pid;
            QString reason;
            int counted_length = 0;
            sp_http_set_channel(free_channels.first());
            switch (start_piece_threadsafe(piece, &pid, &counted_length, &reason)) {
                case piece_start::counted:
                    checked_length += counted_length;
                    break;
                case piece_start::failed:
                    count_unchecked(stop.load() ? stopped_reason() : reason);
                    break;
                case piece_start::in_flight:
                    flight.append({next, pid, free_channels.takeFirst(), 0, QString()});
                    in_flight_length += piece_length(piece);
                    break;
            }
            ++next;
        }
        if (flight.isEmpty()) continue;

        for (job_t& job : flight) {
            sp_http_set_channel(job.channel);
            velmo_api_failure_t failure;
            job.progress = velmo_api_progress(job.pid, &failure);
            if (job.progress < 0)
                job.reason = failure_reason(failure, tr("查询校对进度失败"), false);
        }
        emit_notify_progress(qMax(flight.first().progress, 0), total_percent(), QString());
        sp_usleep(kPauseMicroseconds);

        for (auto job = flight.begin(); job != flight.end();) {
            if (job->progress >= 0 && job->progress < kJobDone) {
                ++job;
                continue;
            }
            const check_range_threadsafe_t& piece = pieces.at(job->index);
            sp_http_set_channel(job->channel);
            const int checked = job->progress < 0
                                    ? -1
                                    : finish_piece_threadsafe(piece, false, job->pid, &job->reason);
            if (checked < 0) {
                count_unchecked(stop.load() ? stopped_reason() : job->reason);
            } else {
                checked_length += checked;
                emit_notify_progress(0, total_percent(), QString());
            }
            in_flight_length -= piece_length(piece);
            free_channels.append(job->channel);
            job = flight.erase(job);
        }
    }
    // A stop abandons the jobs in flight and every piece not taken on.
    for (int i = 0; i < flight.size(); ++i) count_unchecked(stopped_reason());
    for (; next < pieces.size(); ++next) {
        if (!is_blank(pieces.at(next).text)) count_unchecked(stopped_reason());
    }
    sp_http_set_channel(0);
}

// Places the piece's errors. An error whose position or length falls outside
// the piece's text is the service's mistake and would mark unrelated text:
// it is dropped. The bounds are computed in 64 bits, so no value overflows.
void velmo_thread_check::place_errors_threadsafe(const check_range_threadsafe_t& piece,
                                                 bool is_contents,
                                                 QList<velmo_check_result_t>& found) {
    const qint64 text_length = piece.text.size();
    for (velmo_check_result_t& error : found) {
        const qint64 pos = error.pos;
        if (pos < 0 || pos >= text_length || pos + error.err_word.size() > text_length) {
            qDebug() << "velmo: dropped an error outside its piece at" << pos << "of"
                     << text_length;
            continue;
        }
        if (is_contents) {
            emit_notify_find_error(error.level, error.err_word, error.cor_word);
            sp_usleep(kPauseMicroseconds);
        } else {
            error.pos = static_cast<int>(piece.start + pos);
            insert_check_result(error);
        }
    }
}

// Polls the job until it is done (0) or fails (-1). A stop request ends the
// polling after the current pause, so that a job that stays below 100 does
// not hold the run; the piece then counts as failed.
int velmo_thread_check::poll_until_done_threadsafe(const QString& pid, QString* reason) {
    for (;;) {
        velmo_api_failure_t failure;
        const int progress = velmo_api_progress(pid, &failure);
        if (progress < 0) {
            *reason = failure_reason(failure, tr("查询校对进度失败"), false);
            return -1;
        }
        emit_notify_progress(progress, total_percent(), QString());
        sp_usleep(kPauseMicroseconds);
        if (progress >= kJobDone) return 0;
        if (stop.load()) return -1;
    }
}

void velmo_thread_check::count_unchecked(const QString& reason) {
    if (unchecked_count++ == 0) first_unchecked_reason = reason;
}

void velmo_thread_check::insert_check_result(const velmo_check_result_t& result) {
    std::lock_guard<std::mutex> locker(results_lock);
    // The list is kept sorted, so the first entry not below the new position
    // is where it goes, unless that entry already holds the position.
    auto at = std::lower_bound(
        results.begin(), results.end(), result.pos,
        [](const velmo_check_result_t& entry, int pos) { return entry.pos < pos; });
    if (at != results.end() && at->pos == result.pos) return;
    results.insert(at, result);
}
