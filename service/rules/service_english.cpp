#include "rules/service_english.h"

#include <fstream>
#include <hunspell/hunspell.hxx>
#include <map>
#include <optional>

#include "base/service_text.h"

namespace velmo_service {

namespace {
constexpr std::size_t max_suggestions = 5;
// Hunspell's suggestion time grows steeply with the word's length; words
// longer than any in its dictionary get none.
constexpr std::size_t max_suggested_length = 30;

bool is_word_glue(char16_t c) {
    // Words touching these are parts of addresses, identifiers or numbers.
    return (c >= '0' && c <= '9') || c == '_' || c == '@' || c == '/' || c == '\\' || c == '.' ||
           c == '-';
}

bool all_upper(const std::string& w) {
    for (char c : w)
        if (c >= 'a' && c <= 'z') return false;
    return true;
}

// A capitalised word standing alone among Chinese (二十台ThinkPad笔记本,
// 张 Zhang 说) is a name or a brand, not English prose to spell: no Latin word
// on either side, and Chinese on at least one.
bool name_among_chinese(const std::u16string& text, std::size_t begin, std::size_t end) {
    if (text[begin] < 'A' || text[begin] > 'Z') return false;
    std::size_t before = begin;
    while (before > 0 && text_is_space(text[before - 1])) --before;
    std::size_t after = end;
    while (after < text.size() && text_is_space(text[after])) ++after;
    const bool chinese_before = before > 0 && text_is_cjk(text[before - 1]);
    const bool chinese_after = after < text.size() && text_is_cjk(text[after]);
    const bool latin_before = before > 0 && text_is_ascii_letter(text[before - 1]);
    const bool latin_after = after < text.size() && text_is_ascii_letter(text[after]);
    return (chinese_before || chinese_after) && !latin_before && !latin_after;
}
}  // namespace

english_speller::english_speller(const std::string& aff_path, const std::string& dic_path,
                                 std::size_t max_instances, std::size_t max_suggested_words,
                                 std::chrono::milliseconds suggestion_budget)
    : aff_path_(aff_path),
      dic_path_(dic_path),
      max_instances_(max_instances < 1 ? 1 : max_instances),
      max_suggested_words_(max_suggested_words),
      suggestion_budget_(suggestion_budget) {
    if (!std::ifstream(aff_path) || !std::ifstream(dic_path)) return;
    idle_.push_back(std::make_unique<Hunspell>(aff_path.c_str(), dic_path.c_str()));
    created_ = 1;
    ready_ = true;
}

english_speller::~english_speller() = default;

std::unique_ptr<Hunspell> english_speller::borrow() const {
    std::unique_lock<std::mutex> lock(mutex_);
    returned_.wait(lock, [this] { return !idle_.empty() || created_ < max_instances_; });
    if (!idle_.empty()) {
        std::unique_ptr<Hunspell> h = std::move(idle_.back());
        idle_.pop_back();
        return h;
    }
    ++created_;
    lock.unlock();  // loading a dictionary takes a while; others need not wait for it
    return std::make_unique<Hunspell>(aff_path_.c_str(), dic_path_.c_str());
}

void english_speller::give_back(std::unique_ptr<Hunspell> h) const {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        idle_.push_back(std::move(h));
    }
    returned_.notify_one();
}

std::optional<std::vector<std::string>> english_speller::cached(const std::string& word) const {
    std::lock_guard<std::mutex> lock(cache_mutex_);
    const auto found = cache_.find(word);
    if (found == cache_.end()) return std::nullopt;
    return found->second;
}

void english_speller::remember(const std::string& word,
                               const std::vector<std::string>& suggestions) const {
    std::lock_guard<std::mutex> lock(cache_mutex_);
    // A full cache starts again, so that the words of the day take its room.
    if (cache_.size() >= max_cached_words) cache_.clear();
    cache_.emplace(word, suggestions);
}

void english_speller::find(const std::u16string& text, std::vector<finding>& out) const {
    if (!ready_) return;
    std::unique_ptr<Hunspell> hunspell = borrow();
    struct returner {
        const english_speller& owner;
        std::unique_ptr<Hunspell>& h;
        ~returner() { owner.give_back(std::move(h)); }
    } give_back_later{*this, hunspell};
    std::map<std::string, std::vector<std::string>> suggested;  // per check: a word repeats often
    std::size_t computed = 0;  // words this check asked Hunspell about
    std::chrono::steady_clock::duration suggesting{};
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        if (!text_is_ascii_letter(text[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < n &&
               (text_is_ascii_letter(text[end]) ||
                (text[end] == '\'' && end + 1 < n && text_is_ascii_letter(text[end + 1]))))
            ++end;
        auto joins = [&](std::size_t glue, std::size_t beyond, bool beyond_valid) {
            const char16_t c = text[glue];
            if (is_word_glue(c) && c != '.' && c != '-') return true;
            if (c != '.' && c != '-') return false;
            return beyond_valid && (text_is_ascii_letter(text[beyond]) ||
                                    (text[beyond] >= '0' && text[beyond] <= '9'));
        };
        const bool glued = (i > 0 && joins(i - 1, i >= 2 ? i - 2 : 0, i >= 2)) ||
                           (end < n && joins(end, end + 1, end + 1 < n));
        const std::string word = text_utf16_to_utf8(text.data() + i, end - i);
        if (!glued && word.size() > 1 && !all_upper(word) && !name_among_chinese(text, i, end)) {
            if (!hunspell->spell(word)) {
                finding f;
                f.pos = i;
                f.length = end - i;
                f.level = (word[0] >= 'A' && word[0] <= 'Z') ? level_suspect : level_error;
                f.err_word = word;
                auto known = suggested.find(word);
                if (known == suggested.end())
                    if (std::optional<std::vector<std::string>> s = cached(word))
                        known = suggested.emplace(word, std::move(*s)).first;
                if (known == suggested.end() && computed < max_suggested_words_ &&
                    word.size() <= max_suggested_length && suggesting < suggestion_budget_) {
                    const auto started = std::chrono::steady_clock::now();
                    std::vector<std::string> s = hunspell->suggest(word);
                    suggesting += std::chrono::steady_clock::now() - started;
                    ++computed;
                    if (s.size() > max_suggestions) s.resize(max_suggestions);
                    remember(word, s);
                    known = suggested.emplace(word, std::move(s)).first;
                }
                if (known != suggested.end()) f.suggestions = known->second;
                out.push_back(std::move(f));
            }
        }
        i = end;
    }
}

}  // namespace velmo_service
