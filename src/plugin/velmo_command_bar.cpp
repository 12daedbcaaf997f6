#include "plugin/velmo_command_bar.h"

#include <QDebug>
#include <vector>

#include "host/velmo_globals.h"
#include "host/velmo_host_entry.h"
#include "host/velmo_host_string.h"

namespace {

// A handler bound to a control's "Click", with the control's key in
// g_velmo_controls (empty when it has none).
struct click_binding {
    kfc::ks_stdptr<ksoapi::CommandBarControl> control;
    KsoEventHandler handler;
    QString key;
};

// Everything the builders put into the host, so that shut-down can take it out
// of service and a later start can bring the same items back instead of
// building a second set. The library is never unmapped, so this outlives a
// dlclose; it is never destroyed either, because releasing host objects while
// the process exits may reach a host that is already gone.
struct own_items {
    std::vector<kfc::ks_stdptr<ksoapi::CommandBar>> bars;  // shown by the builders
    std::vector<click_binding> bindings;                   // in binding order
};

own_items& own() {
    static own_items* items = new own_items();
    return *items;
}

// Arguments of CommandBarControls::Add shared by every item: the caption as
// Parameter and as Temporary, Before omitted.
kfc::ks_stdptr<ksoapi::CommandBarControl> add_control(ksoapi::CommandBarControls* controls,
                                                      ksoapi::MsoControlType type,
                                                      const QString& caption) {
    kfc::ks_stdptr<ksoapi::CommandBarControl> control;
    if (!controls) return control;
    VARIANT type_arg = kfc::var_i4(type);
    VARIANT id_arg = kfc::var_i4(1);
    VARIANT parameter_arg = kfc::var_bstr(velmo_to_bstr(caption).detach());
    VARIANT before_arg = kfc::var_missing();
    VARIANT temporary_arg = kfc::var_bstr(velmo_to_bstr(caption).detach());
    const HRESULT hr =
        controls->Add(type_arg, id_arg, parameter_arg, before_arg, temporary_arg, &control);
    kfc::var_clear(parameter_arg);
    kfc::var_clear(temporary_arg);
    if (FAILED(hr)) control.clear();
    return control;
}

// A new command bar named `caption` at the top of the window.
kfc::ks_stdptr<ksoapi::CommandBar> add_bar(ksoapi::_CommandBars* bars, const QString& caption,
                                           VARIANT menu_bar, VARIANT temporary) {
    kfc::ks_stdptr<ksoapi::CommandBar> bar;
    if (!bars) return bar;
    VARIANT name_arg = kfc::var_bstr(velmo_to_bstr(caption).detach());
    VARIANT position_arg = kfc::var_i4(ksoapi::msoBarTop);
    const HRESULT hr = bars->Add(name_arg, position_arg, menu_bar, temporary, &bar);
    kfc::var_clear(name_arg);
    if (FAILED(hr)) bar.clear();
    return bar;
}

kfc::ks_stdptr<ksoapi::CommandBarControls> controls_of(ksoapi::CommandBar* bar) {
    kfc::ks_stdptr<ksoapi::CommandBarControls> controls;
    if (!bar || FAILED(bar->get_Controls(&controls))) controls.clear();
    return controls;
}

void log_button(const QString& caption, ksoapi::CommandBarControl* control) {
    qDebug() << ">>>>AddCommandButton>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>ButtonName:"
             << caption << " spCommandBarControls:" << static_cast<void*>(control);
}

HRESULT set_caption(ksoapi::CommandBarControl* control, const QString& caption) {
    return control->put_Caption(velmo_to_bstr(caption));
}

HRESULT bind_click(_RegisterEventManager* manager, ksoapi::CommandBarControl* control,
                   KsoEventHandler handler) {
    if (!manager) return E_POINTER;
    const HRESULT hr = manager->RegisterEventHandler(control, velmo_diid_command_bar_button_events,
                                                     velmo_wide(u"Click"), handler);
    if (FAILED(hr))
        velmo_report_host_problem(
            QString("the host's event manager refused a click handler (0x%1); that item does "
                    "nothing when clicked")
                .arg(static_cast<quint32>(hr), 8, 16, QChar('0')));
    return hr;
}

// Binds `handler` and remembers the binding; a control with a `key` is also
// entered in g_velmo_controls.
HRESULT register_click(_RegisterEventManager* manager, ksoapi::CommandBarControl* control,
                       KsoEventHandler handler, const QString& key = QString()) {
    if (!key.isEmpty()) g_velmo_controls.insert(key, control);
    own().bindings.push_back({control, handler, key});
    return bind_click(manager, control, handler);
}

HRESULT show_bar(ksoapi::CommandBar* bar) {
    const HRESULT hr = bar->put_Visible(VARIANT_TRUE);
    if (SUCCEEDED(hr)) own().bars.push_back(bar);
    return hr;
}

// A drop-down control with `caption` in `controls`; returns its own items.
kfc::ks_stdptr<ksoapi::CommandBarControls> add_popup(ksoapi::CommandBarControls* controls,
                                                     const QString& caption,
                                                     ksoapi::CommandBar* bar_to_show) {
    kfc::ks_stdptr<ksoapi::CommandBarControls> items;
    kfc::ks_stdptr<ksoapi::CommandBarControl> control =
        add_control(controls, ksoapi::msoControlPopup, caption);
    if (!control || FAILED(set_caption(control, caption))) return items;
    if (bar_to_show && FAILED(show_bar(bar_to_show))) return items;
    auto popup = velmo_query<ksoapi::CommandBarPopup>(control.get(), velmo_iid_command_bar_popup);
    if (!popup) {
        velmo_report_host_problem(
            QString("the host's drop-down \"%1\" is no pop-up menu; its items are left out")
                .arg(caption));
        return items;
    }
    if (FAILED(popup->get_Controls(&items))) items.clear();
    return items;
}

}  // namespace

kfc::ks_stdptr<ksoapi::CommandBarControls> AddCommandButton(ksoapi::_CommandBars* bars,
                                                            _RegisterEventManager* manager,
                                                            const QString& caption,
                                                            KsoEventHandler handler) {
    kfc::ks_stdptr<ksoapi::CommandBar> bar =
        add_bar(bars, caption, kfc::var_bool(false), kfc::var_bool(false));
    kfc::ks_stdptr<ksoapi::CommandBarControls> controls = controls_of(bar);
    kfc::ks_stdptr<ksoapi::CommandBarControl> control =
        add_control(controls, ksoapi::msoControlButton, caption);
    if (!control) return {};
    log_button(caption, control);
    set_caption(control, caption);
    show_bar(bar);
    register_click(manager, control, handler);
    return controls;
}

HRESULT AddCommandSubButton(ksoapi::CommandBarControls* controls, _RegisterEventManager* manager,
                            const QString& caption, KsoEventHandler handler) {
    kfc::ks_stdptr<ksoapi::CommandBarControl> control =
        add_control(controls, ksoapi::msoControlButton, caption);
    if (!control) return VELMO_E_COMMAND_BAR;
    log_button(caption, control);
    set_caption(control, caption);
    return register_click(manager, control, handler, caption);
}

kfc::ks_stdptr<ksoapi::CommandBarControls> AddCommandMenu(ksoapi::_CommandBars* bars,
                                                          const QString& caption) {
    kfc::ks_stdptr<ksoapi::CommandBar> bar =
        add_bar(bars, caption, kfc::var_empty(), kfc::var_empty());
    return add_popup(controls_of(bar), caption, bar);
}

kfc::ks_stdptr<ksoapi::CommandBarControls> AddCommandSubMenu(ksoapi::CommandBarControls* controls,
                                                             const QString& caption) {
    return add_popup(controls, caption, nullptr);
}

void WithdrawCommandBars(_RegisterEventManager* manager) {
    for (const click_binding& binding : own().bindings)
        if (manager)
            manager->UnregisterEventHandler(binding.control, velmo_diid_command_bar_button_events,
                                            velmo_wide(u"Click"));
    for (const kfc::ks_stdptr<ksoapi::CommandBar>& bar : own().bars)
        bar->put_Visible(VARIANT_FALSE);
    g_velmo_controls.clear();
}

bool RestoreCommandBars(_RegisterEventManager* manager) {
    if (own().bars.empty() && own().bindings.empty()) return false;
    g_velmo_controls.clear();
    for (const click_binding& binding : own().bindings) {
        if (!binding.key.isEmpty()) g_velmo_controls.insert(binding.key, binding.control);
        bind_click(manager, binding.control, binding.handler);
    }
    for (const kfc::ks_stdptr<ksoapi::CommandBar>& bar : own().bars) bar->put_Visible(VARIANT_TRUE);
    return true;
}
