// The reads of host texts the commands make most often (and, through
// velmo_bstr.h, the conversion of host strings).
#ifndef VELMO_HOST_VELMO_HOST_STRING_H
#define VELMO_HOST_VELMO_HOST_STRING_H

#include <QString>

#include "host/velmo_bstr.h"
#include "host/velmo_host.h"

// The character that ends a table cell (and its paragraph) in the host's main
// text; the vendor's declarations do not name it.
constexpr char16_t velmo_cell_mark = 7;

// The bookmark's name; empty when it cannot be read.
QString velmo_bookmark_name(wpsapi::Bookmark* bookmark);

// The document's folder and its file name; empty when they cannot be read
// (a document never saved has no folder).
QString velmo_document_path(wpsapi::_Document* document);
QString velmo_document_name(wpsapi::_Document* document);

// The range's text; false when the host cannot give it.
bool velmo_range_text(wpsapi::Range* range, QString& text);

#endif
