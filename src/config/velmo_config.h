// The settings store: the one configuration object over velmo.ini, and the
// locations of the files installed beside the plug-in.
#ifndef VELMO_CONFIG_H
#define VELMO_CONFIG_H

#include <sp.h>

#include <string>

// Absolute paths of velmo.ini, logo.jpg and findlib.txt in the directory of
// the library that holds this code, found when the library is loaded.
extern const char* CONST_VELMO_INI_PATH;
extern const char* CONST_VELMO_LOGO_PATH;
extern const char* CONST_FINDLIB_PATH;

// Parses velmo.ini once, on first use, and keeps it in memory for the life of
// the library. Reads and writes act on memory; only save() touches the file.
// Without a store (file missing or unreadable, which is reported once on
// standard error and in the debug output) every read gives 0 or null and
// writes and save do nothing.
class velmo_singleton_config {
  public:
    static velmo_singleton_config* instance();

    virtual ~velmo_singleton_config();

    // 0 without store, for a null name or an absent key.
    int get_int(const char* section, const char* key) const;
    // Owned by the store, valid until the key is written again: copy it at once.
    const char* get_string(const char* section, const char* key) const;
    // True when the store took the value. A text loses its surrounding blanks
    // and line ends, as the file gives it back; one with a line break inside is
    // refused, as is every write without a store.
    bool set_int(const char* section, const char* key, int value);
    bool set_string(const char* section, const char* key, const char* value);
    // Replaces CONST_VELMO_INI_PATH with the whole in-memory content. 0 on
    // success; otherwise the failure is logged and its reason given in `reason`.
    int save(std::string* reason = nullptr);

    velmo_singleton_config(const velmo_singleton_config&) = delete;
    velmo_singleton_config& operator=(const velmo_singleton_config&) = delete;

  private:
    velmo_singleton_config();
    friend void velmo_config_use_directory(const char* dir);

    sp_ini_t* store;
};

// Points the three paths at files in dir (null: back to the library's own
// directory) and replaces the store with a fresh parse of that velmo.ini.
// For tests and host programs; call it only while no check run is active.
void velmo_config_use_directory(const char* dir);

#endif
