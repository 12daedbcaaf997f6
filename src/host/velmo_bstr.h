// Conversion between Qt strings and the host's wide strings (BSTR), unit for
// unit. The plug-in, writer-sim and the batch command all use this one.
#ifndef VELMO_HOST_VELMO_BSTR_H
#define VELMO_HOST_VELMO_BSTR_H

#include <QString>

#include "kfc.h"

kfc::ks_bstr velmo_to_bstr(const QString& text);
// Empty for a null string. A leading U+FEFF is kept as a character.
QString velmo_from_bstr(BSTR text);

#endif
