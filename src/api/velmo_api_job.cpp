#include "api/velmo_api_job.h"

#include "api/velmo_api_answers.h"
#include "api/velmo_api_envelope.h"
#include "api/velmo_api_transport.h"
#include "config/velmo_config.h"

namespace {

const char PID_TEMPLATE[] =
    VELMO_API_ENVELOPE_HEAD "\n\t<GetCheckArticlePIDByUser xmlns=\"" VELMO_API_SERVICE_NS
                            "\">"
                            "\n\t  <userName>%1</userName>"
                            "\n\t  <authNo>%2</authNo>"
                            "\n\t</GetCheckArticlePIDByUser>\n" VELMO_API_ENVELOPE_TAIL;

const char UPLOAD_TEMPLATE[] = VELMO_API_ENVELOPE_HEAD
    "<UpLoadCheckArticle xmlns=\"" VELMO_API_SERVICE_NS
    "\">"
    "<article>%1</article><token>1</token><pid>%2</pid>"
    "<checkType><CheckLeaderSort>%3</CheckLeaderSort><CheckMatchDots>%4</CheckMatchDots>"
    "<CheckSentence>%5</CheckSentence></checkType>"
    "<checkExtendInfo><ChkDefault>1</ChkDefault><ChkEng>%6</ChkEng>"
    "<ChkReturnResultType>0</ChkReturnResultType><FanTi>%7</FanTi><HtmlTag>0</HtmlTag>"
    "<Leader>%8</Leader><Needsug>1</Needsug><ProfType>%9</ProfType><TaiWan>%10</TaiWan>"
    "<UserErr>%11</UserErr><Weight>%12</Weight></checkExtendInfo>"
    "</UpLoadCheckArticle>" VELMO_API_ENVELOPE_TAIL;

const char PROGRESS_TEMPLATE[] = VELMO_API_ENVELOPE_HEAD
    "<GetCheckArticleProgress xmlns=\"" VELMO_API_SERVICE_NS
    "\">"
    "<pid>%1</pid><token>0</token></GetCheckArticleProgress>" VELMO_API_ENVELOPE_TAIL;

const char RESULT_TEMPLATE[] = VELMO_API_ENVELOPE_HEAD
    "<GetCheckArticleResult xmlns=\"" VELMO_API_SERVICE_NS
    "\">"
    "<pid>%1</pid><token>0</token></GetCheckArticleResult>" VELMO_API_ENVELOPE_TAIL;

QString option(const char* section, const char* key) {
    return QString::number(velmo_singleton_config::instance()->get_int(section, key));
}

// Records whether the answer arrived and, when the caller wants it, the
// service's message; passes the answer on.
const velmo_api_answer& note_failure(const velmo_api_answer& answer, velmo_api_failure_t* failure) {
    if (failure) {
        failure->answered = answer.arrived();
        failure->code = 0;
        failure->message.clear();
        if (answer.arrived())
            failure->code = qMax(0, velmo_api_read_error_code(answer.body(), &failure->message));
    }
    return answer;
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
    return velmo_api_fill_template(UPLOAD_TEMPLATE, {
                                                        velmo_api_sanitize_article(article),
                                                        velmo_api_xml_escape(pid),
                                                        option("CheckType", "CheckLeaderSort"),
                                                        option("CheckType", "CheckMatchDots"),
                                                        option("CheckType", "CheckSentence"),
                                                        option("CheckExtendInfo", "ChkEng"),
                                                        option("CheckExtendInfo", "FanTi"),
                                                        option("CheckExtendInfo", "Leader"),
                                                        option("CheckExtendInfo", "ProfType"),
                                                        option("CheckExtendInfo", "TaiWan"),
                                                        option("CheckExtendInfo", "UserErr"),
                                                        option("CheckExtendInfo", "Weight"),
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
    return velmo_api_read_pid(answer.body(), pid);
}

int velmo_api_upload(const QString& pid, const QString& article, velmo_api_failure_t* failure) {
    const velmo_api_answer answer =
        velmo_api_post(velmo_api_upload_payload(pid, article), velmo_api_timeout());
    if (!note_failure(answer, failure).arrived() || answer.status() != 200) return -1;
    // A missing or unreadable code is no refusal: the status decides then.
    return velmo_api_read_error_code(answer.body()) > 0 ? -1 : 0;
}

int velmo_api_progress(const QString& pid, velmo_api_failure_t* failure) {
    const velmo_api_answer answer =
        velmo_api_post(velmo_api_progress_payload(pid), velmo_api_timeout());
    if (!note_failure(answer, failure).arrived() || answer.status() != 200) return -1;
    return velmo_api_read_progress(answer.body());
}

int velmo_api_result(QList<velmo_check_result_t>& results, const QString& pid,
                     velmo_api_failure_t* failure) {
    results.clear();
    const velmo_api_answer answer =
        velmo_api_post(velmo_api_result_payload(pid), velmo_api_timeout());
    if (!note_failure(answer, failure).arrived() || answer.status() != 200) return -1;
    return velmo_api_read_results(answer.body(), results);
}

int velmo_api_get_state(QString* message) {
    const velmo_api_answer answer =
        velmo_api_post(velmo_api_pid_payload(), VELMO_API_ACCOUNT_TIMEOUT);
    if (!answer.arrived()) return -1;
    return velmo_api_read_error_code(answer.body(), message);
}
