// State of the plug-in shared by every module, living from load to unload.
#ifndef VELMO_HOST_VELMO_GLOBALS_H
#define VELMO_HOST_VELMO_GLOBALS_H

#include <QMap>
#include <QString>

#include "ksoapi.h"
#include "wpsapi.h"

// The host's application object handed to InitializeWpsPlugins; null until
// then and again after UnInitWpsPlugins. Held as passed, without a reference of its own: the
// host keeps the application alive while the plug-in is loaded.
extern wpsapi::_Application* g_pApp;

// The command-bar items entered by caption (the caption they were created
// with, not the one they show now); empty while the plug-in is shut down.
// Each entry holds a reference, so a control stays usable while entered. Converts to
// ksoapi::CommandBarControl* where a plain pointer is wanted.
typedef QMap<QString, kfc::ks_stdptr<ksoapi::CommandBarControl>> velmo_control_registry_t;
extern velmo_control_registry_t g_velmo_controls;

#endif
