#include "lexicon/service_readings.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "base/service_text.h"

namespace velmo_service {

namespace {
// Readings rarer than this share of a character's uses are left out: they
// would only make unrelated characters look alike.
constexpr double rare_reading_percent = 5.0;
constexpr std::size_t max_keys = 16;

std::string loosen(std::string s) {
    if (s.size() > 2 && s[1] == 'h' && (s[0] == 'z' || s[0] == 'c' || s[0] == 's')) s.erase(1, 1);
    if (s.size() > 1 && s[0] == 'n' && s[1] != 'g') s[0] = 'l';
    if (s.size() > 3 && s.compare(s.size() - 2, 2, "ng") == 0) s.pop_back();
    return s;
}
}  // namespace

std::uint16_t pinyin_readings::id_of(const std::string& syllable) {
    auto it = syllables_.find(syllable);
    if (it != syllables_.end()) return it->second;
    const auto id = static_cast<std::uint16_t>(syllables_.size());
    syllables_.emplace(syllable, id);
    const std::string l = loosen(syllable);
    auto lit = loose_names_.emplace(l, static_cast<std::uint16_t>(loose_names_.size())).first;
    loose_.push_back(lit->second);
    return id;
}

bool pinyin_readings::load(const std::string& path,
                           const std::function<char16_t(char16_t)>& simplified_of) {
    std::ifstream in(path);
    if (!in) return false;
    // The table is of traditional characters. A simplified character that
    // stands for a traditional one (开 for 開) is read as that one: the
    // table's own entry for it is a rarer character of the same shape (开
    // as jian, 听 as yin) that simplified text never means.
    std::vector<std::vector<std::uint16_t>> as_written(of_.size());
    std::string line;
    bool body = false;  // entries follow the "..." that ends the header
    while (std::getline(in, line)) {
        if (!body) {
            body = line == "...";
            continue;
        }
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos || line.empty() || line[0] == '#') continue;
        const std::u16string chars = text_utf8_to_utf16(line.substr(0, tab));
        if (chars.size() != 1 || !text_is_cjk(chars[0])) continue;
        const std::size_t tab2 = line.find('\t', tab + 1);
        const std::string syllable =
            line.substr(tab + 1, tab2 == std::string::npos ? std::string::npos : tab2 - tab - 1);
        if (syllable.empty() ||
            syllable.find_first_not_of("abcdefghijklmnopqrstuvwxyz") != std::string::npos)
            continue;
        if (tab2 != std::string::npos) {
            const std::string weight = line.substr(tab2 + 1);
            if (!weight.empty() && weight.back() == '%' &&
                std::atof(weight.c_str()) < rare_reading_percent)
                continue;
        }
        const std::uint16_t id = id_of(syllable);
        for (std::vector<std::uint16_t>* list :
             {&as_written[chars[0]],
              simplified_of(chars[0]) ? &of_[simplified_of(chars[0])] : nullptr})
            if (list && std::find(list->begin(), list->end(), id) == list->end())
                list->push_back(id);
    }
    for (std::size_t c = 0; c < of_.size(); ++c)
        if (of_[c].empty()) of_[c] = std::move(as_written[c]);
    return body;
}

void homophone_index::keys_of(std::u16string_view text, std::vector<std::uint64_t>& keys) const {
    keys.assign(1, text.size());
    for (char16_t c : text) {
        const std::vector<std::uint16_t>& sounds = readings_->of(c);
        std::vector<std::uint64_t> next;
        for (std::uint64_t k : keys)
            for (std::uint16_t s : sounds) {
                const std::uint64_t key = (k << 12) | readings_->loose(s);
                if (next.size() < max_keys &&
                    std::find(next.begin(), next.end(), key) == next.end())
                    next.push_back(key);
            }
        keys.swap(next);
        if (keys.empty()) return;
    }
}

void homophone_index::build(const lexicon& words, const pinyin_readings& readings,
                            std::uint32_t min_frequency) {
    readings_ = &readings;
    keys_.clear();
    std::vector<std::uint64_t> keys;
    words.for_each_word([&](std::u16string_view word, const lexicon_word& info) {
        if (word.size() < 2 || word.size() > 4 || info.frequency < min_frequency) return;
        keys_of(word, keys);
        for (std::uint64_t k : keys) keys_.push_back({k, word, info});
    });
    std::sort(keys_.begin(), keys_.end(),
              [](const entry& a, const entry& b) { return a.key < b.key; });
}

void homophone_index::alike(std::u16string_view text, std::vector<sound_alike>& out,
                            bool two) const {
    if (!readings_ || text.size() < 2 || text.size() > 4) return;
    std::vector<std::uint64_t> keys;
    keys_of(text, keys);
    const auto share = [&](char16_t x, char16_t y) {
        const std::vector<std::uint16_t>& a = readings_->of(x);
        const std::vector<std::uint16_t>& b = readings_->of(y);
        return std::any_of(a.begin(), a.end(), [&](std::uint16_t s) {
            return std::find(b.begin(), b.end(), s) != b.end();
        });
    };
    const std::size_t first = out.size();
    for (std::uint64_t k : keys) {
        auto range = std::equal_range(keys_.begin(), keys_.end(), entry{k, {}, {}},
                                      [](const entry& a, const entry& b) { return a.key < b.key; });
        for (auto it = range.first; it != range.second; ++it) {
            std::size_t changed[2] = {text.size(), sound_alike::no_second}, differences = 0;
            for (std::size_t i = 0; i < text.size(); ++i)
                if (it->word[i] != text[i]) {
                    if (differences < 2) changed[differences] = i;
                    ++differences;
                }
            if (differences != 1 && !(two && differences == 2)) continue;
            bool seen = false;
            for (std::size_t j = first; j < out.size() && !seen; ++j)
                seen = out[j].word == it->word;
            if (seen) continue;
            const bool same = share(text[changed[0]], it->word[changed[0]]);
            if (differences == 2 && !(same && share(text[changed[1]], it->word[changed[1]])))
                continue;
            out.push_back({it->word, it->info, changed[0], same, changed[1]});
        }
    }
}

}  // namespace velmo_service
