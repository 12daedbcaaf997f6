#include "features/common/velmo_ui_window.h"

Qt::WindowFlags velmo_ui_without_title_buttons(Qt::WindowFlags flags) {
    return flags &
           ~(Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
             Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint);
}
