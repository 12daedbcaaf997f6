#include "http/service_server.h"

#include <httplib.h>
#include <sys/socket.h>

#include <chrono>
#include <thread>

#include "http/service_guarded_server.h"
#include "http/service_operations.h"
#include "http/service_soap.h"

namespace velmo_service {

namespace {
const char* const soap_content_type = "application/soap+xml; charset=utf-8";
constexpr int listen_backlog = 512;
// Room for the request line, the headers and the chunk framing beside the body.
constexpr std::size_t head_allowance = 64 * 1024;

// The client a request comes from, seen through a trusted proxy.
std::string client_of(const httplib::Request& req, const std::string& trusted_proxy) {
    if (trusted_proxy.empty() || req.remote_addr != trusted_proxy ||
        !req.has_header("X-Forwarded-For"))
        return req.remote_addr;
    const std::string chain = req.get_header_value("X-Forwarded-For");
    const std::size_t comma = chain.rfind(',');
    const std::size_t from =
        chain.find_first_not_of(' ', comma == std::string::npos ? 0 : comma + 1);
    return from == std::string::npos ? req.remote_addr : chain.substr(from);
}

connection_limits limits_of(const server_config& c) {
    connection_limits l;
    l.request_timeout = c.request_timeout;
    l.request_bytes = c.body_limit + head_allowance;
    l.connections_per_address = c.connections_per_address < 1 ? 1 : c.connections_per_address;
    return l;
}
}  // namespace

service_server::service_server(service_operations& operations, server_config config)
    : operations_(operations),
      config_(std::move(config)),
      http_(std::make_unique<guarded_server>(limits_of(config_))) {
    const int threads = config_.http_threads < 1 ? 1 : config_.http_threads;
    http_->new_task_queue = [threads] {
        return new httplib::ThreadPool(static_cast<std::size_t>(threads));
    };
    http_->set_payload_max_length(config_.body_limit);
    http_->set_keep_alive_max_count(1000);
    http_->set_tcp_nodelay(true);
    // Remember the listening socket: the library listens with a backlog of 5,
    // which drops connections when many clients connect at once (see bind()).
    http_->set_socket_options([this](int sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        listen_socket_ = sock;
    });  // small answers must not wait for delayed acknowledgements

    auto serve = [this](const httplib::Request& req, httplib::Response& res) {
        http_answer a;
        try {
            a = operations_.handle(req.body, client_of(req, config_.trusted_proxy));
        } catch (const std::exception& e) {
            a = http_answer{500, soap_fault(false, std::string("internal failure: ") + e.what())};
        } catch (...) {
            a = http_answer{500, soap_fault(false, "internal failure")};
        }
        res.status = a.status;
        res.set_content(a.body, soap_content_type);
    };
    http_->Post(R"(/.*)", serve);
    // Other methods and the library's own refusals (an oversized, truncated or
    // late body) still get a SOAP fault; an oversized body is a bad request.
    http_->set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (!res.body.empty()) return;  // a fault written by the operations stays as it is
        std::string reason =
            "request refused by the HTTP layer (status " + std::to_string(res.status) + ")";
        if (res.status == 413) {
            res.status = 400;
            reason = "request body too large";
        } else if (res.status == 404 || res.status == 405) {
            res.status = 400;
            reason = "only POST requests carry operations";
        }
        res.set_content(soap_fault(res.status < 500, reason), soap_content_type);
    });
}

service_server::~service_server() { stop(); }

bool service_server::bind(std::string* error) {
    if (config_.port == 0) {
        port_ = http_->bind_to_any_port(config_.host);
    } else {
        port_ = http_->bind_to_port(config_.host, config_.port) ? config_.port : -1;
    }
    if (port_ > 0 && listen_socket_ >= 0) ::listen(listen_socket_, listen_backlog);
    if (port_ <= 0) {
        port_ = -1;
        if (error) *error = "cannot listen on " + config_.host + ":" + std::to_string(config_.port);
        return false;
    }
    return true;
}

void service_server::run() {
    if (port_ > 0) http_->listen_after_bind();
}

void service_server::stop() {
    if (http_) http_->stop();
}

void service_server::wait_until_ready() const {
    while (port_ > 0 && !http_->is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace velmo_service
