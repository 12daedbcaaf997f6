#include "lexicon/service_char_model.h"

#include <cmath>
#include <fstream>

#include "base/service_text.h"

namespace velmo_service {

namespace {
// Probability mass kept for characters never counted, as if this many more
// distinct characters had each been seen half a time.
constexpr double unseen_characters = 8000;
constexpr double unseen_weight = 0.5;
// How readily the model falls back from a longer history to a shorter one:
// a history seen n times is trusted n / (n + k).
constexpr double bigram_backoff = 3.0;
constexpr double trigram_backoff = 2.0;

// One to three UTF-16 units and their number in one key, never 0.
std::uint64_t key_of(std::u16string_view gram) {
    std::uint64_t key = gram.size();
    for (char16_t c : gram) key = key << 16 | c;
    return key;
}

std::size_t slot_of(std::uint64_t key, std::size_t capacity) {
    key ^= key >> 29;
    key *= 0xBF58476D1CE4E5B9ULL;
    return static_cast<std::size_t>(key ^ (key >> 32)) & (capacity - 1);
}
}  // namespace

bool char_model::load(const std::string& path) {
    std::ifstream in(path);
    if (!in) return false;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> grams;
    double total = 0;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        const std::u16string gram = text_utf8_to_utf16(line.substr(0, tab));
        const unsigned long n = std::strtoul(line.c_str() + tab + 1, nullptr, 10);
        if (gram.empty() || gram.size() > 3 || n == 0 || n > UINT32_MAX) continue;
        grams.emplace_back(key_of(gram), static_cast<std::uint32_t>(n));
        if (gram.size() == 1) total += static_cast<double>(n);
    }
    std::size_t capacity = 1024;
    while (capacity < grams.size() * 2) capacity *= 2;
    slots_.assign(capacity, slot{});
    for (const auto& [key, n] : grams) {
        std::size_t i = slot_of(key, capacity);
        while (slots_[i].key != 0 && slots_[i].key != key) i = (i + 1) & (capacity - 1);
        slots_[i] = {key, n};
    }
    total_ = total;
    return ready();
}

std::uint32_t char_model::count(std::u16string_view gram) const {
    if (slots_.empty()) return 0;
    const std::uint64_t key = key_of(gram);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = slot_of(key, slots_.size()); slots_[i].key != 0; i = (i + 1) & mask)
        if (slots_[i].key == key) return slots_[i].count;
    return 0;
}

// The trigram chance, interpolated down to the unigram one.
double char_model::log_chance(std::u16string_view text, std::size_t at) const {
    double p =
        (count(text.substr(at, 1)) + unseen_weight) / (total_ + unseen_weight * unseen_characters);
    if (at >= 1)
        if (const double h = count(text.substr(at - 1, 1)); h > 0) {
            const double trust = h / (h + bigram_backoff);
            p = trust * count(text.substr(at - 1, 2)) / h + (1 - trust) * p;
        }
    if (at >= 2)
        if (const double h = count(text.substr(at - 2, 2)); h > 0) {
            const double trust = h / (h + trigram_backoff);
            p = trust * count(text.substr(at - 2, 3)) / h + (1 - trust) * p;
        }
    return std::log10(p);
}

double char_model::score(std::u16string_view text) const {
    if (!ready()) return 0;
    double sum = 0;
    for (std::size_t i = 0; i < text.size(); ++i) sum += log_chance(text, i);
    return sum;
}

}  // namespace velmo_service
