// The command "建议": runs the correction dialog over the collected progress,
// then places the error marks again so that they agree with the corrected
// text.
#include "features/correction/velmo_correction_commands.h"

#include <vector>

#include "document/velmo_check_progress.h"
#include "document/velmo_document.h"
#include "document/velmo_mark_name.h"
#include "features/correction/velmo_ui_correct.h"
#include "host/velmo_host_string.h"

namespace {

struct find_mark_t {
    QString name;
    long start;
    long end;
};

// The batch find's marks where they are now (they moved with the corrections).
std::vector<find_mark_t> read_find_marks() {
    std::vector<find_mark_t> marks;
    kfc::ks_stdptr<wpsapi::Range> content;
    kfc::ks_stdptr<wpsapi::Bookmarks> bookmarks;
    long count = 0;
    if (FAILED(local_get_content(content)) ||
        FAILED(local_get_bookmarks(content, bookmarks, count)))
        return marks;
    for (long i = 1; i <= count; ++i) {
        kfc::ks_stdptr<wpsapi::Bookmark> bookmark;
        if (FAILED(local_get_bookmark(bookmarks, i, bookmark))) break;
        QString name = velmo_bookmark_name(bookmark);
        if (!name.startsWith(QLatin1String(VELMO_FIND_MARK_PREFIX))) continue;
        find_mark_t mark{std::move(name), 0, 0};
        if (FAILED(bookmark->get_Start(&mark.start)) || FAILED(bookmark->get_End(&mark.end)))
            continue;
        marks.push_back(std::move(mark));
    }
    return marks;
}

void restore_find_marks(const std::vector<find_mark_t>& marks) {
    for (const find_mark_t& mark : marks) {
        kfc::ks_stdptr<wpsapi::Range> range;
        if (SUCCEEDED(local_get_range(mark.start, mark.end, range)))
            local_add_bookmark(mark.name, range);
    }
}

// Makes the document's marks agree with the progress after corrections.
void place_marks_again() {
    // Re-placing the marks deletes every mark of the plug-in, but only the
    // error marks come back from the progress: the find marks are carried
    // over so that a correction does not drop the batch find's results.
    const std::vector<find_mark_t> find_marks = read_find_marks();
    local_del_bookmarks(false);
    local_print_check_result(false);
    restore_find_marks(find_marks);
}

}  // namespace

int velmo_cb_suggest(QList<QVariant>&) {
    if (s_check_progress.document != local_get_document()) check_progress_update(&s_check_progress);
    {
        velmo_ui_correct dialog;
        dialog.set_check_progress(&s_check_progress);
        dialog.exec();
    }
    place_marks_again();
    return 0;
}

bool velmo_correction_apply_first(int index) {
    if (s_check_progress.document != local_get_document()) return false;
    bool written = false;
    {
        velmo_ui_correct dialog;
        dialog.set_check_progress(&s_check_progress);
        written = dialog.apply_first_suggestion(index);
    }
    if (written) place_marks_again();
    return written;
}
