// The plug-in's error marks as the host sees them: bookmarks named
// "vmjd_error_<level>_<span>_<wrong text>_<suggestions>_<pos>", read with the
// plug-in's own codec (document/velmo_mark_name.h), so that the texts show as
// written. writer-sim reads them back to list what a check found.
#ifndef WSIM_MARKS_H
#define WSIM_MARKS_H

#include <QString>
#include <QStringList>
#include <QVector>

#include "wsim_host.h"

struct wsim_error_mark {
    long start = 0;
    long end = 0;
    int level = 0;
    QString wrong_text;
    QStringList suggestions;  // the "#-#"-separated alternatives; empty when none
};

// Reads an error mark from a bookmark; false for other bookmarks and for
// names with fewer than six parts.
bool wsim_read_error_mark(const wsim_bookmark& bookmark, wsim_error_mark& mark);

// The error marks of a document in position order.
QVector<wsim_error_mark> wsim_error_marks(wpsapi::_Document* doc);

// One line of the listing: "<start>-<end> <kind> <wrong text> -> <suggestions>".
QString wsim_format_mark(const wsim_error_mark& mark);

// The whole listing of a document: a header with the document's name and the
// count, then one line per mark.
QString wsim_format_marks(const QString& document_name, const QVector<wsim_error_mark>& marks);

#endif
