// Builders of the plug-in's items on the host's command bars. Each item is a
// button bound to a command handler through the host's event manager, or a
// drop-down menu holding such buttons. The caption of an item is also its
// bar's name (top-level items), its Parameter and its registry key.
#ifndef VELMO_PLUGIN_VELMO_COMMAND_BAR_H
#define VELMO_PLUGIN_VELMO_COMMAND_BAR_H

#include <QString>

#include "ksoapi.h"

// Status of a builder whose host call failed.
constexpr HRESULT VELMO_E_COMMAND_BAR = static_cast<HRESULT>(0x80000008u);

// A new visible command bar holding one button bound to `handler` for
// "Click". Returns the bar's control collection, so that further items can be
// added to the same bar; null when the bar or the button cannot be made. The
// button is not entered in the registry.
kfc::ks_stdptr<ksoapi::CommandBarControls> AddCommandButton(ksoapi::_CommandBars* bars,
                                                            _RegisterEventManager* manager,
                                                            const QString& caption,
                                                            KsoEventHandler handler);

// A button inside an existing collection (a bar or a drop-down menu), entered
// in g_velmo_controls under `caption` (replacing an entry of the same caption)
// and bound to `handler` for "Click", also when `handler` is null. Returns the
// registration's status, or VELMO_E_COMMAND_BAR when the button cannot be made.
HRESULT AddCommandSubButton(ksoapi::CommandBarControls* controls, _RegisterEventManager* manager,
                            const QString& caption, KsoEventHandler handler);

// A new visible command bar holding one drop-down menu. Returns the menu's own
// control collection; null on any failure.
kfc::ks_stdptr<ksoapi::CommandBarControls> AddCommandMenu(ksoapi::_CommandBars* bars,
                                                          const QString& caption);

// A drop-down menu inside an existing collection. Returns the menu's own
// control collection; null on any failure.
kfc::ks_stdptr<ksoapi::CommandBarControls> AddCommandSubMenu(ksoapi::CommandBarControls* controls,
                                                             const QString& caption);

// Takes the plug-in's items out of service without removing them from the
// host: every handler the builders bound is unbound, every bar they showed is
// hidden, and g_velmo_controls is emptied. The items stay remembered.
void WithdrawCommandBars(_RegisterEventManager* manager);

// Brings withdrawn items back: binds the same handlers again, shows the same
// bars and refills g_velmo_controls. False when the builders have made
// nothing yet, so that the layout has to be built.
bool RestoreCommandBars(_RegisterEventManager* manager);

#endif
