#include "http/service_guarded_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <functional>

namespace velmo_service {

namespace {
using steady = std::chrono::steady_clock;
// Waits are cut into slices so that a stopping server is noticed promptly.
constexpr int wait_slice_ms = 50;

bool address_of(int sock, bool peer, std::string& ip, int& port) {
    sockaddr_storage a{};
    socklen_t len = sizeof a;
    if ((peer ? getpeername(sock, reinterpret_cast<sockaddr*>(&a), &len)
              : getsockname(sock, reinterpret_cast<sockaddr*>(&a), &len)) != 0)
        return false;
    char text[INET6_ADDRSTRLEN] = {};
    if (a.ss_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(&a);
        inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
        port = ntohs(v4->sin_port);
    } else if (a.ss_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&a);
        inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
        port = ntohs(v6->sin6_port);
    } else {
        return false;
    }
    ip = text;
    return true;
}

// A connection's socket as the library's stream, reading through a buffer
// and failing any read or write once the request's deadline or byte budget
// is spent.
class guarded_stream : public httplib::Stream {
  public:
    guarded_stream(int sock, const connection_limits& limits, std::function<bool()> stopping)
        : sock_(sock), limits_(limits), stopping_(std::move(stopping)) {}

    void begin_request() {
        deadline_ = steady::now() + limits_.request_timeout;
        budget_ = limits_.request_bytes;
    }
    bool has_buffered() const { return begin_ < end_; }
    // Waits up to `limit` for the next bytes (or the peer's close).
    bool wait_for_input(steady::time_point limit) const { return wait(POLLIN, limit); }

    bool is_readable() const override { return has_buffered() || wait(POLLIN, deadline_); }
    bool is_writable() const override { return wait(POLLOUT, deadline_); }

    ssize_t read(char* ptr, size_t size) override {
        if (!has_buffered()) {
            if (budget_ == 0 || !wait(POLLIN, deadline_)) return -1;
            ssize_t n;
            do {
                n = ::recv(sock_, buffer_, std::min(sizeof buffer_, budget_), 0);
            } while (n < 0 && errno == EINTR);
            if (n <= 0) return n;
            budget_ -= static_cast<std::size_t>(n);
            begin_ = 0;
            end_ = static_cast<std::size_t>(n);
        }
        const std::size_t n = std::min(size, end_ - begin_);
        std::copy(buffer_ + begin_, buffer_ + begin_ + n, ptr);
        begin_ += n;
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char* ptr, size_t size) override {
        std::size_t sent = 0;
        while (sent < size) {
            if (!wait(POLLOUT, deadline_)) return -1;
            const ssize_t n = ::send(sock_, ptr + sent, size - sent, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return -1;
            sent += static_cast<std::size_t>(n);
        }
        return static_cast<ssize_t>(sent);
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        address_of(sock_, true, ip, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        address_of(sock_, false, ip, port);
    }
    socket_t socket() const override { return sock_; }

  private:
    bool wait(short events, steady::time_point limit) const {
        for (;;) {
            if (stopping_()) return false;
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(limit - steady::now())
                    .count();
            if (left <= 0) return false;
            pollfd p{sock_, events, 0};
            const int r = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, wait_slice_ms)));
            if (r > 0) return true;
            if (r < 0 && errno != EINTR) return false;
        }
    }

    int sock_;
    const connection_limits& limits_;
    std::function<bool()> stopping_;
    steady::time_point deadline_;
    std::size_t budget_ = 0;
    char buffer_[16384];
    std::size_t begin_ = 0, end_ = 0;
};
}  // namespace

guarded_server::guarded_server(connection_limits limits) : limits_(limits) {}

bool guarded_server::stopping() const { return svr_sock_ == INVALID_SOCKET; }

bool guarded_server::admit(const std::string& address) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::size_t& held = connections_[address];
    if (held >= limits_.connections_per_address) {
        if (held == 0) connections_.erase(address);
        return false;
    }
    ++held;
    return true;
}

void guarded_server::release(const std::string& address) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = connections_.find(address);
    if (it != connections_.end() && --it->second == 0) connections_.erase(it);
}

bool guarded_server::process_and_close_socket(socket_t sock) {
    std::string address;
    int port = 0;
    address_of(sock, true, address, port);
    bool served = false;
    if (!admit(address)) {
        static const char busy[] =
            "HTTP/1.1 503 Service Unavailable\r\nConnection: close\r\nContent-Length: 0\r\n\r\n";
        ::send(sock, busy, sizeof busy - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    } else {
        guarded_stream stream(sock, limits_, [this] { return stopping(); });
        for (std::size_t left = keep_alive_max_count_; left > 0 && !stopping(); --left) {
            if (!stream.has_buffered() &&
                !stream.wait_for_input(steady::now() + limits_.idle_timeout))
                break;
            stream.begin_request();
            bool closed = false;
            served = process_request(stream, left == 1, closed, nullptr);
            if (!served || closed) break;
        }
        release(address);
    }
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return served;
}

}  // namespace velmo_service
