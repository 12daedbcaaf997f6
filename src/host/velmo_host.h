// Everything the plug-in uses of the host in one include: the host's
// declarations (the project's own, or the vendor's with VELMO_WPS_SDK_DIR),
// the event manager, and the plug-in's own helpers around them.
#ifndef VELMO_HOST_VELMO_HOST_H
#define VELMO_HOST_VELMO_HOST_H

#include "host/velmo_query.h"
#include "host/velmo_variant.h"
#include "kfc.h"
#include "ksoapi.h"
#include "wpsapi.h"

#endif
