// An event manager that records which handler the plug-in binds to each
// control, and binds nothing but a null handler at the host, so that a click
// in a test shows the binding without running the command.
#ifndef TESTS_PLUGIN_HANDLER_RECORDER_H
#define TESTS_PLUGIN_HANDLER_RECORDER_H

#include <QMap>
#include <QString>

#include "ksoapi.h"

class handler_recorder : public _RegisterEventManager {
  public:
    // `host`: the manager the null handlers go to (the simulated host's).
    explicit handler_recorder(_RegisterEventManager* host) : host_(host) {}
    virtual ~handler_recorder() = default;

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT RegisterEventHandler(kfc::IUnknown* source, REFIID event_interface,
                                 const WCHAR* event_name, KsoEventHandler handler) override;
    HRESULT UnregisterEventHandler(kfc::IUnknown* source, REFIID event_interface,
                                   const WCHAR* event_name) override;

    // The handler last bound to the control; null when none was.
    KsoEventHandler handler_of(kfc::IUnknown* control) const;
    int bindings() const { return bound_.size(); }
    void clear() { bound_.clear(); }

  private:
    _RegisterEventManager* host_;
    QMap<const void*, KsoEventHandler> bound_;
};

#endif
