// A fixed number of threads running tasks from a bounded queue: the HTTP
// layer hands each complete request to it, so slow work never holds the
// thread that watches the connections, and a flood of requests is refused
// rather than queued without end.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace velmo_service {

class worker_pool {
  public:
    worker_pool(int threads, std::size_t queue_limit);
    ~worker_pool();  // finish()
    worker_pool(const worker_pool&) = delete;
    worker_pool& operator=(const worker_pool&) = delete;

    // False, with the task not taken, when the queue is full or the pool finished.
    bool try_post(std::function<void()> task);
    // Runs every task already queued, then ends the threads.
    void finish();
    std::size_t threads() const { return threads_.size(); }

  private:
    void loop();

    std::size_t queue_limit_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;
    std::vector<std::thread> threads_;
    bool finishing_ = false;
};

}  // namespace velmo_service
