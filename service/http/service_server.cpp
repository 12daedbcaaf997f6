#include "http/service_server.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstring>

#include "http/service_connection_front.h"
#include "http/service_http_framing.h"
#include "http/service_operations.h"
#include "http/service_soap.h"
#include "http/service_worker_pool.h"

namespace velmo_service {

namespace {
using steady = std::chrono::steady_clock;
const char* const soap_content_type = "application/soap+xml; charset=utf-8";
// Descriptors kept for the database, the data files and the logs.
constexpr rlim_t reserved_descriptors = 64;

// One request, from its first line to the last byte of its answer.
struct request {
    steady::time_point started = steady::now();
    bool head_seen = false;
    bool dispatched = false;
    bool counted = false;   // in the server's in-flight count
    long long length = -1;  // the announced length; -1 when chunked or absent
    std::string body;
    std::mutex mutex;  // the worker's answer, handed to the loop
    bool ready = false;
    http_answer result;
};

std::string address_text(const sockaddr* a) {
    char text[INET6_ADDRSTRLEN] = {};
    if (a && a->sa_family == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(a)->sin_addr, text, sizeof text);
    else if (a && a->sa_family == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(a)->sin6_addr, text,
                  sizeof text);
    return text;
}

std::string peer_of(MHD_Connection* c) {
    const MHD_ConnectionInfo* info = MHD_get_connection_info(c, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    return address_text(info ? info->client_addr : nullptr);
}

int socket_of(MHD_Connection* c) {
    const MHD_ConnectionInfo* info = MHD_get_connection_info(c, MHD_CONNECTION_INFO_CONNECTION_FD);
    return info ? info->connect_fd : -1;
}

MHD_Result collect_header(void* out, MHD_ValueKind, const char* name, const char* value) {
    static_cast<http_headers*>(out)->emplace_back(name ? name : "", value ? value : "");
    return MHD_YES;
}

http_answer fault_answer(int status, const std::string& reason) {
    return http_answer{status, soap_fault(status < 500, reason)};
}
}  // namespace

// The callbacks of the event loop. All but the workers' resume run on the
// loop's one thread.
struct server_hooks {
    static MHD_Result reply(service_server& s, MHD_Connection* c, const http_answer& a,
                            bool close) {
        MHD_Response* res = MHD_create_response_from_buffer(
            a.body.size(), const_cast<char*>(a.body.data()), MHD_RESPMEM_MUST_COPY);
        if (!res) return MHD_NO;
        MHD_add_response_header(res, MHD_HTTP_HEADER_CONTENT_TYPE, soap_content_type);
        if (close || s.stopping_.load()) {
            MHD_add_response_header(res, MHD_HTTP_HEADER_CONNECTION, "close");
        } else {
            const std::string keep = "timeout=" + std::to_string(s.config_.idle_timeout.count());
            MHD_add_response_header(res, "Keep-Alive", keep.c_str());
        }
        const MHD_Result queued = MHD_queue_response(c, static_cast<unsigned>(a.status), res);
        MHD_destroy_response(res);
        return queued;
    }

    // The client a request comes from, seen through a trusted proxy.
    static std::string client_of(service_server& s, MHD_Connection* c) {
        const std::string peer = peer_of(c);
        const char* chain = MHD_lookup_connection_value(c, MHD_HEADER_KIND, "X-Forwarded-For");
        if (s.config_.trusted_proxy.empty() || peer != s.config_.trusted_proxy || !chain)
            return peer;
        const std::string text = chain;
        const std::size_t comma = text.rfind(',');
        const std::size_t from =
            text.find_first_not_of(' ', comma == std::string::npos ? 0 : comma + 1);
        return from == std::string::npos ? peer : text.substr(from);
    }

    static MHD_Result on_request(void* self, MHD_Connection* c, const char*, const char* method,
                                 const char*, const char* data, std::size_t* size, void** slot) {
        service_server& s = *static_cast<service_server*>(self);
        auto* r = static_cast<request*>(*slot);
        if (!r) *slot = r = new request();
        if (!r->head_seen) {
            r->head_seen = true;
            s.front_->head_complete(socket_of(c));
            if (std::strcmp(method, MHD_HTTP_METHOD_POST) != 0)
                return reply(s, c, fault_answer(400, "only POST requests carry operations"), true);
            http_headers headers;
            MHD_get_connection_values(c, MHD_HEADER_KIND, collect_header, &headers);
            const std::string framing = http_framing_fault(headers);
            if (!framing.empty()) return reply(s, c, fault_answer(400, framing), true);
            if (const char* length =
                    MHD_lookup_connection_value(c, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH))
                r->length = std::stoll(length);
            if (r->length > static_cast<long long>(s.config_.body_limit))
                return reply(s, c, fault_answer(400, "request body too large"), true);
            // From here the request is in flight: a stop lets it finish.
            {
                std::lock_guard<std::mutex> lock(s.mutex_);
                r->counted = !s.stopping_;
                if (r->counted) ++s.in_flight_;
            }
            return r->counted
                       ? MHD_YES
                       : reply(s, c, fault_answer(503, operations_unavailable_message), true);
        }
        if (*size > 0) {
            // Past its deadline or its size a request is cut: its connection closes.
            if (steady::now() - r->started > s.config_.request_timeout ||
                r->body.size() + *size > s.config_.body_limit)
                return MHD_NO;
            r->body.append(data, *size);
            *size = 0;
            return MHD_YES;
        }
        if (!r->dispatched) return dispatch(s, c, *r);
        std::lock_guard<std::mutex> lock(r->mutex);
        return r->ready ? reply(s, c, r->result, false) : MHD_YES;
    }

    // Hands a complete request to a worker; the connection sleeps until its
    // answer is ready.
    static MHD_Result dispatch(service_server& s, MHD_Connection* c, request& r) {
        r.dispatched = true;
        std::string client = client_of(s, c);
        MHD_suspend_connection(c);
        request* held = &r;
        auto work = [&s, c, held, client = std::move(client), body = std::move(r.body)] {
            http_answer a;
            try {
                a = s.operations_.handle(body, client);
            } catch (const std::exception& e) {
                a = fault_answer(500, std::string("internal failure: ") + e.what());
            }
            {
                std::lock_guard<std::mutex> lock(held->mutex);
                held->result = std::move(a);
                held->ready = true;
            }
            MHD_resume_connection(c);
        };
        if (!s.workers_->try_post(std::move(work))) {
            {
                std::lock_guard<std::mutex> lock(r.mutex);
                r.result = fault_answer(503, operations_unavailable_message);
                r.ready = true;
            }
            MHD_resume_connection(c);
        }
        return MHD_YES;
    }

    static void on_completed(void* self, MHD_Connection* c, void** slot,
                             MHD_RequestTerminationCode) {
        service_server& s = *static_cast<service_server*>(self);
        auto* r = static_cast<request*>(*slot);
        *slot = nullptr;
        if (!r) return;
        s.front_->awaiting_head(socket_of(c));  // a kept-alive connection's next head
        if (r->counted) {
            std::lock_guard<std::mutex> lock(s.mutex_);
            --s.in_flight_;
            s.changed_.notify_all();
        }
        delete r;
    }

    // A connection closes: the front forgets it before its descriptor can be reused.
    static void on_connection(void* self, MHD_Connection* c, void**,
                              MHD_ConnectionNotificationCode code) {
        if (code == MHD_CONNECTION_NOTIFY_CLOSED)
            static_cast<service_server*>(self)->front_->closed(socket_of(c));
    }
};

service_server::service_server(service_operations& operations, server_config config)
    : operations_(operations), config_(std::move(config)) {
    if (config_.connections_per_address < 1) config_.connections_per_address = 1;
    if (config_.idle_timeout.count() < 1) config_.idle_timeout = std::chrono::seconds(1);
}

service_server::~service_server() {
    stop();
    shut_down();
}

bool service_server::bind(std::string* error) {
    std::size_t max_connections = config_.max_connections;
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur != RLIM_INFINITY &&
        files.rlim_cur > reserved_descriptors)
        max_connections =
            std::min<std::size_t>(max_connections, files.rlim_cur - reserved_descriptors);
    front_settings front;
    front.limits.max_connections = max_connections;
    front.limits.per_address = config_.connections_per_address;
    front.limits.heads_per_address = config_.heads_per_address;
    front.limits.heads_per_network = config_.heads_per_network;
    front.limits.max_heads = std::max<std::size_t>(1, max_connections / 4);
    front.limits.exempt_address = config_.trusted_proxy;
    front.limits.head_timeout = config_.head_timeout;
    front.limits.next_head_timeout = config_.idle_timeout + config_.head_timeout;
    front.head_memory = config_.connection_memory / 2;
    front_ = std::make_unique<connection_front>(
        front, [this](int fd, const sockaddr* a, socklen_t length) {
            return MHD_add_connection(daemon_, fd, a, length) == MHD_YES;
        });
    if (!front_->listen(config_.host, config_.port, error)) return false;
    workers_ = std::make_unique<worker_pool>(config_.http_threads, config_.queue_limit);
    // The front listens and hands each connection over once its first head
    // is in; the library never reads a head the front has not judged first.
    daemon_ = MHD_start_daemon(
        MHD_USE_EPOLL_INTERNAL_THREAD | MHD_ALLOW_SUSPEND_RESUME | MHD_USE_NO_LISTEN_SOCKET, 0,
        nullptr, nullptr, &server_hooks::on_request, this, MHD_OPTION_CONNECTION_LIMIT,
        static_cast<unsigned>(max_connections), MHD_OPTION_CONNECTION_TIMEOUT,
        static_cast<unsigned>(config_.idle_timeout.count()), MHD_OPTION_CONNECTION_MEMORY_LIMIT,
        config_.connection_memory, MHD_OPTION_STRICT_FOR_CLIENT, 1, MHD_OPTION_NOTIFY_COMPLETED,
        &server_hooks::on_completed, this, MHD_OPTION_NOTIFY_CONNECTION,
        &server_hooks::on_connection, this, MHD_OPTION_END);
    if (!daemon_) {
        if (error) *error = "cannot start the HTTP server";
        shut_down();
        return false;
    }
    port_ = front_->port();
    front_->start();
    return true;
}

void service_server::run() {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return stop_requested_ || port_ <= 0; });
    }
    shut_down();
}

void service_server::stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_requested_ = true;
    changed_.notify_all();
}

void service_server::shut_down() {
    std::lock_guard<std::mutex> once(shut_down_mutex_);
    if (!daemon_) {
        workers_.reset();
        return;
    }
    // No new connections; requests that begin on open ones are refused.
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    front_->stop();
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, config_.drain_timeout, [this] { return in_flight_ == 0; });
    }
    // Every worker has resumed its connection before the loop ends: the loop
    // may not end with a connection asleep.
    workers_->finish();
    MHD_stop_daemon(daemon_);
    daemon_ = nullptr;
    workers_.reset();
}

}  // namespace velmo_service
