// English spelling with Hunspell: every Latin word of the text that the
// dictionary does not know is reported with Hunspell's suggestions. A
// Hunspell object serves one thread at a time, so checks running at once
// each borrow one from a pool that grows to `max_instances`. Suggestions are
// the slow part (up to a tenth of a second a word): one check asks for them
// for a bounded number of distinct words within a bounded time, and later
// words are reported without.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "rules/service_finding.h"

class Hunspell;

namespace velmo_service {

class english_speller {
  public:
    english_speller(const std::string& aff_path, const std::string& dic_path,
                    std::size_t max_instances = 8, std::size_t max_suggested_words = 16,
                    std::chrono::milliseconds suggestion_budget = std::chrono::milliseconds(1000));
    ~english_speller();
    bool ready() const { return ready_; }
    void find(const std::u16string& text, std::vector<finding>& out) const;

  private:
    std::unique_ptr<Hunspell> borrow() const;
    void give_back(std::unique_ptr<Hunspell> h) const;

    std::string aff_path_, dic_path_;
    std::size_t max_instances_;
    std::size_t max_suggested_words_;
    std::chrono::milliseconds suggestion_budget_;
    bool ready_ = false;
    mutable std::mutex mutex_;
    mutable std::condition_variable returned_;
    mutable std::vector<std::unique_ptr<Hunspell>> idle_;
    mutable std::size_t created_ = 0;
};

}  // namespace velmo_service
