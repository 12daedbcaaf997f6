#include "document/velmo_mark_apply.h"

#include <QList>

#include "config/velmo_config_values.h"
#include "document/velmo_author_highlight.h"
#include "document/velmo_document.h"
#include "document/velmo_mark_name.h"
#include "host/velmo_host_string.h"

namespace {

// The text a mark stands for: the error as the service found it, or what an
// earlier correction wrote over it.
const QString& marked_text(const velmo_check_result_t& record) {
    return record.span_by_correction != 0 ? record.cor_word : record.err_word;
}

// Removes the error mark that starts at pos, with its highlight.
void remove_error_mark_at(long pos) {
    kfc::ks_stdptr<wpsapi::Bookmarks> bookmarks;
    long count = 0;
    if (FAILED(local_get_bookmarks_in(-1, -1, bookmarks, count))) return;
    for (long i = 1; i <= count; ++i) {
        kfc::ks_stdptr<wpsapi::Bookmark> bookmark;
        if (FAILED(local_get_bookmark(bookmarks, i, bookmark))) return;
        long start = -1;
        if (FAILED(bookmark->get_Start(&start)) || start < pos) continue;
        if (start > pos) return;  // bookmarks come in start order
        if (velmo_mark_is_error_name(velmo_bookmark_name(bookmark))) {
            local_remove_mark(bookmark);
            return;
        }
    }
}

// The author's stretches, taken from under the old text, over the new text
// of `length` characters from `start`: each at its offset, cut at the end.
void put_back_over(const QList<velmo_kept_highlight_t>& stretches, long old_start, long start,
                   long length) {
    for (const velmo_kept_highlight_t& stretch : stretches) {
        const long from = start + (stretch.start - old_start);
        const long to = qMin(start + (stretch.end - old_start), start + length);
        kfc::ks_stdptr<wpsapi::Range> range;
        if (from < to && SUCCEEDED(local_get_range(from, to, range)))
            local_put_color_anyway(range, static_cast<wpsapi::WdColorIndex>(stretch.color));
    }
}

}  // namespace

velmo_apply_result velmo_apply_suggestion(const velmo_check_result_t& record, const QString& text) {
    const long start = record.pos;
    const long end = start + velmo_mark_length(record);
    kfc::ks_stdptr<wpsapi::Range> range;
    QString found;
    if (FAILED(local_get_range(start, end, range)) || !velmo_range_text(range, found))
        return velmo_apply_result::failed;
    if (!record.sound || marked_text(record).isEmpty() || found != marked_text(record)) {
        remove_error_mark_at(start);
        return velmo_apply_result::stale;
    }
    // Taken before the write: a bookmark over replaced text may not survive it.
    const QList<velmo_kept_highlight_t> authored = velmo_take_author_highlights(start, end);
    if (FAILED(range->put_Text(velmo_to_bstr(text)))) {
        put_back_over(authored, start, start, end - start);
        return velmo_apply_result::failed;
    }
    kfc::ks_stdptr<wpsapi::Range> written;
    if (SUCCEEDED(local_get_range(start, start + text.size(), written)))
        local_put_color_anyway(written,
                               static_cast<wpsapi::WdColorIndex>(velmo_config_color("Update")));
    put_back_over(authored, start, start, text.size());
    return velmo_apply_result::applied;
}
