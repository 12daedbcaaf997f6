// The worker's side of a run: each piece becomes one service job (identifier,
// upload, progress polled every 100 ms, result), and its errors are placed in
// the sorted result list, or handed to the GUI thread for contents pieces.
#include <algorithm>
#include <cstring>

#include "check/velmo_thread_check.h"
#include "api/velmo_api_job.h"
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

}  // namespace

void velmo_thread_check::check_table_ranges_threadsafe() {
    check_piece_list_threadsafe(contents_pieces, true);
}

void velmo_thread_check::check_ranges_threadsafe() {
    check_piece_list_threadsafe(pieces, false);
}

void velmo_thread_check::check_piece_list_threadsafe(const QList<check_range_threadsafe_t>& list,
                                                     bool is_contents) {
    if (list.isEmpty() || stop.load()) return;
    for (const check_range_threadsafe_t& piece : list) {
        if (is_contents) {
            emit_notify_select(static_cast<long>(piece.start), static_cast<long>(piece.end));
            sp_usleep(kPauseMicroseconds);
        }
        const int checked = check_single_range_threadsafe(piece, is_contents);
        if (stop.load()) return;
        if (checked < 0) continue;
        checked_length += checked;
        emit_notify_progress(0, total_percent(), QString());
        if (stop.load()) return;
    }
}

int velmo_thread_check::check_single_range_threadsafe(const check_range_threadsafe_t& piece,
                                                      bool is_contents) {
    const int max_words = velmo_singleton_config::instance()->get_int("OtherParams", "MaxWords");
    if (checked_length >= max_words) {
        check_max = 1;
        return -1;
    }

    const int start_key = static_cast<int>(piece.start);
    if (checked_piece_starts.contains(start_key)) return 0;
    checked_piece_starts.insert(start_key);

    if (piece.text.trimmed().isEmpty()) return piece_length(piece);

    char pid_buffer[VELMO_PID_BUFFER_SIZE];
    std::memset(pid_buffer, 0, sizeof pid_buffer);
    if (velmo_api_get_pid(pid_buffer) != 0) return -1;
    const QString pid = QString::fromLatin1(pid_buffer);
    if (velmo_api_upload(pid, piece.text) != 0) return -1;
    if (poll_until_done_threadsafe(pid) < 0) return -1;

    QList<velmo_check_result_t> found;
    if (velmo_api_result(found, pid) != 0) return -1;

    for (velmo_check_result_t& error : found) {
        if (is_contents) {
            emit_notify_find_error(error.level, error.err_word, error.cor_word);
            sp_usleep(kPauseMicroseconds);
        } else {
            error.pos += start_key;
            insert_check_result(error);
        }
    }
    return piece_length(piece);
}

// Polls the job until it is done (0) or fails (-1). A stop request ends the
// polling after the current pause, so that a job that stays below 100 does
// not hold the run; the piece then counts as failed.
int velmo_thread_check::poll_until_done_threadsafe(const QString& pid) {
    for (;;) {
        const int progress = velmo_api_progress(pid);
        if (progress < 0) return -1;
        emit_notify_progress(progress, total_percent(), QString());
        sp_usleep(kPauseMicroseconds);
        if (progress >= kJobDone) return 0;
        if (stop.load()) return -1;
    }
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
