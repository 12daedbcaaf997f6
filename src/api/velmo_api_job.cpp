#include "api/velmo_api_job.h"

#include "api/velmo_api_answers.h"
#include "api/velmo_api_envelope.h"
#include "api/velmo_api_transport.h"
#include "config/velmo_config_values.h"

namespace {

// clang-format off
const char PID_TEMPLATE[] = VELMO_API_ENVELOPE_HEAD
    "\n\t" VELMO_API_OPERATION_START(VELMO_OP_GET_PID)
    "\n\t  " VELMO_API_ELEMENT(VELMO_REQ_USER_NAME, "%1")
    "\n\t  " VELMO_API_ELEMENT(VELMO_REQ_AUTH_NO, "%2")
    "\n\t" VELMO_API_OPERATION_END(VELMO_OP_GET_PID) "\n"
    VELMO_API_ENVELOPE_TAIL;

const char UPLOAD_TEMPLATE[] = VELMO_API_ENVELOPE_HEAD
    VELMO_API_OPERATION_START(VELMO_OP_UPLOAD)
    VELMO_API_ELEMENT(VELMO_REQ_ARTICLE, "%1")
    VELMO_API_ELEMENT(VELMO_REQ_TOKEN, "1")
    VELMO_API_ELEMENT(VELMO_REQ_PID, "%2")
    VELMO_API_ELEMENT(VELMO_REQ_CHECK_TYPE,
        VELMO_API_ELEMENT(VELMO_OPT_LEADER_SORT, "%3")
        VELMO_API_ELEMENT(VELMO_OPT_MATCH_DOTS, "%4")
        VELMO_API_ELEMENT(VELMO_OPT_SENTENCE, "%5"))
    VELMO_API_ELEMENT(VELMO_REQ_CHECK_EXTEND,
        VELMO_API_ELEMENT(VELMO_OPT_DEFAULT, "1")
        VELMO_API_ELEMENT(VELMO_OPT_ENGLISH, "%6")
        VELMO_API_ELEMENT(VELMO_OPT_RESULT_TYPE, "0")
        VELMO_API_ELEMENT(VELMO_OPT_TRADITIONAL, "%7")
        VELMO_API_ELEMENT(VELMO_OPT_HTML_TAG, "0")
        VELMO_API_ELEMENT(VELMO_OPT_LEADER, "%8")
        VELMO_API_ELEMENT(VELMO_OPT_NEED_SUGGESTIONS, "1")
        VELMO_API_ELEMENT(VELMO_OPT_PROF_TYPE, "%9")
        VELMO_API_ELEMENT(VELMO_OPT_TAIWAN, "%10")
        VELMO_API_ELEMENT(VELMO_OPT_USER_ERRORS, "%11")
        VELMO_API_ELEMENT(VELMO_OPT_WEIGHT, "%12"))
    VELMO_API_OPERATION_END(VELMO_OP_UPLOAD)
    VELMO_API_ENVELOPE_TAIL;

const char PROGRESS_TEMPLATE[] = VELMO_API_ENVELOPE_HEAD
    VELMO_API_OPERATION_START(VELMO_OP_PROGRESS)
    VELMO_API_ELEMENT(VELMO_REQ_PID, "%1")
    VELMO_API_ELEMENT(VELMO_REQ_TOKEN, "0")
    VELMO_API_OPERATION_END(VELMO_OP_PROGRESS)
    VELMO_API_ENVELOPE_TAIL;

const char RESULT_TEMPLATE[] = VELMO_API_ENVELOPE_HEAD
    VELMO_API_OPERATION_START(VELMO_OP_RESULT)
    VELMO_API_ELEMENT(VELMO_REQ_PID, "%1")
    VELMO_API_ELEMENT(VELMO_REQ_TOKEN, "0")
    VELMO_API_OPERATION_END(VELMO_OP_RESULT)
    VELMO_API_ENVELOPE_TAIL;
// clang-format on

// A switch of the check, sent as 0 or 1.
QString option(const char* section, const char* key) {
    return QString::number(velmo_config_flag(section, key));
}

// Records whether the answer arrived and, when the caller wants it, the
// service's message; passes the answer on.
const velmo_api_answer& note_failure(const velmo_api_answer& answer, velmo_api_failure_t* failure) {
    if (failure) {
        *failure = velmo_api_failure_t();
        failure->answered = answer.arrived();
        failure->too_large = answer.too_large();
        if (answer.arrived())
            failure->code = qMax(0, velmo_api_read_error_code(answer.body(), &failure->message));
    }
    return answer;
}

// True when a 200 answer reports a failure of its own (a SOAP Fault or a
// non-zero ErrCode), which some services send instead of an error status.
bool reports_fault(const velmo_api_answer& answer, velmo_api_failure_t* failure) {
    QString message;
    if (velmo_api_read_fault(answer.body(), message) == 0) return false;
    if (failure) {
        failure->fault = true;
        failure->message = message;
    }
    return true;
}

// A 200 answer without the element the call needs.
int unreadable(velmo_api_failure_t* failure) {
    if (failure) failure->unreadable = true;
    return -1;
}

}  // namespace

QString velmo_api_pid_payload() {
    return velmo_api_fill_template(
        PID_TEMPLATE, {
                          velmo_api_xml_escape(velmo_api_setting_text("UserInfo", "UserName")),
                          velmo_api_xml_escape(velmo_api_setting_text("UserInfo", "AuthNo")),
                      });
}

QString velmo_api_upload_payload(const QString& pid, const QString& article) {
    return velmo_api_fill_template(
        UPLOAD_TEMPLATE,
        {
            velmo_api_sanitize_article(article),
            velmo_api_xml_escape(pid),
            option("CheckType", "CheckLeaderSort"),
            option("CheckType", "CheckMatchDots"),
            option("CheckType", "CheckSentence"),
            option("CheckExtendInfo", "ChkEng"),
            option("CheckExtendInfo", "FanTi"),
            option("CheckExtendInfo", "Leader"),
            QString::number(
                velmo_config_int_in("CheckExtendInfo", "ProfType", 0, VELMO_MAX_PROF_TYPE)),
            option("CheckExtendInfo", "TaiWan"),
            option("CheckExtendInfo", "UserErr"),
            QString::number(velmo_config_int_in("CheckExtendInfo", "Weight", 0, VELMO_MAX_WEIGHT)),
        });
}

QString velmo_api_progress_payload(const QString& pid) {
    return velmo_api_fill_template(PROGRESS_TEMPLATE, {velmo_api_xml_escape(pid)});
}

QString velmo_api_result_payload(const QString& pid) {
    return velmo_api_fill_template(RESULT_TEMPLATE, {velmo_api_xml_escape(pid)});
}

int velmo_api_get_pid(char* pid, velmo_api_failure_t* failure) {
    if (!pid) return -1;
    const velmo_api_answer answer = velmo_api_post(velmo_api_pid_payload(), velmo_api_timeout());
    if (!note_failure(answer, failure).arrived()) return -1;
    if (velmo_api_read_pid(answer.body(), pid) == 0) return 0;
    if (reports_fault(answer, failure) || answer.status() != 200) return -1;
    return unreadable(failure);
}

int velmo_api_upload(const QString& pid, const QString& article, velmo_api_failure_t* failure) {
    const velmo_api_answer answer =
        velmo_api_post(velmo_api_upload_payload(pid, article), velmo_api_timeout());
    if (!note_failure(answer, failure).arrived() || answer.status() != 200) return -1;
    if (reports_fault(answer, failure)) return -1;
    // A missing or unreadable code is no refusal, but an answer without the
    // response element accepted nothing: polling such a job would never end.
    return velmo_api_read_upload(answer.body()) == 0 ? 0 : unreadable(failure);
}

int velmo_api_progress(const QString& pid, velmo_api_failure_t* failure) {
    const velmo_api_answer answer =
        velmo_api_post(velmo_api_progress_payload(pid), velmo_api_timeout());
    if (!note_failure(answer, failure).arrived() || answer.status() != 200) return -1;
    if (reports_fault(answer, failure)) return -1;
    const int progress = velmo_api_read_progress(answer.body());
    return progress < 0 ? unreadable(failure) : progress;
}

int velmo_api_result(QList<velmo_check_result_t>& results, const QString& pid,
                     velmo_api_failure_t* failure) {
    results.clear();
    const velmo_api_answer answer =
        velmo_api_post(velmo_api_result_payload(pid), velmo_api_timeout());
    if (!note_failure(answer, failure).arrived() || answer.status() != 200) return -1;
    if (reports_fault(answer, failure)) return -1;
    return velmo_api_read_results(answer.body(), results) == 0 ? 0 : unreadable(failure);
}

int velmo_api_get_state(QString* message) {
    const velmo_api_answer answer =
        velmo_api_post(velmo_api_pid_payload(), VELMO_API_ACCOUNT_TIMEOUT);
    if (!answer.arrived()) return -1;
    return velmo_api_read_error_code(answer.body(), message);
}
