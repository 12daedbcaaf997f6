#include "document/velmo_document.h"

#include <QDebug>

#include "config/velmo_config.h"
#include "config/velmo_config_values.h"
#include "document/velmo_author_highlight.h"
#include "document/velmo_check_progress.h"
#include "document/velmo_mark_level.h"
#include "document/velmo_mark_name.h"
#include "host/velmo_globals.h"
#include "host/velmo_host_string.h"

namespace {

constexpr int COLOR_TRIES = 3;
constexpr int DELETE_ATTEMPTS = 10;

// One pass over the bookmarks lying inside [start, end] of the active
// document (its whole main text when start is negative), from the last to the
// first so that each deletion leaves the items still to visit where they were.
// False when a host call failed and the pass should be tried again.
bool delete_own_marks_once(bool clear_color, long start, long end) {
    kfc::ks_stdptr<wpsapi::Bookmarks> bookmarks;
    long count = 0;
    if (FAILED(local_get_bookmarks_in(start, end, bookmarks, count))) return false;
    for (long i = count; i >= 1; --i) {
        kfc::ks_stdptr<wpsapi::Bookmark> bookmark;
        if (FAILED(local_get_bookmark(bookmarks, i, bookmark))) return false;
        if (!velmo_mark_is_own(velmo_bookmark_name(bookmark))) continue;
        kfc::ks_stdptr<wpsapi::Range> range;
        if (FAILED(bookmark->get_Range(&range)) || !range) return false;
        if (clear_color) local_put_color_anyway(range, wpsapi::wdNoHighlight);
        if (FAILED(bookmark->Delete())) return false;
    }
    return true;
}

bool range_bounds(wpsapi::Range* range, long& start, long& end) {
    return range && SUCCEEDED(range->get_Start(&start)) && SUCCEEDED(range->get_End(&end));
}

bool paragraph_bounds(wpsapi::Paragraph* paragraph, long& start, long& end) {
    kfc::ks_stdptr<wpsapi::Range> range;
    return paragraph && SUCCEEDED(paragraph->get_Range(&range)) && range_bounds(range, start, end);
}

// A check takes the whole paragraphs its range touches: from the start of
// the first to the end of the last. False when the host cannot tell.
bool whole_paragraphs(long& start, long& end) {
    kfc::ks_stdptr<wpsapi::Range> range;
    kfc::ks_stdptr<wpsapi::Paragraphs> paragraphs;
    kfc::ks_stdptr<wpsapi::Paragraph> first;
    kfc::ks_stdptr<wpsapi::Paragraph> last;
    long ignored = 0;
    if (FAILED(local_get_range(start, end, range)) || FAILED(range->get_Paragraphs(&paragraphs)) ||
        !paragraphs || FAILED(paragraphs->get_First(&first)) || FAILED(paragraphs->get_Last(&last)))
        return false;
    long first_start = 0;
    long last_end = 0;
    if (!paragraph_bounds(first, first_start, ignored) ||
        !paragraph_bounds(last, ignored, last_end))
        return false;
    start = qMin(start, first_start);
    end = qMax(end, last_end);
    return true;
}

}  // namespace

wpsapi::_Document* local_get_document() {
    if (!g_pApp) return nullptr;
    wpsapi::Document* active = nullptr;
    if (FAILED(g_pApp->get_ActiveDocument(&active))) return nullptr;
    return velmo_adopt<wpsapi::_Document>(active).get();
}

HRESULT local_get_content(kfc::ks_stdptr<wpsapi::Range>& content) {
    wpsapi::_Document* document = local_get_document();
    if (!document) return VELMO_E_NO_DOCUMENT;
    content.clear();  // an out parameter is passed empty
    const HRESULT hr = document->get_Content(&content);
    return SUCCEEDED(hr) && !content ? E_FAIL : hr;
}

HRESULT local_get_bookmarks(wpsapi::Range* range, kfc::ks_stdptr<wpsapi::Bookmarks>& bookmarks,
                            long& count) {
    count = 0;
    if (!range) return E_POINTER;
    bookmarks.clear();
    HRESULT hr = range->get_Bookmarks(&bookmarks);
    if (FAILED(hr)) return hr;
    if (!bookmarks) return E_FAIL;
    return bookmarks->get_Count(&count);
}

HRESULT local_get_bookmarks_in(long start, long end, kfc::ks_stdptr<wpsapi::Bookmarks>& bookmarks,
                               long& count) {
    kfc::ks_stdptr<wpsapi::Range> within;
    const HRESULT hr = start < 0 ? local_get_content(within) : local_get_range(start, end, within);
    return FAILED(hr) ? hr : local_get_bookmarks(within, bookmarks, count);
}

HRESULT local_get_bookmark(wpsapi::Bookmarks* bookmarks, long index,
                           kfc::ks_stdptr<wpsapi::Bookmark>& bookmark) {
    VARIANT item = kfc::var_i8(index);
    bookmark.clear();
    const HRESULT hr = bookmarks->Item(&item, &bookmark);
    return SUCCEEDED(hr) && !bookmark ? E_FAIL : hr;
}

long local_get_pos() {
    if (!g_pApp) return -1;
    kfc::ks_stdptr<wpsapi::Selection> selection;
    if (FAILED(g_pApp->get_Selection(&selection)) || !selection) return -1;
    long start = -1;
    if (FAILED(selection->get_Start(&start))) return -1;
    return start;
}

HRESULT local_get_range(long start, long end, kfc::ks_stdptr<wpsapi::Range>& range) {
    return velmo_document_range(local_get_document(), start, end, range);
}

int local_add_bookmark(const QString& name, wpsapi::Range* range) {
    if (!range) return -1;
    kfc::ks_stdptr<wpsapi::Bookmarks> bookmarks;
    if (FAILED(range->get_Bookmarks(&bookmarks)) || !bookmarks) return -1;
    kfc::ks_bstr host_name = velmo_to_bstr(name);
    VARIANT range_arg = kfc::var_object(range);
    kfc::ks_stdptr<wpsapi::Bookmark> added;
    const HRESULT hr = bookmarks->Add(host_name, &range_arg, &added);
    kfc::var_clear(range_arg);
    return SUCCEEDED(hr) ? 0 : -1;
}

int local_add_bookmark(velmo_check_result_t& record, wpsapi::Range* range) {
    velmo_mark_clean_suggestion(record);
    if (local_add_bookmark(velmo_mark_error_name(record), range) == 0) return 0;
    const QString no_suggestion = velmo_mark_no_suggestion_text();
    if (local_add_bookmark(velmo_mark_error_name(record, record.err_word, no_suggestion), range) ==
        0)
        return 0;
    return local_add_bookmark(
        velmo_mark_error_name(record, velmo_mark_fallback_error_text(), no_suggestion), range);
}

int local_put_color_anyway(wpsapi::Range* range, wpsapi::WdColorIndex color) {
    if (!range) return -1;
    for (int attempt = 0; attempt < COLOR_TRIES; ++attempt) {
        range->put_HighlightColorIndex(color);
        auto read_back = static_cast<wpsapi::WdColorIndex>(wpsapi::wdUndefined);
        if (SUCCEEDED(range->get_HighlightColorIndex(&read_back)) && read_back == color) return 0;
    }
    return -1;
}

bool local_selection_information(wpsapi::Selection* selection, wpsapi::WdInformation type,
                                 int& value) {
    VARIANT result = kfc::var_empty();
    if (!selection || FAILED(selection->get_Information(type, &result))) return false;
    value = V_VT(&result) == VT_I8 ? static_cast<int>(V_I8(&result)) : V_I4(&result);
    kfc::var_clear(result);
    return true;
}

void local_del_bookmarks(bool clear_color) { local_del_bookmarks_in(clear_color, -1, -1); }

bool local_remove_mark(wpsapi::Bookmark* mark) {
    kfc::ks_stdptr<wpsapi::Range> range;
    long start = 0;
    long end = 0;
    if (!mark || FAILED(mark->get_Range(&range)) || !range_bounds(range, start, end)) return false;
    local_put_color_anyway(range, wpsapi::wdNoHighlight);
    if (FAILED(mark->Delete())) return false;
    velmo_restore_author_highlights(start, end);
    return true;
}

void local_del_bookmarks_in(bool clear_color, long start, long end) {
    for (int attempt = 0; attempt < DELETE_ATTEMPTS; ++attempt)
        if (delete_own_marks_once(clear_color, start, end)) break;
    // After every mark's reset, so that no reset covers a highlight put back.
    if (clear_color) velmo_restore_author_highlights(start, end);
}

void local_del_bookmarks_of_check(bool clear_color, long start, long end) {
    long from = start;
    long to = end;
    whole_paragraphs(from, to);
    local_del_bookmarks_in(clear_color, from, to);
    // Tables of contents that end after the range's start are checked whole.
    wpsapi::_Document* document = local_get_document();
    kfc::ks_stdptr<wpsapi::TablesOfContents> tables;
    long count = 0;
    if (!document || FAILED(document->get_TablesOfContents(&tables)) || !tables ||
        FAILED(tables->get_Count(&count)))
        return;
    for (long i = 1; i <= count; ++i) {
        kfc::ks_stdptr<wpsapi::TableOfContents> table;
        kfc::ks_stdptr<wpsapi::Range> table_range;
        long table_start = 0;
        long table_end = 0;
        if (FAILED(tables->Item(i, &table)) || !table || FAILED(table->get_Range(&table_range)) ||
            !range_bounds(table_range, table_start, table_end))
            return;
        if (start < table_end) local_del_bookmarks_in(clear_color, table_start, table_end);
    }
}

HRESULT local_get_check_range(long& start, long& end, long& selection_start, long& selection_end) {
    wpsapi::_Document* document = local_get_document();
    if (!document || !g_pApp) return VELMO_E_NO_DOCUMENT;
    kfc::ks_stdptr<wpsapi::Selection> selection;
    HRESULT hr = g_pApp->get_Selection(&selection);
    if (FAILED(hr) || !selection) return FAILED(hr) ? hr : E_FAIL;
    kfc::ks_bstr selected;
    if (FAILED(hr = selection->get_Text(&selected)) ||
        FAILED(hr = selection->get_Start(&selection_start)) ||
        FAILED(hr = selection->get_End(&selection_end)))
        return hr;
    kfc::ks_stdptr<wpsapi::Range> candidate;
    if (_XSysStringLen(selected) < 2) {
        // An insertion point or a single character: from there to the end.
        if (FAILED(hr = local_get_content(candidate))) return hr;
        if (FAILED(hr = candidate->put_Start(selection_start))) return hr;
    } else if (FAILED(hr = selection->get_Range(&candidate)) || !candidate) {
        return FAILED(hr) ? hr : E_FAIL;
    }
    if (FAILED(hr = candidate->get_Start(&start)) || FAILED(hr = candidate->get_End(&end)))
        return hr;
    return S_OK;
}

void local_save_doc_if_saved() {
    wpsapi::_Document* document = local_get_document();
    if (!document) return;
    if (!velmo_document_path(document).isEmpty()) document->Save();
}

wpsapi::WdColorIndex local_mark_color(int level) {
    const char* key = velmo_level_kind(level) == velmo_mark_kind::suspect ? "Fallibility" : "Error";
    return static_cast<wpsapi::WdColorIndex>(velmo_config_color(key));
}

int local_print_check_result(bool colour, wpsapi::_Document* document) {
    kfc::ks_stdptr<wpsapi::Range> range;
    if (!document) document = local_get_document();
    if (FAILED(velmo_document_range(document, s_check_progress.start, s_check_progress.end, range)))
        return 0;
    QList<velmo_check_result_t>& results = s_check_progress.results;
    int placed = 0;
    for (int i = 0; i < results.size(); ++i) {
        velmo_check_result_t& record = results[i];
        // A mark whose start the host refuses or moves would land on other
        // text (the previous record's): it is left out.
        long placed_start = -1;
        if (FAILED(range->put_Start(record.pos)) ||
            FAILED(range->put_End(record.pos + velmo_mark_length(record))) ||
            FAILED(range->get_Start(&placed_start)) || placed_start != record.pos)
            continue;
        local_add_bookmark(record, range);
        if (colour) {
            velmo_keep_author_highlight(range);
            local_put_color_anyway(range, local_mark_color(record.level));
        }
        if (placed != i) results[placed] = record;
        ++placed;
    }
    const int skipped = results.size() - placed;
    if (skipped > 0) {
        results.erase(results.begin() + placed, results.end());
        qDebug().noquote() << "velmo: marks not placed, the host refused their position:"
                           << skipped;
    }
    return skipped;
}
