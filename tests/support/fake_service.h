// A fake proofreading service for tests: a real HTTP server on 127.0.0.1
// with an ephemeral port, running from construction to destruction.
//
// Each POST is recognised by the local name of the operation element in its
// SOAP body (e.g. "CheckUser") and answered, in this order of precedence, by
//   1. a handler or scripted answers set for that operation,
//   2. the queued jobs (see fake_job) for the four job operations,
//   3. otherwise a SOAP fault with status 500.
// Every request body is recorded, in arrival order; a GET is recorded too
// (operation "", body "GET /path") and answered 405, so that tests can
// show that nothing was fetched.
//
//   fake_service service;
//   config.set_string("OtherParams", "ServiceUrl", service.url().c_str());
//   service.set_answer("CheckUser", {200, fake_code_answer("CheckUser", 0, "成功")});
//   ... call the client ...
//   EXPECT_EQ(service.requests("CheckUser").at(0).value("userName"), "alice");
#ifndef TESTS_SUPPORT_FAKE_SERVICE_H
#define TESTS_SUPPORT_FAKE_SERVICE_H

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// One scripted HTTP answer.
struct fake_answer {
    int status = 200;
    std::string body;
    // Time the service waits before it answers (cut short when it stops).
    std::chrono::milliseconds delay{0};
};

// One request as the service received it.
struct fake_request {
    std::string operation;  // local name of the operation element; "" when unreadable
    std::string body;       // the raw request body

    // Text of the first element with that local name inside the operation
    // element (at any depth); "" when there is none.
    std::string value(const std::string& element) const;
};

// One error of a job's result.
struct fake_error {
    int pos = 0;
    int level = 1;
    std::string err_word;
    std::vector<std::string> suggestions;
    std::string message = {};  // sent only when not empty
};

// A proofreading job the service plays: the next GetCheckArticlePIDByUser
// hands out pid; UpLoadCheckArticle for pid is accepted (status 200);
// successive GetCheckArticleProgress polls for pid get the steps of
// progress in turn, the last one repeating; GetCheckArticleResult for pid
// gets the errors. Unknown identifiers get a fault with status 500.
struct fake_job {
    std::string pid;
    std::vector<int> progress{100};
    std::vector<fake_error> errors;
    // When set, the errors are computed from the uploaded article instead.
    std::function<std::vector<fake_error>(const std::string& article)> errors_for_article;
};

class fake_service {
  public:
    fake_service();
    ~fake_service();
    fake_service(const fake_service&) = delete;
    fake_service& operator=(const fake_service&) = delete;

    int port() const;
    // "http://127.0.0.1:<port>/"
    std::string url() const;

    // Every later request for operation gets this answer.
    void set_answer(const std::string& operation, const fake_answer& answer);
    // Later requests for operation get these answers in turn; the last repeats.
    void set_answers(const std::string& operation, const std::vector<fake_answer>& answers);
    // Later requests for operation are answered by handler (called on a server thread).
    void set_handler(const std::string& operation,
                     std::function<fake_answer(const fake_request&)> handler);
    // Removes what was set for operation.
    void clear_answer(const std::string& operation);

    // Queues a job; jobs are handed out in the order they were queued.
    void add_job(const fake_job& job);
    // The article uploaded for pid ("" when none was).
    std::string uploaded_article(const std::string& pid) const;

    std::vector<fake_request> requests() const;
    std::vector<fake_request> requests(const std::string& operation) const;
    void clear_requests();

    // An address on 127.0.0.1 where nothing listens.
    static std::string unreachable_url();

  private:
    struct state;
    std::unique_ptr<state> m_state;
};

// ---- Answer bodies shaped as the protocol describes ------------------------

// The namespace of the service's elements.
extern const char* const FAKE_SERVICE_NS;

// &, <, >, " and ' as character references.
std::string fake_xml_escape(const std::string& text);

// <soap12:Envelope><soap12:Body><OpResponse xmlns=NS><OpResult>inner
// </OpResult></OpResponse></soap12:Body></soap12:Envelope>; inner is raw XML.
std::string fake_envelope(const std::string& operation, const std::string& inner);

// A SOAP 1.2 fault; code is "soap12:Sender" or "soap12:Receiver".
std::string fake_fault(const std::string& code, const std::string& reason);

// Every occurrence in the article (UTF-8) of each error's text, with the
// error's level, suggestions and message and the occurrence's UTF-16
// position, in ascending position: a service that finds these words wherever
// they are.
std::vector<fake_error> fake_errors_wherever(const std::string& article,
                                             const std::vector<fake_error>& words);

// ErrCode and ErrMsg, as CheckUser, AddWords, DeleteWords and the upload answer.
std::string fake_code_answer(const std::string& operation, int code, const std::string& message);

// GetCheckArticlePIDByUser accepted: ErrCode 0, ErrMsg, PID.
std::string fake_pid_answer(const std::string& pid);

// GetCheckArticleProgress holding the progress value.
std::string fake_progress_answer(int progress);

// GetCheckArticleResult with one CheckResult per error.
std::string fake_result_answer(const std::vector<fake_error>& errors);

// GetUserInfo.
std::string fake_userinfo_answer(const std::string& user_state, const std::string& remaining_words,
                                 const std::string& auth_end_time);

// GetUserCheckDetail.
struct fake_detail_row {
    std::string check_time;
    std::string check_words_count;
};
struct fake_details {
    std::string auth_words_count;
    std::string check_words_count;
    std::string cur_check_words_count;
    std::string auth_end_time;
    std::string page_index;
    std::string page_no;
    std::string total_count;
    std::vector<fake_detail_row> rows;
};
std::string fake_details_answer(const fake_details& details);

// GetWordsList.
std::string fake_words_answer(int page_no, int total_count, const std::vector<std::string>& words);

#endif
