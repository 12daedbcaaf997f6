// The host's event registration manager: handlers recorded per source
// object and event, called in registration order when the event is raised.
#ifndef WPS_SIM_KSOAPI_EVENTS_H
#define WPS_SIM_KSOAPI_EVENTS_H

#include <QString>
#include <mutex>
#include <vector>

#include "ksoapi.h"

namespace wps_sim {

// Name of a button's click event.
inline constexpr WCHAR click_event[] = {'C', 'l', 'i', 'c', 'k', 0};

class event_manager : public _RegisterEventManager {
  public:
    static event_manager& instance();

    HRESULT QueryInterface(REFIID riid, void** out) override;
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT RegisterEventHandler(kfc::IUnknown* source, REFIID event_interface,
                                 const WCHAR* event_name, KsoEventHandler handler) override;
    HRESULT UnregisterEventHandler(kfc::IUnknown* source, REFIID event_interface,
                                   const WCHAR* event_name) override;

    // Calls the handlers of the event; the last one's result (0 when none).
    int raise(kfc::IUnknown* source, REFIID event_interface, const WCHAR* event_name,
              QList<QVariant>& args);
    // Drops everything recorded for a source that is going away.
    void forget(kfc::IUnknown* source);
    int handler_count(kfc::IUnknown* source);

  private:
    struct binding {
        const void* source;
        IID event_interface;
        QString event_name;
        KsoEventHandler handler;
    };
    static const void* identity(kfc::IUnknown* source);

    std::mutex mutex_;
    std::vector<binding> bindings_;
};

}  // namespace wps_sim

#endif  // WPS_SIM_KSOAPI_EVENTS_H
