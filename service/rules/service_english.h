// English spelling with Hunspell: every Latin word of the text that the
// dictionary does not know is reported with Hunspell's suggestions. A
// Hunspell object serves one thread at a time, so checks running at once
// each borrow one from a pool that grows to `max_instances`. Suggestions are
// the slow part (up to a tenth of a second a word): one check asks for them
// for a bounded number of distinct words within a bounded time, and later
// words are reported without. What Hunspell suggested is kept for later
// checks (an article comes in pieces, and its words repeat in each), which
// take it without asking again and without counting it against their bound.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
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
    // The most words whose suggestions are kept across checks.
    static constexpr std::size_t max_cached_words = 50000;

    std::unique_ptr<Hunspell> borrow() const;
    std::optional<std::vector<std::string>> cached(const std::string& word) const;
    void remember(const std::string& word, const std::vector<std::string>& suggestions) const;
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
    mutable std::mutex cache_mutex_;
    mutable std::unordered_map<std::string, std::vector<std::string>> cache_;
};

}  // namespace velmo_service
