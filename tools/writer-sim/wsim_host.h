// Small conveniences over the host object model used all over writer-sim:
// the few reads every part needs (strings convert through velmo_bstr.h).
#ifndef WSIM_HOST_H
#define WSIM_HOST_H

#include <QString>
#include <QVector>

#include "host/velmo_bstr.h"
#include "host/velmo_host.h"

// The active document, or null when none is open.
kfc::ks_stdptr<wpsapi::_Document> wsim_active_document(wpsapi::_Application* app);
// The open documents in opening order.
QVector<kfc::ks_stdptr<wpsapi::_Document>> wsim_documents(wpsapi::_Application* app);

QString wsim_document_name(wpsapi::_Document* doc);
QString wsim_document_path(wpsapi::_Document* doc);
QString wsim_document_full_name(wpsapi::_Document* doc);

// Current start and end of the host selection; false when it cannot be read.
bool wsim_selection(wpsapi::_Application* app, long& start, long& end);
bool wsim_set_selection(wpsapi::_Application* app, long start, long end);

struct wsim_bookmark {
    QString name;
    long start = 0;
    long end = 0;
};
// Every bookmark of the document in start order.
QVector<wsim_bookmark> wsim_bookmarks(wpsapi::_Document* doc);

#endif
