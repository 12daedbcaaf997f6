// Conversions between Qt strings and the host's wide strings, and the reads
// of host texts the commands make most often.
#ifndef VELMO_COMMANDS_VELMO_HOST_STRING_H
#define VELMO_COMMANDS_VELMO_HOST_STRING_H

#include <QString>

#include "wpsapi.h"

kfc::ks_bstr velmo_to_bstr(const QString& text);
QString velmo_from_bstr(BSTR text);

// The bookmark's name; empty when it cannot be read.
QString velmo_bookmark_name(wpsapi::Bookmark* bookmark);

#endif
