#include "rules/service_traditional.h"

#include <opencc/SimpleConverter.hpp>

#include "base/service_text.h"

namespace velmo_service {

namespace {
// Ranges of ideographs whose traditional forms the table covers.
const char32_t table_ranges[][2] = {{0x3400, 0x4DBF}, {0x4E00, 0x9FFF}, {0xF900, 0xFAFF}};
constexpr std::size_t context_chars = 3;
}  // namespace

traditional_detector::traditional_detector(const std::string& config) : simplified_of_(0x10000, 0) {
    try {
        converter_ = std::make_unique<opencc::SimpleConverter>(config);
    } catch (...) {
        converter_.reset();
        return;
    }
    // One conversion of every ideograph, each on its own line, so that no
    // phrase rule joins neighbours.
    std::u16string all;
    for (const auto& r : table_ranges)
        for (char32_t c = r[0]; c <= r[1]; ++c) {
            all.push_back(static_cast<char16_t>(c));
            all.push_back(u'\n');
        }
    const std::u16string converted =
        text_utf8_to_utf16(converter_->Convert(text_utf16_to_utf8(all)));
    // Walk both texts line by line: a character whose conversion is not one
    // BMP character (rare) is left out of the table.
    std::size_t in = 0, from = 0;
    while (in < all.size() && from <= converted.size()) {
        const std::size_t line_end = converted.find(u'\n', from);
        const std::size_t len =
            (line_end == std::u16string::npos ? converted.size() : line_end) - from;
        if (len == 1 && converted[from] != all[in]) simplified_of_[all[in]] = converted[from];
        in += 2;
        if (line_end == std::u16string::npos) break;
        from = line_end + 1;
    }
}

traditional_detector::~traditional_detector() = default;

std::u16string traditional_detector::convert_window(const std::u16string& window) const {
    std::lock_guard<std::mutex> lock(converter_mutex_);
    return text_utf8_to_utf16(converter_->Convert(text_utf16_to_utf8(window)));
}

void traditional_detector::find(const std::u16string& text, std::vector<finding>& out) const {
    if (!converter_) return;
    finding* run = nullptr;
    std::size_t run_end = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t simple = simplified_of_[text[i]];
        if (simple == 0) continue;
        // Confirm in context: the window converts one for one in the common case;
        // when it does not, the table's answer stands.
        const std::size_t b = i >= context_chars ? i - context_chars : 0;
        const std::size_t e = std::min(text.size(), i + context_chars + 1);
        const std::u16string window = text.substr(b, e - b);
        const std::u16string converted = convert_window(window);
        char16_t in_context = simple;
        if (converted.size() == window.size()) in_context = converted[i - b];
        if (in_context == text[i]) continue;
        if (run && run_end == i) {
            run->length += 1;
            run->err_word = text_utf16_to_utf8(text.data() + run->pos, run->length);
            run->suggestions[0] += text_utf16_to_utf8(&in_context, 1);
        } else {
            finding f;
            f.pos = i;
            f.length = 1;
            f.level = level_error;
            f.err_word = text_utf16_to_utf8(text.data() + i, 1);
            f.suggestions.push_back(text_utf16_to_utf8(&in_context, 1));
            out.push_back(std::move(f));
            run = &out.back();
        }
        run_end = i + 1;
    }
}

}  // namespace velmo_service
