// A sequence with a movable gap: edits near the previous edit cost little,
// reads by index are O(1). Holds the document text and its highlight.
#ifndef WPS_SIM_GAP_BUFFER_H
#define WPS_SIM_GAP_BUFFER_H

#include <algorithm>
#include <cstdint>
#include <vector>

namespace wps_sim {

template <class T>
class gap_buffer {
  public:
    int64_t size() const { return static_cast<int64_t>(buf_.size()) - gap_len(); }
    T at(int64_t i) const { return i < gap_start_ ? buf_[i] : buf_[i + gap_len()]; }

    // The part before the gap and the part after it, each as one block.
    void copy(int64_t start, int64_t end, T* out) const {
        if (end <= start) return;
        const int64_t before_end = std::min(end, gap_start_);
        if (start < before_end)
            out = std::copy(buf_.begin() + start, buf_.begin() + before_end, out);
        const int64_t after_start = std::max(start, gap_start_);
        if (after_start < end)
            std::copy(buf_.begin() + after_start + gap_len(), buf_.begin() + end + gap_len(), out);
    }

    // Replaces [start, end) by `count` elements produced by f(k).
    template <class F>
    void replace(int64_t start, int64_t end, int64_t count, F f) {
        move_gap(start);
        gap_end_ += end - start;
        reserve_gap(count);
        for (int64_t k = 0; k < count; ++k) buf_[gap_start_++] = f(k);
    }

    void fill(int64_t start, int64_t end, T value) {
        for (int64_t i = start; i < end; ++i)
            (i < gap_start_ ? buf_[i] : buf_[i + gap_len()]) = value;
    }

    // The elements as one contiguous block (moves the gap to the end).
    const T* data() {
        move_gap(size());
        return buf_.data();
    }

  private:
    int64_t gap_len() const { return gap_end_ - gap_start_; }

    void move_gap(int64_t pos) {
        if (pos < gap_start_) {
            int64_t n = gap_start_ - pos;
            std::move_backward(buf_.begin() + pos, buf_.begin() + gap_start_,
                               buf_.begin() + gap_end_);
            gap_start_ -= n;
            gap_end_ -= n;
        } else if (pos > gap_start_) {
            int64_t n = pos - gap_start_;
            std::move(buf_.begin() + gap_end_, buf_.begin() + gap_end_ + n,
                      buf_.begin() + gap_start_);
            gap_start_ += n;
            gap_end_ += n;
        }
    }

    void reserve_gap(int64_t needed) {
        if (gap_len() >= needed) return;
        int64_t tail = static_cast<int64_t>(buf_.size()) - gap_end_;
        int64_t new_size =
            std::max<int64_t>(static_cast<int64_t>(buf_.size()) * 2, size() + needed + 64);
        std::vector<T> grown(static_cast<size_t>(new_size));
        std::copy(buf_.begin(), buf_.begin() + gap_start_, grown.begin());
        std::copy(buf_.begin() + gap_end_, buf_.end(), grown.end() - tail);
        buf_.swap(grown);
        gap_end_ = new_size - tail;
    }

    std::vector<T> buf_;
    int64_t gap_start_ = 0;
    int64_t gap_end_ = 0;
};

}  // namespace wps_sim

#endif  // WPS_SIM_GAP_BUFFER_H
