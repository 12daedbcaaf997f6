#include "host/velmo_globals.h"

wpsapi::_Application* g_pApp = nullptr;
velmo_control_registry_t g_velmo_controls;
