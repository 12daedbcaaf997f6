// The collected results of the last check and their refresh from the error
// marks of the document, which are the lasting copy of the results.
#ifndef VELMO_DOCUMENT_VELMO_CHECK_PROGRESS_H
#define VELMO_DOCUMENT_VELMO_CHECK_PROGRESS_H

#include <QList>

#include "api/velmo_check_result.h"
#include "wpsapi.h"

struct check_progress_t {
    // Bounds of the collection: the checked stretch after a check, the
    // marks' extent after an update that changed the collection.
    long start = 0;
    long end = 0;
    // In ascending order of pos.
    QList<velmo_check_result_t> results;
    // Index of the current error, from which next and previous go on.
    int current = 0;
    // The document the collection belongs to; compared, never dereferenced.
    wpsapi::_Document* document = nullptr;
    // The document as the last update from its marks saw it: its number of
    // bookmarks and the end of its text, and the number of records then;
    // -1 before any update.
    long seen_bookmarks = -1;
    long seen_end = -1;
    int seen_records = -1;
};

// The one collection, empty at load.
extern check_progress_t s_check_progress;

// Brings the collection up to date from the error marks of the active
// document. Equal counts: only positions are refreshed (texts and flags
// edited in memory survive), and nothing changes when no position differs.
// Different counts: the list is rebuilt from the names. current is kept.
void check_progress_update(check_progress_t* progress);

// check_progress_update, unless the active document is the collection's and
// neither its number of bookmarks, nor the end of its text, nor the number of
// records changed since the last update: no mark can then have moved, and a
// press of "下一处" need not read every mark again.
void check_progress_refresh(check_progress_t* progress);

#endif
