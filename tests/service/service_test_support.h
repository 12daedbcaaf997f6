// Helpers of the service tests: a service running in-process on an ephemeral
// loopback port with a temporary database, and a raw SOAP client that builds
// envelopes the way the plug-in's templates do and reads answers by XPath.
#pragma once

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "http/service_operations.h"
#include "http/service_server.h"
#include "rules/service_engine.h"
#include "store/service_store.h"

namespace velmo_test {

// A temporary directory removed with everything in it.
class temp_dir {
  public:
    temp_dir();
    ~temp_dir();
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// The engine over the shipped data files, loaded once per test binary.
const velmo_service::check_engine& shared_engine();
std::string service_data_dir();

class running_service {
  public:
    explicit running_service(const std::string& db_path, velmo_service::service_limits limits = {},
                             velmo_service::server_config config = {});
    ~running_service();
    void stop();
    int port() const { return port_; }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
    velmo_service::service_store& store() { return store_; }
    velmo_service::service_operations& operations() { return *operations_; }

  private:
    velmo_service::service_store store_;
    std::unique_ptr<velmo_service::service_operations> operations_;
    std::unique_ptr<velmo_service::service_server> server_;
    std::thread thread_;
    int port_ = -1;
};

struct soap_reply {
    int status = 0;  // 0 when no HTTP answer arrived
    std::string body;
    // Texts of //i:name (i = the service namespace) in document order.
    std::vector<std::string> all(const std::string& name) const;
    std::string first(const std::string& name) const;  // "" when absent
    bool has(const std::string& name) const { return !all(name).empty(); }
};

struct found_error {
    long pos = 0;
    int level = 0;
    std::string err_word;
    std::vector<std::string> suggestions;
    std::string message;  // "" when the answer has none
};

struct upload_options {
    int leader_sort = 0, match_dots = 0, sentence = 1, eng = 0, fan_ti = 0, leader = 0,
        prof_type = 0, taiwan = 0, user_err = 0, weight = 1;
};

class soap_client {
  public:
    explicit soap_client(int port);
    ~soap_client();
    soap_reply post_raw(const std::string& body);
    soap_reply call(const std::string& op,
                    const std::vector<std::pair<std::string, std::string>>& params);

    soap_reply get_pid(const std::string& user, const std::string& auth_no);
    soap_reply upload(const std::string& pid, const std::string& article, const upload_options& o);
    soap_reply progress(const std::string& pid);
    soap_reply result(const std::string& pid);
    // Identifier, upload, polls until 100, result; empty `failure` on success.
    std::vector<found_error> check(const std::string& user, const std::string& auth_no,
                                   const std::string& article, const upload_options& o,
                                   std::string* failure);

  private:
    struct impl;
    std::unique_ptr<impl> impl_;
};

// Progress polled through `clients` in turn until 100 (true), an answer
// other than progress, or a minute.
bool wait_done(const std::vector<soap_client*>& clients, const std::string& pid);

// A Receiver fault (HTTP 503) saying the service cannot serve now.
bool says_unavailable(const soap_reply& r);

std::string envelope(const std::string& op, const std::string& params);
std::string xml_escape(const std::string& s);
std::vector<found_error> read_errors(const soap_reply& reply);

// Runs `sql` straight on the database `location` names (a SQLite file or a
// postgresql:// address), bypassing the store; the error text, "" on success.
std::string run_sql(const std::string& location, const std::string& sql);

// Waits (at most a minute) until a job on the shared database `location`
// runs, or until every job there is done.
void wait_for_a_running_job(const std::string& location);

// A raw TCP connection from `source` (any 127.x.y.z address is loopback) to
// the loopback `port`; `fd` is -1 when the connection was refused.
struct raw_connection {
    raw_connection(const char* source, int port);
    ~raw_connection();
    raw_connection(const raw_connection&) = delete;
    raw_connection& operator=(const raw_connection&) = delete;
    bool send_text(const std::string& s);
    // What arrives until nothing more does for `ms` or the peer closes.
    std::string receive(int ms);
    int fd = -1;
    bool peer_closed = false;
};

// Asks for the result of `pid` on the loopback `port` and closes the
// connection after the first `bytes` of the answer; how many arrived.
std::size_t fetch_result_cut(int port, const std::string& pid, std::size_t bytes);

// Adds an account directly in the store.
void add_account(velmo_service::service_store& store, const std::string& name,
                 const std::string& auth_no, long long quota = 1000000,
                 const std::string& end_date = "2099-12-31");

}  // namespace velmo_test
