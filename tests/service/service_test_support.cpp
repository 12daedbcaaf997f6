#include "service_test_support.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <libpq-fe.h>
#include <libxml/parser.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>
#include <netinet/in.h>
#include <poll.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "velmo_protocol.h"

namespace velmo_test {

raw_connection::raw_connection(const char* source, int port) {
    fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    inet_pton(AF_INET, source, &a.sin_addr);
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    inet_pton(AF_INET, "127.0.0.1", &a.sin_addr);
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        fd = -1;
    }
}

raw_connection::~raw_connection() {
    if (fd >= 0) close(fd);
}

bool raw_connection::send_text(const std::string& s) {
    return ::send(fd, s.data(), s.size(), MSG_NOSIGNAL) == ssize_t(s.size());
}

std::string raw_connection::receive(int ms) {
    std::string got;
    pollfd p{fd, POLLIN, 0};
    char buf[4096];
    while (poll(&p, 1, ms) > 0) {
        const ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n <= 0) {
            peer_closed = true;
            break;
        }
        got.append(buf, static_cast<std::size_t>(n));
    }
    return got;
}

std::size_t fetch_result_cut(int port, const std::string& pid, std::size_t bytes) {
    const std::string body = envelope(VELMO_OP_RESULT, "<pid>" + pid + "</pid><token>0</token>");
    raw_connection c("127.0.0.1", port);
    c.send_text(
        "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/soap+xml\r\n"
        "Content-Length: " +
        std::to_string(body.size()) + "\r\n\r\n" + body);
    std::string got(bytes, '\0');
    std::size_t have = 0;
    pollfd p{c.fd, POLLIN, 0};
    while (have < bytes && poll(&p, 1, 5000) > 0) {
        const ssize_t n = recv(c.fd, got.data() + have, bytes - have, 0);
        if (n <= 0) break;
        have += static_cast<std::size_t>(n);
    }
    return have;  // the connection closes with the rest unread
}

temp_dir::temp_dir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "velmo-service-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

temp_dir::~temp_dir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string service_data_dir() {
    const char* src = std::getenv("VELMO_SOURCE_DIR");
    return std::string(src ? src : VELMO_TEST_SOURCE_DIR) + "/service/data";
}

const velmo_service::check_engine& shared_engine() {
    static velmo_service::check_engine engine([] {
        velmo_service::engine_config c;
        c.data_dir = service_data_dir();
        return c;
    }());
    return engine;
}

running_service::running_service(const std::string& db_path, velmo_service::service_limits limits,
                                 velmo_service::server_config config) {
    std::string error;
    if (!store_.open(db_path, &error)) throw std::runtime_error("cannot open database: " + error);
    operations_ =
        std::make_unique<velmo_service::service_operations>(store_, shared_engine(), limits);
    config.host = "127.0.0.1";
    config.port = 0;
    server_ = std::make_unique<velmo_service::service_server>(*operations_, config);
    if (!server_->bind(&error)) throw std::runtime_error(error);
    port_ = server_->port();
    thread_ = std::thread([this] { server_->run(); });
    server_->wait_until_ready();
}

running_service::~running_service() { stop(); }

void running_service::stop() {
    if (!server_) return;
    server_->stop();
    if (thread_.joinable()) thread_.join();
    server_.reset();
    operations_.reset();
}

namespace {
std::string node_text(xmlNodePtr n) {
    xmlChar* t = xmlNodeGetContent(n);
    std::string s = t ? reinterpret_cast<const char*>(t) : "";
    xmlFree(t);
    return s;
}

// Calls `visit` for every node of //i:name in an answer body, in document order.
template <typename Visit>
void for_each_match(const std::string& body, const std::string& name, Visit visit) {
    xmlDocPtr doc = xmlReadMemory(body.data(), static_cast<int>(body.size()), nullptr, nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!doc) return;
    xmlXPathContextPtr ctx = xmlXPathNewContext(doc);
    xmlXPathRegisterNs(ctx, BAD_CAST "i", BAD_CAST VELMO_PROTOCOL_NS);
    const std::string expr = "//i:" + name;
    xmlXPathObjectPtr res = xmlXPathEvalExpression(BAD_CAST expr.c_str(), ctx);
    if (res && res->nodesetval)
        for (int k = 0; k < res->nodesetval->nodeNr; ++k) visit(res->nodesetval->nodeTab[k]);
    xmlXPathFreeObject(res);
    xmlXPathFreeContext(ctx);
    xmlFreeDoc(doc);
}
}  // namespace

std::vector<std::string> soap_reply::all(const std::string& name) const {
    std::vector<std::string> out;
    for_each_match(body, name, [&](xmlNodePtr n) { out.push_back(node_text(n)); });
    return out;
}

std::string soap_reply::first(const std::string& name) const {
    auto v = all(name);
    return v.empty() ? std::string() : v[0];
}

std::vector<found_error> read_errors(const soap_reply& reply) {
    std::vector<found_error> out;
    for_each_match(reply.body, VELMO_ANS_CHECK_RESULT, [&](xmlNodePtr record) {
        found_error e;
        for (xmlNodePtr c = record->children; c; c = c->next) {
            if (c->type != XML_ELEMENT_NODE) continue;
            const std::string name = reinterpret_cast<const char*>(c->name);
            if (name == VELMO_ANS_POS) e.pos = std::strtol(node_text(c).c_str(), nullptr, 10);
            if (name == VELMO_ANS_LEVEL)
                e.level = static_cast<int>(std::strtol(node_text(c).c_str(), nullptr, 10));
            if (name == VELMO_ANS_ERR_WORD) e.err_word = node_text(c);
            if (name == VELMO_ANS_MESSAGE) e.message = node_text(c);
            if (name == VELMO_ANS_COR_WORD)
                for (xmlNodePtr s = c->children; s; s = s->next)
                    if (s->type == XML_ELEMENT_NODE) e.suggestions.push_back(node_text(s));
        }
        out.push_back(e);
    });
    return out;
}

std::string xml_escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

namespace {
// <name>value</name>; the value as given.
std::string tag(const std::string& name, const std::string& value) {
    return "<" + name + ">" + value + "</" + name + ">";
}
}  // namespace

std::string envelope(const std::string& op, const std::string& params) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap12:Envelope "
           "xmlns:xsi=\"" VELMO_XSI_NS
           "\" "
           "xmlns:xsd=\"" VELMO_XSD_NS
           "\" "
           "xmlns:soap12=\"" VELMO_SOAP12_NS "\"><soap12:Body><" +
           op + " xmlns=\"" VELMO_PROTOCOL_NS "\">" + params + "</" + op +
           "></soap12:Body></soap12:Envelope>";
}

struct soap_client::impl {
    explicit impl(int port) : http("127.0.0.1", port) {
        http.set_connection_timeout(5, 0);
        http.set_read_timeout(30, 0);
        http.set_keep_alive(true);
        http.set_tcp_nodelay(true);
    }
    // The service closes a kept-alive connection after one idle second and this httplib
    // reuses a socket without checking it, so a call after a pause could meet a closed
    // connection. Such a connection is dropped well before the service would drop it.
    void drop_connection_if_idle() {
        const auto now = std::chrono::steady_clock::now();
        if (used && now - last_use > std::chrono::milliseconds(250)) http.stop();
        used = true;
    }
    httplib::Client http;
    bool used = false;
    std::chrono::steady_clock::time_point last_use;
};

soap_client::soap_client(int port) : impl_(std::make_unique<impl>(port)) {}
soap_client::~soap_client() = default;

soap_reply soap_client::post_raw(const std::string& body) {
    soap_reply r;
    impl_->drop_connection_if_idle();
    auto res = impl_->http.Post("/", body, "application/soap+xml; charset=utf-8");
    impl_->last_use = std::chrono::steady_clock::now();
    if (!res) {
        r.body = "transport error: " + httplib::to_string(res.error());
        return r;
    }
    r.status = res->status;
    r.body = res->body;
    return r;
}

soap_reply soap_client::call(const std::string& op,
                             const std::vector<std::pair<std::string, std::string>>& params) {
    std::string p;
    for (const auto& kv : params) p += tag(kv.first, xml_escape(kv.second));
    return post_raw(envelope(op, p));
}

soap_reply soap_client::get_pid(const std::string& user, const std::string& auth_no) {
    // This template carries white space between its tags.
    return post_raw(envelope(VELMO_OP_GET_PID,
                             "\n\t\t" + tag(VELMO_REQ_USER_NAME, xml_escape(user)) + "\n\t\t" +
                                 tag(VELMO_REQ_AUTH_NO, xml_escape(auth_no)) + "\n\t  "));
}

soap_reply soap_client::upload(const std::string& pid, const std::string& article,
                               const upload_options& o) {
    std::string clean = article;  // the client's one-for-one sanitising
    for (char& c : clean)
        if (c == '<' || c == '>' || c == '&' || (static_cast<unsigned char>(c) < 0x20)) c = ' ';
    auto n = [](int v) { return std::to_string(v); };
    const std::string params =
        tag(VELMO_REQ_ARTICLE, clean) + tag(VELMO_REQ_TOKEN, "1") + tag(VELMO_REQ_PID, pid) +
        tag(VELMO_REQ_CHECK_TYPE, tag(VELMO_OPT_LEADER_SORT, n(o.leader_sort)) +
                                      tag(VELMO_OPT_MATCH_DOTS, n(o.match_dots)) +
                                      tag(VELMO_OPT_SENTENCE, n(o.sentence))) +
        tag(VELMO_REQ_CHECK_EXTEND,
            tag(VELMO_OPT_DEFAULT, "1") + tag(VELMO_OPT_ENGLISH, n(o.eng)) +
                tag(VELMO_OPT_RESULT_TYPE, "0") + tag(VELMO_OPT_TRADITIONAL, n(o.fan_ti)) +
                tag(VELMO_OPT_HTML_TAG, "0") + tag(VELMO_OPT_LEADER, n(o.leader)) +
                tag(VELMO_OPT_NEED_SUGGESTIONS, "1") + tag(VELMO_OPT_PROF_TYPE, n(o.prof_type)) +
                tag(VELMO_OPT_TAIWAN, n(o.taiwan)) + tag(VELMO_OPT_USER_ERRORS, n(o.user_err)) +
                tag(VELMO_OPT_WEIGHT, n(o.weight)));
    return post_raw(envelope(VELMO_OP_UPLOAD, params));
}

soap_reply soap_client::progress(const std::string& pid) {
    return post_raw(
        envelope(VELMO_OP_PROGRESS, tag(VELMO_REQ_PID, pid) + tag(VELMO_REQ_TOKEN, "0")));
}

soap_reply soap_client::result(const std::string& pid) {
    return post_raw(envelope(VELMO_OP_RESULT, tag(VELMO_REQ_PID, pid) + tag(VELMO_REQ_TOKEN, "0")));
}

std::vector<found_error> soap_client::check(const std::string& user, const std::string& auth_no,
                                            const std::string& article, const upload_options& o,
                                            std::string* failure) {
    auto fail = [&](const std::string& why) {
        if (failure) *failure = why;
        return std::vector<found_error>{};
    };
    if (failure) failure->clear();
    soap_reply id = get_pid(user, auth_no);
    const std::string pid = id.first(VELMO_ANS_PID);
    if (pid.empty())
        return fail("no identifier: " + id.first(VELMO_ANS_ERR_CODE) + " " +
                    id.first(VELMO_ANS_ERR_MSG));
    soap_reply up = upload(pid, article, o);
    if (up.status != 200 || up.first(VELMO_ANS_ERR_CODE) != "0")
        return fail("upload refused: " + up.body);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (;;) {
        soap_reply p = progress(pid);
        if (p.status != 200) return fail("progress failed: " + std::to_string(p.status));
        if (p.first(VELMO_OP_PROGRESS VELMO_RESULT_SUFFIX) == "100") break;
        if (std::chrono::steady_clock::now() > deadline) return fail("job never finished");
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    soap_reply r = result(pid);
    if (r.status != 200) return fail("result failed: " + std::to_string(r.status));
    return read_errors(r);
}

std::string run_sql(const std::string& location, const std::string& sql) {
    if (velmo_service::service_store::is_shared_location(location)) {
        PGconn* c = PQconnectdb(location.c_str());
        PGresult* r = PQexec(c, sql.c_str());
        const ExecStatusType status = PQresultStatus(r);
        const std::string error = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK
                                      ? ""
                                      : std::string(PQerrorMessage(c)) + " ";
        PQclear(r);
        PQfinish(c);
        return error;
    }
    sqlite3* db = nullptr;
    std::string error;
    if (sqlite3_open(location.c_str(), &db) != SQLITE_OK ||
        sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        error = sqlite3_errmsg(db);
    sqlite3_close(db);
    return error;
}

void wait_for_a_running_job(const std::string& location) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (run_sql(location,
                   "DO $$ BEGIN IF NOT EXISTS (SELECT 1 FROM jobs WHERE state=3) AND"
                   " EXISTS (SELECT 1 FROM jobs WHERE state<>4) THEN RAISE EXCEPTION 'wait'; END "
                   "IF; END $$") != "" &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

bool wait_done(const std::vector<soap_client*>& clients, const std::string& pid) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (std::size_t i = 0; std::chrono::steady_clock::now() < deadline; ++i) {
        soap_reply p = clients[i % clients.size()]->progress(pid);
        if (p.status != 200) return false;
        if (p.first("GetCheckArticleProgressResult") == "100") return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

bool says_unavailable(const soap_reply& r) {
    return r.status == 503 && r.body.find("Receiver") != std::string::npos &&
           r.body.find("服务暂时不可用") != std::string::npos;
}

void add_account(velmo_service::service_store& store, const std::string& name,
                 const std::string& auth_no, long long quota, const std::string& end_date) {
    std::string error;
    if (!store.add_user(name, auth_no, quota, end_date, &error)) throw std::runtime_error(error);
}

}  // namespace velmo_test
