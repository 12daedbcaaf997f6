#include "config/velmo_config.h"

#include <QCoreApplication>
#include <QDebug>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "config/velmo_config_paths.h"
#include "host/velmo_portable_qt.h"

// The shipped velmo.ini, compiled in (generated from src/resources/velmo.ini).
extern const char* const VELMO_SHIPPED_SETTINGS;

namespace {

struct config_paths {
    std::string ini;
    std::string logo;
    std::string findlib;
};

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
    if (paths().ini.empty()) point_paths_at(velmo_own_directory());
    return paths().ini.c_str();
}

std::function<void(const QString&)>& notice_handler() {
    static std::function<void(const QString&)> handler;
    return handler;
}

std::string errno_text(const char* otherwise) {
    return errno != 0 ? std::string(std::strerror(errno)) : std::string(otherwise);
}

void log_line(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
    qDebug().noquote() << line.c_str();
}

// Parses the file; null with the reason when it cannot be used, and whether
// that is because there is no such file.
sp_ini_t* parse_layer(const std::string& path, std::string* problem, bool* absent = nullptr) {
    errno = 0;
    sp_ini_t* layer = sp_ini_parse_file(path.c_str());
    if (!layer) *problem = errno_text("not a settings file");
    if (absent) *absent = !layer && errno == ENOENT;
    return layer;
}

}  // namespace

const char* CONST_VELMO_INI_PATH = ini_path_at_load();
const char* CONST_VELMO_LOGO_PATH = paths().logo.c_str();
const char* CONST_FINDLIB_PATH = paths().findlib.c_str();

velmo_singleton_config* velmo_singleton_config::instance() {
    static velmo_singleton_config config;
    return &config;
}

velmo_singleton_config::velmo_singleton_config() {
    ini_path_at_load();
    load(velmo_user_settings_directory());
}

velmo_singleton_config::~velmo_singleton_config() { release(); }

void velmo_singleton_config::release() {
    sp_ini_free(store);
    sp_ini_free(user_store);
    store = user_store = nullptr;
}

void velmo_singleton_config::load(const std::string& user_dir) {
    release();
    system_problem.clear();
    store = parse_layer(CONST_VELMO_INI_PATH, &system_problem);
    if (!store) {
        // Without it the plug-in would show no command bar and reach no
        // service: the shipped defaults stand in, and the user is told once.
        log_line(std::string("velmo: cannot read the settings file ") + CONST_VELMO_INI_PATH +
                 ": " + system_problem + "; using the built-in defaults");
        store = sp_ini_parse_text(VELMO_SHIPPED_SETTINGS);
    }
    notice_due = !system_problem.empty();

    user_problem.clear();
    user_path = user_dir.empty() ? std::string() : user_dir + "/velmo.ini";
    if (!user_path.empty()) {
        bool absent = false;
        user_store = parse_layer(user_path, &user_problem, &absent);
        if (user_store || absent) {
            user_problem.clear();
        } else {
            log_line("velmo: cannot read the user's settings file " + user_path + ": " +
                     user_problem);
        }
    }
    if (!user_store) user_store = sp_ini_parse_text("");
}

sp_ini_t* velmo_singleton_config::layer_of(const char* section, const char* key) const {
    return sp_ini_get_string(user_store, section, key) != nullptr ? user_store : store;
}

int velmo_singleton_config::get_int(const char* section, const char* key) const {
    return sp_ini_get_int(layer_of(section, key), section, key);
}

const char* velmo_singleton_config::get_string(const char* section, const char* key) const {
    return sp_ini_get_string(layer_of(section, key), section, key);
}

bool velmo_singleton_config::set_int(const char* section, const char* key, int value) {
    return set_string(section, key, std::to_string(value).c_str());
}

bool velmo_singleton_config::set_string(const char* section, const char* key, const char* value) {
    if (section == nullptr || key == nullptr || value == nullptr) return false;
    // Writing the value in effect changes nothing, and a run that writes its
    // settings back then touches no store that other threads read.
    const char* current = get_string(section, key);
    if (current && std::strcmp(current, value) == 0) return true;
    note_write(section, key);
    if (sp_ini_set_string(user_store, section, key, value) != 0) return false;
    // A value equal to the installed one is no change of the user's: the
    // entry goes, so that a later change of the installed value reaches them.
    const char* installed = sp_ini_get_string(store, section, key);
    const char* mine = sp_ini_get_string(user_store, section, key);
    if (installed && mine && std::strcmp(installed, mine) == 0)
        sp_ini_remove(user_store, section, key);
    return true;
}

void velmo_singleton_config::reset(const char* section, const char* key) {
    if (section == nullptr || key == nullptr) return;
    note_write(section, key);
    sp_ini_remove(user_store, section, key);
}

int velmo_singleton_config::save(std::string* reason) {
    std::string why;
    errno = 0;
    if (user_path.empty()) {
        why = "no home folder to keep the settings in";
    } else if (!user_problem.empty()) {
        why = "the file could not be read at start (" + user_problem + ") and is kept as it is";
    } else if (!velmo_make_private_file(user_path) ||
               sp_ini_save_file(user_store, user_path.c_str()) != 0) {
        why = errno_text("unknown error");
    }
    if (why.empty()) return 0;
    qWarning().noquote() << "velmo: cannot save the settings file" << user_path.c_str() << ":"
                         << why.c_str();
    if (reason) *reason = why;
    return -1;
}

std::string velmo_singleton_config::user_file() const { return user_path; }

std::string velmo_singleton_config::user_findlib_file() const {
    const std::size_t slash = user_path.rfind('/');
    return slash == std::string::npos ? std::string() : user_path.substr(0, slash) + "/findlib.txt";
}

void velmo_singleton_config::note_service_address_use() {
    if (!notice_due.exchange(false)) return;
    const QString text =
        velmo_args(QCoreApplication::translate("velmo",
                                               "无法读取配置文件 %1 (%2), 现使用内置的默认设置, "
                                               "服务地址为 %3。"),
                   {QString::fromLocal8Bit(CONST_VELMO_INI_PATH),
                    QString::fromLocal8Bit(system_problem.c_str()),
                    QString::fromLocal8Bit(get_string("OtherParams", "ServiceUrl"))});
    qDebug().noquote() << text;
    if (notice_handler()) notice_handler()(text);
}

void velmo_singleton_config::note_write(const char* section, const char* key) {
    velmo_config_undo* undo = recorder.load();
    if (!undo) return;
    for (const velmo_config_undo::earlier_value& kept : undo->values)
        if (kept.section == section && kept.key == key) return;
    const char* value = get_string(section, key);
    undo->values.push_back({section, key, value != nullptr, value ? value : ""});
}

velmo_config_undo::velmo_config_undo() { velmo_singleton_config::instance()->recorder = this; }

velmo_config_undo::~velmo_config_undo() {
    velmo_config_undo* self = this;
    velmo_singleton_config::instance()->recorder.compare_exchange_strong(self, nullptr);
}

void velmo_config_undo::restore() {
    velmo_singleton_config* config = velmo_singleton_config::instance();
    for (auto kept = values.rbegin(); kept != values.rend(); ++kept) {
        if (kept->present)
            config->set_string(kept->section.c_str(), kept->key.c_str(), kept->value.c_str());
        else
            config->reset(kept->section.c_str(), kept->key.c_str());
    }
}

void velmo_config_set_notice_handler(std::function<void(const QString&)> handler) {
    notice_handler() = std::move(handler);
}

void velmo_config_use_directories(const char* system_dir, const char* user_dir) {
    velmo_singleton_config* config = velmo_singleton_config::instance();
    std::lock_guard<std::mutex> lock(paths_mutex());
    point_paths_at(system_dir != nullptr ? std::string(system_dir) : velmo_own_directory());
    config->load(user_dir != nullptr ? std::string(user_dir) : velmo_user_settings_directory());
}

void velmo_config_use_directory(const char* dir) { velmo_config_use_directories(dir, nullptr); }
