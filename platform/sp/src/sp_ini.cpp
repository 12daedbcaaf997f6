// The INI functions of libsp over the line-preserving text model.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

#include "sp.h"
#include "sp_file_replace.h"
#include "sp_ini_document.h"

struct sp_ini {
    std::unique_ptr<sp_ini_detail::ini_document> document;
};

namespace {

const std::string* find_value(sp_ini_t* ini, const char* section, const char* key) {
    if (ini == nullptr || section == nullptr || key == nullptr) return nullptr;
    return ini->document->find(section, key);
}

// strtol's reading (leading blanks, sign, digits up to the first other
// character, 0 when there are none), held inside the int range.
int to_int(const std::string& text) {
    errno = 0;
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

}  // namespace

extern "C" {

sp_ini_t* sp_ini_parse_file(const char* path) {
    if (path == nullptr) return nullptr;
    try {
        std::string bytes;
        if (!sp_file::read_regular_file(path, &bytes)) return nullptr;
        auto document = sp_ini_detail::ini_document::parse(bytes);
        if (!document) {
            errno = EILSEQ;  // binary content
            return nullptr;
        }
        return new sp_ini{std::move(document)};
    } catch (...) {
        return nullptr;
    }
}

sp_ini_t* sp_ini_parse_text(const char* text) {
    if (text == nullptr) return nullptr;
    try {
        auto document = sp_ini_detail::ini_document::parse(text);
        return document ? new sp_ini{std::move(document)} : nullptr;
    } catch (...) {
        return nullptr;
    }
}

int sp_ini_remove(sp_ini_t* ini, const char* section, const char* key) {
    if (ini == nullptr || section == nullptr || key == nullptr) return -1;
    return ini->document->remove(section, key) ? 0 : -1;
}

int sp_ini_get_int(sp_ini_t* ini, const char* section, const char* key) {
    const std::string* value = find_value(ini, section, key);
    return value ? to_int(*value) : 0;
}

const char* sp_ini_get_string(sp_ini_t* ini, const char* section, const char* key) {
    const std::string* value = find_value(ini, section, key);
    return value ? value->c_str() : nullptr;
}

int sp_ini_set_string(sp_ini_t* ini, const char* section, const char* key, const char* value) {
    if (ini == nullptr || section == nullptr || key == nullptr || value == nullptr) return -1;
    try {
        return ini->document->set(section, key, value) ? 0 : -1;
    } catch (...) {
        return -1;
    }
}

int sp_ini_set_int(sp_ini_t* ini, const char* section, const char* key, int value) {
    return sp_ini_set_string(ini, section, key, std::to_string(value).c_str());
}

int sp_ini_save_file(sp_ini_t* ini, const char* path) {
    if (ini == nullptr || path == nullptr || *path == '\0') {
        errno = EINVAL;
        return -1;
    }
    try {
        return sp_file::replace_file(path, ini->document->serialize()) ? 0 : -1;
    } catch (...) {
        errno = ENOMEM;
        return -1;
    }
}

void sp_ini_free(sp_ini_t* ini) { delete ini; }

}  // extern "C"
