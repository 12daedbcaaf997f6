#include "position_index.h"

namespace wps_sim {

uint32_t position_index::next_priority() {
    seed_ ^= seed_ << 13;
    seed_ ^= seed_ >> 17;
    seed_ ^= seed_ << 5;
    return seed_;
}

position_index::handle position_index::allocate(int64_t key, int32_t owner) {
    node n{key, 0, none, none, none, 1, next_priority(), owner};
    if (!free_.empty()) {
        handle h = free_.back();
        free_.pop_back();
        nodes_[h] = n;
        return h;
    }
    nodes_.push_back(n);
    return static_cast<handle>(nodes_.size() - 1);
}

void position_index::add_to_subtree(handle t, int64_t delta) {
    if (t == none) return;
    nodes_[t].key += delta;
    nodes_[t].lazy += delta;
}

void position_index::push(handle t) {
    node& n = nodes_[t];
    if (n.lazy != 0) {
        add_to_subtree(n.left, n.lazy);
        add_to_subtree(n.right, n.lazy);
        n.lazy = 0;
    }
}

void position_index::update(handle t) {
    node& n = nodes_[t];
    n.size = 1;
    if (n.left != none) {
        n.size += nodes_[n.left].size;
        nodes_[n.left].parent = t;
    }
    if (n.right != none) {
        n.size += nodes_[n.right].size;
        nodes_[n.right].parent = t;
    }
}

void position_index::split(handle t, int64_t key, bool strict, handle& left, handle& right) {
    if (t == none) {
        left = right = none;
        return;
    }
    push(t);
    node& n = nodes_[t];
    bool goes_left = strict ? n.key < key : n.key <= key;
    if (goes_left) {
        handle l, r;
        split(n.right, key, strict, l, r);
        nodes_[t].right = l;
        update(t);
        left = t;
        right = r;
    } else {
        handle l, r;
        split(n.left, key, strict, l, r);
        nodes_[t].left = r;
        update(t);
        left = l;
        right = t;
    }
    if (left != none) nodes_[left].parent = none;
    if (right != none) nodes_[right].parent = none;
}

position_index::handle position_index::merge(handle a, handle b) {
    if (a == none) return b;
    if (b == none) return a;
    if (nodes_[a].priority > nodes_[b].priority) {
        push(a);
        nodes_[a].right = merge(nodes_[a].right, b);
        update(a);
        nodes_[a].parent = none;
        return a;
    }
    push(b);
    nodes_[b].left = merge(a, nodes_[b].left);
    update(b);
    nodes_[b].parent = none;
    return b;
}

void position_index::attach(handle h, int64_t key) {
    node& n = nodes_[h];
    n.key = key;
    n.lazy = 0;
    n.left = n.right = n.parent = none;
    n.size = 1;
    handle l, r;
    split(root_, key, false, l, r);
    root_ = merge(merge(l, h), r);
    if (root_ != none) nodes_[root_].parent = none;
}

position_index::handle position_index::insert(int64_t key, int32_t owner) {
    handle h = allocate(key, owner);
    attach(h, key);
    return h;
}

void position_index::detach(handle h) {
    // Bring the pending shifts of the ancestors down to h first, so that its
    // key and its children's keys are exact once it leaves the tree.
    std::vector<handle> path;
    for (handle p = nodes_[h].parent; p != none; p = nodes_[p].parent) path.push_back(p);
    for (auto it = path.rbegin(); it != path.rend(); ++it) push(*it);
    push(h);
    handle parent = nodes_[h].parent;
    handle joined = merge(nodes_[h].left, nodes_[h].right);
    if (parent == none) {
        root_ = joined;
        if (joined != none) nodes_[joined].parent = none;
    } else {
        if (nodes_[parent].left == h)
            nodes_[parent].left = joined;
        else
            nodes_[parent].right = joined;
        if (joined != none) nodes_[joined].parent = parent;
        for (handle p = parent; p != none; p = nodes_[p].parent) update(p);
    }
    nodes_[h].left = nodes_[h].right = nodes_[h].parent = none;
    nodes_[h].size = 1;
}

// An element taken out by detach_range is no longer in the tree: it only
// goes back to the free list. Detaching it again would take it for the root
// and drop the whole tree.
void position_index::erase(handle h) {
    if (nodes_[h].parent != none || root_ == h) detach(h);
    free_.push_back(h);
}

std::vector<position_index::handle> position_index::detach_range(int64_t lo, int64_t hi) {
    std::vector<handle> taken;
    if (hi < lo) return taken;
    handle a, rest, b, c;
    split(root_, lo, true, a, rest);
    split(rest, hi, false, b, c);
    auto take = [&](handle h, int64_t k) {
        taken.push_back(h);
        nodes_[h].key = k;
    };
    visit(b, 0, take);
    for (handle h : taken) {
        nodes_[h].lazy = 0;
        nodes_[h].left = nodes_[h].right = nodes_[h].parent = none;
        nodes_[h].size = 1;
    }
    root_ = merge(a, c);
    if (root_ != none) nodes_[root_].parent = none;
    return taken;
}

void position_index::shift_from(int64_t from, int64_t delta) {
    if (delta == 0) return;
    handle t = root_;
    while (t != none) {
        push(t);
        if (nodes_[t].key >= from) {
            nodes_[t].key += delta;
            add_to_subtree(nodes_[t].right, delta);
            t = nodes_[t].left;
        } else {
            t = nodes_[t].right;
        }
    }
}

int64_t position_index::key(handle h) const {
    int64_t k = nodes_[h].key;
    for (handle p = nodes_[h].parent; p != none; p = nodes_[p].parent) k += nodes_[p].lazy;
    return k;
}

position_index::handle position_index::at(int64_t rank) const {
    if (rank < 0 || rank >= size()) return none;
    handle t = root_;
    while (t != none) {
        const node& n = nodes_[t];
        int64_t left_size = n.left == none ? 0 : nodes_[n.left].size;
        if (rank < left_size) {
            t = n.left;
        } else if (rank == left_size) {
            return t;
        } else {
            rank -= left_size + 1;
            t = n.right;
        }
    }
    return none;
}

int64_t position_index::rank(handle h) const {
    int64_t r = nodes_[h].left == none ? 0 : nodes_[nodes_[h].left].size;
    handle child = h;
    for (handle p = nodes_[h].parent; p != none; child = p, p = nodes_[p].parent) {
        if (nodes_[p].right == child)
            r += 1 + (nodes_[p].left == none ? 0 : nodes_[nodes_[p].left].size);
    }
    return r;
}

int64_t position_index::count_less(int64_t key) const {
    int64_t count = 0, offset = 0;
    handle t = root_;
    while (t != none) {
        const node& n = nodes_[t];
        if (n.key + offset < key) {
            count += 1 + (n.left == none ? 0 : nodes_[n.left].size);
            offset += n.lazy;
            t = n.right;
        } else {
            offset += n.lazy;
            t = n.left;
        }
    }
    return count;
}

int64_t position_index::count_less_equal(int64_t key) const {
    return key == INT64_MAX ? size() : count_less(key + 1);
}

void position_index::clear() {
    nodes_.clear();
    free_.clear();
    root_ = none;
}

}  // namespace wps_sim
