// The listening side of the server. It accepts every connection itself and
// holds it until its first request head has arrived whole and reads
// unambiguously; only then does the HTTP library get the connection. A head
// that is malformed is answered 400 and closed before any parser frames it; a
// head that takes too long, or that does not fit the head budget of the
// connection table, is cut. The library reports when a kept-alive connection
// waits for its next head, so those heads are held to the same deadline.
#pragma once

#include <sys/socket.h>

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "http/service_connection_table.h"

namespace velmo_service {

struct front_settings {
    connection_limits limits;
    std::size_t head_memory = 8 * 1024;  // the longest first head accepted
    int backlog = 1024;
};

class connection_front {
  public:
    // Takes a connection whose head is complete; false when it could not
    // (the socket is then closed by the taker).
    using taker = std::function<bool(int fd, const sockaddr* address, socklen_t length)>;
    connection_front(front_settings settings, taker take);
    ~connection_front();

    bool listen(const std::string& host, int port, std::string* error);
    int port() const { return port_; }
    void start();
    // New connections are no longer accepted; those still sending their
    // first head are closed.
    void stop();

    // From the HTTP library, for the connections it holds.
    void head_complete(int fd);
    void awaiting_head(int fd);
    void closed(int fd);

  private:
    struct pending {
        sockaddr_storage address{};
        socklen_t length = 0;
    };
    void run();
    void accept_all();
    // True when the first head is complete and sound: the connection goes on.
    bool read_head(int fd);
    void refuse(int fd, const std::string& reason);
    void cut(int fd);
    void close_pending(int fd);
    void sweep();

    front_settings settings_;
    taker take_;
    int listener_ = -1, epoll_ = -1, wake_ = -1;
    int port_ = -1;
    // Set while the listener is not watched after running out of descriptors.
    std::optional<connection_table::time_point> listener_resumes_;
    std::thread thread_;
    std::vector<char> buffer_;

    std::mutex mutex_;  // the table and `pending_`, shared with the library's thread
    connection_table table_;
    std::map<int, pending> pending_;  // connections whose first head is still arriving
};

}  // namespace velmo_service
