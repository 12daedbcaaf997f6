// The ten operations of the proofreading service, from a request body to an
// HTTP status and an answer body. Transport-free, so tests and the server
// share it.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

#include "http/service_signin_throttle.h"
#include "jobs/service_jobs.h"
#include "rules/service_engine.h"
#include "store/service_store.h"

namespace velmo_service {

struct service_limits {
    std::size_t max_article_units = 200000;  // longest article accepted, in UTF-16 units
    std::size_t max_word_units = 200;        // longest word-library entry
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

class service_operations {
  public:
    service_operations(service_store& store, const check_engine& engine, service_limits limits);
    ~service_operations();

    // `client_address` is the peer the request came from (sign-in throttling).
    http_answer handle(const std::string& body, const std::string& client_address = std::string());
    job_board& jobs() { return *jobs_; }

  private:
    service_store& store_;
    const check_engine& engine_;
    service_limits limits_;
    std::unique_ptr<job_board> jobs_;
    signin_throttle signin_;
};

// The Chinese message for an account code.
const char* operations_message(int code);

}  // namespace velmo_service
