#include "document/velmo_check_progress.h"

#include <algorithm>
#include <vector>

#include "document/velmo_document.h"
#include "document/velmo_mark_name.h"
#include "host/velmo_host_string.h"

check_progress_t s_check_progress;

namespace {

// An error mark as found in the document: its name, parsed only when the
// collection has to be rebuilt, and its current start.
struct found_mark_t {
    QString name;
    int pos;
};

struct found_marks_t {
    wpsapi::_Document* document = nullptr;
    std::vector<found_mark_t> marks;
    long bookmark_count = -1;  // -1: the marks could not be read
    long content_end = -1;
};

// The document's bookmark count and end of text, both -1 when either
// cannot be read.
void read_extent(kfc::ks_stdptr<wpsapi::Range>& content, long bookmark_count, long* seen_bookmarks,
                 long* seen_end) {
    long end = 0;
    const bool known = SUCCEEDED(content->get_End(&end));
    *seen_bookmarks = known ? bookmark_count : -1;
    *seen_end = known ? end : -1;
}

// Reads every error mark of the active document, ordered by position (equal
// positions keep bookmark order). A bookmark that cannot be fetched ends the
// walk with what was read so far; without a document or its bookmark
// collection nothing is found and no document is named.
found_marks_t find_error_marks() {
    found_marks_t found;
    kfc::ks_stdptr<wpsapi::Range> content;
    kfc::ks_stdptr<wpsapi::Bookmarks> bookmarks;
    long count = 0;
    if (FAILED(local_get_content(content)) ||
        FAILED(local_get_bookmarks(content, bookmarks, count)))
        return found;
    found.document = local_get_document();
    read_extent(content, count, &found.bookmark_count, &found.content_end);
    found.marks.reserve(static_cast<size_t>(std::max(count, 0L)));
    for (long i = 1; i <= count; ++i) {
        kfc::ks_stdptr<wpsapi::Bookmark> bookmark;
        if (FAILED(local_get_bookmark(bookmarks, i, bookmark))) break;
        QString name = velmo_bookmark_name(bookmark);
        if (!velmo_mark_is_error_name(name)) continue;
        long start = 0;
        if (FAILED(bookmark->get_Start(&start))) continue;
        found.marks.push_back({std::move(name), static_cast<int>(start)});
    }
    const auto by_pos = [](const found_mark_t& a, const found_mark_t& b) { return a.pos < b.pos; };
    // The host lists bookmarks by start, so the sort is rarely needed.
    if (!std::is_sorted(found.marks.begin(), found.marks.end(), by_pos))
        std::stable_sort(found.marks.begin(), found.marks.end(), by_pos);
    return found;
}

}  // namespace

// What the collection was brought up to date from.
void note_seen(check_progress_t* progress, const found_marks_t& found) {
    progress->seen_bookmarks = found.bookmark_count;
    progress->seen_end = found.content_end;
    progress->seen_records = progress->results.size();
}

void check_progress_update(check_progress_t* progress) {
    if (!progress) return;
    const int current = progress->current;
    const found_marks_t found = find_error_marks();
    const int count = static_cast<int>(found.marks.size());
    const bool same_count = count == progress->results.size();
    if (same_count) {
        int first_moved = 0;
        while (first_moved < count &&
               found.marks[first_moved].pos == progress->results.at(first_moved).pos)
            ++first_moved;
        if (first_moved == count) {  // nothing moved: nothing changes
            if (found.document == progress->document) note_seen(progress, found);
            return;
        }
    }

    QList<velmo_check_result_t> fresh;
    fresh.reserve(count);
    long start = 0;
    long end = 0;
    for (const found_mark_t& mark : found.marks) {
        velmo_check_result_t record;
        velmo_mark_read_error_name(mark.name, record);
        record.pos = mark.pos;
        start = std::min(start, static_cast<long>(record.pos));
        end = std::max(end, static_cast<long>(record.pos + velmo_mark_length(record)));
        fresh.append(record);
    }
    progress->start = start;
    progress->end = end;
    progress->document = found.document;
    if (same_count) {
        // Only positions move: texts and flags edited in memory survive.
        for (int i = 0; i < count; ++i) progress->results[i].pos = fresh.at(i).pos;
    } else {
        progress->results = fresh;
    }
    progress->current = current;
    note_seen(progress, found);
}

void check_progress_refresh(check_progress_t* progress) {
    if (!progress) return;
    kfc::ks_stdptr<wpsapi::Range> content;
    kfc::ks_stdptr<wpsapi::Bookmarks> bookmarks;
    long count = 0;
    long seen_bookmarks = -1;
    long seen_end = -1;
    if (progress->seen_bookmarks >= 0 && progress->document &&
        progress->document == local_get_document() && SUCCEEDED(local_get_content(content)) &&
        SUCCEEDED(local_get_bookmarks(content, bookmarks, count))) {
        read_extent(content, count, &seen_bookmarks, &seen_end);
        if (seen_bookmarks == progress->seen_bookmarks && seen_end == progress->seen_end &&
            progress->results.size() == progress->seen_records)
            return;
    }
    check_progress_update(progress);
}
