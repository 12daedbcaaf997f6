// Host objects that fail on purpose, for the failure paths of start-up and of
// the command-bar builders. Each lives on the test's stack; reference counts
// are kept but never destroy it.
#ifndef TESTS_PLUGIN_HOST_FAKES_H
#define TESTS_PLUGIN_HOST_FAKES_H

#include <QSet>
#include <QString>
#include <QStringList>

#include "event_manager_answering.h"
#include "ksoapi.h"
#include "wps_placeholders.h"
#include "wpsapi.h"

// An application whose command-bar collection cannot be had: the call fails
// with `status`, or succeeds (status >= 0) without handing out a collection.
class application_without_bars : public wps_placeholders::implemented<wpsapi::_Application> {
  public:
    explicit application_without_bars(HRESULT status) : status_(status) {}
    virtual ~application_without_bars() = default;

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override { return --references_; }
    HRESULT get_ActiveDocument(wpsapi::Document** result) override;
    HRESULT get_Selection(wpsapi::Selection** result) override;
    HRESULT get_Documents(wpsapi::Documents** result) override;
    HRESULT get_Version(BSTR* result) override;
    HRESULT get_Name(BSTR* result) override;
    HRESULT get_CommandBars(ksoapi::_CommandBars** result) override;

    int command_bar_requests() const { return command_bar_requests_; }

  private:
    HRESULT status_;
    ULONG references_ = 1;
    int command_bar_requests_ = 0;
};

// The host's command bars, except that adding a bar with one of the refused
// names fails. Records the arguments of every Add, one line per call: name,
// position, menu bar, temporary.
class command_bars_refusing : public wps_placeholders::implemented<ksoapi::_CommandBars> {
  public:
    command_bars_refusing(ksoapi::_CommandBars* host, const QSet<QString>& refused_names = {})
        : host_(host), refused_(refused_names) {}
    virtual ~command_bars_refusing() = default;

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override { return --references_; }
    HRESULT get_Count(int* result) override { return host_->get_Count(result); }
    HRESULT get_Item(VARIANT index, ksoapi::CommandBar** result) override {
        return host_->get_Item(index, result);
    }
    HRESULT Add(VARIANT name, VARIANT position, VARIANT menu_bar, VARIANT temporary,
                ksoapi::CommandBar** result) override;

    QStringList calls;

  private:
    kfc::ks_stdptr<ksoapi::_CommandBars> host_;
    QSet<QString> refused_;
    ULONG references_ = 1;
};

// Describes a VARIANT argument as "<type>:<value>", e.g. "i4:1", "bool:false",
// "bstr:校对", "error:80020004", "empty".
QString describe_argument(const VARIANT* argument);

// A control that is no pop-up menu whatever it was added as: it answers
// E_NOINTERFACE to every interface it is asked for and takes any caption.
class control_without_interfaces : public wps_placeholders::implemented<ksoapi::CommandBarControl> {
  public:
    virtual ~control_without_interfaces() = default;
    HRESULT QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT get_Caption(BSTR*) override { return E_NOTIMPL; }
    HRESULT put_Caption(BSTR) override { return S_OK; }
    HRESULT get_Enabled(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT put_Enabled(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT Execute() override { return E_NOTIMPL; }
    HRESULT get_Id(int*) override { return E_NOTIMPL; }
    HRESULT get_Parameter(BSTR*) override { return E_NOTIMPL; }
    HRESULT put_Parameter(BSTR) override { return E_NOTIMPL; }
    HRESULT get_Type(ksoapi::MsoControlType*) override { return E_NOTIMPL; }
    HRESULT get_Visible(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT put_Visible(VARIANT_BOOL) override { return E_NOTIMPL; }
};

// A control collection that hands out `control` for every Add.
class controls_handing_out : public wps_placeholders::implemented<ksoapi::CommandBarControls> {
  public:
    explicit controls_handing_out(ksoapi::CommandBarControl* control) : control_(control) {}
    virtual ~controls_handing_out() = default;
    HRESULT QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT get_Count(int* result) override {
        *result = 0;
        return S_OK;
    }
    HRESULT get_Item(VARIANT, ksoapi::CommandBarControl**) override { return E_INVALIDARG; }
    HRESULT Add(VARIANT, VARIANT, VARIANT, VARIANT, VARIANT,
                ksoapi::CommandBarControl** result) override {
        control_->AddRef();
        *result = control_;
        return S_OK;
    }

  private:
    ksoapi::CommandBarControl* control_;
};

// A control collection of the host, recording the arguments of every Add, one
// line per call: type, id, parameter, before, temporary.
class controls_recording : public wps_placeholders::implemented<ksoapi::CommandBarControls> {
  public:
    explicit controls_recording(ksoapi::CommandBarControls* host) : host_(host) {}
    virtual ~controls_recording() = default;

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override { return --references_; }
    HRESULT get_Count(int* result) override { return host_->get_Count(result); }
    HRESULT get_Item(VARIANT index, ksoapi::CommandBarControl** result) override {
        return host_->get_Item(index, result);
    }
    HRESULT Add(VARIANT type, VARIANT id, VARIANT parameter, VARIANT before, VARIANT temporary,
                ksoapi::CommandBarControl** result) override;

    QStringList calls;

  private:
    kfc::ks_stdptr<ksoapi::CommandBarControls> host_;
    ULONG references_ = 1;
};

#endif
