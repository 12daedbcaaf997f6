// The plug-in's command-bar layouts: one for the host's newer user interface,
// where every top-level button and every menu is a bar of its own, and one for
// the older, where everything sits in one bar.
#ifndef VELMO_PLUGIN_VELMO_LAYOUT_H
#define VELMO_PLUGIN_VELMO_LAYOUT_H

#include "ksoapi.h"

// True unless the host (g_pApp) reports the version "11.0" exactly, which
// stands for the older user interface.
bool is_newstyle();

// New-style layout: five single-button bars, then five single-menu bars.
// Builds nothing when OtherParams/newstyle is 0 or absent.
void InitPanel2(ksoapi::_CommandBars* bars, _RegisterEventManager* manager);

// Old-style layout: one bar named after the check button holding every item,
// then the account items are refreshed. Builds nothing when
// OtherParams/oldstyle is 0 or absent.
void InitPanel3(ksoapi::_CommandBars* bars, _RegisterEventManager* manager);

#endif
