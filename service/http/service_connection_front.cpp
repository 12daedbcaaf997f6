#include "http/service_connection_front.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <utility>

#include "http/service_http_framing.h"
#include "http/service_soap.h"

namespace velmo_service {

namespace {
using steady = std::chrono::steady_clock;
constexpr int sweep_interval_ms = 100;

std::string address_text(const sockaddr_storage& a) {
    char text[INET6_ADDRSTRLEN] = {};
    if (a.ss_family == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(a).sin_addr, text, sizeof text);
    else if (a.ss_family == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(a).sin6_addr, text, sizeof text);
    return text;
}

void watch(int epoll, int fd, std::uint32_t events, int operation = EPOLL_CTL_ADD) {
    epoll_event e{};
    e.events = events;
    e.data.fd = fd;
    epoll_ctl(epoll, operation, fd, &e);
}
}  // namespace

connection_front::connection_front(front_settings settings, taker take)
    : settings_(std::move(settings)),
      take_(std::move(take)),
      buffer_(settings_.head_memory),
      table_(settings_.limits) {}

connection_front::~connection_front() {
    stop();
    for (int fd : {listener_, epoll_, wake_})
        if (fd >= 0) ::close(fd);
}

bool connection_front::listen(const std::string& host, int port, std::string* error) {
    const std::string where = host + ":" + std::to_string(port);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || !found) {
        if (error) *error = "cannot resolve " + where;
        return false;
    }
    listener_ = socket(found->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int on = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const bool bound = listener_ >= 0 &&
                       ::bind(listener_, found->ai_addr, found->ai_addrlen) == 0 &&
                       ::listen(listener_, settings_.backlog) == 0;
    freeaddrinfo(found);
    sockaddr_storage local{};
    socklen_t length = sizeof local;
    if (!bound || getsockname(listener_, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        if (error) *error = "cannot listen on " + where;
        return false;
    }
    port_ = ntohs(local.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6&>(local).sin6_port
                                              : reinterpret_cast<sockaddr_in&>(local).sin_port);
    epoll_ = epoll_create1(EPOLL_CLOEXEC);
    wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    watch(epoll_, listener_, EPOLLIN);
    watch(epoll_, wake_, EPOLLIN);
    return true;
}

void connection_front::start() {
    thread_ = std::thread([this] { run(); });
}

void connection_front::stop() {
    if (!thread_.joinable()) return;
    const std::uint64_t one = 1;
    const ssize_t woken = ::write(wake_, &one, sizeof one);
    static_cast<void>(woken);
    thread_.join();
    ::close(listener_);
    listener_ = -1;
    std::lock_guard<std::mutex> lock(mutex_);
    while (!pending_.empty()) close_pending(pending_.begin()->first);
}

void connection_front::run() {
    epoll_event events[256];
    for (;;) {
        const int n = epoll_wait(epoll_, events, 256, sweep_interval_ms);
        std::vector<std::pair<int, pending>> complete;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            for (int i = 0; i < n; ++i) {
                const int fd = events[i].data.fd;
                if (fd == wake_) {
                    // Stopping: heads complete in this round are not handed over.
                    for (const auto& done : complete) {
                        table_.forget(done.first);
                        ::close(done.first);
                    }
                    return;
                }
                if (fd == listener_)
                    accept_all();
                else if (pending_.count(fd) && read_head(fd)) {
                    complete.emplace_back(fd, pending_[fd]);
                    pending_.erase(fd);
                }
            }
            sweep();
        }
        // Outside the lock: the library may report on the connection at once.
        for (const auto& [fd, p] : complete) {
            if (take_(fd, reinterpret_cast<const sockaddr*>(&p.address), p.length)) continue;
            std::lock_guard<std::mutex> lock(mutex_);
            table_.forget(fd);
        }
    }
}

void connection_front::accept_all() {
    for (;;) {
        pending p;
        p.length = sizeof p.address;
        const int fd = accept4(listener_, reinterpret_cast<sockaddr*>(&p.address), &p.length,
                               SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            // Out of descriptors: the listener stays readable while clients
            // wait in the backlog, so it is set aside until the next sweep
            // instead of waking this loop without pause.
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                watch(epoll_, listener_, 0, EPOLL_CTL_MOD);
                listener_resumes_ = steady::now() + std::chrono::milliseconds(sweep_interval_ms);
            }
            return;
        }
        std::vector<int> drop;
        const bool admitted = table_.admit(fd, address_text(p.address), steady::now(), &drop);
        for (int old : drop) cut(old);
        if (!admitted) {
            ::close(fd);
            continue;
        }
        pending_[fd] = p;
        // Edge-triggered: a peek leaves the bytes waiting, so only new bytes wake.
        watch(epoll_, fd, EPOLLIN | EPOLLRDHUP | EPOLLET);
    }
}

bool connection_front::read_head(int fd) {
    const ssize_t n = recv(fd, buffer_.data(), buffer_.size(), MSG_PEEK);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return false;
    if (n <= 0) {
        close_pending(fd);
        return false;
    }
    const std::string_view bytes(buffer_.data(), static_cast<std::size_t>(n));
    const std::size_t end = http_head_end(bytes);
    if (end == std::string_view::npos) {
        if (bytes.size() == buffer_.size()) refuse(fd, "request head too large");
        return false;
    }
    const std::string fault = http_head_fault(bytes.substr(0, end));
    if (!fault.empty()) {
        refuse(fd, fault);
        return false;
    }
    epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr);
    table_.head_complete(fd);
    return true;
}

// One answer, then the connection closes: what was sent after the head is
// read and dropped first, so that closing does not reset the answer away.
void connection_front::refuse(int fd, const std::string& reason) {
    const std::string body = soap_fault(true, reason);
    const std::string answer =
        "HTTP/1.1 400 Bad Request\r\nContent-Type: application/soap+xml; charset=utf-8\r\n"
        "Content-Length: " +
        std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    while (recv(fd, buffer_.data(), buffer_.size(), 0) > 0) {
    }
    if (send(fd, answer.data(), answer.size(), MSG_NOSIGNAL) < 0) {
    }
    shutdown(fd, SHUT_WR);
    close_pending(fd);
}

void connection_front::close_pending(int fd) {
    epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr);
    pending_.erase(fd);
    table_.forget(fd);
    ::close(fd);
}

// A head cut: one still arriving here is closed; one on a connection the
// library holds is shut down, and the library closes it (its close reaches
// `closed` under the same lock, so the descriptor cannot be reused meanwhile).
void connection_front::cut(int fd) {
    if (pending_.count(fd)) return close_pending(fd);
    shutdown(fd, SHUT_RDWR);
}

void connection_front::sweep() {
    const steady::time_point now = steady::now();
    for (int fd : table_.take_late(now)) cut(fd);
    if (listener_resumes_ && now >= *listener_resumes_) {
        listener_resumes_.reset();
        watch(epoll_, listener_, EPOLLIN, EPOLL_CTL_MOD);
    }
}

void connection_front::head_complete(int fd) {
    std::lock_guard<std::mutex> lock(mutex_);
    table_.head_complete(fd);
}

void connection_front::awaiting_head(int fd) {
    std::lock_guard<std::mutex> lock(mutex_);
    table_.awaiting_head(fd, steady::now());
}

void connection_front::closed(int fd) {
    std::lock_guard<std::mutex> lock(mutex_);
    table_.forget(fd);
}

}  // namespace velmo_service
