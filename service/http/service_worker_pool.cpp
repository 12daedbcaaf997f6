#include "http/service_worker_pool.h"

namespace velmo_service {

worker_pool::worker_pool(int threads, std::size_t queue_limit)
    : queue_limit_(queue_limit < 1 ? 1 : queue_limit) {
    for (int i = 0; i < (threads < 1 ? 1 : threads); ++i) threads_.emplace_back([this] { loop(); });
}

worker_pool::~worker_pool() { finish(); }

bool worker_pool::try_post(std::function<void()> task) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (finishing_ || queue_.size() >= queue_limit_) return false;
        queue_.push_back(std::move(task));
    }
    wake_.notify_one();
    return true;
}

void worker_pool::finish() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        finishing_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_)
        if (t.joinable()) t.join();
}

void worker_pool::loop() {
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return finishing_ || !queue_.empty(); });
            if (queue_.empty()) return;
            task = std::move(queue_.front());
            queue_.pop_front();
        }
        task();
    }
}

}  // namespace velmo_service
