#include "lexicon/service_confusions.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include "base/service_text.h"

namespace velmo_service {

namespace {
// A pattern of up to four characters in one number: the open place is
// 0xFFFF, places after the end are 0, so patterns of different lengths differ.
constexpr char16_t open_place = 0xFFFF;
std::uint64_t pattern_key(std::u16string_view text, std::size_t open) {
    std::uint64_t key = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const std::uint64_t c = i >= text.size() ? 0 : i == open ? open_place : text[i];
        key = key << 16 | c;
    }
    return key;
}
}  // namespace

void confusion_sets::add(char16_t a, char16_t b) {
    if (a == b || confusable(a, b)) return;
    of_[a].push_back(b);
    of_[b].push_back(a);
    ++count_;
}

bool confusion_sets::load_sounds(const std::string& path, unsigned groups) {
    std::ifstream in(path);
    if (!in) return false;
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
        std::vector<std::string> cols;
        for (std::size_t b = 0;;) {
            const std::size_t tab = line.find('\t', b);
            cols.push_back(line.substr(b, tab == std::string::npos ? std::string::npos : tab - b));
            if (tab == std::string::npos) break;
            b = tab + 1;
        }
        const std::u16string c = text_utf8_to_utf16(cols[0]);
        if (c.size() != 1) continue;
        for (std::size_t g = 1; g < cols.size(); ++g)
            if (groups & (1u << (g - 1)))
                for (char16_t other : text_utf8_to_utf16(cols[g])) add(c[0], other);
    }
    return true;
}

bool confusion_sets::load_shapes(const std::string& path) {
    std::ifstream in(path);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t comma = line.find(',');
        if (comma == std::string::npos) continue;
        const std::u16string c = text_utf8_to_utf16(line.substr(0, comma));
        if (c.size() != 1) continue;
        for (char16_t other : text_utf8_to_utf16(line.substr(comma + 1))) add(c[0], other);
    }
    return true;
}

namespace {
// Calls `row` with every line "written TAB meant TAB count TAB count" of the
// file ('#' starts a comment; malformed lines are skipped). False when the
// file cannot be read.
template <typename Row>
bool read_count_rows(const std::string& path, Row row) {
    std::ifstream in(path);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string written, meant;
        unsigned long first = 0, second = 0;
        if (std::getline(fields, written, '\t') && std::getline(fields, meant, '\t') &&
            fields >> first >> second)
            row(text_utf8_to_utf16(written), text_utf8_to_utf16(meant), first, second);
    }
    return true;
}
}  // namespace

bool slip_counts::load(const std::string& path, unsigned min_times) {
    // Counts of rarely meant characters say little: every chance is read as
    // if the meant character had occurred this many times more.
    constexpr double prior_occurrences = 10;
    const bool read = read_count_rows(path, [&](const std::u16string& w, const std::u16string& m,
                                                unsigned long times, unsigned long occurrences) {
        if (w.size() != 1 || m.size() != 1 || times < min_times || times > occurrences) return;
        of_[w[0]].push_back(
            {m[0], std::log10(static_cast<double>(times) / (occurrences + prior_occurrences))});
        ++count_;
    });
    for (std::vector<slip>& s : of_)
        std::sort(s.begin(), s.end(),
                  [](const slip& a, const slip& b) { return a.log_chance > b.log_chance; });
    return read;
}

bool slip_counts::load_pairs(const std::string& path, unsigned min_times) {
    return read_count_rows(path, [&](const std::u16string& w, const std::u16string& m,
                                     unsigned long wrong, unsigned long right) {
        if (w.size() != 2 || m.size() != 2 || w == m || wrong < min_times) return;
        std::array<slip, 2>& at = pairs_[pair_key(w)];
        for (std::size_t k = 0; k < 2; ++k)
            if (w[k] != m[k])
                at[k] = {m[k], std::log10(static_cast<double>(wrong) / (wrong + right))};
    });
}

const slip* slip_counts::in_pair(std::u16string_view pair, std::size_t at) const {
    const auto it = pairs_.find(pair_key(pair));
    return it == pairs_.end() || it->second[at].meant == 0 ? nullptr : &it->second[at];
}

double slip_counts::log_chance(char16_t written, char16_t meant, double unseen) const {
    for (const slip& s : of_[written])
        if (s.meant == meant) return std::max(s.log_chance, unseen);
    return unseen;
}

void word_patterns::build(const lexicon& words, std::uint32_t min_frequency) {
    entries_.clear();
    words.for_each_word([&](std::u16string_view w, const lexicon_word& info) {
        if (w.size() < 2 || w.size() > 4 || info.frequency < min_frequency) return;
        for (std::size_t k = 0; k < w.size(); ++k) entries_.push_back({pattern_key(w, k), w, info});
    });
    std::sort(entries_.begin(), entries_.end(),
              [](const entry& a, const entry& b) { return a.key < b.key; });
    entries_.shrink_to_fit();
}

void word_patterns::fits(std::u16string_view text, std::size_t open,
                         std::vector<word_fit>& out) const {
    if (text.size() < 2 || text.size() > 4 || open >= text.size()) return;
    const std::uint64_t key = pattern_key(text, open);
    auto it = std::lower_bound(entries_.begin(), entries_.end(), key,
                               [](const entry& e, std::uint64_t k) { return e.key < k; });
    for (; it != entries_.end() && it->key == key; ++it)
        if (it->word[open] != text[open]) out.push_back({it->word, it->info});
}

}  // namespace velmo_service
