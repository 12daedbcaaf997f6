// Document functions the commands and dialogs share: the active document,
// the cursor, ranges by position, saving, and the error marks (bookmarks
// carrying their record in the name, with a highlight colour by level).
// All run on the GUI thread.
#ifndef VELMO_DOCUMENT_VELMO_DOCUMENT_H
#define VELMO_DOCUMENT_VELMO_DOCUMENT_H

#include <QString>

#include "api/velmo_check_result.h"
#include "host/velmo_host.h"
#include "host/velmo_host_documents.h"

// The active document, or null. No reference is held: the host keeps it alive.
wpsapi::_Document* local_get_document();

// The active document's whole main text (VELMO_E_NO_DOCUMENT without one).
HRESULT local_get_content(kfc::ks_stdptr<wpsapi::Range>& content);

// The bookmarks lying inside the range, and their number.
HRESULT local_get_bookmarks(wpsapi::Range* range, kfc::ks_stdptr<wpsapi::Bookmarks>& bookmarks,
                            long& count);

// The bookmarks lying inside [start, end] of the active document (its whole
// main text when start is negative), and their number.
HRESULT local_get_bookmarks_in(long start, long end, kfc::ks_stdptr<wpsapi::Bookmarks>& bookmarks,
                               long& count);

// Bookmark `index` (1-based, in start order) of the collection.
HRESULT local_get_bookmark(wpsapi::Bookmarks* bookmarks, long index,
                           kfc::ks_stdptr<wpsapi::Bookmark>& bookmark);

// Start of the current selection, or -1 when it cannot be read.
long local_get_pos();

// An Information value of the selection (a page or line number); false when
// it cannot be read.
bool local_selection_information(wpsapi::Selection* selection, wpsapi::WdInformation type,
                                 int& value);

// The active document's range from start to end.
HRESULT local_get_range(long start, long end, kfc::ks_stdptr<wpsapi::Range>& range);
// The given document's range and whether it is open:
// velmo_document_range and velmo_document_is_open (host/velmo_host_documents.h).

// 0 when a bookmark with this name was added over the range, -1 otherwise.
int local_add_bookmark(const QString& name, wpsapi::Range* range);

// Adds the error mark of the record over the range (already spanning the
// mark). Cleans the record's suggestion in place; when the host refuses the
// name, retries with "Velmo提示无" as suggestion, then also with "有错" as
// error text. 0 or -1 from the last try.
int local_add_bookmark(velmo_check_result_t& record, wpsapi::Range* range);

// Sets the range's highlight and reads it back, up to three tries at once:
// this runs on the GUI thread for every mark, so it never sleeps. 0 when it
// stuck, -1 otherwise.
int local_put_color_anyway(wpsapi::Range* range, wpsapi::WdColorIndex color);

// Removes one error or find mark: resets its highlight, deletes it and puts
// back the author's highlight recorded under it. False when the host refused
// the deletion. Every command that takes a single mark away goes through here.
bool local_remove_mark(wpsapi::Bookmark* mark);

// Deletes every error and find mark of the active document, resetting each
// one's highlight first when clear_color is set (the author's own highlight
// under the marks then comes back). Other bookmarks stay.
void local_del_bookmarks(bool clear_color);
// The same for the marks lying wholly inside [start, end] of the active
// document: a check of part of a document keeps the marks of the rest.
void local_del_bookmarks_in(bool clear_color, long start, long end);
// Deletes the marks of the text a check of [start, end] covers: the whole
// paragraphs the range touches and the tables of contents that end after
// its start. The marks of the rest of the document stay.
void local_del_bookmarks_of_check(bool clear_color, long start, long end);

// The range a check of the active document covers: the selection when it
// holds at least two characters, otherwise from the cursor to the end of the
// main text. Also gives the selection, to be put back after the run.
HRESULT local_get_check_range(long& start, long& end, long& selection_start, long& selection_end);

// Saves the active document when it has a file path.
void local_save_doc_if_saved();

// Places the error marks of s_check_progress into the document (the active
// one when null), coloured by level when colour is set; the author's own
// highlight under each is recorded first. A record whose position the host
// refuses or moves is taken out of the collection; returns their number.
int local_print_check_result(bool colour, wpsapi::_Document* document = nullptr);

// Highlight colour of an error mark of the given level, read from the settings.
wpsapi::WdColorIndex local_mark_color(int level);

#endif
