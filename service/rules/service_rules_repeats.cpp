#include <algorithm>

#include "base/service_text.h"
#include "rules/service_rules.h"

namespace velmo_service {

namespace {
bool listed(const std::vector<std::u16string>& characters, char16_t c) {
    return std::any_of(characters.begin(), characters.end(),
                       [c](const std::u16string& w) { return w.size() == 1 && w[0] == c; });
}

bool is_english_letter(char16_t c) { return text_is_ascii_letter(c); }

// The same word twice, or the first capitalised where a sentence opens
// (The the). Other differences of case name different things (h H, n N,
// value Value: a command and its capital, a key and its label).
bool same_word(const std::u16string& t, std::size_t a, std::size_t b, std::size_t len) {
    if (t.compare(a, len, t, b, len) == 0) return true;
    const auto lower = [](char16_t c) { return c >= 'A' && c <= 'Z' ? char16_t(c + 32) : c; };
    return len > 1 && t[a] >= 'A' && t[a] <= 'Z' && lower(t[a]) == t[b] &&
           t.compare(a + 1, len - 1, t, b + 1, len - 1) == 0;
}

void doubled_english_words(const std::u16string& text, std::vector<finding>& out) {
    std::size_t prev_start = 0, prev_len = 0;
    bool have_prev = false;
    for (std::size_t i = 0; i < text.size();) {
        if (!is_english_letter(text[i])) {
            if (text[i] != ' ') have_prev = false;  // only words separated by blanks count
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && is_english_letter(text[end])) ++end;
        const std::size_t len = end - i;
        if (have_prev && prev_len == len && same_word(text, prev_start, i, len)) {
            finding f;
            f.pos = prev_start;
            f.length = end - prev_start;
            f.level = level_error;
            f.err_word = text_utf16_to_utf8(text.data() + prev_start, f.length);
            f.suggestions.push_back(text_utf16_to_utf8(text.data() + prev_start, len));
            out.push_back(std::move(f));
            have_prev = false;
        } else {
            have_prev = true;
            prev_start = i;
            prev_len = len;
        }
        i = end;
    }
}

bool all_cjk(const std::u16string& t, std::size_t pos, std::size_t len) {
    for (std::size_t k = 0; k < len; ++k)
        if (!text_is_cjk(t[pos + k])) return false;
    return true;
}
}  // namespace

void rules_repeats(const std::u16string& text, int weight,
                   const std::vector<std::u16string>& never_doubled, std::vector<finding>& out) {
    if (weight < 1) return;
    const std::size_t n = text.size();
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (text[i] == text[i + 1] && listed(never_doubled, text[i])) {
            finding f;
            f.pos = i;
            f.length = 2;
            f.level = level_error;
            f.err_word = text_utf16_to_utf8(text.data() + i, 2);
            f.suggestions.push_back(text_utf16_to_utf8(text.data() + i, 1));
            out.push_back(std::move(f));
            ++i;
        }
    }
    doubled_english_words(text, out);
    if (weight < 2) return;
    // A repeated word (我们我们) is only a suspect: verbs are doubled on purpose (研究研究).
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t len = 4; len >= 2; --len) {
            if (i + 2 * len > n || !all_cjk(text, i, 2 * len)) continue;
            if (text.compare(i, len, text, i + len, len) != 0) continue;
            if (len == 2 && text[i] == text[i + 1])
                continue;  // 天天天天 is the doubled-character case
            finding f;
            f.pos = i;
            f.length = 2 * len;
            f.level = level_suspect;
            f.err_word = text_utf16_to_utf8(text.data() + i, 2 * len);
            f.suggestions.push_back(text_utf16_to_utf8(text.data() + i, len));
            out.push_back(std::move(f));
            i += 2 * len - 1;
            break;
        }
    }
}

}  // namespace velmo_service
