// Reference counting and interface lookup shared by every host object of the
// simulation, with a process-wide count of live objects for leak checks.
#ifndef WPS_SIM_COM_BASE_H
#define WPS_SIM_COM_BASE_H

#include <atomic>
#include <type_traits>

#include "kfc.h"
#include "wps_placeholders.h"

namespace wps_sim {
namespace detail {
// Exported by libksoapi so that both libraries share one count.
WPS_API void object_created();
WPS_API void object_destroyed();
}  // namespace detail

// True when interface I declares its own interface ID.
template <class I, class = void>
struct has_iid : std::false_type {};
template <class I>
struct has_iid<I, std::void_t<decltype(I::iid)>> : std::true_type {};

// Implements IUnknown for one interface I (and its bases); the host's
// reserved slots and standard automation methods answer E_NOTIMPL. Objects
// start with one reference, owned by whoever receives them.
template <class I>
class com_object : public wps_placeholders::implemented<I> {
  public:
    com_object() { detail::object_created(); }
    com_object(const com_object&) = delete;
    com_object& operator=(const com_object&) = delete;
    virtual ~com_object() { detail::object_destroyed(); }

    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid == IUnknown::iid || riid == IDispatch::iid || own_iid(riid) ||
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
    static bool own_iid(REFIID riid) {
        if constexpr (has_iid<I>::value)
            return riid == I::iid;
        else
            return false;
    }

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
