#include "base/service_text.h"

namespace velmo_service {

std::u16string text_utf8_to_utf16(const std::string& utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t n = utf8.size();
    std::size_t i = 0;
    while (i < n) {
        unsigned char b = s[i];
        char32_t cp = 0xFFFD;
        std::size_t need = 0;
        if (b < 0x80) {
            cp = b;
        } else if ((b & 0xE0) == 0xC0) {
            cp = b & 0x1F;
            need = 1;
        } else if ((b & 0xF0) == 0xE0) {
            cp = b & 0x0F;
            need = 2;
        } else if ((b & 0xF8) == 0xF0) {
            cp = b & 0x07;
            need = 3;
        } else {
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        std::size_t j = 1;
        for (; j <= need; ++j) {
            if (i + j >= n || (s[i + j] & 0xC0) != 0x80) break;
            cp = (cp << 6) | (s[i + j] & 0x3F);
        }
        if (j <= need) {
            out.push_back(u'\uFFFD');
            i += j;
            continue;
        }
        i += need + 1;
        static const char32_t min_for_length[4] = {0, 0x80, 0x800, 0x10000};
        if (cp < min_for_length[need] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(u'\uFFFD');
        } else if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::string text_utf16_to_utf8(const char16_t* p, std::size_t length) {
    std::string out;
    out.reserve(length * 3);
    for (std::size_t i = 0; i < length; ++i) {
        char32_t cp = p[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < length && p[i + 1] >= 0xDC00 &&
            p[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (p[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

std::string text_utf16_to_utf8(const std::u16string& utf16) {
    return text_utf16_to_utf8(utf16.data(), utf16.size());
}

char32_t text_code_point_at(const std::u16string& text, std::size_t pos, std::size_t* width) {
    char32_t c = text[pos];
    if (c >= 0xD800 && c <= 0xDBFF && pos + 1 < text.size() && text[pos + 1] >= 0xDC00 &&
        text[pos + 1] <= 0xDFFF) {
        if (width) *width = 2;
        return 0x10000 + ((c - 0xD800) << 10) + (text[pos + 1] - 0xDC00);
    }
    if (width) *width = 1;
    return c;
}

bool text_is_cjk(char32_t c) {
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x3134F);
}

bool text_is_space(char32_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' ||
           c == 0x3000 || c == 0x00A0;
}

bool text_is_ascii_letter(char32_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::int64_t text_count_words(const std::u16string& text) {
    std::int64_t count = 0;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t w = 1;
        char32_t c = text_code_point_at(text, i, &w);
        if (!text_is_space(c) && c >= 0x20) ++count;
        i += w;
    }
    return count;
}

std::string text_trim(const std::string& utf8) {
    std::u16string t = text_utf8_to_utf16(utf8);
    std::size_t b = 0, e = t.size();
    while (b < e && text_is_space(t[b])) ++b;
    while (e > b && text_is_space(t[e - 1])) --e;
    return text_utf16_to_utf8(t.data() + b, e - b);
}

std::vector<std::string> text_split(const std::string& line, char separator) {
    std::vector<std::string> parts;
    for (std::size_t b = 0;;) {
        const std::size_t end = line.find(separator, b);
        parts.push_back(line.substr(b, end == std::string::npos ? std::string::npos : end - b));
        if (end == std::string::npos) return parts;
        b = end + 1;
    }
}

}  // namespace velmo_service
