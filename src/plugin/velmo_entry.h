// The two functions the host looks up in the plug-in library by name.
#ifndef VELMO_PLUGIN_VELMO_ENTRY_H
#define VELMO_PLUGIN_VELMO_ENTRY_H

#include "wpsapi.h"

extern "C" {
// Called once by the host after loading the library, on its GUI thread, with
// its application object. 0 on success and when already initialised;
// 0x80000008 when the host hands out no command-bar collection.
HRESULT InitializeWpsPlugins(wpsapi::_Application* app);
// Called by the host before unloading the library: unbinds every handler of
// the plug-in's items and hides its bars, and forgets the application object.
// A later InitializeWpsPlugins brings the same items back.
void UnInitWpsPlugins();
}

#endif
