// Command bars in the vendor's spelling: plain enums, the collection handed
// out as the coclass CommandBars (an incomplete class), and no event
// interface IDs.
#ifndef SDK_SHAPE_KSOAPI_H
#define SDK_SHAPE_KSOAPI_H

#include "sdk_types.h"

namespace ksoapi {

enum MsoControlType {
    msoControlCustom = 0,
    msoControlButton = 1,
    msoControlEdit = 2,
    msoControlDropdown = 3,
    msoControlComboBox = 4,
    msoControlPopup = 10,
};

enum MsoBarPosition {
    msoBarLeft = 0,
    msoBarTop = 1,
    msoBarRight = 2,
    msoBarBottom = 3,
    msoBarFloating = 4,
    msoBarPopup = 5,
    msoBarMenuBar = 6,
};

typedef interface _IMsoDispObj _IMsoDispObj;
typedef interface _IMsoOleAccDispObj _IMsoOleAccDispObj;
typedef interface _CommandBars _CommandBars;
typedef interface CommandBar CommandBar;
typedef interface CommandBarControls CommandBarControls;
typedef interface CommandBarControl CommandBarControl;
typedef interface CommandBarPopup CommandBarPopup;

// The coclass: a distinct type, declared but never defined.
class CommandBars;

}  // namespace ksoapi

#include "wps_interfaces_ksoapi.h"

#endif
