#include "rules/service_matcher.h"

#include <algorithm>
#include <deque>

namespace velmo_service {

namespace {
constexpr std::uint64_t empty_key = ~std::uint64_t(0);

inline std::uint64_t make_key(std::int32_t node, char16_t unit) {
    return (static_cast<std::uint64_t>(node) << 16) | unit;
}

inline std::size_t hash_key(std::uint64_t key) {
    key ^= key >> 33;
    key *= 0xff51afd7ed558ccdULL;
    key ^= key >> 33;
    return static_cast<std::size_t>(key);
}
}  // namespace

text_matcher::text_matcher() : nodes_(1), root_children_(0x10000, 0) {
    table_keys_.assign(1024, empty_key);
    table_values_.assign(1024, 0);
}

std::int32_t text_matcher::child(std::int32_t node, char16_t unit) const {
    if (node == 0) return root_children_[unit];
    const std::uint64_t key = make_key(node, unit);
    const std::size_t mask = table_keys_.size() - 1;
    for (std::size_t i = hash_key(key) & mask;; i = (i + 1) & mask) {
        if (table_keys_[i] == key) return table_values_[i];
        if (table_keys_[i] == empty_key) return 0;
    }
}

void text_matcher::grow_table() {
    std::vector<std::uint64_t> keys(table_keys_.size() * 2, empty_key);
    std::vector<std::int32_t> values(keys.size(), 0);
    const std::size_t mask = keys.size() - 1;
    for (std::size_t j = 0; j < table_keys_.size(); ++j) {
        if (table_keys_[j] == empty_key) continue;
        std::size_t i = hash_key(table_keys_[j]) & mask;
        while (keys[i] != empty_key) i = (i + 1) & mask;
        keys[i] = table_keys_[j];
        values[i] = table_values_[j];
    }
    table_keys_.swap(keys);
    table_values_.swap(values);
}

void text_matcher::set_child(std::int32_t node, char16_t unit, std::int32_t target) {
    if (node == 0) {
        root_children_[unit] = target;
        return;
    }
    if ((table_used_ + 1) * 2 > table_keys_.size()) grow_table();
    const std::uint64_t key = make_key(node, unit);
    const std::size_t mask = table_keys_.size() - 1;
    std::size_t i = hash_key(key) & mask;
    while (table_keys_[i] != empty_key && table_keys_[i] != key) i = (i + 1) & mask;
    if (table_keys_[i] == empty_key) ++table_used_;
    table_keys_[i] = key;
    table_values_[i] = target;
}

void text_matcher::add(const std::u16string& pattern, int id) {
    if (pattern.empty()) return;
    built_ = false;
    std::int32_t node = 0;
    for (char16_t unit : pattern) {
        std::int32_t next = child(node, unit);
        if (next == 0) {
            next = static_cast<std::int32_t>(nodes_.size());
            nodes_.emplace_back();
            nodes_.back().depth = nodes_[node].depth + 1;
            set_child(node, unit, next);
        }
        node = next;
    }
    if (nodes_[node].pattern_id < 0) ++pattern_count_;
    nodes_[node].pattern_id = id;  // a repeated pattern keeps the last id
}

void text_matcher::build() {
    // Children of each node, gathered once so that the breadth-first pass can
    // walk the trie without scanning the whole table per node.
    std::vector<std::vector<std::pair<char16_t, std::int32_t>>> children(nodes_.size());
    for (std::size_t u = 0; u < root_children_.size(); ++u)
        if (root_children_[u])
            children[0].emplace_back(static_cast<char16_t>(u), root_children_[u]);
    for (std::size_t i = 0; i < table_keys_.size(); ++i) {
        if (table_keys_[i] == empty_key) continue;
        const auto parent = static_cast<std::size_t>(table_keys_[i] >> 16);
        children[parent].emplace_back(static_cast<char16_t>(table_keys_[i] & 0xFFFF),
                                      table_values_[i]);
    }
    std::deque<std::int32_t> queue;
    for (const auto& c : children[0]) {
        nodes_[c.second].fail = 0;
        nodes_[c.second].output_link = -1;
        queue.push_back(c.second);
    }
    while (!queue.empty()) {
        const std::int32_t node = queue.front();
        queue.pop_front();
        for (const auto& c : children[node]) {
            std::int32_t f = nodes_[node].fail;
            std::int32_t target = child(f, c.first);
            while (f != 0 && target == 0) {
                f = nodes_[f].fail;
                target = child(f, c.first);
            }
            if (target == c.second) target = 0;
            nodes_[c.second].fail = target;
            nodes_[c.second].output_link =
                nodes_[target].pattern_id >= 0 ? target : nodes_[target].output_link;
            queue.push_back(c.second);
        }
    }
    built_ = true;
}

void text_matcher::find_all(const std::u16string& text, std::vector<text_match>& out) const {
    if (pattern_count_ == 0 || !built_) return;
    std::int32_t node = 0;
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t unit = text[i];
        std::int32_t next = child(node, unit);
        while (next == 0 && node != 0) {
            node = nodes_[node].fail;
            next = child(node, unit);
        }
        node = next;
        if (node == 0) continue;
        std::int32_t hit = nodes_[node].pattern_id >= 0 ? node : nodes_[node].output_link;
        while (hit >= 0) {
            const auto len = static_cast<std::size_t>(nodes_[hit].depth);
            out.push_back(text_match{i + 1 - len, len, nodes_[hit].pattern_id});
            hit = nodes_[hit].output_link;
        }
    }
}

std::vector<text_match> text_matches_leftmost_longest(std::vector<text_match> matches) {
    std::sort(matches.begin(), matches.end(), [](const text_match& a, const text_match& b) {
        return a.pos != b.pos ? a.pos < b.pos : a.length > b.length;
    });
    std::vector<text_match> kept;
    std::size_t covered_to = 0;
    for (const auto& m : matches) {
        if (!kept.empty() && m.pos < covered_to) continue;
        kept.push_back(m);
        covered_to = m.pos + m.length;
    }
    return kept;
}

}  // namespace velmo_service
