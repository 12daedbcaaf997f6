// An event manager that answers every registration and removal with one
// fixed status (S_OK: it accepts them all), for hosts made up by the tests.
#ifndef TESTS_PLUGIN_EVENT_MANAGER_ANSWERING_H
#define TESTS_PLUGIN_EVENT_MANAGER_ANSWERING_H

#include "ksoapi.h"

class event_manager_answering : public _RegisterEventManager {
  public:
    explicit event_manager_answering(HRESULT status) : status_(status) {}
    virtual ~event_manager_answering() = default;

    HRESULT QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT RegisterEventHandler(IUnknown*, REFIID, const WCHAR*, KsoEventHandler) override {
        return status_;
    }
    HRESULT UnregisterEventHandler(IUnknown*, REFIID, const WCHAR*) override { return status_; }

  private:
    HRESULT status_;
};

#endif
