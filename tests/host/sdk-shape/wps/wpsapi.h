// Entry header of the Writer object model: the basic types and the command
// bars first, then the model itself from the nested folder.
#ifndef SDK_SHAPE_WPSAPI_ENTRY_H
#define SDK_SHAPE_WPSAPI_ENTRY_H

#include "ksoapi/ksoapi.h"
#include "sdk_types.h"

namespace wpsapi {
using ksoapi::_CommandBars;
using ksoapi::CommandBars;
}  // namespace wpsapi

#include "wpsapi/wpsapi.h"

#endif
