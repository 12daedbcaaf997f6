// The settings store: the one configuration object over the settings in two
// layers, and the locations of the files installed beside the plug-in.
#ifndef VELMO_CONFIG_VELMO_CONFIG_H
#define VELMO_CONFIG_VELMO_CONFIG_H

#include <sp.h>

#include <QString>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

// Absolute paths of velmo.ini, logo.jpg and findlib.txt in the directory of
// the library that holds this code, found when the library is loaded. This
// velmo.ini is the system layer: what the administrator installed.
extern const char* CONST_VELMO_INI_PATH;
extern const char* CONST_VELMO_LOGO_PATH;
extern const char* CONST_FINDLIB_PATH;

class velmo_config_undo;

// Reads the settings once, on first use, and keeps them in memory for the
// life of the library. Two layers, the upper one winning key by key:
// - the system layer, CONST_VELMO_INI_PATH, never written; when it is missing
//   or unreadable (reported once on standard error) the built-in copy of the
//   shipped velmo.ini takes its place;
// - the user layer, velmo/velmo.ini in the user's configuration folder
//   ($XDG_CONFIG_HOME, by default ~/.config): the keys whose value the user
//   changed, and nothing else.
// Writes act on the user layer in memory; only save() touches a file.
class velmo_singleton_config {
  public:
    static velmo_singleton_config* instance();

    virtual ~velmo_singleton_config();

    // 0 for a null name or a key absent from both layers.
    int get_int(const char* section, const char* key) const;
    // Owned by the store, valid until the key is written again: copy it at once.
    const char* get_string(const char* section, const char* key) const;
    // True when the store took the value. A text loses its surrounding blanks
    // and line ends, as the file gives it back; one with a line break inside
    // is refused. A value equal to the system layer's leaves no user entry.
    bool set_int(const char* section, const char* key, int value);
    bool set_string(const char* section, const char* key, const char* value);
    // Drops the user's value of the key, so that the system layer's shows.
    void reset(const char* section, const char* key);
    // Writes the user layer to user_file(), creating the file 0600 and its
    // folder 0700 when absent. 0 on success; otherwise the failure is logged
    // and its reason given in `reason`. A user file that exists but could not
    // be read at start is never overwritten.
    int save(std::string* reason = nullptr);
    // The file save() writes; empty when the user has no home folder.
    std::string user_file() const;
    // The user's own batch-find library, findlib.txt beside user_file();
    // empty when the user has no home folder. Until the user saves one, the
    // list installed at CONST_FINDLIB_PATH is theirs to start from.
    std::string user_findlib_file() const;

    // Called whenever the service address is about to be used: the first
    // call after the system file could not be read hands the text that says
    // so to the notice handler (see velmo_config_set_notice_handler).
    void note_service_address_use();

    velmo_singleton_config(const velmo_singleton_config&) = delete;
    velmo_singleton_config& operator=(const velmo_singleton_config&) = delete;

  private:
    velmo_singleton_config();
    friend void velmo_config_use_directories(const char* system_dir, const char* user_dir);
    friend class velmo_config_undo;

    void load(const std::string& user_dir);
    void release();
    sp_ini_t* layer_of(const char* section, const char* key) const;
    void note_write(const char* section, const char* key);

    sp_ini_t* store = nullptr;       // the system layer (file or built-in copy)
    sp_ini_t* user_store = nullptr;  // the user layer
    std::string system_problem;      // why the system file was not used; "" when it was
    std::string user_problem;        // why the user's file could not be read
    std::string user_path;
    std::atomic<bool> notice_due{false};
    std::atomic<velmo_config_undo*> recorder{nullptr};
};

// Remembers, from its construction on, the value each key had before its
// first write, so that a dialog whose save failed and that is then cancelled
// can put back the values in effect before it opened. One at a time.
class velmo_config_undo {
  public:
    velmo_config_undo();
    ~velmo_config_undo();
    // Puts every remembered value back (in memory; nothing is saved).
    void restore();

    velmo_config_undo(const velmo_config_undo&) = delete;
    velmo_config_undo& operator=(const velmo_config_undo&) = delete;

  private:
    friend class velmo_singleton_config;
    struct earlier_value {
        std::string section;
        std::string key;
        bool present;
        std::string value;
    };
    std::vector<earlier_value> values;
};

// Who tells the user that the built-in settings are in use (the plug-in's
// entry sets one that shows a message box); without one the text only goes
// to the debug output.
void velmo_config_set_notice_handler(std::function<void(const QString&)> handler);

// Points the three paths at files in system_dir (null: back to the library's
// own directory) and the user layer at user_dir/velmo.ini (null: the user's
// configuration folder), and reads both layers afresh. For tests and host
// programs; call it only while no check run is active.
void velmo_config_use_directories(const char* system_dir, const char* user_dir);
// The same with the user layer in the user's configuration folder.
void velmo_config_use_directory(const char* dir);

#endif
