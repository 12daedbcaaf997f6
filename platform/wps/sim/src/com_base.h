// Reference counting and interface lookup shared by every host object of the
// simulation, with a process-wide count of live objects for leak checks.
#ifndef WPS_SIM_COM_BASE_H
#define WPS_SIM_COM_BASE_H

#include <atomic>

#include "kfc.h"

namespace wps_sim {
namespace detail {
// Exported by libksoapi so that both libraries share one count.
WPS_API void object_created();
WPS_API void object_destroyed();
}  // namespace detail

// Implements IUnknown for one interface I (and its bases). Objects start
// with one reference, owned by whoever receives them.
template <class I>
class com_object : public I {
public:
    com_object() { detail::object_created(); }
    com_object(const com_object&) = delete;
    com_object& operator=(const com_object&) = delete;
    virtual ~com_object() { detail::object_destroyed(); }

    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid == kfc::IUnknown::iid || riid == kfc::IDispatch::iid || riid == I::iid ||
            also_implements(riid)) {
            this->AddRef();
            *out = static_cast<I*>(this);
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

protected:
    // Further interface ids this object answers (bases of I).
    virtual bool also_implements(REFIID) const { return false; }

private:
    std::atomic<ULONG> references_{1};
};

// Hands a new object to an out parameter.
template <class I, class T>
HRESULT hand_out(T* object, I** out) {
    if (!out) {
        object->Release();
        return E_POINTER;
    }
    *out = object;
    return S_OK;
}

}  // namespace wps_sim

#endif  // WPS_SIM_COM_BASE_H
