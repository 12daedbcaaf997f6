// A cpp-httplib server on 127.0.0.1 with an ephemeral port, running on its own
// thread for the life of the object.
#ifndef TESTS_SP_LOOPBACK_SERVER_H
#define TESTS_SP_LOOPBACK_SERVER_H

#include <httplib.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

class loopback_server {
  public:
    explicit loopback_server(const std::function<void(httplib::Server&)>& add_routes) {
        server_.set_keep_alive_timeout(1);
        server_.set_keep_alive_max_count(1000);
        add_routes(server_);
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    loopback_server(const loopback_server&) = delete;
    loopback_server& operator=(const loopback_server&) = delete;
    ~loopback_server() {
        server_.stop();
        thread_.join();
    }

    int port() const { return port_; }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/service"; }

  private:
    httplib::Server server_;
    int port_ = -1;
    std::thread thread_;
};

#endif
