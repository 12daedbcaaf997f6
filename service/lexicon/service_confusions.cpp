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

std::size_t open_place_of(std::uint64_t key) {
    std::size_t i = 0;
    while ((key >> (16 * (3 - i)) & 0xFFFF) != open_place) ++i;
    return i;
}

// Where the table of `capacity` (a power of two) slots first looks for a pattern.
std::size_t pattern_slot(std::uint64_t key, std::size_t capacity) {
    key ^= key >> 31;
    key *= 0x9E3779B97F4A7C15ULL;
    return static_cast<std::size_t>(key ^ (key >> 29)) & (capacity - 1);
}
}  // namespace

bool confusion_sets::confusable(char16_t written, char16_t meant) const {
    const std::u16string& of = of_[written];
    return std::binary_search(of.begin(), of.end(), meant);
}

bool confusion_sets::sound_alike(char16_t written, char16_t meant) const {
    const std::u16string& of = sound_of_[written];
    return std::binary_search(of.begin(), of.end(), meant);
}

void confusion_sets::insert(std::u16string& set, char16_t c) {
    auto at = std::lower_bound(set.begin(), set.end(), c);
    if (at == set.end() || *at != c) set.insert(at, c);
}

void confusion_sets::add(char16_t a, char16_t b) {
    if (a == b || confusable(a, b)) return;
    insert(of_[a], b);
    insert(of_[b], a);
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
                for (char16_t other : text_utf8_to_utf16(cols[g]))
                    if (other != c[0]) {
                        add(c[0], other);
                        insert(sound_of_[c[0]], other);
                        insert(sound_of_[other], c[0]);
                    }
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
    open_chars_.clear();
    for (const entry& e : entries_) open_chars_ += e.word[open_place_of(e.key)];
    std::size_t patterns = 0;
    for (std::size_t i = 0; i < entries_.size(); ++i)
        patterns += i == 0 || entries_[i].key != entries_[i - 1].key;
    std::size_t capacity = 1024;
    while (capacity < patterns * 2) capacity *= 2;
    ranges_.assign(capacity, range{});
    for (std::size_t b = 0, e; b < entries_.size(); b = e) {
        for (e = b + 1; e < entries_.size() && entries_[e].key == entries_[b].key;) ++e;
        std::size_t i = pattern_slot(entries_[b].key, capacity);
        while (ranges_[i].key != 0) i = (i + 1) & (capacity - 1);
        ranges_[i] = {entries_[b].key, static_cast<std::uint32_t>(b),
                      static_cast<std::uint32_t>(e)};
    }
}

const word_patterns::range* word_patterns::find(std::u16string_view text, std::size_t open) const {
    if (text.size() < 2 || text.size() > 4 || open >= text.size() || ranges_.empty())
        return nullptr;
    const std::uint64_t key = pattern_key(text, open);
    const std::size_t mask = ranges_.size() - 1;
    for (std::size_t i = pattern_slot(key, ranges_.size()); ranges_[i].key != 0; i = (i + 1) & mask)
        if (ranges_[i].key == key) return &ranges_[i];
    return nullptr;
}

void word_patterns::fits(std::u16string_view text, std::size_t open,
                         std::vector<word_fit>& out) const {
    if (const range* r = find(text, open))
        for (std::uint32_t k = r->begin; k < r->end; ++k)
            if (open_chars_[k] != text[open]) out.push_back({entries_[k].word, entries_[k].info});
}

void word_patterns::fits(std::u16string_view text, std::size_t open, std::u16string_view allowed,
                         std::vector<word_fit>& out) const {
    const range* r = find(text, open);
    if (!r) return;
    // One bit per chosen character; the same characters are asked for many
    // patterns in a row (every stretch around one place), so their bits stay set.
    thread_local std::vector<std::uint64_t> bits(0x10000 / 64);
    thread_local std::u16string set;
    if (set != allowed) {
        for (char16_t c : set) bits[c / 64] = 0;
        for (char16_t c : allowed) bits[c / 64] |= std::uint64_t(1) << (c % 64);
        set = allowed;
    }
    for (std::uint32_t k = r->begin; k < r->end; ++k) {
        const char16_t c = open_chars_[k];
        if ((bits[c / 64] >> (c % 64) & 1) && c != text[open])
            out.push_back({entries_[k].word, entries_[k].info});
    }
}

}  // namespace velmo_service
