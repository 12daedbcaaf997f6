// The author's own highlight under an error mark: recorded in the document,
// as companion bookmarks of their own naming, before the mark colours the
// range, and put back when the mark goes. Marks are placed and removed on the
// GUI thread, and so is all of this.
#ifndef VELMO_DOCUMENT_VELMO_AUTHOR_HIGHLIGHT_H
#define VELMO_DOCUMENT_VELMO_AUTHOR_HIGHLIGHT_H

#include <QList>

#include "host/velmo_host.h"

// A stretch of the author's highlight: where it lies and its colour index.
struct velmo_kept_highlight_t {
    long start = 0;
    long end = 0;
    int color = 0;
};

// Records every stretch of the range's highlight that is the author's (a
// colour, and none of the colours marks are placed in) in the active
// document, before a mark colours the range.
void velmo_keep_author_highlight(wpsapi::Range* range);

// Takes the records lying inside [start, end] of the active document (all of
// them when start is negative) out of it: each stretch where it is now. The
// highlight is left as it is.
QList<velmo_kept_highlight_t> velmo_take_author_highlights(long start, long end);

// Puts the author's highlight back on the stretches taken, and removes
// their records: what a removed mark leaves behind.
void velmo_restore_author_highlights(long start, long end);

#endif
