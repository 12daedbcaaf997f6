// Where the settings files are: the plug-in's own directory for the system
// layer, the user's configuration folder for the user layer, and the making
// of that folder and file with permissions only the user passes.
#ifndef VELMO_CONFIG_VELMO_CONFIG_PATHS_H
#define VELMO_CONFIG_VELMO_CONFIG_PATHS_H

#include <string>

// The directory of the shared object (or program) that contains this code.
std::string velmo_own_directory();

// $XDG_CONFIG_HOME/velmo, or ~/.config/velmo (home from $HOME, else the
// password database); empty when neither gives an absolute path.
std::string velmo_user_settings_directory();

// Makes the file's folder (and missing parents) 0700 and the file itself,
// empty and 0600, when they are absent. A file of the user's that others may
// read or write is narrowed to the user: it holds the sign-in. False with
// errno when that fails.
bool velmo_make_private_file(const std::string& path);

#endif
