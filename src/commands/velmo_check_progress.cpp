#include "commands/velmo_check_progress.h"

#include <algorithm>

#include "commands/velmo_document.h"
#include "commands/velmo_host_string.h"
#include "commands/velmo_mark_name.h"

check_progress_t s_check_progress;

namespace {

// Reads every error mark of the active document into `fresh`, ordered by
// position (equal positions keep bookmark order). A bookmark that cannot be
// fetched ends the walk with what was read so far.
void collect_error_marks(check_progress_t& fresh) {
    wpsapi::_Document* document = local_get_document();
    if (!document) return;
    kfc::ks_stdptr<wpsapi::Range> content;
    if (FAILED(document->get_Content(&content)) || !content) return;
    kfc::ks_stdptr<wpsapi::Bookmarks> bookmarks;
    if (FAILED(content->get_Bookmarks(&bookmarks)) || !bookmarks) return;
    long count = 0;
    if (FAILED(bookmarks->get_Count(&count))) return;
    fresh.document = document;
    fresh.results.reserve(static_cast<int>(count));
    for (long i = 1; i <= count; ++i) {
        kfc::ks_stdptr<wpsapi::Bookmark> bookmark;
        VARIANT index = kfc::var_i8(i);
        if (FAILED(bookmarks->Item(&index, &bookmark)) || !bookmark) break;
        velmo_check_result_t record;
        if (!velmo_mark_read_error_name(velmo_bookmark_name(bookmark), record)) continue;
        long start = 0;
        if (FAILED(bookmark->get_Start(&start))) continue;
        record.pos = static_cast<int>(start);
        fresh.end = std::max(fresh.end, static_cast<long>(record.pos + record.err_word.length()));
        fresh.start = std::min(fresh.start, static_cast<long>(record.pos));
        fresh.results.append(record);
    }
    // The host lists bookmarks by start already; a stable sort keeps the
    // order of equal positions and costs nothing more then.
    std::stable_sort(fresh.results.begin(), fresh.results.end(),
                     [](const velmo_check_result_t& a, const velmo_check_result_t& b) {
                         return a.pos < b.pos;
                     });
}

void take_bounds(check_progress_t* progress, const check_progress_t& fresh) {
    progress->start = fresh.start;
    progress->end = fresh.end;
    progress->document = fresh.document;
}

}  // namespace

void check_progress_update(check_progress_t* progress) {
    if (!progress) return;
    const int current = progress->current;
    check_progress_t fresh;
    collect_error_marks(fresh);
    const int count = fresh.results.size();
    if (count == progress->results.size()) {
        int first_moved = 0;
        while (first_moved < count &&
               fresh.results.at(first_moved).pos == progress->results.at(first_moved).pos)
            ++first_moved;
        if (first_moved < count) {
            take_bounds(progress, fresh);
            for (int i = 0; i < count; ++i) progress->results[i].pos = fresh.results.at(i).pos;
        }
    } else {
        take_bounds(progress, fresh);
        progress->results = fresh.results;
    }
    progress->current = current;
}
