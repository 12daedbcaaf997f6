// Stretches of the document by character position: a bare one, and one
// piece of document text captured on the GUI thread for checking, so that
// the worker thread can send it without touching the host document.
#ifndef VELMO_CHECK_VELMO_CHECK_RANGE_H
#define VELMO_CHECK_VELMO_CHECK_RANGE_H

#include <QString>
#include <QtGlobal>

// A stretch of the document by its start and end character positions.
struct check_range_t {
    qint64 start = 0;
    qint64 end = 0;
};

struct check_range_threadsafe_t {
    qint64 start = 0;  // position of the piece's first character in the document
    qint64 end = 0;    // position just after the piece, as the host reports it
    QString text;      // the host's text for exactly [start, end)
};

#endif
