#include <utility>

#include "base/service_text.h"
#include "rules/service_rules.h"

namespace velmo_service {

namespace {
struct pair_kind {
    char16_t open;
    char16_t close;
};
// Braces are not among them: prose does not bracket with them, and in running
// text they are code or placeholders ({name}, ${var}, a lone { explained).
const pair_kind pairs[] = {{u'（', u'）'}, {u'《', u'》'}, {u'“', u'”'},   {u'‘', u'’'},
                           {u'【', u'】'}, {u'「', u'」'}, {u'『', u'』'}, {u'〔', u'〕'},
                           {u'〈', u'〉'}, {u'(', u')'},   {u'[', u']'}};

int pair_of_open(char16_t c) {
    for (std::size_t i = 0; i < sizeof pairs / sizeof pairs[0]; ++i)
        if (pairs[i].open == c) return static_cast<int>(i);
    return -1;
}
int pair_of_close(char16_t c) {
    for (std::size_t i = 0; i < sizeof pairs / sizeof pairs[0]; ++i)
        if (pairs[i].close == c) return static_cast<int>(i);
    return -1;
}
constexpr int paren_pair = 9, square_pair = 10;
// The full-width and half-width form of the same bracket belong together.
int bracket_family(int pair) {
    if (pair == paren_pair) return 0;
    if (pair == square_pair) return 4;
    return pair;
}

char16_t full_width_of(char16_t c) {
    switch (c) {
        case ',':
            return u'，';
        case '.':
            return u'。';
        case ';':
            return u'；';
        case ':':
            return u'：';
        case '?':
            return u'？';
        case '!':
            return u'！';
        default:
            return 0;
    }
}

bool is_doubled_stop(char16_t c) {
    return c == u'，' || c == u'。' || c == u'、' || c == u'；' || c == u'：';
}

finding make(const std::u16string& text, std::size_t pos, std::size_t len, int level,
             std::u16string suggestion) {
    finding f;
    f.pos = pos;
    f.length = len;
    f.level = level;
    f.err_word = text_utf16_to_utf8(text.data() + pos, len);
    if (!suggestion.empty()) f.suggestions.push_back(text_utf16_to_utf8(suggestion));
    return f;
}

bool cjk_before(const std::u16string& text, std::size_t pos) {
    if (pos == 0) return false;
    std::size_t start = pos - 1;
    if (start > 0 && text[start] >= 0xDC00 && text[start] <= 0xDFFF) --start;
    return text_is_cjk(text_code_point_at(text, start, nullptr));
}
bool cjk_after(const std::u16string& text, std::size_t pos) {
    return pos < text.size() && text_is_cjk(text_code_point_at(text, pos, nullptr));
}

bool ends_clause(char16_t c) {
    return c == u'，' || c == u'。' || c == u'；' || c == u'！' || c == u'？' || c == u'：' ||
           c == u'\n' || c == u'\r' || c == ',' || c == ';' || c == '!' || c == '?';
}

// An opening mark never closed: the stretch from it to the end of its clause,
// suggested with the closing mark added there.
finding unclosed(const std::u16string& text, std::size_t pos, int pair) {
    std::size_t end = pos + 1;
    while (end < text.size() && !ends_clause(text[end]) && pair_of_open(text[end]) < 0 &&
           pair_of_close(text[end]) < 0)
        ++end;
    return make(text, pos, end - pos, level_error, text.substr(pos, end - pos) + pairs[pair].close);
}

// A closing mark that closes nothing: suggested away, shown with the
// character before it (or after it, at the start) so the suggestion is the
// text without it.
finding stray(const std::u16string& text, std::size_t pos) {
    if (pos > 0) return make(text, pos - 1, 2, level_error, text.substr(pos - 1, 1));
    if (pos + 1 < text.size()) return make(text, pos, 2, level_error, text.substr(pos + 1, 1));
    return make(text, pos, 1, level_error, std::u16string());
}

// [0,1) or (0,1]: a half-open interval, brackets of two kinds around a short
// stretch with no Chinese. The bound keeps a long run of mismatched brackets
// from being scanned again at every closing one.
constexpr std::size_t max_interval_length = 40;
bool interval(const std::u16string& text, std::size_t open_pos, int open_pair, int close_pair,
              std::size_t close_pos) {
    const auto half_width = [](int pair) { return pair == paren_pair || pair == square_pair; };
    if (!half_width(open_pair) || !half_width(close_pair) || open_pair == close_pair ||
        close_pos - open_pos > max_interval_length)
        return false;
    for (std::size_t k = open_pos + 1; k < close_pos; ++k)
        if (cjk_after(text, k)) return false;
    return true;
}

void check_pairs(const std::u16string& text, std::vector<finding>& out) {
    std::vector<std::pair<int, std::size_t>> open;  // pair index, position
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const int o = pair_of_open(c);
        if (o >= 0) {
            open.emplace_back(o, i);
            continue;
        }
        const int k = pair_of_close(c);
        if (k < 0) continue;
        if (!open.empty() && (open.back().first == k ||
                              interval(text, open.back().second, open.back().first, k, i))) {
            open.pop_back();
            continue;
        }
        if (!open.empty() && bracket_family(open.back().first) == bracket_family(k)) {
            // （…) or (…）: the closing mark does not match the opening one.
            out.push_back(
                make(text, i, 1, level_error, std::u16string(1, pairs[open.back().first].close)));
            open.pop_back();
            continue;
        }
        std::size_t deeper = open.size();
        while (deeper > 0 && open[deeper - 1].first != k) --deeper;
        if (deeper == 0) {
            out.push_back(stray(text, i));
            continue;
        }
        for (std::size_t j = deeper; j < open.size(); ++j)  // opened inside and never closed
            out.push_back(unclosed(text, open[j].second, open[j].first));
        open.resize(deeper - 1);
    }
    for (const auto& o : open) out.push_back(unclosed(text, o.second, o.first));
}
}  // namespace

// Inside straight double quotes on one line ("小时:分钟", "容器名:单元名") a
// half-width mark is a literal: a format or what is to be typed, not prose.
bool in_straight_quotes(const std::u16string& text, std::size_t pos) {
    const auto line_break = [](char16_t c) { return c == u'\n' || c == u'\r'; };
    std::size_t before = 0;
    for (std::size_t i = pos; i > 0 && !line_break(text[i - 1]); --i)
        if (text[i - 1] == u'"') ++before;
    if (before % 2 == 0) return false;
    for (std::size_t i = pos + 1; i < text.size() && !line_break(text[i]); ++i)
        if (text[i] == u'"') return true;
    return false;
}

void rules_punctuation(const std::u16string& text, int weight, std::vector<finding>& out) {
    check_pairs(text, out);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const char16_t full = full_width_of(c);
        if (full && cjk_before(text, i) && !in_straight_quotes(text, i)) {
            if (cjk_after(text, i + 1)) {
                out.push_back(make(text, i, 1, level_error, std::u16string(1, full)));
            } else if (weight >= 2 && (i + 1 == text.size() || text[i + 1] == ' ')) {
                out.push_back(make(text, i, 1, level_suspect, std::u16string(1, full)));
            }
        }
        if (weight >= 1 && is_doubled_stop(c) && i + 1 < text.size() && text[i + 1] == c) {
            std::size_t end = i + 1;
            while (end < text.size() && text[end] == c) ++end;
            out.push_back(make(text, i, end - i, level_error, std::u16string(1, c)));
            i = end - 1;
        }
    }
}

}  // namespace velmo_service
