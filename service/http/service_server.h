// HTTP front of the service: every POST (any path) is one SOAP operation.
// A connection front accepts each connection and judges its first request
// head; then one event loop (libmicrohttpd's) watches the connection, so an
// idle or slow connection costs its buffer, not a thread; a complete request
// is handed to a bounded pool of workers, and its answer goes back through
// the loop.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>

struct MHD_Daemon;

namespace velmo_service {

class connection_front;
class service_operations;
class worker_pool;

struct server_config {
    std::string host = "127.0.0.1";
    int port = 8820;                           // 0 picks a free port
    std::size_t body_limit = 8 * 1024 * 1024;  // whatever the transfer encoding
    int http_threads = 8;                      // requests worked on at once
    std::size_t queue_limit = 1024;            // complete requests waiting for a worker
    // End of a request's head to the last byte of its body; a body still
    // arriving then is cut. A head must fit in `connection_memory` and may
    // pause for no longer than `idle_timeout`.
    std::chrono::milliseconds request_timeout{30000};
    // A request's head must be complete this long after its connection
    // opened, or after the answer before it on a kept-alive connection.
    std::chrono::milliseconds head_timeout{10000};
    // A kept-alive connection with nothing to say is closed after this, and
    // every answer advertises it (Keep-Alive: timeout=N).
    std::chrono::seconds idle_timeout{5};
    std::size_t connections_per_address = 256;
    // Connections still sending a head, per address and per network (/24,
    // /64); past a quarter of `max_connections` in all, or when the table is
    // full, the oldest heads are cut to make room.
    std::size_t heads_per_address = 64;
    std::size_t heads_per_network = 512;
    std::size_t max_connections = 16000;        // further ones are refused
    std::size_t connection_memory = 16 * 1024;  // request head and read buffer, per connection
    // On stop: how long requests already begun may take to be answered.
    std::chrono::milliseconds drain_timeout{10000};
    // A proxy in front: for its requests the client is the last address of
    // X-Forwarded-For, which that proxy sets. It is not held to the
    // per-address or per-network connection limits.
    std::string trusted_proxy;
};

class service_server {
  public:
    service_server(service_operations& operations, server_config config);
    ~service_server();

    // Starts listening; false with a reason when that fails.
    bool bind(std::string* error);
    int port() const { return port_; }
    // Serves until stop(), then finishes the requests in flight (their
    // answers leave) and closes every connection.
    void run();
    void stop();
    // Returns once the server accepts connections.
    void wait_until_ready() const {}

  private:
    friend struct server_hooks;  // the event loop's callbacks
    void shut_down();

    service_operations& operations_;
    server_config config_;
    std::unique_ptr<worker_pool> workers_;
    std::unique_ptr<connection_front> front_;
    MHD_Daemon* daemon_ = nullptr;
    int port_ = -1;

    std::mutex shut_down_mutex_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stop_requested_ = false;
    std::atomic<bool> stopping_{false};  // requests that begin now are refused
    std::size_t in_flight_ = 0;          // heads received, answers not yet sent
};

}  // namespace velmo_service
