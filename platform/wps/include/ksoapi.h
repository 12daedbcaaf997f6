// The host's command bars (bars, controls, drop-down pop-ups) and its event
// registration manager. Exported by libksoapi.so. Conventions as in wpsapi.h.
#ifndef WPS_KSOAPI_H
#define WPS_KSOAPI_H

#include <QList>
#include <QVariant>

#include "kfc.h"

namespace ksoapi {

enum MsoControlType : int32_t {
    msoControlCustom = 0,
    msoControlButton = 1,
    msoControlEdit = 2,
    msoControlDropdown = 3,
    msoControlComboBox = 4,
    msoControlPopup = 10,
};

enum MsoBarPosition : int32_t {
    msoBarLeft = 0,
    msoBarTop = 1,
    msoBarRight = 2,
    msoBarBottom = 3,
    msoBarFloating = 4,
    msoBarPopup = 5,
    msoBarMenuBar = 6,
};

struct _CommandBars;
struct CommandBar;
struct CommandBarControls;
struct CommandBarControl;
struct CommandBarPopup;

#define KSOAPI_IID(n) {0x6E7A2000u + (n), 0x5703, 0x4A11, {0x9B, 0x20, 0x31, 0x6B, 0x73, 0x6F, 0x61, 0x70}}

// Event interface of a button's "Click" event (the value the host's
// Office-compatible type library uses).
inline constexpr IID DIID__CommandBarButtonEvents = {
    0x000C0351, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// All command bars of the application, in creation order.
struct _CommandBars : kfc::IDispatch {
    static constexpr IID iid = KSOAPI_IID(1);
    virtual HRESULT get_Count(long* result) = 0;
    // `index`: 1-based number (i4 or i8) or a bar name (BSTR).
    virtual HRESULT Item(VARIANT* index, CommandBar** result) = 0;
    // `name` BSTR (omitted: "自定义 N"), `position` MsoBarPosition (i4,
    // omitted: top), `menu_bar` and `temporary` booleans (omitted: false).
    // A new bar is hidden until made visible.
    virtual HRESULT Add(VARIANT* name, VARIANT* position, VARIANT* menu_bar, VARIANT* temporary,
                        CommandBar** result) = 0;

protected:
    ~_CommandBars() = default;
};

struct CommandBar : kfc::IDispatch {
    static constexpr IID iid = KSOAPI_IID(2);
    virtual HRESULT get_Name(BSTR* result) = 0;
    virtual HRESULT get_Controls(CommandBarControls** result) = 0;
    virtual HRESULT get_Visible(VARIANT_BOOL* result) = 0;
    virtual HRESULT put_Visible(VARIANT_BOOL visible) = 0;
    virtual HRESULT get_Position(MsoBarPosition* result) = 0;

protected:
    ~CommandBar() = default;
};

struct CommandBarControls : kfc::IDispatch {
    static constexpr IID iid = KSOAPI_IID(3);
    virtual HRESULT get_Count(long* result) = 0;
    // `index`: 1-based number (i4 or i8) or a caption (BSTR).
    virtual HRESULT Item(VARIANT* index, CommandBarControl** result) = 0;
    // `type` MsoControlType i4 (omitted: button; only button and pop-up are
    // supported), `id` i4, `parameter` BSTR, `before` 1-based position (i4;
    // omitted: at the end), `temporary` boolean or any other value (kept,
    // not interpreted). The new control has an empty caption and is visible.
    virtual HRESULT Add(VARIANT* type, VARIANT* id, VARIANT* parameter, VARIANT* before,
                        VARIANT* temporary, CommandBarControl** result) = 0;

protected:
    ~CommandBarControls() = default;
};

// A control of type msoControlPopup also answers QueryInterface for
// CommandBarPopup.
struct CommandBarControl : kfc::IDispatch {
    static constexpr IID iid = KSOAPI_IID(4);
    virtual HRESULT get_Caption(BSTR* result) = 0;
    virtual HRESULT put_Caption(BSTR caption) = 0;
    virtual HRESULT get_Parameter(BSTR* result) = 0;
    virtual HRESULT put_Parameter(BSTR parameter) = 0;
    virtual HRESULT get_Type(MsoControlType* result) = 0;
    virtual HRESULT get_Id(long* result) = 0;
    virtual HRESULT get_Visible(VARIANT_BOOL* result) = 0;
    virtual HRESULT put_Visible(VARIANT_BOOL visible) = 0;
    virtual HRESULT get_Enabled(VARIANT_BOOL* result) = 0;
    virtual HRESULT put_Enabled(VARIANT_BOOL enabled) = 0;
    // Raises the control's "Click" event as a user click does. Fails when
    // the control is disabled.
    virtual HRESULT Execute() = 0;

protected:
    ~CommandBarControl() = default;
};

struct CommandBarPopup : CommandBarControl {
    static constexpr IID iid = KSOAPI_IID(5);
    // The drop-down menu's own controls.
    virtual HRESULT get_Controls(CommandBarControls** result) = 0;

protected:
    ~CommandBarPopup() = default;
};

#undef KSOAPI_IID

}  // namespace ksoapi

// A plug-in's event handler: gets the event's arguments (for "Click": the
// control's caption and the cancel-default flag false) and returns a status
// that goes back to the host.
typedef int (*KsoEventHandler)(QList<QVariant>& args);

// The host's event registration manager: binds handlers to events of host
// objects. The manager belongs to the host and lives as long as the process;
// the pointer from GetEventsRegisterManager is borrowed (AddRef/Release are
// accepted but never destroy it).
struct _RegisterEventManager : kfc::IUnknown {
    static constexpr IID iid = {0x6E7A3001u, 0x5703, 0x4A11, {0x9B, 0x20, 0x31, 0x65, 0x76, 0x6D, 0x67, 0x72}};
    // Records `handler` for event `event_name` ("Click") of interface
    // `event_interface` raised by `source`. Several handlers for the same
    // source and event are all called, in registration order. A null
    // handler is recorded and does nothing. Fails with E_POINTER for a null
    // source or event name.
    virtual HRESULT RegisterEventHandler(kfc::IUnknown* source, REFIID event_interface,
                                         const WCHAR* event_name, KsoEventHandler handler) = 0;
    // Removes every handler of `source` for that event.
    virtual HRESULT UnregisterEventHandler(kfc::IUnknown* source, REFIID event_interface,
                                           const WCHAR* event_name) = 0;

protected:
    ~_RegisterEventManager() = default;
};

extern "C" WPS_API _RegisterEventManager* GetEventsRegisterManager();

#endif  // WPS_KSOAPI_H
