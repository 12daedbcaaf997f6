#include "config/velmo_config.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <QDebug>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

namespace {

struct config_paths {
    std::string ini;
    std::string logo;
    std::string findlib;
};

// The directory of the shared object (or program) that contains this code.
std::string own_directory() {
    Dl_info info{};
    static const char marker = 0;
    if (::dladdr(&marker, &info) == 0 || info.dli_fname == nullptr) return ".";
    std::string file = info.dli_fname;
    char resolved[PATH_MAX];
    if (::realpath(file.c_str(), resolved) != nullptr) file = resolved;
    const std::size_t slash = file.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : file.substr(0, slash);
}

config_paths& paths() {
    static config_paths current;
    return current;
}

std::mutex& paths_mutex() {
    static std::mutex mutex;
    return mutex;
}

// Sets the paths and the globals that point into them.
void point_paths_at(const std::string& directory) {
    config_paths& p = paths();
    p.ini = directory + "/velmo.ini";
    p.logo = directory + "/logo.jpg";
    p.findlib = directory + "/findlib.txt";
    CONST_VELMO_INI_PATH = p.ini.c_str();
    CONST_VELMO_LOGO_PATH = p.logo.c_str();
    CONST_FINDLIB_PATH = p.findlib.c_str();
}

const char* ini_path_at_load() {
    std::lock_guard<std::mutex> lock(paths_mutex());
    if (paths().ini.empty()) point_paths_at(own_directory());
    return paths().ini.c_str();
}

// Parses the file; a file that cannot be used is reported with its path,
// since without it the plug-in shows no command bar and no other sign.
sp_ini_t* parse_settings(const char* path) {
    errno = 0;
    sp_ini_t* store = sp_ini_parse_file(path);
    if (store) return store;
    const std::string reason = errno != 0 ? std::strerror(errno) : "not a settings file";
    const std::string line =
        std::string("velmo: cannot read the settings file ") + path + ": " + reason;
    std::fprintf(stderr, "%s\n", line.c_str());
    qDebug().noquote() << line.c_str();
    return nullptr;
}

}  // namespace

const char* CONST_VELMO_INI_PATH = ini_path_at_load();
const char* CONST_VELMO_LOGO_PATH = paths().logo.c_str();
const char* CONST_FINDLIB_PATH = paths().findlib.c_str();

velmo_singleton_config* velmo_singleton_config::instance() {
    static velmo_singleton_config config;
    return &config;
}

velmo_singleton_config::velmo_singleton_config() : store(parse_settings(ini_path_at_load())) {}

velmo_singleton_config::~velmo_singleton_config() { sp_ini_free(store); }

int velmo_singleton_config::get_int(const char* section, const char* key) const {
    return sp_ini_get_int(store, section, key);
}

const char* velmo_singleton_config::get_string(const char* section, const char* key) const {
    return sp_ini_get_string(store, section, key);
}

bool velmo_singleton_config::set_int(const char* section, const char* key, int value) {
    return sp_ini_set_int(store, section, key, value) == 0;
}

bool velmo_singleton_config::set_string(const char* section, const char* key, const char* value) {
    return sp_ini_set_string(store, section, key, value) == 0;
}

int velmo_singleton_config::save(std::string* reason) {
    errno = 0;
    const int status = store ? sp_ini_save_file(store, CONST_VELMO_INI_PATH) : -1;
    if (status == 0) return 0;
    const std::string why = !store       ? std::string("the settings file was not read at start")
                            : errno != 0 ? std::string(std::strerror(errno))
                                         : std::string("unknown error");
    qWarning().noquote() << "velmo: cannot save the settings file" << CONST_VELMO_INI_PATH << ":"
                         << why.c_str();
    if (reason) *reason = why;
    return status;
}

void velmo_config_use_directory(const char* dir) {
    velmo_singleton_config* config = velmo_singleton_config::instance();
    std::lock_guard<std::mutex> lock(paths_mutex());
    point_paths_at(dir != nullptr ? std::string(dir) : own_directory());
    sp_ini_free(config->store);
    config->store = parse_settings(CONST_VELMO_INI_PATH);
}
