#include "host/velmo_bstr.h"

kfc::ks_bstr velmo_to_bstr(const QString& text) {
    return kfc::ks_bstr(reinterpret_cast<const OLECHAR*>(text.utf16()),
                        static_cast<UINT>(text.length()));
}

QString velmo_from_bstr(BSTR text) {
    if (!text) return QString();
    // Unit for unit: fromUtf16 would take a leading U+FEFF for a byte-order
    // mark and drop it, shifting every position read from the text.
    return QString(reinterpret_cast<const QChar*>(text), static_cast<int>(_XSysStringLen(text)));
}
