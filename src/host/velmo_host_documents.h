// Documents of the host by themselves, for the layers that hold a document
// rather than take the active one: a range of it by position, and whether it
// is still open. GUI thread.
#ifndef VELMO_HOST_VELMO_HOST_DOCUMENTS_H
#define VELMO_HOST_VELMO_HOST_DOCUMENTS_H

#include "host/velmo_host.h"

// Status returned when there is no (active) document.
constexpr HRESULT VELMO_E_NO_DOCUMENT = static_cast<HRESULT>(0x80000008u);

// The document's range from start to end (VELMO_E_NO_DOCUMENT for null).
HRESULT velmo_document_range(wpsapi::_Document* document, long start, long end,
                             kfc::ks_stdptr<wpsapi::Range>& range);

// True while the document is among the host's open documents.
bool velmo_document_is_open(wpsapi::_Document* document);

#endif
