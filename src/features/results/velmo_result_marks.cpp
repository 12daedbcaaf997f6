#include "features/results/velmo_result_marks.h"

#include <algorithm>

#include "document/velmo_document.h"
#include "document/velmo_mark_name.h"

namespace {

long mark_end(const velmo_check_result_t& record) {
    return static_cast<long>(record.pos) + velmo_mark_length(record);
}

// Places the record's mark again with its colour: a deletion over a span
// takes every mark lying wholly inside it.
void restore_mark(velmo_check_result_t& record) {
    kfc::ks_stdptr<wpsapi::Range> range;
    if (FAILED(local_get_range(record.pos, mark_end(record), range))) return;
    local_add_bookmark(record, range);
    local_put_color_anyway(range, local_mark_color(record.level));
}

}  // namespace

void velmo_remove_result_marks(check_progress_t& progress, QList<int> indices) {
    QList<velmo_check_result_t>& results = progress.results;
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    indices.erase(std::remove_if(indices.begin(), indices.end(),
                                 [&](int i) { return i < 0 || i >= results.size(); }),
                  indices.end());
    for (const int i : indices) {
        const velmo_check_result_t& removed = results.at(i);
        local_del_bookmarks_in(true, removed.pos, mark_end(removed));
        // The records are in ascending order: those that lie inside the
        // removed one follow the first record at its position.
        const auto first =
            std::lower_bound(results.cbegin(), results.cend(), removed.pos,
                             [](const velmo_check_result_t& r, int pos) { return r.pos < pos; });
        for (int j = static_cast<int>(first - results.cbegin()); j < results.size(); ++j) {
            velmo_check_result_t& other = results[j];
            if (other.pos > mark_end(removed)) break;
            if (j == i || indices.contains(j) || other.pos < removed.pos ||
                mark_end(other) > mark_end(removed))
                continue;
            restore_mark(other);
        }
    }
    // From the last, so that the earlier indices stay valid.
    for (auto it = indices.crbegin(); it != indices.crend(); ++it) results.removeAt(*it);
    if (progress.current >= results.size()) progress.current = 0;
}

bool velmo_select_result_mark(const velmo_check_result_t& record) {
    kfc::ks_stdptr<wpsapi::Range> range;
    return SUCCEEDED(local_get_range(record.pos, mark_end(record), range)) &&
           SUCCEEDED(range->Select());
}
