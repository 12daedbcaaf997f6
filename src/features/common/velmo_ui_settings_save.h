// Saving the settings after a dialog was confirmed: a failure is told to the
// user, with the file and the reason, instead of passing unnoticed.
#ifndef VELMO_FEATURES_COMMON_VELMO_UI_SETTINGS_SAVE_H
#define VELMO_FEATURES_COMMON_VELMO_UI_SETTINGS_SAVE_H

// Saves the user's settings file; false, after a "系统提示" box naming the
// file and saying why, when that fails.
bool velmo_ui_save_settings();

#endif
