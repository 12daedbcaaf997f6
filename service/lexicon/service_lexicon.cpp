#include "lexicon/service_lexicon.h"

#include <cmath>
#include <fstream>
#include <sstream>
#include <string_view>

#include "base/service_text.h"

namespace velmo_service {

namespace {
std::size_t hash_of(std::u16string_view text) {
    std::uint64_t h = 1469598103934665603ull;
    for (char16_t c : text) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return static_cast<std::size_t>(h ^ (h >> 29));
}

word_class class_of(const std::string& tag) {
    if (tag.empty()) return word_class::other;
    const auto starts = [&](const char* p) {
        return tag.compare(0, std::char_traits<char>::length(p), p) == 0;
    };
    if (starts("nr") || starts("ns") || starts("nt") || starts("nz")) return word_class::name;
    switch (tag[0]) {
        case 'n':
            return word_class::noun;
        case 'v':
            return word_class::verb;
        case 'a':
        case 'z':
            return word_class::adjective;
        case 'd':
            return word_class::adverb;
        case 'm':
            return word_class::number;
        case 'u':
            return word_class::particle;
        default:
            return word_class::other;
    }
}
}  // namespace

const lexicon::slot* lexicon::lookup(std::u16string_view text) const {
    if (slots_.empty() || text.empty() || text.size() > 255) return nullptr;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash_of(text) & mask;; i = (i + 1) & mask) {
        const slot& s = slots_[i];
        if (s.length == 0) return nullptr;
        if (s.length == text.size() &&
            std::u16string_view(pool_.data() + s.offset, s.length) == text)
            return &s;
    }
}

void lexicon::grow() {
    std::vector<slot> old(slots_.empty() ? 0 : slots_.size());
    old.swap(slots_);
    slots_.assign(old.empty() ? 1u << 16 : old.size() * 2, slot{});
    const std::size_t mask = slots_.size() - 1;
    for (const slot& s : old) {
        if (s.length == 0) continue;
        std::size_t i = hash_of(std::u16string_view(pool_.data() + s.offset, s.length)) & mask;
        while (slots_[i].length != 0) i = (i + 1) & mask;
        slots_[i] = s;
    }
}

lexicon::slot& lexicon::insert(std::u16string_view text) {
    if ((used_ + 1) * 2 > slots_.size()) grow();
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = hash_of(text) & mask;
    for (;; i = (i + 1) & mask) {
        slot& s = slots_[i];
        if (s.length == 0) break;
        if (s.length == text.size() &&
            std::u16string_view(pool_.data() + s.offset, s.length) == text)
            return s;
    }
    slot& s = slots_[i];
    s.offset = static_cast<std::uint32_t>(pool_.size());
    s.length = static_cast<std::uint8_t>(text.size());
    pool_.append(text.data(), text.size());
    ++used_;
    return s;
}

bool lexicon::load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream all;
    all << in.rdbuf();
    const std::string content = all.str();
    double total = 0;
    std::size_t line_start = 0;
    while (line_start < content.size()) {
        std::size_t line_end = content.find('\n', line_start);
        if (line_end == std::string::npos) line_end = content.size();
        const std::string_view line(content.data() + line_start, line_end - line_start);
        line_start = line_end + 1;
        // word SPACE frequency [SPACE tag]
        const std::size_t space = line.find(' ');
        if (space == std::string_view::npos || space == 0) continue;
        const std::size_t space2 = line.find(' ', space + 1);
        const std::string word(line.substr(0, space));
        const std::string_view number = line.substr(
            space + 1, space2 == std::string_view::npos ? line.npos : space2 - space - 1);
        std::string tag(space2 == std::string_view::npos ? std::string_view()
                                                         : line.substr(space2 + 1));
        while (!tag.empty() && (tag.back() == '\r' || tag.back() == ' ')) tag.pop_back();
        unsigned long long frequency = 0;
        if (number.empty() || number.find_first_not_of("0123456789") != std::string_view::npos)
            continue;
        for (char d : number)
            frequency = std::min<unsigned long long>(
                frequency * 10 + static_cast<unsigned>(d - '0'), UINT32_MAX);
        const std::u16string text = text_utf8_to_utf16(word);
        if (text.empty() || text.size() > 255) continue;
        for (std::size_t k = 1; k < text.size(); ++k)
            insert(std::u16string_view(text).substr(0, k)).flags |= flag_prefix;
        slot& s = insert(text);
        if (!(s.flags & flag_word)) ++word_count_;
        s.flags |= flag_word;
        s.word.frequency = static_cast<std::uint32_t>(frequency);
        std::size_t t = 0;
        while (t < tags_.size() && tags_[t] != tag) ++t;
        if (t == tags_.size() && t < 255) tags_.push_back(tag);
        s.word.tag = static_cast<std::uint8_t>(std::min<std::size_t>(t, 254));
        s.word.kind = class_of(tag);
        total += static_cast<double>(s.word.frequency);
        if (text.size() > longest_) longest_ = text.size();
    }
    log_total_ = std::log(std::max(total, 1.0));
    return true;
}

const lexicon_word* lexicon::find(std::u16string_view text) const {
    const slot* s = lookup(text);
    return s && (s->flags & flag_word) ? &s->word : nullptr;
}

double lexicon::log_probability(std::uint32_t frequency) const {
    return std::log(static_cast<double>(std::max<std::uint32_t>(frequency, 1))) - log_total_;
}

void lexicon::best_routes(std::u16string_view text,
                          std::vector<std::pair<double, std::size_t>>& route) const {
    const std::size_t n = text.size();
    route.assign(n + 1, {0.0, n});
    for (std::size_t i = n; i-- > 0;) {
        const lexicon_word* single = find(text.substr(i, 1));
        route[i] = {log_probability(single ? single->frequency : 0) + route[i + 1].first, i + 1};
        for (std::size_t j = i + 2; j <= n && j - i <= longest_; ++j) {
            const slot* s = lookup(text.substr(i, j - i));
            if (!s) break;  // no longer word starts with this stretch
            if (!(s->flags & flag_word)) continue;
            const double score = log_probability(s->word.frequency) + route[j].first;
            if (score > route[i].first) route[i] = {score, j};
        }
    }
}

std::vector<lexicon_token> lexicon::segment(std::u16string_view text) const {
    std::vector<std::pair<double, std::size_t>> route;
    best_routes(text, route);
    std::vector<lexicon_token> tokens;
    for (std::size_t i = 0; i < text.size(); i = route[i].second) {
        const std::size_t end = route[i].second;
        const lexicon_word* w = find(text.substr(i, end - i));
        tokens.push_back({i, end, w ? *w : lexicon_word{}});
    }
    return tokens;
}

double lexicon::best_path_score(std::u16string_view text) const {
    std::vector<std::pair<double, std::size_t>> route;
    best_routes(text, route);
    return route[0].first;
}

std::vector<chinese_run> lexicon_segment_runs(const lexicon& words, const std::u16string& text) {
    std::vector<chinese_run> runs;
    for (std::size_t i = 0; i < text.size();) {
        if (!text_is_cjk(text[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && text_is_cjk(text[end])) ++end;
        const std::u16string_view run(text.data() + i, end - i);
        runs.push_back({i, run, words.segment(run)});
        i = end;
    }
    return runs;
}

}  // namespace velmo_service
