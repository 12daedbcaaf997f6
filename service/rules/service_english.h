// English spelling with Hunspell: every Latin word of the text that the
// dictionary does not know is reported with Hunspell's suggestions.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "rules/service_finding.h"

class Hunspell;

namespace velmo_service {

class english_speller {
 public:
  english_speller(const std::string& aff_path, const std::string& dic_path);
  ~english_speller();
  bool ready() const { return hunspell_ != nullptr; }
  void find(const std::u16string& text, std::vector<finding>& out) const;

 private:
  std::unique_ptr<Hunspell> hunspell_;
  mutable std::mutex mutex_;  // Hunspell objects are not safe for concurrent use
};

}  // namespace velmo_service
