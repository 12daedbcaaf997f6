// Multi-pattern search (Aho-Corasick) over UTF-16 text: one pass over the
// text finds every occurrence of every pattern, whatever their number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velmo_service {

struct text_match {
    std::size_t pos;     // first code unit
    std::size_t length;  // in code units
    int id;              // the id given with the pattern
};

class text_matcher {
  public:
    text_matcher();
    // Patterns are added before build(); an empty pattern is ignored.
    void add(const std::u16string& pattern, int id);
    void build();
    bool empty() const { return pattern_count_ == 0; }
    std::size_t size() const { return pattern_count_; }
    // Appends every occurrence (overlapping ones included) to `out`.
    void find_all(const std::u16string& text, std::vector<text_match>& out) const;

  private:
    std::int32_t child(std::int32_t node, char16_t unit) const;
    void set_child(std::int32_t node, char16_t unit, std::int32_t target);
    void grow_table();

    struct node_info {
        std::int32_t fail = 0;
        std::int32_t output_link = -1;  // nearest node on the fail chain that ends a pattern
        std::int32_t pattern_id = -1;
        std::int32_t depth = 0;
    };
    std::vector<node_info> nodes_;
    std::vector<std::int32_t> root_children_;  // direct table for the first unit
    std::vector<std::uint64_t> table_keys_;    // open addressing: (node << 16 | unit)
    std::vector<std::int32_t> table_values_;
    std::size_t table_used_ = 0;
    std::size_t pattern_count_ = 0;
    bool built_ = false;
};

// Keeps the leftmost, then longest, of overlapping matches.
std::vector<text_match> text_matches_leftmost_longest(std::vector<text_match> matches);

}  // namespace velmo_service
