#include "fake_service.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QString>
#include <algorithm>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

#include "velmo_protocol.h"

const char* const FAKE_SERVICE_NS = VELMO_PROTOCOL_NS;

namespace {

const char SOAP12_NS[] = VELMO_SOAP12_NS;

using xml_doc = std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)>;

xml_doc parse_request(const std::string& body) {
    return xml_doc(xmlReadMemory(body.data(), static_cast<int>(body.size()), nullptr, nullptr,
                                 XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING),
                   xmlFreeDoc);
}

bool is_element(xmlNodePtr node, const char* local_name) {
    return node && node->type == XML_ELEMENT_NODE &&
           xmlStrEqual(node->name, reinterpret_cast<const xmlChar*>(local_name));
}

xmlNodePtr first_element_child(xmlNodePtr node) {
    for (xmlNodePtr child = node ? node->children : nullptr; child; child = child->next) {
        if (child->type == XML_ELEMENT_NODE) return child;
    }
    return nullptr;
}

// The element inside soap12:Body of a request.
xmlNodePtr operation_element(xmlDocPtr doc) {
    xmlNodePtr root = xmlDocGetRootElement(doc);
    if (!is_element(root, "Envelope")) return nullptr;
    for (xmlNodePtr child = root->children; child; child = child->next) {
        if (is_element(child, "Body")) return first_element_child(child);
    }
    return nullptr;
}

xmlNodePtr find_descendant(xmlNodePtr node, const char* local_name) {
    for (xmlNodePtr child = node->children; child; child = child->next) {
        if (child->type != XML_ELEMENT_NODE) continue;
        if (is_element(child, local_name)) return child;
        if (xmlNodePtr found = find_descendant(child, local_name)) return found;
    }
    return nullptr;
}

std::string node_text(xmlNodePtr node) {
    xmlChar* content = xmlNodeGetContent(node);
    std::string text = content ? reinterpret_cast<const char*>(content) : "";
    xmlFree(content);
    return text;
}

std::string element(const std::string& name, const std::string& text) {
    return "<" + name + ">" + fake_xml_escape(text) + "</" + name + ">";
}

std::string element(const std::string& name, int value) {
    return element(name, std::to_string(value));
}

struct job_play {
    fake_job job;
    size_t polls = 0;
    bool uploaded = false;
    std::string article;
};

}  // namespace

std::string fake_request::value(const std::string& name) const {
    xml_doc doc = parse_request(body);
    xmlNodePtr operation = doc ? operation_element(doc.get()) : nullptr;
    xmlNodePtr found = operation ? find_descendant(operation, name.c_str()) : nullptr;
    return found ? node_text(found) : std::string();
}

struct fake_service::state {
    httplib::Server server;
    std::thread thread;
    int port = 0;

    mutable std::mutex mutex;
    std::condition_variable stopping_signal;
    bool stopping = false;
    std::map<std::string, std::function<fake_answer(const fake_request&)>> handlers;
    std::deque<fake_job> queued_jobs;
    std::map<std::string, job_play> jobs;
    std::vector<fake_request> requests;

    fake_answer answer(const fake_request& request);
    fake_answer job_answer(const fake_request& request, bool& handled);
    void wait(std::chrono::milliseconds delay);
};

void fake_service::state::wait(std::chrono::milliseconds delay) {
    if (delay.count() <= 0) return;
    std::unique_lock<std::mutex> lock(mutex);
    stopping_signal.wait_for(lock, delay, [this] { return stopping; });
}

fake_answer fake_service::state::job_answer(const fake_request& request, bool& handled) {
    std::lock_guard<std::mutex> lock(mutex);
    handled = true;
    const std::string& op = request.operation;
    if (op == VELMO_OP_GET_PID && !queued_jobs.empty()) {
        fake_job job = queued_jobs.front();
        queued_jobs.pop_front();
        const std::string pid = job.pid;
        jobs[pid] = job_play{std::move(job), 0, false, {}};
        return {200, fake_pid_answer(pid), {}};
    }
    const bool job_operation =
        op == VELMO_OP_UPLOAD || op == VELMO_OP_PROGRESS || op == VELMO_OP_RESULT;
    if (job_operation && !jobs.empty()) {
        auto found = jobs.find(request.value(VELMO_REQ_PID));
        if (found == jobs.end()) return {500, fake_fault("soap12:Receiver", "unknown job"), {}};
        job_play& play = found->second;
        if (op == VELMO_OP_UPLOAD) {
            play.uploaded = true;
            play.article = request.value(VELMO_REQ_ARTICLE);
            return {200, fake_code_answer(op, 0, "成功"), {}};
        }
        if (op == VELMO_OP_PROGRESS) {
            const std::vector<int>& steps = play.job.progress;
            const int value = steps.empty() ? 100 : steps[std::min(play.polls, steps.size() - 1)];
            ++play.polls;
            return {200, fake_progress_answer(value), {}};
        }
        const std::vector<fake_error> errors = play.job.errors_for_article
                                                   ? play.job.errors_for_article(play.article)
                                                   : play.job.errors;
        return {200, fake_result_answer(errors), {}};
    }
    handled = false;
    return {};
}

fake_answer fake_service::state::answer(const fake_request& request) {
    std::function<fake_answer(const fake_request&)> handler;
    {
        std::lock_guard<std::mutex> lock(mutex);
        requests.push_back(request);
        auto found = handlers.find(request.operation);
        if (found != handlers.end()) handler = found->second;
    }
    if (handler) return handler(request);
    bool handled = false;
    fake_answer job = job_answer(request, handled);
    if (handled) return job;
    return {500, fake_fault("soap12:Receiver", "no answer scripted for " + request.operation), {}};
}

fake_service::fake_service() : m_state(new state) {
    state* s = m_state.get();
    s->server.Post(
        ".*", [s](const httplib::Request& http_request, httplib::Response& http_response) {
            fake_request request;
            request.body = http_request.body;
            xml_doc doc = parse_request(request.body);
            if (xmlNodePtr operation = doc ? operation_element(doc.get()) : nullptr)
                request.operation = reinterpret_cast<const char*>(operation->name);
            const fake_answer answer = s->answer(request);
            s->wait(answer.delay);
            http_response.status = answer.status;
            http_response.set_content(answer.body, "application/soap+xml; charset=utf-8");
        });
    // Anything but a POST is recorded (operation "", body "GET /path") and refused.
    s->server.Get(".*",
                  [s](const httplib::Request& http_request, httplib::Response& http_response) {
                      std::lock_guard<std::mutex> lock(s->mutex);
                      s->requests.push_back({"", "GET " + http_request.path});
                      http_response.status = 405;
                  });
    // One request per connection, so that stopping never waits for an idle keep-alive.
    s->server.set_keep_alive_max_count(1);
    s->port = s->server.bind_to_any_port("127.0.0.1");
    s->thread = std::thread([s] { s->server.listen_after_bind(); });
    // stop() is ignored until the accept loop runs.
    while (!s->server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

fake_service::~fake_service() {
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->stopping = true;
    }
    m_state->stopping_signal.notify_all();
    m_state->server.stop();
    m_state->thread.join();
}

int fake_service::port() const { return m_state->port; }

std::string fake_service::url() const {
    return "http://127.0.0.1:" + std::to_string(m_state->port) + "/";
}

void fake_service::set_answer(const std::string& operation, const fake_answer& answer) {
    set_handler(operation, [answer](const fake_request&) { return answer; });
}

void fake_service::set_answers(const std::string& operation,
                               const std::vector<fake_answer>& answers) {
    auto next = std::make_shared<size_t>(0);
    set_handler(operation, [answers, next](const fake_request&) {
        if (answers.empty()) return fake_answer{};
        return answers[std::min((*next)++, answers.size() - 1)];
    });
}

void fake_service::set_handler(const std::string& operation,
                               std::function<fake_answer(const fake_request&)> handler) {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->handlers[operation] = std::move(handler);
}

void fake_service::clear_answer(const std::string& operation) {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->handlers.erase(operation);
}

void fake_service::add_job(const fake_job& job) {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->queued_jobs.push_back(job);
}

std::string fake_service::uploaded_article(const std::string& pid) const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    auto found = m_state->jobs.find(pid);
    return found == m_state->jobs.end() ? std::string() : found->second.article;
}

std::vector<fake_request> fake_service::requests() const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->requests;
}

std::vector<fake_request> fake_service::requests(const std::string& operation) const {
    std::vector<fake_request> matching;
    for (const fake_request& request : requests()) {
        if (request.operation == operation) matching.push_back(request);
    }
    return matching;
}

void fake_service::clear_requests() {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->requests.clear();
}

std::string fake_service::unreachable_url() {
    // A port that was just free: bound, never listened on, closed again.
    int port = 0;
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (probe >= 0 && ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    if (probe >= 0) ::close(probe);
    return "http://127.0.0.1:" + std::to_string(port) + "/";
}

std::string fake_xml_escape(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            case '\'':
                escaped += "&apos;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string fake_envelope(const std::string& operation, const std::string& inner) {
    return std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>") +
           "<soap12:Envelope xmlns:soap12=\"" + SOAP12_NS + "\"" +
           " xmlns:xsi=\"" VELMO_XSI_NS "\"" + " xmlns:xsd=\"" VELMO_XSD_NS "\"><soap12:Body>" +
           "<" + operation + VELMO_RESPONSE_SUFFIX " xmlns=\"" + FAKE_SERVICE_NS + "\">" + "<" +
           operation + VELMO_RESULT_SUFFIX ">" + inner + "</" + operation +
           VELMO_RESULT_SUFFIX ">" + "</" + operation +
           VELMO_RESPONSE_SUFFIX "></soap12:Body></soap12:Envelope>";
}

std::string fake_fault(const std::string& code, const std::string& reason) {
    return std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>") +
           "<soap12:Envelope xmlns:soap12=\"" + SOAP12_NS + "\"><soap12:Body><soap12:Fault>" +
           "<soap12:Code><soap12:Value>" + code + "</soap12:Value></soap12:Code>" +
           "<soap12:Reason><soap12:Text xml:lang=\"en\">" + fake_xml_escape(reason) +
           "</soap12:Text></soap12:Reason></soap12:Fault></soap12:Body></soap12:Envelope>";
}

std::string fake_code_answer(const std::string& operation, int code, const std::string& message) {
    return fake_envelope(operation,
                         element(VELMO_ANS_ERR_CODE, code) + element(VELMO_ANS_ERR_MSG, message));
}

std::string fake_pid_answer(const std::string& pid) {
    return fake_envelope(VELMO_OP_GET_PID, element(VELMO_ANS_ERR_CODE, 0) +
                                               element(VELMO_ANS_ERR_MSG, "成功") +
                                               element(VELMO_ANS_PID, pid));
}

std::string fake_progress_answer(int progress) {
    return fake_envelope(VELMO_OP_PROGRESS, std::to_string(progress));
}

std::vector<fake_error> fake_errors_wherever(const std::string& article,
                                             const std::vector<fake_error>& words) {
    const QString text = QString::fromStdString(article);
    std::vector<fake_error> errors;
    for (const fake_error& known : words) {
        const QString word = QString::fromStdString(known.err_word);
        for (int at = text.indexOf(word); at >= 0; at = text.indexOf(word, at + 1)) {
            errors.push_back(known);
            errors.back().pos = at;
        }
    }
    std::stable_sort(errors.begin(), errors.end(),
                     [](const fake_error& a, const fake_error& b) { return a.pos < b.pos; });
    return errors;
}

std::string fake_result_answer(const std::vector<fake_error>& errors) {
    std::string inner;
    for (const fake_error& error : errors) {
        inner += "<" VELMO_ANS_CHECK_RESULT ">" + element(VELMO_ANS_POS, error.pos) +
                 element(VELMO_ANS_LEVEL, error.level) +
                 element(VELMO_ANS_ERR_WORD, error.err_word) + "<" VELMO_ANS_COR_WORD ">";
        for (const std::string& suggestion : error.suggestions)
            inner += element(VELMO_ANS_STRING, suggestion);
        inner += "</" VELMO_ANS_COR_WORD ">";
        if (!error.message.empty()) inner += element(VELMO_ANS_MESSAGE, error.message);
        inner += "</" VELMO_ANS_CHECK_RESULT ">";
    }
    return fake_envelope(VELMO_OP_RESULT, inner);
}

std::string fake_userinfo_answer(const std::string& user_state, const std::string& remaining_words,
                                 const std::string& auth_end_time) {
    return fake_envelope(VELMO_OP_USER_INFO,
                         element(VELMO_ANS_USER_STATE, user_state) +
                             element(VELMO_ANS_REMAINING_WORDS, remaining_words) +
                             element(VELMO_ANS_AUTH_END_TIME, auth_end_time));
}

std::string fake_details_answer(const fake_details& details) {
    std::string inner = element(VELMO_ANS_AUTH_WORDS, details.auth_words_count) +
                        element(VELMO_ANS_CHECK_WORDS, details.check_words_count) +
                        element(VELMO_ANS_CUR_CHECK_WORDS, details.cur_check_words_count) +
                        element(VELMO_ANS_AUTH_END_TIME, details.auth_end_time) +
                        element(VELMO_ANS_PAGE_INDEX, details.page_index) +
                        element(VELMO_ANS_PAGE_NO, details.page_no) +
                        element(VELMO_ANS_TOTAL_COUNT, details.total_count);
    for (const fake_detail_row& row : details.rows) {
        inner += "<" VELMO_ANS_CHECK_DETAIL ">" + element(VELMO_ANS_CHECK_TIME, row.check_time) +
                 element(VELMO_ANS_CHECK_WORDS, row.check_words_count) +
                 "</" VELMO_ANS_CHECK_DETAIL ">";
    }
    return fake_envelope(VELMO_OP_CHECK_DETAIL, inner);
}

std::string fake_words_answer(int page_no, int total_count, const std::vector<std::string>& words) {
    std::string inner =
        element(VELMO_ANS_PAGE_NO, page_no) + element(VELMO_ANS_TOTAL_COUNT, total_count);
    for (const std::string& word : words) inner += element(VELMO_ANS_STRING, word);
    return fake_envelope(VELMO_OP_WORDS_LIST, inner);
}
