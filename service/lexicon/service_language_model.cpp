#include "lexicon/service_language_model.h"

#include <libime/core/languagemodel.h>
#include <sys/stat.h>

#include <limits>
#include <vector>

namespace velmo_service {

namespace {
// The model's words are at most this many characters long as far as the
// stretches we score are concerned.
constexpr std::size_t longest_word = 6;
}  // namespace

language_model::language_model() = default;
language_model::~language_model() = default;

bool language_model::load(const std::string& path) {
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    try {
        model_ = std::make_unique<libime::LanguageModel>(path.c_str());
    } catch (const std::exception&) {
        model_.reset();
    }
    return ready();
}

double language_model::score(std::u16string_view text) const {
    if (!model_ || text.empty()) return 0;
    // UTF-8 offsets of every character, so that words are views of one string.
    thread_local std::string utf8;
    thread_local std::vector<std::size_t> at;
    utf8.clear();
    at.clear();
    for (char16_t c : text) {  // the runs scored hold Chinese characters of the BMP only
        at.push_back(utf8.size());
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else if (c < 0x800) {
            utf8 += static_cast<char>(0xC0 | c >> 6);
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            utf8 += static_cast<char>(0xE0 | c >> 12);
            utf8 += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    at.push_back(utf8.size());
    const std::string_view all(utf8);
    const auto word = [&](std::size_t b, std::size_t e) {
        return all.substr(at[b], at[e] - at[b]);
    };
    // Most probable split into known words, right to left; a lone character is always allowed.
    const std::size_t n = text.size();
    thread_local std::vector<double> best;
    thread_local std::vector<std::size_t> next;
    best.assign(n + 1, -std::numeric_limits<double>::infinity());
    next.assign(n + 1, n);
    best[n] = 0;
    for (std::size_t i = n; i-- > 0;) {
        for (std::size_t len = 1; len <= longest_word && i + len <= n; ++len) {
            const std::string_view w = word(i, i + len);
            if (len > 1 && model_->index(w) == model_->unknown()) continue;
            const double s = model_->singleWordScore(w) + best[i + len];
            if (s > best[i]) {
                best[i] = s;
                next[i] = i + len;
            }
        }
    }
    thread_local std::vector<std::string_view> words;
    words.clear();
    for (std::size_t i = 0; i < n; i = next[i]) words.push_back(word(i, next[i]));
    return model_->wordsScore(model_->nullState(), words);
}

}  // namespace velmo_service
