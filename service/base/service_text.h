// Text helpers of the proofreading service: UTF-8 <-> UTF-16 conversion and
// character classes. Positions reported to clients are UTF-16 code units.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velmo_service {

// Decodes UTF-8 into UTF-16; invalid sequences become U+FFFD (one unit each).
std::u16string text_utf8_to_utf16(const std::string& utf8);
std::string text_utf16_to_utf8(const std::u16string& utf16);
std::string text_utf16_to_utf8(const char16_t* begin, std::size_t length);

// The code point starting at `pos` (surrogate pairs combined) and its width in units.
char32_t text_code_point_at(const std::u16string& text, std::size_t pos, std::size_t* width);

bool text_is_cjk(char32_t c);
bool text_is_space(char32_t c);
bool text_is_ascii_letter(char32_t c);

// Characters that count against a quota: code points that are not white space.
std::int64_t text_count_words(const std::u16string& text);

// Trims ASCII and ideographic white space from both ends.
std::string text_trim(const std::string& utf8);

// The parts of `line` between separators (one part more than separators).
std::vector<std::string> text_split(const std::string& line, char separator);

}  // namespace velmo_service
