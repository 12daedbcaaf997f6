// The host's event registration manager, which binds a plug-in's handlers to
// events of host objects (a command-bar control's "Click").
//
// NOT CONFIRMED: the host's published declarations do not include this
// interface or GetEventsRegisterManager, so its layout below (IUnknown
// followed by the two methods) is this project's own and has not been checked
// against the real host. It is the one declaration of this kind; the plug-in
// also uses it when built against the vendor's headers.
#ifndef WPS_EVENT_MANAGER_H
#define WPS_EVENT_MANAGER_H

#include <QList>
#include <QVariant>

// Needs the host's basic types (IUnknown, HRESULT, WCHAR, REFIID) declared
// before it.
#ifndef WPS_API
#define WPS_API __attribute__((visibility("default")))
#endif

// A plug-in's event handler: gets the event's arguments (for "Click": the
// control's caption and the cancel-default flag false) and returns a status
// that goes back to the host.
typedef int (*KsoEventHandler)(QList<QVariant>& args);

// The manager belongs to the host and lives as long as the process; the
// pointer from GetEventsRegisterManager is borrowed (AddRef/Release are
// accepted but never destroy it).
struct _RegisterEventManager : IUnknown {
    static constexpr IID iid = {
        0x6E7A3001u, 0x5703, 0x4A11, {0x9B, 0x20, 0x31, 0x65, 0x76, 0x6D, 0x67, 0x72}};
    // Records `handler` for event `event_name` ("Click") of interface
    // `event_interface` raised by `source`. Several handlers for the same
    // source and event are all called, in registration order. A null
    // handler is recorded and does nothing. Fails with E_POINTER for a null
    // source or event name.
    virtual HRESULT RegisterEventHandler(IUnknown* source, REFIID event_interface,
                                         const WCHAR* event_name, KsoEventHandler handler) = 0;
    // Removes every handler of `source` for that event.
    virtual HRESULT UnregisterEventHandler(IUnknown* source, REFIID event_interface,
                                           const WCHAR* event_name) = 0;

  protected:
    ~_RegisterEventManager() = default;
};

extern "C" WPS_API _RegisterEventManager* GetEventsRegisterManager();

#endif  // WPS_EVENT_MANAGER_H
