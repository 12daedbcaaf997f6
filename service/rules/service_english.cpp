#include "rules/service_english.h"

#include <fstream>
#include <hunspell/hunspell.hxx>

#include "base/service_text.h"

namespace velmo_service {

namespace {
constexpr std::size_t max_suggestions = 5;

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
}  // namespace

english_speller::english_speller(const std::string& aff_path, const std::string& dic_path) {
    if (!std::ifstream(aff_path) || !std::ifstream(dic_path)) return;
    hunspell_ = std::make_unique<Hunspell>(aff_path.c_str(), dic_path.c_str());
}

english_speller::~english_speller() = default;

void english_speller::find(const std::u16string& text, std::vector<finding>& out) const {
    if (!hunspell_) return;
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
        if (!glued && word.size() > 1 && !all_upper(word)) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!hunspell_->spell(word)) {
                finding f;
                f.pos = i;
                f.length = end - i;
                f.level = (word[0] >= 'A' && word[0] <= 'Z') ? level_suspect : level_error;
                f.err_word = word;
                std::vector<std::string> s = hunspell_->suggest(word);
                if (s.size() > max_suggestions) s.resize(max_suggestions);
                f.suggestions = std::move(s);
                out.push_back(std::move(f));
            }
        }
        i = end;
    }
}

}  // namespace velmo_service
