#include "document/velmo_author_highlight.h"

#include "document/velmo_document.h"
#include "document/velmo_mark_level.h"
#include "document/velmo_mark_name.h"
#include "host/velmo_host_string.h"

namespace {

constexpr int LOWEST_AUTHOR_COLOR = 1;  // 0 is no highlight
constexpr int HIGHEST_AUTHOR_COLOR = 16;

// A colour the author chose: a mark's own colour is not kept, since a
// highlight in it cannot be told from the mark's.
bool is_author_color(long color) {
    return color >= LOWEST_AUTHOR_COLOR && color <= HIGHEST_AUTHOR_COLOR &&
           color != local_mark_color(VELMO_LEVEL_ERROR) &&
           color != local_mark_color(VELMO_LEVEL_SUSPECT);
}

long highlight_of(long start, long end) {
    kfc::ks_stdptr<wpsapi::Range> range;
    auto color = static_cast<wpsapi::WdColorIndex>(wpsapi::wdUndefined);
    if (FAILED(local_get_range(start, end, range)) ||
        FAILED(range->get_HighlightColorIndex(&color)))
        return wpsapi::wdUndefined;
    return color;
}

// The range's highlight as stretches of one colour each; a mixed range is
// read character by character.
QList<velmo_kept_highlight_t> highlight_stretches(long start, long end) {
    const long whole = highlight_of(start, end);
    if (whole != wpsapi::wdUndefined) return {{start, end, static_cast<int>(whole)}};
    QList<velmo_kept_highlight_t> stretches;
    for (long at = start; at < end; ++at) {
        const int color = static_cast<int>(highlight_of(at, at + 1));
        if (!stretches.isEmpty() && stretches.last().color == color && stretches.last().end == at)
            stretches.last().end = at + 1;
        else
            stretches.append({at, at + 1, color});
    }
    return stretches;
}

bool name_taken(wpsapi::Bookmarks* bookmarks, const QString& name) {
    VARIANT key = kfc::var_bstr(velmo_to_bstr(name).detach());
    kfc::ks_stdptr<wpsapi::Bookmark> found;
    const bool taken = SUCCEEDED(bookmarks->Item(&key, &found)) && found;
    kfc::var_clear(key);
    return taken;
}

}  // namespace

void velmo_keep_author_highlight(wpsapi::Range* range) {
    long start = 0;
    long end = 0;
    if (!range || FAILED(range->get_Start(&start)) || FAILED(range->get_End(&end)) || start >= end)
        return;
    // Most marks lie on unhighlighted text: the bookmarks are read only when
    // a stretch is to be kept.
    kfc::ks_stdptr<wpsapi::Bookmarks> all;
    long count = 0;
    for (const velmo_kept_highlight_t& stretch : highlight_stretches(start, end)) {
        if (!is_author_color(stretch.color)) continue;
        if (!all && FAILED(local_get_bookmarks_in(-1, -1, all, count))) return;
        int serial = 0;
        while (
            name_taken(all, velmo_mark_kept_highlight_name(stretch.color, stretch.start, serial)))
            ++serial;
        kfc::ks_stdptr<wpsapi::Range> kept;
        if (SUCCEEDED(local_get_range(stretch.start, stretch.end, kept)))
            local_add_bookmark(velmo_mark_kept_highlight_name(stretch.color, stretch.start, serial),
                               kept);
    }
}

QList<velmo_kept_highlight_t> velmo_take_author_highlights(long start, long end) {
    QList<velmo_kept_highlight_t> taken;
    kfc::ks_stdptr<wpsapi::Bookmarks> bookmarks;
    long count = 0;
    if (FAILED(local_get_bookmarks_in(start, end, bookmarks, count))) return taken;
    // From the last to the first, so that each deletion leaves the rest in place.
    for (long i = count; i >= 1; --i) {
        kfc::ks_stdptr<wpsapi::Bookmark> bookmark;
        if (FAILED(local_get_bookmark(bookmarks, i, bookmark))) break;
        const int color = velmo_mark_read_kept_highlight(velmo_bookmark_name(bookmark));
        velmo_kept_highlight_t stretch{0, 0, color};
        if (color < 0 || FAILED(bookmark->get_Start(&stretch.start)) ||
            FAILED(bookmark->get_End(&stretch.end)) || FAILED(bookmark->Delete()))
            continue;
        taken.prepend(stretch);
    }
    return taken;
}

void velmo_restore_author_highlights(long start, long end) {
    for (const velmo_kept_highlight_t& stretch : velmo_take_author_highlights(start, end)) {
        kfc::ks_stdptr<wpsapi::Range> range;
        if (stretch.start < stretch.end &&
            SUCCEEDED(local_get_range(stretch.start, stretch.end, range)))
            local_put_color_anyway(range, static_cast<wpsapi::WdColorIndex>(stretch.color));
    }
}
