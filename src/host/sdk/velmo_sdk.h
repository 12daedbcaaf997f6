// Builds the plug-in against the vendor's headers (VELMO_WPS_SDK_DIR): the
// names kfc.h, ksoapi.h and wpsapi.h that the plug-in includes all lead here.
// The object model header must come first; the event manager, which the
// vendor does not publish, comes from the project.
#ifndef VELMO_HOST_SDK_VELMO_SDK_H
#define VELMO_HOST_SDK_VELMO_SDK_H

// clang-format off
#include <wps/wpsapi.h>
#include <kfc/comsptr.h>
#include <ksoapi/ksoapi.h>
// clang-format on

#include "wps_event_manager.h"

#endif
