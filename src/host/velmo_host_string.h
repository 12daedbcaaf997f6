// Conversions between Qt strings and the host's wide strings, and the reads
// of host texts the commands make most often.
#ifndef VELMO_COMMANDS_VELMO_HOST_STRING_H
#define VELMO_COMMANDS_VELMO_HOST_STRING_H

#include <QString>

#include "host/velmo_host.h"

// The character that ends a table cell (and its paragraph) in the host's main
// text; the vendor's declarations do not name it.
constexpr char16_t velmo_cell_mark = 7;

kfc::ks_bstr velmo_to_bstr(const QString& text);
QString velmo_from_bstr(BSTR text);

// The bookmark's name; empty when it cannot be read.
QString velmo_bookmark_name(wpsapi::Bookmark* bookmark);

// The document's folder and its file name; empty when they cannot be read
// (a document never saved has no folder).
QString velmo_document_path(wpsapi::_Document* document);
QString velmo_document_name(wpsapi::_Document* document);

// The range's text; false when the host cannot give it.
bool velmo_range_text(wpsapi::Range* range, QString& text);

#endif
