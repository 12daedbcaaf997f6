// A velmo.ini in a fresh temporary directory, with the settings store
// pointed at it for the life of the object (then pointed back at the
// plug-in's own directory), and the user's layer in its subfolder "user"
// (created by the first save). Tests that use it link velmo_core.
#ifndef TESTS_SUPPORT_TEMP_SETTINGS_H
#define TESTS_SUPPORT_TEMP_SETTINGS_H

#include <QTemporaryDir>
#include <string>

class temp_settings {
  public:
    // ini_text is written as velmo.ini, byte for byte.
    explicit temp_settings(const std::string& ini_text);
    ~temp_settings();
    temp_settings(const temp_settings&) = delete;
    temp_settings& operator=(const temp_settings&) = delete;

    std::string directory() const;
    std::string ini_path() const;
    std::string user_directory() const;
    std::string user_ini_path() const;

  private:
    QTemporaryDir m_dir;
};

#endif
