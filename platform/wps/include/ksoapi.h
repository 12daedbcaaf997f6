// The host's command bars (bars, controls, drop-down pop-ups), exported by
// libksoapi.so. The interfaces themselves are generated from the interface
// table (platform/wps/abi/interfaces.txt): every method sits at the host's
// vtable slot, the slots in between are reserved placeholders.
#ifndef WPS_KSOAPI_H
#define WPS_KSOAPI_H

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
typedef _CommandBars CommandBars;

// Event interface of a button's "Click" event.
inline constexpr IID DIID__CommandBarButtonEvents = {
    0x000C0351, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

}  // namespace ksoapi

#include "wps_interfaces_ksoapi.h"

// The event registration manager is not part of the host's published
// declarations; it has a header of its own.
#include "wps_event_manager.h"

#endif  // WPS_KSOAPI_H
