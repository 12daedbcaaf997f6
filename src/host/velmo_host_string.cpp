#include "host/velmo_host_string.h"

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

QString velmo_bookmark_name(wpsapi::Bookmark* bookmark) {
    kfc::ks_bstr name;
    if (!bookmark || FAILED(bookmark->get_Name(&name))) return QString();
    return velmo_from_bstr(name);
}

QString velmo_document_path(wpsapi::_Document* document) {
    kfc::ks_bstr path;
    if (!document || FAILED(document->get_Path(&path))) return QString();
    return velmo_from_bstr(path);
}

QString velmo_document_name(wpsapi::_Document* document) {
    kfc::ks_bstr name;
    if (!document || FAILED(document->get_Name(&name))) return QString();
    return velmo_from_bstr(name);
}

bool velmo_range_text(wpsapi::Range* range, QString& text) {
    kfc::ks_bstr host_text;
    if (!range || FAILED(range->get_Text(&host_text))) return false;
    text = velmo_from_bstr(host_text);
    return true;
}
