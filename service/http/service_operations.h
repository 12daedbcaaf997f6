// The ten operations of the proofreading service, from a request body to an
// HTTP status and an answer body, one member per operation behind a table.
// Transport-free, so tests and the server share it. A store that cannot be
// reached answers a Receiver fault (HTTP 503), never a missing user or job.
#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "http/service_signin_throttle.h"
#include "jobs/service_jobs.h"
#include "rules/service_engine.h"
#include "store/service_store.h"

namespace velmo_service {

struct service_limits {
    std::size_t max_article_units = 200000;   // longest article accepted, in UTF-16 units
    std::size_t max_word_units = 200;         // longest word-library entry
    std::int64_t max_words_per_user = 10000;  // entries of both word libraries together
    job_limits jobs;
    signin_limits signin;
};

// Page sizes of the paged answers.
constexpr std::int64_t usage_page_size = 10;
constexpr std::int64_t words_page_size = 20;

struct http_answer {
    int status = 200;
    std::string body;
};

// The reason of the fault that answers a request the service cannot serve
// now (the database out of reach, every worker busy, the service stopping).
extern const char* const operations_unavailable_message;

class service_operations {
  public:
    service_operations(service_store& store, const check_engine& engine, service_limits limits);
    ~service_operations();

    // `client_address` is the peer the request came from (sign-in throttling).
    http_answer handle(const std::string& body, const std::string& client_address = std::string());
    job_board& jobs() { return *jobs_; }

    struct request;  // a parsed request and the client it came from
    using operation = http_answer (service_operations::*)(const request&);

  private:
    static const std::map<std::string, operation>& operations();

    http_answer check_user(const request& r);
    http_answer issue_job(const request& r);
    http_answer upload(const request& r);
    http_answer progress(const request& r);
    http_answer results(const request& r);
    http_answer user_info(const request& r);
    http_answer check_detail(const request& r);
    http_answer words_list(const request& r);
    http_answer add_words(const request& r);
    http_answer delete_words(const request& r);

    // The code of a sign-in with the request's name and number; a throttled
    // sign-in is not looked at and gives `signin_held`.
    int sign_in(const request& r);
    // The word-library entry an AddWords or DeleteWords names, or an answer
    // that ends the request (unknown user or library, entry too long).
    std::optional<http_answer> word_request(const request& r, int& lib, std::string& word);

    service_store& store_;
    const check_engine& engine_;
    service_limits limits_;
    std::unique_ptr<job_board> jobs_;
    signin_throttle signin_;
};

// A sign-in held back after failures is not checked; it is answered with
// ErrCode 5 and a message that tells the user to come back later.
constexpr int signin_held = -1;
extern const char* const operations_try_later_message;

// The Chinese message for an account code.
const char* operations_message(int code);

}  // namespace velmo_service
