#include "api/velmo_api_account.h"

#include "api/velmo_api_answers.h"
#include "api/velmo_api_envelope.h"
#include "api/velmo_api_transport.h"

namespace {

// clang-format off
#define USER_NAME VELMO_API_ELEMENT(VELMO_REQ_USER_NAME, "%1")
#define WORDS_REQUEST(op, last) VELMO_API_ENVELOPE_HEAD \
    VELMO_API_OPERATION_START(op)                       \
    USER_NAME                                           \
    VELMO_API_ELEMENT(VELMO_REQ_LIB_TYPE, "%2")         \
    last                                                \
    VELMO_API_OPERATION_END(op)                         \
    VELMO_API_ENVELOPE_TAIL

const char CHECKUSER_TEMPLATE[] = VELMO_API_ENVELOPE_HEAD
    VELMO_API_OPERATION_START(VELMO_OP_CHECK_USER)
    USER_NAME
    VELMO_API_ELEMENT(VELMO_REQ_AUTH_NO, "%2")
    VELMO_API_OPERATION_END(VELMO_OP_CHECK_USER)
    VELMO_API_ENVELOPE_TAIL;

const char USERINFO_TEMPLATE[] = VELMO_API_ENVELOPE_HEAD
    VELMO_API_OPERATION_START(VELMO_OP_USER_INFO)
    USER_NAME
    VELMO_API_OPERATION_END(VELMO_OP_USER_INFO)
    VELMO_API_ENVELOPE_TAIL;

const char DETAILS_TEMPLATE[] = VELMO_API_ENVELOPE_HEAD
    VELMO_API_OPERATION_START(VELMO_OP_CHECK_DETAIL)
    USER_NAME
    VELMO_API_ELEMENT(VELMO_REQ_QUERY_DATE, "%2")
    VELMO_API_ELEMENT(VELMO_REQ_PAGE_INDEX, "%3")
    VELMO_API_OPERATION_END(VELMO_OP_CHECK_DETAIL)
    VELMO_API_ENVELOPE_TAIL;

const char GETWORD_TEMPLATE[] =
    WORDS_REQUEST(VELMO_OP_WORDS_LIST, VELMO_API_ELEMENT(VELMO_REQ_PAGE_INDEX, "%3"));
const char ADDWORD_TEMPLATE[] =
    WORDS_REQUEST(VELMO_OP_ADD_WORDS, VELMO_API_ELEMENT(VELMO_REQ_WORDS, "%3"));
const char DELWORD_TEMPLATE[] =
    WORDS_REQUEST(VELMO_OP_DELETE_WORDS, VELMO_API_ELEMENT(VELMO_REQ_WORDS, "%3"));
// clang-format on

QString stored_user_name() {
    return velmo_api_xml_escape(velmo_api_setting_text("UserInfo", "UserName"));
}

velmo_api_answer post(const QString& envelope) {
    return velmo_api_post(envelope, VELMO_API_ACCOUNT_TIMEOUT);
}

}  // namespace

QString velmo_api_checkuser_payload(const QString& user_name, const QString& auth_no) {
    return velmo_api_fill_template(
        CHECKUSER_TEMPLATE, {velmo_api_xml_escape(user_name), velmo_api_xml_escape(auth_no)});
}

QString velmo_api_userinfo_payload() {
    return velmo_api_fill_template(USERINFO_TEMPLATE, {stored_user_name()});
}

QString velmo_api_details_payload(const QString& query_date, int page_index) {
    return velmo_api_fill_template(
        DETAILS_TEMPLATE,
        {stored_user_name(), velmo_api_xml_escape(query_date), QString::number(page_index)});
}

QString velmo_api_getword_payload(int lib_type, int page_index) {
    return velmo_api_fill_template(GETWORD_TEMPLATE, {stored_user_name(), QString::number(lib_type),
                                                      QString::number(page_index)});
}

QString velmo_api_addword_payload(int lib_type, const QString& words) {
    return velmo_api_fill_template(ADDWORD_TEMPLATE, {stored_user_name(), QString::number(lib_type),
                                                      velmo_api_xml_escape(words)});
}

QString velmo_api_delword_payload(int lib_type, const QString& words) {
    return velmo_api_fill_template(DELWORD_TEMPLATE, {stored_user_name(), QString::number(lib_type),
                                                      velmo_api_xml_escape(words)});
}

int velmo_api_checkuser(const QString& user_name, const QString& auth_no, QString& message) {
    const QString envelope = velmo_api_checkuser_payload(user_name, auth_no);
    message = QString::fromUtf8(VELMO_API_CONNECT_FAILED);
    const velmo_api_answer answer = post(envelope);
    if (!answer.arrived()) return -1;
    return velmo_api_read_checkuser(answer.body(), message);
}

int velmo_api_userinfo(velmo_userinfo_t* info) {
    if (!info) return -1;
    const velmo_api_answer answer = post(velmo_api_userinfo_payload());
    if (!answer.arrived()) return -1;
    return velmo_api_read_userinfo(answer.body(), *info);
}

int velmo_api_details(velmo_details_t& details, const QString& query_date, int page_index) {
    const velmo_api_answer answer = post(velmo_api_details_payload(query_date, page_index));
    if (!answer.arrived()) return -1;
    return velmo_api_read_details(answer.body(), details);
}

int velmo_api_getword(QList<QString>& words, int& page_no, int& total_count, int lib_type,
                      int page_index) {
    const velmo_api_answer answer = post(velmo_api_getword_payload(lib_type, page_index));
    if (!answer.arrived()) return -1;
    return velmo_api_read_words(answer.body(), words, page_no, total_count);
}

// The service's answer to add and delete carries nothing the callers use:
// they reload the page to show the effect.
int velmo_api_addword(int lib_type, const QString& words) {
    post(velmo_api_addword_payload(lib_type, words));
    return -1;
}

int velmo_api_delword(int lib_type, const QString& words) {
    post(velmo_api_delword_payload(lib_type, words));
    return -1;
}
