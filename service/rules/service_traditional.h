// Finds traditional characters in simplified Chinese text. The character
// table is built once from OpenCC's traditional-to-simplified conversion;
// a candidate is confirmed by converting it in its context, so that a
// character that is also correct simplified usage in that word (乾坤) stays.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "rules/service_finding.h"

namespace opencc {
class SimpleConverter;
}

namespace velmo_service {

class traditional_detector {
  public:
    // `config` is an OpenCC configuration name or path (t2s.json).
    explicit traditional_detector(const std::string& config = "t2s.json");
    ~traditional_detector();
    bool ready() const { return converter_ != nullptr; }
    void find(const std::u16string& text, std::vector<finding>& out) const;
    // The simplified form of a traditional character, 0 when it has none.
    char16_t simplified(char16_t c) const { return simplified_of_[c]; }

  private:
    std::u16string convert_window(const std::u16string& window) const;

    std::unique_ptr<opencc::SimpleConverter> converter_;
    mutable std::mutex converter_mutex_;
    std::vector<char16_t> simplified_of_;  // 0 = not traditional; BMP only
};

}  // namespace velmo_service
