#include "config/velmo_config_values.h"

#include <QDebug>
#include <cstring>
#include <mutex>
#include <set>
#include <string>

#include "config/velmo_config.h"

namespace {

// The host's highlight colours run from "none" (0) to 25% grey (16).
constexpr int LOWEST_COLOR = 0;
constexpr int HIGHEST_COLOR = 16;

struct color_default_t {
    const char* key;
    int index;
};

const color_default_t COLOR_DEFAULTS[] = {
    {"Error", 7}, {"Fallibility", 4}, {"Update", 3}, {"Find", 5}};

// True the first time a key is named, so that a bad value is logged once
// and not once per mark.
bool first_report(const char* key) {
    static std::mutex lock;
    static std::set<std::string> reported;
    std::lock_guard<std::mutex> hold(lock);
    return reported.insert(key).second;
}

}  // namespace

int velmo_config_int_in(const char* section, const char* key, int low, int high) {
    const int value = velmo_singleton_config::instance()->get_int(section, key);
    if (value < low) return low;
    if (value > high) return high;
    return value;
}

int velmo_config_piece_length() {
    return velmo_config_int_in("OtherParams", "CheckWordsCount", VELMO_MIN_PIECE_LENGTH,
                               VELMO_MAX_PIECE_LENGTH);
}

int velmo_config_flag(const char* section, const char* key) {
    return velmo_singleton_config::instance()->get_int(section, key) != 0 ? 1 : 0;
}

int velmo_config_default_color(const char* key) {
    for (const color_default_t& color : COLOR_DEFAULTS)
        if (key && std::strcmp(color.key, key) == 0) return color.index;
    return 0;
}

int velmo_config_color(const char* key) {
    const int value = velmo_singleton_config::instance()->get_int("Color", key);
    if (value >= LOWEST_COLOR && value <= HIGHEST_COLOR) return value;
    const int fallback = velmo_config_default_color(key);
    if (first_report(key))
        qWarning().noquote() << "velmo: Color/" << key << "=" << value
                             << "is no highlight colour; using" << fallback;
    return fallback;
}
