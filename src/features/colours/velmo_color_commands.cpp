// The command "清除颜色": asks which kinds of mark to clear, then removes the
// marks whose highlight is one of the chosen colours, resetting the highlight.
#include "features/colours/velmo_color_commands.h"

#include <QList>

#include "config/velmo_config.h"
#include "config/velmo_config_values.h"
#include "document/velmo_document.h"
#include "document/velmo_mark_name.h"
#include "features/colours/velmo_ui_color_clear.h"
#include "host/velmo_host_string.h"

namespace {

constexpr int WALKS_PER_COLOR = 10;

// Keys of section "Color", in the order the colours are cleared.
const char* const CLEARED_COLOR_KEYS[] = {"Error", "Fallibility", "Update", "Find"};

// One walk over the main text's bookmarks, from the last to the first so that
// each deletion leaves the bookmarks still to visit where they were. Every
// own mark highlighted in `color` loses its highlight and its bookmark. A
// failed host call ends the walk.
void clear_marks_of_color_once(wpsapi::WdColorIndex color) {
    kfc::ks_stdptr<wpsapi::Range> content;
    kfc::ks_stdptr<wpsapi::Bookmarks> bookmarks;
    long count = 0;
    if (FAILED(local_get_content(content)) ||
        FAILED(local_get_bookmarks(content, bookmarks, count)))
        return;
    for (long i = count; i >= 1; --i) {
        kfc::ks_stdptr<wpsapi::Bookmark> bookmark;
        if (FAILED(local_get_bookmark(bookmarks, i, bookmark))) return;
        if (!velmo_mark_is_own(velmo_bookmark_name(bookmark))) continue;
        kfc::ks_stdptr<wpsapi::Range> range;
        if (FAILED(bookmark->get_Range(&range)) || !range) return;
        auto highlight = static_cast<wpsapi::WdColorIndex>(wpsapi::wdUndefined);
        if (FAILED(range->get_HighlightColorIndex(&highlight))) return;
        if (highlight != color) continue;
        if (!local_remove_mark(bookmark)) return;
    }
}

}  // namespace

int velmo_cb_clear_color(QList<QVariant>&) {
    velmo_ui_clear_color dialog;
    dialog.exec();

    QList<int> colors;
    for (const char* key : CLEARED_COLOR_KEYS) colors.append(velmo_config_color(key));

    bool every_kind = true;
    for (int color : colors) every_kind = every_kind && dialog.is_clear_color(color);
    if (every_kind) {
        local_del_bookmarks(true);
        return 0;
    }
    for (int color : colors) {
        if (!dialog.is_clear_color(color)) continue;
        for (int walk = 0; walk < WALKS_PER_COLOR; ++walk)
            clear_marks_of_color_once(static_cast<wpsapi::WdColorIndex>(color));
    }
    return 0;
}
