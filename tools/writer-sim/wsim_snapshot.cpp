#include "wsim_snapshot.h"

bool wsim_snapshot::operator==(const wsim_snapshot& o) const {
    return text == o.text && highlights == o.highlights && bookmarks == o.bookmarks &&
           selection_start == o.selection_start && selection_end == o.selection_end;
}

namespace {

void collect_runs(wpsapi::_Document* doc, long start, long end, QVector<wsim_highlight_run>& runs) {
    if (start >= end) return;
    VARIANT from = kfc::var_i8(start);
    VARIANT to = kfc::var_i8(end);
    kfc::ks_stdptr<wpsapi::Range> range;
    wpsapi::WdColorIndex index = wpsapi::wdNoHighlight;
    if (FAILED(doc->Range(&from, &to, &range)) || !range ||
        FAILED(range->get_HighlightColorIndex(&index)))
        return;
    if (index != static_cast<wpsapi::WdColorIndex>(wpsapi::wdUndefined)) {
        if (index <= 0) return;
        if (!runs.isEmpty() && runs.last().end == start && runs.last().index == index) {
            runs.last().end = end;
        } else {
            runs.append({start, end, index});
        }
        return;
    }
    if (end - start < 2) return;
    const long middle = start + (end - start) / 2;
    collect_runs(doc, start, middle, runs);
    collect_runs(doc, middle, end, runs);
}

QString document_text(wpsapi::_Document* doc) {
    kfc::ks_stdptr<wpsapi::Range> content;
    kfc::ks_bstr text;
    if (FAILED(doc->get_Content(&content)) || !content || FAILED(content->get_Text(&text)))
        return QString();
    return velmo_from_bstr(text);
}

}  // namespace

QVector<wsim_highlight_run> wsim_highlight_runs(wpsapi::_Document* doc, long start, long end) {
    QVector<wsim_highlight_run> runs;
    if (doc) collect_runs(doc, start, end, runs);
    return runs;
}

wsim_snapshot wsim_take_snapshot(wpsapi::_Application* app, wpsapi::_Document* doc,
                                 bool selection_of_active) {
    wsim_snapshot snapshot;
    if (!doc) return snapshot;
    snapshot.text = document_text(doc);
    snapshot.highlights = wsim_highlight_runs(doc, 0, snapshot.text.size());
    snapshot.bookmarks = wsim_bookmarks(doc);
    if (selection_of_active) wsim_selection(app, snapshot.selection_start, snapshot.selection_end);
    return snapshot;
}
