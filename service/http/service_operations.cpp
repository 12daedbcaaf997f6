#include "http/service_operations.h"

#include <libxml/parser.h>

#include <algorithm>
#include <functional>

#include "base/service_clock.h"
#include "base/service_text.h"
#include "http/service_soap.h"
#include "jobs/service_job_rows_postgresql.h"
#include "jobs/service_job_rows_sqlite.h"
#include "store/service_user_name.h"
#include "velmo_protocol.h"

namespace velmo_service {

const char* const operations_unavailable_message = "服务暂时不可用";
const char* const operations_try_later_message = "登录失败次数过多，请稍后再试";

struct service_operations::request {
    soap_request soap;
    std::string client;
    const std::string& op() const { return soap.operation; }
    // In NFC, as accounts are kept: jobs and sign-in holds compare it as is.
    std::string user() const { return user_name_normal(soap.value(VELMO_REQ_USER_NAME)); }
};

namespace {
using node = soap_answer::node;

http_answer fault(int status, const std::string& reason) {
    return http_answer{status, soap_fault(status < 500, reason)};
}

http_answer ok(const soap_answer& a) { return http_answer{200, a.serialize()}; }

void add_code(soap_answer& a, int code) {
    a.add(a.result(), VELMO_ANS_ERR_CODE, std::to_string(code));
    a.add(a.result(), VELMO_ANS_ERR_MSG, operations_message(code));
}

void add_code(soap_answer& a, int code, const char* message) {
    a.add(a.result(), VELMO_ANS_ERR_CODE, std::to_string(code));
    a.add(a.result(), VELMO_ANS_ERR_MSG, message);
}

http_answer code_answer(const std::string& op, int code) {
    soap_answer a(op);
    add_code(a, code);
    return ok(a);
}

http_answer unavailable() { return fault(503, operations_unavailable_message); }

// A job refused because the user already holds as many as allowed: the code
// of a refused job, with a message that names the cause.
const char* const busy_message = "同时进行的校对任务过多";

bool flag(const soap_request& r, const char* name, long long fallback = 0) {
    return r.number(name, fallback) != 0;
}

check_options options_of(const soap_request& r) {
    check_options o;
    o.general = flag(r, VELMO_OPT_SENTENCE, 1) && flag(r, VELMO_OPT_DEFAULT, 1);
    o.match_dots = flag(r, VELMO_OPT_MATCH_DOTS);
    o.leader_sort = flag(r, VELMO_OPT_LEADER_SORT);
    o.english = flag(r, VELMO_OPT_ENGLISH);
    o.traditional = flag(r, VELMO_OPT_TRADITIONAL);
    o.leader = flag(r, VELMO_OPT_LEADER);
    o.taiwan = flag(r, VELMO_OPT_TAIWAN);
    o.user_errors = flag(r, VELMO_OPT_USER_ERRORS);
    o.weight = static_cast<int>(std::clamp(r.number(VELMO_OPT_WEIGHT, 0), 0LL, 2LL));
    o.prof_type = static_cast<int>(std::clamp(r.number(VELMO_OPT_PROF_TYPE, 0), 0LL, 99LL));
    return o;
}

// The client sanitises the article; the service does the same so that a
// sloppier client cannot smuggle control characters into the engine.
std::u16string article_text(const std::string& utf8) {
    std::u16string t = text_utf8_to_utf16(utf8);
    for (char16_t& c : t)
        if (c < 0x20) c = u' ';
    return t;
}

std::int64_t pages_of(std::int64_t total, std::int64_t size) { return (total + size - 1) / size; }
}  // namespace

const char* operations_message(int code) {
    switch (code) {
        case code_ok:
            return "成功";
        case code_unknown_user:
            return "用户名或授权码错误";
        case code_disabled:
            return "账户已停用";
        case code_expired:
            return "授权已过期";
        case code_no_words:
            return "剩余字数不足";
        default:
            return "任务被拒绝";
    }
}

service_operations::service_operations(service_store& store, const check_engine& engine,
                                       service_limits limits)
    : store_(store),
      engine_(engine),
      limits_(limits),
      // One connection per worker, and three for the requests and the board's upkeep.
      jobs_(std::make_unique<job_board>(
          engine,
          service_store::is_shared_location(store.location())
              ? postgresql_job_rows_open(store.location(), std::max(limits.jobs.workers, 1) + 3)
              : sqlite_job_rows_open(store.location()),
          limits.jobs)),
      signin_(limits.signin) {
    xmlInitParser();  // once, before requests are parsed on several threads
}

service_operations::~service_operations() = default;

const std::map<std::string, service_operations::operation>& service_operations::operations() {
    static const std::map<std::string, operation> table = {
        {VELMO_OP_CHECK_USER, &service_operations::check_user},
        {VELMO_OP_GET_PID, &service_operations::issue_job},
        {VELMO_OP_UPLOAD, &service_operations::upload},
        {VELMO_OP_PROGRESS, &service_operations::progress},
        {VELMO_OP_RESULT, &service_operations::results},
        {VELMO_OP_USER_INFO, &service_operations::user_info},
        {VELMO_OP_CHECK_DETAIL, &service_operations::check_detail},
        {VELMO_OP_WORDS_LIST, &service_operations::words_list},
        {VELMO_OP_ADD_WORDS, &service_operations::add_words},
        {VELMO_OP_DELETE_WORDS, &service_operations::delete_words},
    };
    return table;
}

http_answer service_operations::handle(const std::string& body, const std::string& client_address) {
    request r;
    std::string error;
    if (!soap_parse_request(body, r.soap, &error)) return fault(400, error);
    r.client = client_address;
    const auto found = operations().find(r.op());
    if (found == operations().end()) return fault(400, "unknown operation");
    try {
        return (this->*found->second)(r);
    } catch (const store_unavailable&) {
        return unavailable();
    }
}

int service_operations::sign_in(const request& r) {
    const std::string user = r.user();
    if (!signin_.allowed(user, r.client)) return signin_held;
    // A store failure throws past the throttle: an outage is no failed sign-in.
    const int code = store_.check_login(user, r.soap.value(VELMO_REQ_AUTH_NO));
    if (code != code_ok) {
        signin_.failed(user, r.client);
        return code;
    }
    signin_.succeeded(user, r.client);
    auto a = store_.find_user(user);
    return a ? service_store::account_code_of(*a, clock_today_text()) : int(code_unknown_user);
}

namespace {
void add_sign_in_code(soap_answer& a, int code) {
    if (code == signin_held)
        add_code(a, code_refused, operations_try_later_message);
    else
        add_code(a, code);
}
}  // namespace

http_answer service_operations::check_user(const request& r) {
    const int code = sign_in(r);
    soap_answer a(r.op());
    add_sign_in_code(a, code);
    return ok(a);
}

http_answer service_operations::issue_job(const request& r) {
    int code = sign_in(r);
    std::optional<std::string> pid;
    if (code == code_ok) pid = jobs_->create(r.user());
    soap_answer a(r.op());
    if (code == code_ok && !pid)
        add_code(a, code_refused, busy_message);
    else
        add_sign_in_code(a, code);
    if (pid) a.add(a.result(), VELMO_ANS_PID, *pid);
    return ok(a);
}

http_answer service_operations::upload(const request& r) {
    const std::string pid = r.soap.value(VELMO_REQ_PID);
    std::string owner;
    switch (jobs_->claim(pid, r.user(), &owner)) {
        case job_submit::unknown:
            return fault(500, "unknown job");
        case job_submit::already_uploaded:
            return code_answer(r.op(), code_refused);
        case job_submit::busy: {
            soap_answer a(r.op());
            add_code(a, code_refused, busy_message);
            return ok(a);
        }
        case job_submit::accepted:
            break;
    }
    std::u16string text = article_text(r.soap.value(VELMO_REQ_ARTICLE));
    if (text.size() > limits_.max_article_units) {
        jobs_->drop(pid);
        return code_answer(r.op(), code_refused);
    }
    const std::int64_t words = text_count_words(text);
    const int charged = jobs_->charge_and_submit(pid, owner, words, clock_now_text(),
                                                 std::move(text), options_of(r.soap));
    if (charged == code_unavailable) return unavailable();
    return code_answer(r.op(), charged);
}

http_answer service_operations::progress(const request& r) {
    auto value = jobs_->progress(r.soap.value(VELMO_REQ_PID), r.user());
    if (!value) return fault(500, "unknown job");
    soap_answer a(r.op());
    a.set_text(a.result(), std::to_string(*value));
    return ok(a);
}

http_answer service_operations::results(const request& r) {
    std::vector<finding> found;
    switch (jobs_->take_results(r.soap.value(VELMO_REQ_PID), r.user(), found)) {
        case job_fetch::unknown:
            return fault(500, "unknown job");
        case job_fetch::not_finished:
            return fault(500, "job not finished");
        case job_fetch::ready:
            break;
    }
    soap_answer a(r.op());
    for (const finding& f : found) {
        node e = a.add_element(a.result(), VELMO_ANS_CHECK_RESULT);
        a.add(e, VELMO_ANS_POS, std::to_string(f.pos));
        a.add(e, VELMO_ANS_LEVEL, std::to_string(f.level));
        a.add(e, VELMO_ANS_ERR_WORD, f.err_word);
        node cor = a.add_element(e, VELMO_ANS_COR_WORD);
        for (const std::string& s : f.suggestions) a.add(cor, VELMO_ANS_STRING, s);
        if (!f.message.empty()) a.add(e, VELMO_ANS_MESSAGE, f.message);
    }
    return ok(a);
}

http_answer service_operations::user_info(const request& r) {
    const std::optional<account> acc = store_.find_user(r.user());
    if (!acc) return code_answer(r.op(), code_unknown_user);
    soap_answer a(r.op());
    const int code = service_store::account_code_of(*acc, clock_today_text());
    a.add(a.result(), VELMO_ANS_USER_STATE,
          code == code_disabled  ? "停用"
          : code == code_expired ? "过期"
                                 : "正常");
    a.add(a.result(), VELMO_ANS_REMAINING_WORDS,
          std::to_string(std::max<std::int64_t>(0, acc->quota - acc->used)));
    a.add(a.result(), VELMO_ANS_AUTH_END_TIME, acc->end_date + "T00:00:00");
    return ok(a);
}

http_answer service_operations::check_detail(const request& r) {
    const std::string user = r.user();
    const std::optional<account> acc = store_.find_user(user);
    if (!acc) return code_answer(r.op(), code_unknown_user);
    std::string date = r.soap.value(VELMO_REQ_QUERY_DATE).substr(0, 10);
    if (!clock_is_date(date)) date = clock_today_text();
    std::int64_t page = std::max(0LL, r.soap.number(VELMO_REQ_PAGE_INDEX, 0));
    usage_page first = store_.usage(user, date, 0, 0);
    const std::int64_t last_page =
        std::max<std::int64_t>(0, pages_of(first.total_rows, usage_page_size) - 1);
    page = std::min(page, last_page);
    usage_page p = store_.usage(user, date, page, usage_page_size);
    soap_answer a(r.op());
    node res = a.result();
    a.add(res, VELMO_ANS_AUTH_WORDS, std::to_string(acc->quota));
    a.add(res, VELMO_ANS_CHECK_WORDS, std::to_string(acc->used));
    a.add(res, VELMO_ANS_CUR_CHECK_WORDS, std::to_string(p.month_words));
    a.add(res, VELMO_ANS_AUTH_END_TIME, acc->end_date + "T00:00:00");
    a.add(res, VELMO_ANS_PAGE_INDEX, std::to_string(page));
    a.add(res, VELMO_ANS_PAGE_NO, std::to_string(last_page));
    a.add(res, VELMO_ANS_TOTAL_COUNT, std::to_string(p.total_rows));
    for (const usage_row& row : p.rows) {
        node d = a.add_element(res, VELMO_ANS_CHECK_DETAIL);
        a.add(d, VELMO_ANS_CHECK_TIME, row.check_time);
        a.add(d, VELMO_ANS_CHECK_WORDS, std::to_string(row.words));
    }
    return ok(a);
}

http_answer service_operations::words_list(const request& r) {
    const std::string user = r.user();
    if (!store_.find_user(user)) return code_answer(r.op(), code_unknown_user);
    const long long lib = r.soap.number(VELMO_REQ_LIB_TYPE, 0);
    if (lib != 3 && lib != 4) return fault(400, "unknown word library");
    const std::int64_t page = std::max(0LL, r.soap.number(VELMO_REQ_PAGE_INDEX, 0));
    word_page p = store_.words(user, static_cast<int>(lib), page, words_page_size);
    soap_answer a(r.op());
    a.add(a.result(), VELMO_ANS_PAGE_NO, std::to_string(pages_of(p.total, words_page_size)));
    a.add(a.result(), VELMO_ANS_TOTAL_COUNT, std::to_string(p.total));
    for (const std::string& w : p.words) a.add(a.result(), VELMO_ANS_STRING, w);
    return ok(a);
}

// The text is one entry; blank text changes nothing.
std::optional<http_answer> service_operations::word_request(const request& r, int& lib,
                                                            std::string& word) {
    if (!store_.find_user(r.user())) return code_answer(r.op(), code_unknown_user);
    const long long type = r.soap.number(VELMO_REQ_LIB_TYPE, 0);
    if (type != 3 && type != 4) return fault(400, "unknown word library");
    lib = static_cast<int>(type);
    word = text_trim(r.soap.value(VELMO_REQ_WORDS));
    if (text_utf8_to_utf16(word).size() > limits_.max_word_units)
        return code_answer(r.op(), code_refused);
    return std::nullopt;
}

http_answer service_operations::add_words(const request& r) {
    int lib = 0;
    std::string word;
    if (auto done = word_request(r, lib, word)) return *done;
    if (!word.empty() && store_.add_word_within(r.user(), lib, word, limits_.max_words_per_user) ==
                             word_added::full) {
        soap_answer a(r.op());
        add_code(a, code_refused, "词库已满");
        return ok(a);
    }
    return code_answer(r.op(), code_ok);
}

http_answer service_operations::delete_words(const request& r) {
    int lib = 0;
    std::string word;
    if (auto done = word_request(r, lib, word)) return *done;
    if (!word.empty()) store_.delete_word(r.user(), lib, word);
    return code_answer(r.op(), code_ok);
}

}  // namespace velmo_service
