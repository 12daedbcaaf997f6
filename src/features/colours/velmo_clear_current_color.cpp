// "清除当前颜色": removes the error mark under the cursor, with its highlight,
// and its record from the collected results.
#include "document/velmo_check_progress.h"
#include "document/velmo_document.h"
#include "document/velmo_mark_name.h"
#include "features/colours/velmo_color_commands.h"
#include "host/velmo_host_string.h"

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
            hr = local_remove_mark(bookmark) ? S_OK : E_FAIL;
            break;
        }
    }
    QList<velmo_check_result_t>& results = s_check_progress.results;
    for (int i = 0; i < results.size(); ++i) {
        if (results.at(i).pos <= p && p <= results.at(i).pos + velmo_mark_length(results.at(i))) {
            results.removeAt(i);
            break;
        }
    }
    return hr;
}
