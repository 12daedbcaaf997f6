// Window flags shared by the plug-in's fixed dialogs.
#ifndef VELMO_FEATURES_COMMON_VELMO_UI_WINDOW_H
#define VELMO_FEATURES_COMMON_VELMO_UI_WINDOW_H

#include <Qt>

// The flags without the title hint and without the minimise, maximise, close
// and context-help buttons: the dialog is left only through its own buttons.
Qt::WindowFlags velmo_ui_without_title_buttons(Qt::WindowFlags flags);

#endif
