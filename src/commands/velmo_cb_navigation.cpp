// "下一处", "上一处" and "清除当前颜色": moving between error marks and
// removing the mark under the cursor.
#include "commands/velmo_cb.h"
#include "host/velmo_host_string.h"
#include "marks/velmo_check_progress.h"
#include "marks/velmo_document.h"
#include "marks/velmo_mark_name.h"

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

// Selects the next (forward) or previous mark from the cursor, going round
// at either end; current then points past it in the walking direction.
HRESULT go_to_mark(walk_direction direction) {
    check_progress_update(&s_check_progress);
    if (s_check_progress.results.isEmpty()) return select_bookmark_beside_cursor(direction);
    const bool forward = direction == walk_direction::forward;
    const int n = s_check_progress.results.size();
    const long p = local_get_pos();
    int k = forward ? next_index(s_check_progress.results, p, s_check_progress.current)
                    : previous_index(s_check_progress.results, p, s_check_progress.current);
    if (k < 0 || k >= n) k = forward ? 0 : n - 1;
    s_check_progress.current = k;
    const HRESULT hr = select_record(k);
    if (SUCCEEDED(hr)) s_check_progress.current = forward ? k + 1 : k - 1;
    return hr;
}

}  // namespace

int velmo_cb_next(QList<QVariant>&) { return go_to_mark(walk_direction::forward); }

int velmo_cb_previous(QList<QVariant>&) { return go_to_mark(walk_direction::backward); }

int velmo_cb_clear_current_color(QList<QVariant>&) {
    kfc::ks_stdptr<wpsapi::Range> content;
    HRESULT hr = local_get_content(content);
    if (FAILED(hr)) return hr;
    const long p = local_get_pos();
    kfc::ks_stdptr<wpsapi::Bookmarks> bookmarks;
    long count = 0;
    hr = local_get_bookmarks(content, bookmarks, count);
    if (FAILED(hr)) return hr;
    for (long i = 1; i <= count; ++i) {
        kfc::ks_stdptr<wpsapi::Bookmark> bookmark;
        hr = local_get_bookmark(bookmarks, i, bookmark);
        if (FAILED(hr)) break;
        if (!velmo_mark_is_own(velmo_bookmark_name(bookmark))) continue;
        long s = 0;
        long e = 0;
        if (FAILED(hr = bookmark->get_Start(&s)) || FAILED(hr = bookmark->get_End(&e))) break;
        if (s <= p && p <= e) {
            kfc::ks_stdptr<wpsapi::Range> range;
            hr = bookmark->get_Range(&range);
            if (SUCCEEDED(hr) && range) local_put_color_anyway(range, wpsapi::wdNoHighlight);
            hr = bookmark->Delete();
            break;
        }
    }
    QList<velmo_check_result_t>& results = s_check_progress.results;
    for (int i = 0; i < results.size(); ++i) {
        if (results.at(i).pos <= p && p <= record_end(results.at(i))) {
            results.removeAt(i);
            break;
        }
    }
    return hr;
}
