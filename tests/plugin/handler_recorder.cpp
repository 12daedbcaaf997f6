#include "handler_recorder.h"

namespace {
// The same control may arrive through different interfaces; its IUnknown
// pointer identifies it.
const void* identity(kfc::IUnknown* source) {
    void* unknown = nullptr;
    if (source && SUCCEEDED(source->QueryInterface(kfc::IUnknown::iid, &unknown)) && unknown) {
        static_cast<kfc::IUnknown*>(unknown)->Release();
        return unknown;
    }
    return source;
}
}  // namespace

HRESULT handler_recorder::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == kfc::IUnknown::iid || riid == _RegisterEventManager::iid) {
        *object = static_cast<_RegisterEventManager*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT handler_recorder::RegisterEventHandler(kfc::IUnknown* source, REFIID event_interface,
                                               const WCHAR* event_name, KsoEventHandler handler) {
    const HRESULT status =
        host_->RegisterEventHandler(source, event_interface, event_name, nullptr);
    if (SUCCEEDED(status)) bound_.insert(identity(source), handler);
    return status;
}

HRESULT handler_recorder::UnregisterEventHandler(kfc::IUnknown* source, REFIID event_interface,
                                                 const WCHAR* event_name) {
    bound_.remove(identity(source));
    return host_->UnregisterEventHandler(source, event_interface, event_name);
}

KsoEventHandler handler_recorder::handler_of(kfc::IUnknown* control) const {
    return bound_.value(identity(control), nullptr);
}
