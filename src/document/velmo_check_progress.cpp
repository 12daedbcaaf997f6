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
};

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
        if (first_moved == count) return;  // nothing moved: nothing changes
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
}
