#include "host/velmo_host_string.h"

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
