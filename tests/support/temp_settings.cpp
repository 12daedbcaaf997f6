#include "temp_settings.h"

#include <fstream>

// The settings store's seam (config/velmo_config.h in the plug-in).
void velmo_config_use_directories(const char* system_dir, const char* user_dir);
void velmo_config_use_directory(const char* dir);

temp_settings::temp_settings(const std::string& ini_text) {
    std::ofstream(ini_path(), std::ios::binary) << ini_text;
    velmo_config_use_directories(directory().c_str(), user_directory().c_str());
}

temp_settings::~temp_settings() { velmo_config_use_directory(nullptr); }

std::string temp_settings::directory() const { return m_dir.path().toStdString(); }

std::string temp_settings::ini_path() const { return directory() + "/velmo.ini"; }

std::string temp_settings::user_directory() const { return directory() + "/user"; }

std::string temp_settings::user_ini_path() const { return user_directory() + "/velmo.ini"; }
