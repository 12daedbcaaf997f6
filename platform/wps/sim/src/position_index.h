// An ordered multiset of positions with lazy shifting: every position at or
// after a point can be moved by a delta in O(log n), and elements can be
// found by rank. Used for the special characters of the text and for the
// ends of bookmarks, so that edits never walk all of them.
#ifndef WPS_SIM_POSITION_INDEX_H
#define WPS_SIM_POSITION_INDEX_H

#include <cstdint>
#include <vector>

namespace wps_sim {

class position_index {
  public:
    using handle = int32_t;
    static constexpr handle none = -1;

    // Adds an element with `key`, after the elements with an equal key.
    // `owner` is a caller value kept with the element.
    handle insert(int64_t key, int32_t owner = 0);
    // Removes and forgets the element, also one taken out by detach_range.
    void erase(handle h);
    // Takes out the elements with lo <= key <= hi, in order; they keep their
    // handles and owners and can be put back with attach().
    std::vector<handle> detach_range(int64_t lo, int64_t hi);
    // Puts a detached element back with a new key (after equal keys).
    void attach(handle h, int64_t key);
    // Adds `delta` to every key >= `from`. The caller makes sure the order
    // of keys stays the same (nothing is moved over a key below `from`).
    void shift_from(int64_t from, int64_t delta);

    int64_t key(handle h) const;
    int32_t owner(handle h) const { return nodes_[h].owner; }
    int64_t size() const { return root_ == none ? 0 : nodes_[root_].size; }
    // Element of 0-based rank; none when out of range.
    handle at(int64_t rank) const;
    int64_t rank(handle h) const;
    int64_t count_less(int64_t key) const;
    int64_t count_less_equal(int64_t key) const;
    void clear();

    // Calls f(handle, key) for every element in key order.
    template <class F>
    void for_each(F f) const {
        visit(root_, 0, f);
    }
    // Calls f(handle, key) for the elements of ranks first to last - 1, in
    // order, in time proportional to their number plus the tree's height.
    template <class F>
    void for_each_rank(int64_t first, int64_t last, F f) const {
        visit_ranks(root_, 0, 0, first, last, f);
    }

  private:
    struct node {
        int64_t key;
        int64_t lazy;  // pending shift for the children
        int32_t left, right, parent;
        int32_t size;
        uint32_t priority;
        int32_t owner;
    };

    template <class F>
    void visit(handle t, int64_t offset, F& f) const {
        while (t != none) {
            const node& n = nodes_[t];
            visit(n.left, offset + n.lazy, f);
            f(t, n.key + offset);
            offset += n.lazy;
            t = n.right;
        }
    }

    // `base` is the rank of the subtree's first element; subtrees wholly
    // outside [first, last) are not entered.
    template <class F>
    void visit_ranks(handle t, int64_t base, int64_t offset, int64_t first, int64_t last,
                     F& f) const {
        while (t != none) {
            const node& n = nodes_[t];
            const int64_t own = base + (n.left == none ? 0 : nodes_[n.left].size);
            if (first < own) visit_ranks(n.left, base, offset + n.lazy, first, last, f);
            if (own >= last) return;
            if (own >= first) f(t, n.key + offset);
            offset += n.lazy;
            base = own + 1;
            t = n.right;
        }
    }

    handle allocate(int64_t key, int32_t owner);
    void push(handle t);
    void update(handle t);
    void add_to_subtree(handle t, int64_t delta);
    // Splits by key: left gets keys < key (strict) or <= key (!strict).
    void split(handle t, int64_t key, bool strict, handle& left, handle& right);
    handle merge(handle a, handle b);
    void detach(handle h);
    uint32_t next_priority();

    std::vector<node> nodes_;
    std::vector<handle> free_;
    handle root_ = none;
    uint32_t seed_ = 0x9E3779B9u;
};

}  // namespace wps_sim

#endif  // WPS_SIM_POSITION_INDEX_H
