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

// Why a job call failed: no answer at all, or what the call was refused
// with, followed by the service's own message when it is worth showing.
QString failure_reason(const velmo_api_failure_t& failure, const QString& refused,
                       bool with_message) {
    if (!failure.answered) return QObject::tr("服务器无应答");
    if (!with_message || failure.message.isEmpty()) return refused;
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

void velmo_thread_check::check_ranges_threadsafe() { check_piece_list_threadsafe(pieces, false); }

void velmo_thread_check::check_piece_list_threadsafe(const QList<check_range_threadsafe_t>& list,
                                                     bool is_contents) {
    for (const check_range_threadsafe_t& piece : list) {
        // After a stop every piece left that needed the service is counted.
        if (stop.load()) {
            if (!is_blank(piece.text)) count_unchecked(tr("校对已停止"));
            continue;
        }
        if (is_contents) {
            emit_notify_select(static_cast<long>(piece.start), static_cast<long>(piece.end));
            sp_usleep(kPauseMicroseconds);
        }
        QString reason;
        const int checked = check_single_range_threadsafe(piece, is_contents, &reason);
        if (checked < 0) {
            count_unchecked(stop.load() ? tr("校对已停止") : reason);
            continue;
        }
        checked_length += checked;
        emit_notify_progress(0, total_percent(), QString());
    }
}

int velmo_thread_check::check_single_range_threadsafe(const check_range_threadsafe_t& piece,
                                                      bool is_contents, QString* reason) {
    const int max_words = velmo_singleton_config::instance()->get_int("OtherParams", "MaxWords");
    if (checked_length >= max_words) {
        check_max = 1;
        if (is_blank(piece.text)) return 0;
        *reason = tr("内容超长");
        return -1;
    }

    const int start_key = static_cast<int>(piece.start);
    if (checked_piece_starts.contains(start_key)) return 0;
    checked_piece_starts.insert(start_key);

    if (is_blank(piece.text)) return piece_length(piece);

    char pid_buffer[VELMO_PID_BUFFER_SIZE];
    std::memset(pid_buffer, 0, sizeof pid_buffer);
    velmo_api_failure_t failure;
    if (velmo_api_get_pid(pid_buffer, &failure) != 0) {
        *reason = failure_reason(failure, tr("服务拒绝校对任务"), true);
        return -1;
    }
    const QString pid = QString::fromLatin1(pid_buffer);
    if (velmo_api_upload(pid, piece.text, &failure) != 0) {
        *reason = failure_reason(failure, tr("服务拒绝接收文字"), true);
        return -1;
    }
    if (poll_until_done_threadsafe(pid, reason) < 0) return -1;

    QList<velmo_check_result_t> found;
    if (velmo_api_result(found, pid, &failure) != 0) {
        *reason = failure_reason(failure, tr("读取校对结果失败"), false);
        return -1;
    }
    place_errors_threadsafe(piece, is_contents, found);
    return piece_length(piece);
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
