#include "rules/service_usage_tables.h"

#include <fstream>

#include "base/service_text.h"

namespace velmo_service {

namespace {
std::vector<std::string> split_tabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(text_trim(line.substr(start, tab - start)));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

// Calls f(fields) for every line that is no comment and not blank.
template <typename F>
bool for_each_line(const std::string& path, F&& f) {
    std::ifstream in(path);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (text_trim(line).empty() || line[0] == '#') continue;
        f(split_tabs(line));
    }
    return true;
}

bool has(std::u16string_view set, char16_t c) { return set.find(c) != std::u16string_view::npos; }
}  // namespace

bool measure_word_table::load(const std::string& path) {
    return for_each_line(path, [this](const std::vector<std::string>& fields) {
        if (fields.size() < 2 || fields[0].empty() || fields[1].empty()) return;
        const std::u16string key = text_utf8_to_utf16(fields[0]);
        const std::u16string value = text_utf8_to_utf16(fields[1]);
        if (key == u"=") {
            if (value.size() >= 2) groups_.push_back(value);
            return;
        }
        if (key[0] == u'*') {
            if (key.size() < 2) return;
            heads_[key.substr(1)] = value;
        } else {
            nouns_[key] = value;
        }
        for (char16_t c : value)
            if (!has(measure_chars_, c)) measure_chars_ += c;
    });
}

const std::u16string* measure_word_table::measures_of(std::u16string_view noun, bool whole) const {
    const std::u16string key(noun);
    if (whole || key.size() > 1) {
        auto it = nouns_.find(key);
        if (it != nouns_.end()) return &it->second;
    }
    auto it = heads_.find(key);
    return it == heads_.end() ? nullptr : &it->second;
}

bool measure_word_table::confusable(char16_t written, char16_t meant) const {
    if (written == meant) return false;
    for (const std::u16string& g : groups_)
        if (has(g, written) && has(g, meant)) return true;
    return false;
}

bool measure_word_table::grouped(char16_t c) const {
    for (const std::u16string& g : groups_)
        if (has(g, c)) return true;
    return false;
}

bool collocation_table::load(const std::string& path) {
    return for_each_line(path, [this](const std::vector<std::string>& fields) {
        if (fields.size() < 3 || fields[0].empty() || fields[1].empty() || fields[2].empty())
            return;
        collocation c{text_utf8_to_utf16(fields[0]), text_utf8_to_utf16(fields[1]), {}};
        std::size_t start = 0;
        for (;;) {
            const std::size_t bar = fields[2].find('|', start);
            std::string verb = fields[2].substr(start, bar - start);
            if (!verb.empty()) c.better.push_back(std::move(verb));
            if (bar == std::string::npos) break;
            start = bar + 1;
        }
        if (!c.better.empty()) by_verb_[c.verb].push_back(std::move(c));
    });
}

const std::vector<collocation>* collocation_table::of_verb(std::u16string_view verb) const {
    auto it = by_verb_.find(std::u16string(verb));
    return it == by_verb_.end() ? nullptr : &it->second;
}

}  // namespace velmo_service
