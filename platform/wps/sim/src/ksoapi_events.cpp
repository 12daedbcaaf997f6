#include "ksoapi_events.h"

#include <algorithm>
#include <atomic>

#include "com_base.h"
#include "wps_sim.h"

namespace wps_sim {

namespace {
std::atomic<long> live_objects{0};

QString wide_to_qstring(const WCHAR* text) { return text ? QString::fromUtf16(text) : QString(); }
}  // namespace

namespace detail {
WPS_API void object_created() { ++live_objects; }
WPS_API void object_destroyed() { --live_objects; }
}  // namespace detail

long live_object_count() { return live_objects.load(); }

event_manager& event_manager::instance() {
    // Never destroyed: handlers may be looked up while static objects of
    // other libraries go away.
    static event_manager* manager = new event_manager();
    return *manager;
}

HRESULT event_manager::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    if (riid == kfc::IUnknown::iid || riid == _RegisterEventManager::iid) {
        *out = static_cast<_RegisterEventManager*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

const void* event_manager::identity(kfc::IUnknown* source) {
    // The same object may arrive through different interfaces; its
    // IUnknown pointer identifies it.
    void* unknown = nullptr;
    if (SUCCEEDED(source->QueryInterface(kfc::IUnknown::iid, &unknown)) && unknown) {
        static_cast<kfc::IUnknown*>(unknown)->Release();
        return unknown;
    }
    return source;
}

HRESULT event_manager::RegisterEventHandler(kfc::IUnknown* source, REFIID event_interface,
                                            const WCHAR* event_name, KsoEventHandler handler) {
    if (!source || !event_name) return E_POINTER;
    std::lock_guard<std::mutex> lock(mutex_);
    bindings_.push_back({identity(source), event_interface, wide_to_qstring(event_name), handler});
    return S_OK;
}

HRESULT event_manager::UnregisterEventHandler(kfc::IUnknown* source, REFIID event_interface,
                                              const WCHAR* event_name) {
    if (!source || !event_name) return E_POINTER;
    const void* id = identity(source);
    QString name = wide_to_qstring(event_name);
    std::lock_guard<std::mutex> lock(mutex_);
    bindings_.erase(std::remove_if(bindings_.begin(), bindings_.end(),
                                   [&](const binding& b) {
                                       return b.source == id &&
                                              b.event_interface == event_interface &&
                                              b.event_name == name;
                                   }),
                    bindings_.end());
    return S_OK;
}

int event_manager::raise(kfc::IUnknown* source, REFIID event_interface, const WCHAR* event_name,
                         QList<QVariant>& args) {
    const void* id = identity(source);
    QString name = wide_to_qstring(event_name);
    std::vector<KsoEventHandler> handlers;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const binding& b : bindings_)
            if (b.source == id && b.event_interface == event_interface && b.event_name == name)
                handlers.push_back(b.handler);
    }
    // Called without the lock: a handler may register further handlers.
    int status = 0;
    for (KsoEventHandler handler : handlers)
        if (handler) status = handler(args);
    return status;
}

void event_manager::forget(kfc::IUnknown* source) {
    std::lock_guard<std::mutex> lock(mutex_);
    const void* id = source;
    bindings_.erase(std::remove_if(bindings_.begin(), bindings_.end(),
                                   [&](const binding& b) { return b.source == id; }),
                    bindings_.end());
}

int event_manager::handler_count(kfc::IUnknown* source) {
    const void* id = identity(source);
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(std::count_if(bindings_.begin(), bindings_.end(),
                                          [&](const binding& b) { return b.source == id; }));
}

int registered_handler_count(kfc::IUnknown* control) {
    return control ? event_manager::instance().handler_count(control) : 0;
}

}  // namespace wps_sim

extern "C" WPS_API _RegisterEventManager* GetEventsRegisterManager() {
    return &wps_sim::event_manager::instance();
}
