#include "rules/service_dictionary.h"

#include <fstream>
#include <sstream>

#include "base/service_text.h"

namespace velmo_service {

namespace {
std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(s);
    while (std::getline(in, part, sep)) parts.push_back(part);
    if (!s.empty() && s.back() == sep) parts.emplace_back();
    return parts;
}

int parse_small_int(const std::string& s, int fallback, int lo, int hi) {
    try {
        int v = std::stoi(s);
        return v < lo || v > hi ? fallback : v;
    } catch (...) {
        return fallback;
    }
}
}  // namespace

bool phrase_dictionary::load_file(const std::string& path) {
    std::ifstream in(path);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> cols = split(line, '\t');
        phrase_entry e;
        e.phrase = text_trim(cols[0]);
        if (e.phrase.empty()) continue;
        if (cols.size() > 1)
            for (const std::string& s : split(cols[1], '|'))
                if (!text_trim(s).empty()) e.suggestions.push_back(text_trim(s));
        if (cols.size() > 2) e.level = parse_small_int(cols[2], level_error, 1, 3);
        if (cols.size() > 3) e.weight = parse_small_int(cols[3], 0, 0, 2);
        add(std::move(e));
    }
    return true;
}

void phrase_dictionary::add(phrase_entry entry) {
    matcher_.add(text_utf8_to_utf16(entry.phrase), static_cast<int>(entries_.size()));
    entries_.push_back(std::move(entry));
}

void phrase_dictionary::build() { matcher_.build(); }

void phrase_dictionary::occurrences(const std::u16string& text,
                                    std::vector<text_match>& out) const {
    matcher_.find_all(text, out);
}

void phrase_dictionary::find(const std::u16string& text, int weight,
                             std::vector<finding>& out) const {
    std::vector<text_match> hits;
    matcher_.find_all(text, hits);
    std::size_t kept = 0;
    for (const text_match& m : hits)
        if (entries_[static_cast<std::size_t>(m.id)].weight <= weight) hits[kept++] = m;
    hits.resize(kept);
    for (const text_match& m : text_matches_leftmost_longest(std::move(hits))) {
        const phrase_entry& e = entries_[static_cast<std::size_t>(m.id)];
        finding f;
        f.pos = m.pos;
        f.length = m.length;
        f.level = e.level;
        f.err_word = e.phrase;
        f.suggestions = e.suggestions;
        out.push_back(std::move(f));
    }
}

phrase_dictionary dictionary_of_words(const std::vector<std::string>& words) {
    phrase_dictionary d;
    for (const std::string& w : words) {
        phrase_entry e;
        e.phrase = text_trim(w);
        if (!e.phrase.empty()) d.add(std::move(e));
    }
    d.build();
    return d;
}

}  // namespace velmo_service
