#include "host_failing_read.h"

namespace {

template <class Interface, class Self>
HRESULT answer_query(Self* self, REFIID riid, void** object) {
    if (riid == Interface::iid || riid == IDispatch::iid || riid == IUnknown::iid) {
        self->AddRef();
        *object = static_cast<Interface*>(self);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

}  // namespace

HRESULT paragraphs_failing_from::QueryInterface(REFIID riid, void** object) {
    return answer_query<wpsapi::Paragraphs>(this, riid, object);
}

HRESULT paragraphs_failing_from::get_Last(wpsapi::Paragraph** paragraph) {
    long count = 0;
    const HRESULT hr = host_->get_Count(&count);
    return FAILED(hr) ? hr : Item(count, paragraph);
}

HRESULT paragraphs_failing_from::Item(long index, wpsapi::Paragraph** paragraph) {
    if (index >= first_failing_) {
        *paragraph = nullptr;
        return E_FAIL;
    }
    return host_->Item(index, paragraph);
}

static kfc::ks_stdptr<wpsapi::Paragraphs> paragraphs_of(wpsapi::Range* host) {
    kfc::ks_stdptr<wpsapi::Paragraphs> paragraphs;
    host->get_Paragraphs(&paragraphs);
    return paragraphs;
}

range_failing_from_paragraph::range_failing_from_paragraph(wpsapi::Range* host, long first_failing)
    : host_(host), paragraphs_(paragraphs_of(host), first_failing) {}

HRESULT range_failing_from_paragraph::QueryInterface(REFIID riid, void** object) {
    return answer_query<wpsapi::Range>(this, riid, object);
}

HRESULT range_failing_from_paragraph::get_Paragraphs(wpsapi::Paragraphs** paragraphs) {
    paragraphs_.AddRef();
    *paragraphs = &paragraphs_;
    return S_OK;
}
