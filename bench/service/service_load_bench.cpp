// The service in front of many idle and slow connections: an innocent
// client's requests, timed alone; then each on a new connection while
// thousands of request heads trickle in a byte every 300 ms from a few
// addresses (each cut head opened again at once); then on one kept-alive
// connection while thousands of kept-alive connections sit idle and a few
// hundred clients trickle their bodies in, from many loopback addresses.
// Prints p50 and p99 of each run with their ratios to the first, and the
// service's resident memory and threads. The crowd runs in a process of its
// own, so that the service and its clients each have the whole descriptor
// limit.
//
//   service_load_bench [--idle N] [--idle-addresses N] [--slow N] [--slow-addresses N]
//                      [--heads N] [--head-addresses N] [--requests N]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "http/service_operations.h"
#include "http/service_server.h"
#include "rules/service_engine.h"
#include "store/service_store.h"

using namespace velmo_service;
using steady = std::chrono::steady_clock;

namespace {

struct options {
    int idle = 4000, idle_addresses = 100, slow = 200, slow_addresses = 50, heads = 2000,
        head_addresses = 10, requests = 300;
};

// A blocking connection from the loopback address 127.0.<hi>.<lo>.
int connect_from(int index, int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    const std::string source =
        "127.0." + std::to_string(10 + index / 250) + "." + std::to_string(1 + index % 250);
    inet_pton(AF_INET, source.c_str(), &a.sin_addr);
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    inet_pton(AF_INET, "127.0.0.1", &a.sin_addr);
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

std::string request_of(const std::string& body) {
    return "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/soap+xml\r\n"
           "Content-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

// Sends a whole request and reads until its answer's body is complete.
bool exchange(int fd, const std::string& request) {
    if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) != ssize_t(request.size()))
        return false;
    std::string got;
    char buf[4096];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 10000) <= 0) return false;
        const ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n <= 0) return false;
        got.append(buf, static_cast<std::size_t>(n));
        const std::size_t head_end = got.find("\r\n\r\n");
        const std::size_t length_at = got.find("Content-Length: ");
        if (head_end != std::string::npos && length_at != std::string::npos &&
            got.size() >= head_end + 4 + std::stoul(got.substr(length_at + 16)))
            return true;
    }
}

std::string status_field(const char* name) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(name, 0) == 0) return line.substr(std::strlen(name));
    return "?";
}

// Latencies in milliseconds of `count` requests on one kept-alive connection,
// or each on a new one.
std::vector<double> time_requests(int port, const std::string& request, int count,
                                  bool fresh = false) {
    std::vector<double> ms;
    int fd = connect_from(0, port);
    for (int i = 0; i < count; ++i) {
        const auto start = steady::now();
        if (fresh && i > 0) {
            close(fd);
            fd = connect_from(0, port);
        }
        if (fd < 0 || !exchange(fd, request)) {
            if (fd >= 0) close(fd);
            fd = connect_from(0, port);  // reconnecting is part of the wait
            if (fd < 0 || !exchange(fd, request)) continue;
        }
        ms.push_back(std::chrono::duration<double, std::milli>(steady::now() - start).count());
    }
    if (fd >= 0) close(fd);
    std::sort(ms.begin(), ms.end());
    return ms;
}

double percentile(const std::vector<double>& sorted, double p) {
    if (sorted.empty()) return -1;
    return sorted[std::min(sorted.size() - 1, static_cast<std::size_t>(p * sorted.size()))];
}

// Reads or writes exactly `size` bytes through a pipe.
bool pipe_read(int fd, void* data, std::size_t size) {
    return read(fd, data, size) == static_cast<ssize_t>(size);
}
bool pipe_write(int fd, const void* data, std::size_t size) {
    return write(fd, data, size) == static_cast<ssize_t>(size);
}

// The crowd's process: waits for the service's port, opens the idle and slow
// connections, reports how many it holds, keeps the slow ones trickling and
// holds them all until the pipe from the service's side closes.
int run_crowd(const options& o, int from_service, int to_service) {
    int port = 0;
    if (!pipe_read(from_service, &port, sizeof port)) return 1;
    std::string request;
    std::uint32_t length = 0;
    if (!pipe_read(from_service, &length, sizeof length)) return 1;
    request.resize(length);
    if (!pipe_read(from_service, request.data(), length)) return 1;

    // The trickling heads: a request line, then a byte of the head every
    // 300 ms; a head the service cuts is opened again.
    const std::string head_start = "POST / HTTP/1.1\r\nX-Slow: ";
    std::vector<int> heads;
    auto open_head = [&](int i) {
        const int fd = connect_from(2000 + i % o.head_addresses, port);
        if (fd >= 0) send(fd, head_start.data(), head_start.size(), MSG_NOSIGNAL);
        return fd;
    };
    for (int i = 0; i < o.heads; ++i) heads.push_back(open_head(i));
    const int opened = static_cast<int>(heads.size());
    if (!pipe_write(to_service, &opened, sizeof opened)) return 1;
    for (char go = 0; read(from_service, &go, 1) != 1 || go != 'g';) {
        for (std::size_t i = 0; i < heads.size(); ++i) {
            if (heads[i] >= 0 && send(heads[i], "x", 1, MSG_NOSIGNAL | MSG_DONTWAIT) == 1) continue;
            if (heads[i] >= 0) close(heads[i]);
            heads[i] = open_head(static_cast<int>(i));
        }
        pollfd p{from_service, POLLIN, 0};
        poll(&p, 1, 300);
    }
    for (int fd : heads)
        if (fd >= 0) close(fd);

    // The idle crowd: one answered request each, then silence on a kept-alive connection.
    std::vector<int> idle;
    for (int i = 0; i < o.idle; ++i) {
        const int fd = connect_from(1 + i % o.idle_addresses, port);
        if (fd >= 0 && exchange(fd, request))
            idle.push_back(fd);
        else if (fd >= 0)
            close(fd);
    }
    // The slow crowd: a head, then one byte of the body every 100 ms.
    std::vector<int> slow;
    const std::string slow_head =
        "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 100000\r\n\r\n";
    for (int i = 0; i < o.slow; ++i) {
        const int fd = connect_from(1000 + i % o.slow_addresses, port);
        if (fd >= 0 && send(fd, slow_head.data(), slow_head.size(), MSG_NOSIGNAL) > 0)
            slow.push_back(fd);
        else if (fd >= 0)
            close(fd);
    }
    const int counts[2] = {static_cast<int>(idle.size()), static_cast<int>(slow.size())};
    if (!pipe_write(to_service, counts, sizeof counts)) return 1;
    for (;;) {
        pollfd p{from_service, POLLIN, 0};
        if (poll(&p, 1, 100) != 0) break;  // closed: the timing is over
        for (int fd : slow) send(fd, "x", 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    }
    for (int fd : idle) close(fd);
    for (int fd : slow) close(fd);
    return 0;
}

bool parse(int argc, char** argv, options& o) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const int value = std::atoi(argv[i + 1]);
        if (value < 1) return false;
        if (name == "--idle")
            o.idle = value;
        else if (name == "--idle-addresses")
            o.idle_addresses = value;
        else if (name == "--slow")
            o.slow = value;
        else if (name == "--slow-addresses")
            o.slow_addresses = value;
        else if (name == "--heads")
            o.heads = value;
        else if (name == "--head-addresses")
            o.head_addresses = value;
        else if (name == "--requests")
            o.requests = value;
        else
            return false;
    }
    return argc % 2 == 1;
}

}  // namespace

int main(int argc, char** argv) {
    options o;
    if (!parse(argc, argv, o)) {
        std::cerr << "usage: service_load_bench [--idle N] [--idle-addresses N] [--slow N]"
                     " [--slow-addresses N] [--heads N] [--head-addresses N] [--requests N]\n";
        return 2;
    }
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
    // The service holds one descriptor per connection, and so does the crowd.
    const int room = static_cast<int>(files.rlim_cur) - o.slow - o.heads - 200;
    if (o.idle > room) {
        std::cerr << "descriptor limit " << files.rlim_cur << ": idle connections cut to " << room
                  << "\n";
        o.idle = std::max(room, 0);
    }
    // Forked while this process has one thread, before the service starts its own.
    int to_crowd[2], from_crowd[2];
    if (pipe(to_crowd) != 0 || pipe(from_crowd) != 0) return 1;
    const pid_t crowd = fork();
    if (crowd < 0) return 1;
    if (crowd == 0) {
        close(to_crowd[1]);
        close(from_crowd[0]);
        _exit(run_crowd(o, to_crowd[0], from_crowd[1]));
    }
    close(to_crowd[0]);
    close(from_crowd[1]);

    const std::string dir =
        (std::filesystem::temp_directory_path() / ("velmo-load-" + std::to_string(getpid())))
            .string();
    std::filesystem::create_directories(dir);
    service_store store;
    std::string error;
    if (!store.open(dir + "/load.db", &error) ||
        !store.add_user("innocent", "no-1", 1000000, "2099-12-31", &error)) {
        std::cerr << error << "\n";
        return 1;
    }
    engine_config ec;
    const char* src = std::getenv("VELMO_SOURCE_DIR");
    ec.data_dir = std::string(src ? src : VELMO_BENCH_SOURCE_DIR) + "/service/data";
    check_engine engine(ec);
    service_operations operations(store, engine, service_limits{});
    server_config config;
    config.host = "127.0.0.1";
    config.port = 0;
    config.idle_timeout = std::chrono::seconds(120);  // the idle crowd stays for the whole run
    config.request_timeout = std::chrono::seconds(120);
    service_server server(operations, config);
    if (!server.bind(&error)) {
        std::cerr << error << "\n";
        return 1;
    }
    std::thread serving([&] { server.run(); });
    const int port = server.port();
    const std::string request = request_of(
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap12:Envelope "
        "xmlns:soap12=\"http://www.w3.org/2003/05/soap-envelope\"><soap12:Body><GetUserInfo "
        "xmlns=\"urn:velmo:proofreading\"><userName>innocent</userName></GetUserInfo>"
        "</soap12:Body></soap12:Envelope>");

    const std::vector<double> quiet = time_requests(port, request, o.requests);
    const std::string rss_quiet = status_field("VmRSS:"), threads_quiet = status_field("Threads:");

    const std::uint32_t length = static_cast<std::uint32_t>(request.size());
    int counts[2] = {0, 0}, heads = 0;
    if (!pipe_write(to_crowd[1], &port, sizeof port) ||
        !pipe_write(to_crowd[1], &length, sizeof length) ||
        !pipe_write(to_crowd[1], request.data(), length) ||
        !pipe_read(from_crowd[0], &heads, sizeof heads)) {
        std::cerr << "the crowd's process failed\n";
        return 1;
    }
    const std::vector<double> beside_heads = time_requests(port, request, o.requests, true);
    if (!pipe_write(to_crowd[1], "g", 1) || !pipe_read(from_crowd[0], counts, sizeof counts)) {
        std::cerr << "the crowd's process failed\n";
        return 1;
    }
    const std::vector<double> loaded = time_requests(port, request, o.requests);
    const std::string rss_loaded = status_field("VmRSS:"),
                      threads_loaded = status_field("Threads:");
    close(to_crowd[1]);
    int crowd_status = 0;
    waitpid(crowd, &crowd_status, 0);
    server.stop();
    serving.join();
    std::filesystem::remove_all(dir);

    std::cout << "trickling heads: " << o.requests
              << " innocent requests, each on a new connection,"
              << " beside " << heads << " heads from " << o.head_addresses
              << " addresses trickled a byte every 300 ms\n";
    std::cout << "  heads:  p50 " << percentile(beside_heads, 0.5) << " ms, p99 "
              << percentile(beside_heads, 0.99) << " ms (" << beside_heads.size()
              << " answered); p99 / alone "
              << percentile(beside_heads, 0.99) / percentile(quiet, 0.99) << "\n";
    std::cout << "innocent requests: " << o.requests << " alone, " << o.requests << " beside "
              << counts[0] << " idle kept-alive connections from " << o.idle_addresses
              << " addresses and " << counts[1] << " slow clients from " << o.slow_addresses
              << " addresses\n";
    std::cout << "  alone:  p50 " << percentile(quiet, 0.5) << " ms, p99 "
              << percentile(quiet, 0.99) << " ms (" << quiet.size() << " answered), RSS"
              << rss_quiet << ", threads" << threads_quiet << "\n";
    std::cout << "  loaded: p50 " << percentile(loaded, 0.5) << " ms, p99 "
              << percentile(loaded, 0.99) << " ms (" << loaded.size() << " answered), RSS"
              << rss_loaded << ", threads" << threads_loaded << "\n";
    std::cout << "  p99 loaded / alone: " << percentile(loaded, 0.99) / percentile(quiet, 0.99)
              << "\n";
    return loaded.size() == static_cast<std::size_t>(o.requests) &&
                   beside_heads.size() == static_cast<std::size_t>(o.requests)
               ? 0
               : 1;
}
