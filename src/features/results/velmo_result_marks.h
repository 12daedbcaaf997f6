// Removing chosen error marks from the active document together with their
// records, through the same deletion the other commands use.
#ifndef VELMO_FEATURES_RESULTS_VELMO_RESULT_MARKS_H
#define VELMO_FEATURES_RESULTS_VELMO_RESULT_MARKS_H

#include <QList>

#include "document/velmo_check_progress.h"

// Deletes the marks (and their highlight) of the records at the given
// indices of the collection and drops the records; other marks stay, also
// one lying inside a removed mark's text.
void velmo_remove_result_marks(check_progress_t& progress, QList<int> indices);

// Selects the text of the record's mark in the active document, so that the
// host brings it into view; false when the host cannot.
bool velmo_select_result_mark(const velmo_check_result_t& record);

#endif
