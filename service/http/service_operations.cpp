#include "http/service_operations.h"

#include <libxml/parser.h>

#include <algorithm>
#include <functional>
#include <map>

#include "base/service_clock.h"
#include "base/service_text.h"
#include "http/service_soap.h"
#include "jobs/service_jobs_shared.h"

namespace velmo_service {

namespace {
using node = soap_answer::node;

http_answer fault(int status, const std::string& reason) {
    return http_answer{status, soap_fault(status < 500, reason)};
}

http_answer ok(const soap_answer& a) { return http_answer{200, a.serialize()}; }

void add_code(soap_answer& a, int code) {
    a.add(a.result(), "ErrCode", std::to_string(code));
    a.add(a.result(), "ErrMsg", operations_message(code));
}

http_answer code_answer(const std::string& op, int code) {
    soap_answer a(op);
    add_code(a, code);
    return ok(a);
}

// A job refused because the user already holds as many as allowed: the code
// of a refused job, with a message that names the cause.
const char* const busy_message = "同时进行的校对任务过多";

void add_busy(soap_answer& a) {
    a.add(a.result(), "ErrCode", std::to_string(code_refused));
    a.add(a.result(), "ErrMsg", busy_message);
}

bool flag(const soap_request& r, const char* name, long long fallback = 0) {
    return r.number(name, fallback) != 0;
}

check_options options_of(const soap_request& r) {
    check_options o;
    o.general = flag(r, "CheckSentence", 1) && flag(r, "ChkDefault", 1);
    o.match_dots = flag(r, "CheckMatchDots");
    o.leader_sort = flag(r, "CheckLeaderSort");
    o.english = flag(r, "ChkEng");
    o.traditional = flag(r, "FanTi");
    o.leader = flag(r, "Leader");
    o.taiwan = flag(r, "TaiWan");
    o.user_errors = flag(r, "UserErr");
    o.weight = static_cast<int>(std::clamp(r.number("Weight", 0), 0LL, 2LL));
    o.prof_type = static_cast<int>(std::clamp(r.number("ProfType", 0), 0LL, 99LL));
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
      jobs_(service_store::is_shared_location(store.location())
                ? std::unique_ptr<job_board>(
                      std::make_unique<shared_job_board>(engine, store.location(), limits.jobs))
                : std::make_unique<job_manager>(engine, store, limits.jobs)),
      signin_(limits.signin) {
    xmlInitParser();  // once, before requests are parsed on several threads
}

service_operations::~service_operations() = default;

http_answer service_operations::handle(const std::string& body, const std::string& client_address) {
    soap_request r;
    std::string error;
    if (!soap_parse_request(body, r, &error)) return fault(400, error);
    const std::string& op = r.operation;
    const std::string user = r.value("userName");

    // Sign-in checks shared by CheckUser and the job-identifier request. While
    // the name or the address is held back after failures, the answer is a
    // failure without looking at the number.
    auto login_code = [&]() {
        if (!signin_.allowed(user, client_address)) return int(code_unknown_user);
        int code = store_.check_login(user, r.value("authNo"));
        if (code != code_ok) {
            signin_.failed(user, client_address);
            return code;
        }
        signin_.succeeded(user);
        auto a = store_.find_user(user);
        return a ? service_store::account_code_of(*a, clock_today_text()) : int(code_unknown_user);
    };

    if (op == "CheckUser") return code_answer(op, login_code());

    if (op == "GetCheckArticlePIDByUser") {
        const int code = login_code();
        std::optional<std::string> pid;
        if (code == code_ok) pid = jobs_->create(user);
        soap_answer a(op);
        if (code == code_ok && !pid)
            add_busy(a);
        else
            add_code(a, code);
        if (pid) a.add(a.result(), "PID", *pid);
        return ok(a);
    }

    if (op == "UpLoadCheckArticle") {
        const std::string pid = r.value("pid");
        std::string owner;
        switch (jobs_->claim(pid, user, &owner)) {
            case job_submit::unknown:
                return fault(500, "unknown job");
            case job_submit::already_uploaded:
                return code_answer(op, code_refused);
            case job_submit::busy: {
                soap_answer a(op);
                add_busy(a);
                return ok(a);
            }
            case job_submit::accepted:
                break;
        }
        std::u16string text = article_text(r.value("article"));
        if (text.size() > limits_.max_article_units) {
            jobs_->drop(pid);
            return code_answer(op, code_refused);
        }
        const std::int64_t words = text_count_words(text);
        const int charged = jobs_->charge_and_submit(pid, owner, words, clock_now_text(),
                                                     std::move(text), options_of(r));
        if (charged != code_ok) return code_answer(op, charged);
        return code_answer(op, code_ok);
    }

    if (op == "GetCheckArticleProgress") {
        auto progress = jobs_->progress(r.value("pid"), user);
        if (!progress) return fault(500, "unknown job");
        soap_answer a(op);
        a.set_text(a.result(), std::to_string(*progress));
        return ok(a);
    }

    if (op == "GetCheckArticleResult") {
        std::vector<finding> results;
        switch (jobs_->take_results(r.value("pid"), user, results)) {
            case job_fetch::unknown:
                return fault(500, "unknown job");
            case job_fetch::not_finished:
                return fault(500, "job not finished");
            case job_fetch::ready:
                break;
        }
        soap_answer a(op);
        for (const finding& f : results) {
            node e = a.add_element(a.result(), "CheckResult");
            a.add(e, "Pos", std::to_string(f.pos));
            a.add(e, "level", std::to_string(f.level));
            a.add(e, "ErrWord", f.err_word);
            node cor = a.add_element(e, "CorWord");
            for (const std::string& s : f.suggestions) a.add(cor, "string", s);
        }
        return ok(a);
    }

    // The account operations name the user only.
    const std::optional<account> acc = store_.find_user(user);
    const bool account_op = op == "GetUserInfo" || op == "GetUserCheckDetail" ||
                            op == "GetWordsList" || op == "AddWords" || op == "DeleteWords";
    if (!account_op) return fault(400, "unknown operation");
    if (!acc) return code_answer(op, code_unknown_user);

    if (op == "GetUserInfo") {
        soap_answer a(op);
        const int code = service_store::account_code_of(*acc, clock_today_text());
        a.add(a.result(), "UserState",
              code == code_disabled  ? "停用"
              : code == code_expired ? "过期"
                                     : "正常");
        a.add(a.result(), "ReMainingWordsCount",
              std::to_string(std::max<std::int64_t>(0, acc->quota - acc->used)));
        a.add(a.result(), "AuthEndTime", acc->end_date + "T00:00:00");
        return ok(a);
    }

    if (op == "GetUserCheckDetail") {
        std::string date = r.value("queryDate").substr(0, 10);
        if (!clock_is_date(date)) date = clock_today_text();
        std::int64_t page = std::max(0LL, r.number("pageIndex", 0));
        usage_page first = store_.usage(user, date, 0, 0);
        const std::int64_t last_page =
            std::max<std::int64_t>(0, pages_of(first.total_rows, usage_page_size) - 1);
        page = std::min(page, last_page);
        usage_page p = store_.usage(user, date, page, usage_page_size);
        soap_answer a(op);
        node res = a.result();
        a.add(res, "AuthWordsCount", std::to_string(acc->quota));
        a.add(res, "CheckWordsCount", std::to_string(acc->used));
        a.add(res, "CurCheckWordsCount", std::to_string(p.month_words));
        a.add(res, "AuthEndTime", acc->end_date + "T00:00:00");
        a.add(res, "PageIndex", std::to_string(page));
        a.add(res, "PageNo", std::to_string(last_page));
        a.add(res, "TotalCount", std::to_string(p.total_rows));
        for (const usage_row& row : p.rows) {
            node d = a.add_element(res, "UserCheckDetail");
            a.add(d, "CheckTime", row.check_time);
            a.add(d, "CheckWordsCount", std::to_string(row.words));
        }
        return ok(a);
    }

    const long long lib = r.number("libType", 0);
    if (lib != 3 && lib != 4) return fault(400, "unknown word library");

    if (op == "GetWordsList") {
        const std::int64_t page = std::max(0LL, r.number("pageIndex", 0));
        word_page p = store_.words(user, static_cast<int>(lib), page, words_page_size);
        soap_answer a(op);
        a.add(a.result(), "PageNo", std::to_string(pages_of(p.total, words_page_size)));
        a.add(a.result(), "TotalCount", std::to_string(p.total));
        for (const std::string& w : p.words) a.add(a.result(), "string", w);
        return ok(a);
    }

    // AddWords, DeleteWords: the text is one entry; blank text changes nothing.
    const std::string word = text_trim(r.value("words"));
    if (text_utf8_to_utf16(word).size() > limits_.max_word_units)
        return code_answer(op, code_refused);
    if (!word.empty()) {
        if (op == "AddWords")
            store_.add_word(user, static_cast<int>(lib), word);
        else
            store_.delete_word(user, static_cast<int>(lib), word);
    }
    return code_answer(op, code_ok);
}

}  // namespace velmo_service
