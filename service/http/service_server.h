// HTTP front of the service: every POST (any path) is one SOAP operation.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

namespace httplib {
class Server;
}

namespace velmo_service {

class service_operations;

struct server_config {
    std::string host = "127.0.0.1";
    int port = 8820;                           // 0 picks a free port
    std::size_t body_limit = 8 * 1024 * 1024;  // whatever the transfer encoding
    int http_threads = 64;                     // connections served at once
    std::chrono::milliseconds request_timeout{
        30000};  // first byte of a request to last of its answer
    std::size_t connections_per_address = 16;
    // A proxy in front: for its requests the client is the last address of
    // X-Forwarded-For, which that proxy sets.
    std::string trusted_proxy;
};

class service_server {
  public:
    service_server(service_operations& operations, server_config config);
    ~service_server();

    // Binds the listening socket; false with a reason when that fails.
    bool bind(std::string* error);
    int port() const { return port_; }
    // Serves until stop(); returns at once when not bound.
    void run();
    void stop();
    // Blocks until the server accepts connections (after run() was started elsewhere).
    void wait_until_ready() const;

  private:
    service_operations& operations_;
    server_config config_;
    std::unique_ptr<httplib::Server> http_;
    int port_ = -1;
    int listen_socket_ = -1;
};

}  // namespace velmo_service
