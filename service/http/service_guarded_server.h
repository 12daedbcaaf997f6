// An HTTP server whose connections cannot hold its threads for long: each
// request must arrive and its answer leave within one deadline, a request's
// bytes on the wire are bounded whatever its transfer encoding, and one
// client address holds only so many connections at once.
#pragma once

#include <httplib.h>

#include <chrono>
#include <cstddef>
#include <map>
#include <mutex>
#include <string>

namespace velmo_service {

struct connection_limits {
    std::chrono::milliseconds request_timeout{
        30000};  // first byte of a request to last byte of its answer
    std::chrono::milliseconds idle_timeout{1000};  // between requests of a kept-alive connection
    std::size_t request_bytes =
        8 * 1024 * 1024 + 65536;  // head and body as sent, chunk framing included
    std::size_t connections_per_address = 16;
};

class guarded_server : public httplib::Server {
  public:
    explicit guarded_server(connection_limits limits);

  private:
    bool process_and_close_socket(socket_t sock) override;
    // False when the address already holds its share of connections.
    bool admit(const std::string& address);
    void release(const std::string& address);
    bool stopping() const;

    connection_limits limits_;
    std::mutex mutex_;
    std::map<std::string, std::size_t> connections_;
};

}  // namespace velmo_service
