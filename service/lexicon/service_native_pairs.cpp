#include "lexicon/service_native_pairs.h"

#include <cstdlib>
#include <fstream>

#include "base/service_text.h"
#include "lexicon/service_lexicon.h"

namespace velmo_service {

bool native_pairs::load(const std::string& path, unsigned min_times) {
    pairs_.clear();
    std::ifstream in(path);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        const std::u16string pair = text_utf8_to_utf16(line.substr(0, tab));
        const unsigned long times = std::strtoul(line.c_str() + tab + 1, nullptr, 10);
        if (pair.size() == 2 && times >= min_times) pairs_.insert(key(pair[0], pair[1]));
    }
    return true;
}

bool native_pairs::has(std::u16string_view text) const {
    return text.size() >= 2 && pairs_.count(key(text[0], text[1])) != 0;
}

bool native_pairs::keeps(std::u16string_view text, std::size_t i, char16_t with) const {
    if (i >= text.size() || pairs_.empty()) return false;
    const bool left = i > 0 && pairs_.count(key(text[i - 1], text[i]));
    const bool right = i + 1 < text.size() && pairs_.count(key(text[i], text[i + 1]));
    if (left && right) return true;
    if (left && !pairs_.count(key(text[i - 1], with))) return true;
    return right && !pairs_.count(key(with, text[i + 1]));
}

bool native_pairs::in_term(std::u16string_view text, std::size_t i, const lexicon& words) const {
    if (i >= text.size()) return false;
    const auto term = [&](std::size_t at) {
        return has(text.substr(at, 2)) && words.find(text.substr(at, 2)) != nullptr;
    };
    return (i > 0 && term(i - 1)) || (i + 1 < text.size() && term(i));
}

}  // namespace velmo_service
