#include "host/velmo_host_documents.h"

#include "host/velmo_globals.h"

HRESULT velmo_document_range(wpsapi::_Document* document, long start, long end,
                             kfc::ks_stdptr<wpsapi::Range>& range) {
    if (!document) return VELMO_E_NO_DOCUMENT;
    VARIANT start_arg = kfc::var_i8(start);
    VARIANT end_arg = kfc::var_i8(end);
    range.clear();
    const HRESULT hr = document->Range(&start_arg, &end_arg, &range);
    if (SUCCEEDED(hr) && !range) return E_FAIL;
    return hr;
}

bool velmo_document_is_open(wpsapi::_Document* document) {
    kfc::ks_stdptr<wpsapi::Documents> documents;
    long count = 0;
    if (!g_pApp || !document || FAILED(g_pApp->get_Documents(&documents)) || !documents ||
        FAILED(documents->get_Count(&count)))
        return false;
    for (long i = 1; i <= count; ++i) {
        wpsapi::Document* open = nullptr;
        VARIANT index = kfc::var_i8(i);
        if (SUCCEEDED(documents->Item(&index, &open)) &&
            velmo_adopt<wpsapi::_Document>(open).get() == document)
            return true;
    }
    return false;
}
