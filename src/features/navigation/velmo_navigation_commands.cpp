// "下一处" and "上一处": moving between error marks.
#include "features/navigation/velmo_navigation_commands.h"

#include "document/velmo_check_progress.h"
#include "document/velmo_document.h"
#include "document/velmo_mark_name.h"
#include "host/velmo_host_string.h"

namespace {

enum class walk_direction { forward, backward };

// The end of the text the mark covers: the written suggestion once corrected.
long record_end(const velmo_check_result_t& record) {
    return record.pos + velmo_mark_length(record);
}

// Without collected records: selects the nearest bookmark of any kind after
// (forward) or before (backward) the cursor that does not contain it.
HRESULT select_bookmark_beside_cursor(walk_direction direction) {
    kfc::ks_stdptr<wpsapi::Range> range;
    HRESULT hr = local_get_content(range);
    if (FAILED(hr)) return hr;
    const long p = local_get_pos();
    hr = direction == walk_direction::forward ? range->put_Start(p) : range->put_End(p);
    if (FAILED(hr)) return hr;
    kfc::ks_stdptr<wpsapi::Bookmarks> bookmarks;
    long count = 0;
    hr = local_get_bookmarks(range, bookmarks, count);
    if (FAILED(hr)) return hr;
    for (long n = 1; n <= count; ++n) {
        const long i = direction == walk_direction::forward ? n : count + 1 - n;
        kfc::ks_stdptr<wpsapi::Bookmark> bookmark;
        long s = 0;
        long e = 0;
        if (FAILED(local_get_bookmark(bookmarks, i, bookmark)) || FAILED(bookmark->get_Start(&s)) ||
            FAILED(bookmark->get_End(&e)))
            break;
        const bool beside = direction == walk_direction::forward ? (p < s || e < p) : e < p;
        if (beside) return bookmark->Select();
    }
    return S_OK;
}

// Selects the text under record k's mark.
HRESULT select_record(int k) {
    const velmo_check_result_t& record = s_check_progress.results.at(k);
    kfc::ks_stdptr<wpsapi::Range> range;
    HRESULT hr = local_get_range(record.pos, record_end(record), range);
    if (FAILED(hr)) return hr;
    return range->Select();
}

int next_index(const QList<velmo_check_result_t>& results, long p, int current) {
    const int n = results.size();
    if (p < 0) return current;
    if (n > 1 && p < results.first().pos) return 0;
    for (int i = 0; i < n - 1; ++i)
        if (results.at(i).pos <= p && p < results.at(i + 1).pos) return i + 1;
    return current;
}

int previous_index(const QList<velmo_check_result_t>& results, long p, int current) {
    const int n = results.size();
    if (p < 0) return current;
    for (int i = 0; i < n - 1; ++i)
        if (record_end(results.at(i)) <= p && p <= record_end(results.at(i + 1))) return i;
    return n - 1;
}

// The mark to go to from the cursor at p, going round at either end.
int target_index(walk_direction direction, long p) {
    const int n = s_check_progress.results.size();
    int k = direction == walk_direction::forward
                ? next_index(s_check_progress.results, p, s_check_progress.current)
                : previous_index(s_check_progress.results, p, s_check_progress.current);
    if (k < 0 || k >= n) k = direction == walk_direction::forward ? 0 : n - 1;
    return k;
}

// True when the host's error marks between the cursor and record k start
// where the collection says: text moved between two presses without
// changing the document's length (cut and pasted elsewhere) shows here.
bool marks_agree_up_to(long p, int k) {
    const QList<velmo_check_result_t>& results = s_check_progress.results;
    const long from = qMin(p, static_cast<long>(results.at(k).pos));
    const long to = qMax(p, record_end(results.at(k)));
    QList<long> expected;
    for (const velmo_check_result_t& record : results)
        if (record.pos >= from && record_end(record) <= to) expected << record.pos;
    kfc::ks_stdptr<wpsapi::Range> stretch;
    kfc::ks_stdptr<wpsapi::Bookmarks> bookmarks;
    long count = 0;
    if (FAILED(local_get_range(from, to, stretch)) ||
        FAILED(local_get_bookmarks(stretch, bookmarks, count)))
        return false;
    QList<long> found;
    for (long i = 1; i <= count; ++i) {
        kfc::ks_stdptr<wpsapi::Bookmark> bookmark;
        long start = 0;
        if (FAILED(local_get_bookmark(bookmarks, i, bookmark))) return false;
        if (!velmo_mark_is_error_name(velmo_bookmark_name(bookmark))) continue;
        if (FAILED(bookmark->get_Start(&start))) return false;
        found << start;
    }
    return found == expected;
}

// Selects the next (forward) or previous mark from the cursor, going round
// at either end; current then points past it in the walking direction. The
// collection is read again from the marks only when the document changed
// or the marks near the cursor are not where it says.
HRESULT go_to_mark(walk_direction direction) {
    check_progress_refresh(&s_check_progress);
    if (s_check_progress.results.isEmpty()) return select_bookmark_beside_cursor(direction);
    const bool forward = direction == walk_direction::forward;
    const long p = local_get_pos();
    int k = target_index(direction, p);
    if (p >= 0 && !marks_agree_up_to(p, k)) {
        check_progress_update(&s_check_progress);
        if (s_check_progress.results.isEmpty()) return select_bookmark_beside_cursor(direction);
        k = target_index(direction, p);
    }
    s_check_progress.current = k;
    const HRESULT hr = select_record(k);
    if (SUCCEEDED(hr)) s_check_progress.current = forward ? k + 1 : k - 1;
    return hr;
}

}  // namespace

int velmo_cb_next(QList<QVariant>&) { return go_to_mark(walk_direction::forward); }

int velmo_cb_previous(QList<QVariant>&) { return go_to_mark(walk_direction::backward); }
