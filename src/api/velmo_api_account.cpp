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

QString velmo_api_checkuser_payload(const QString& userName, const QString& authNo) {
    return velmo_api_fill_template(CHECKUSER_TEMPLATE,
                                   {velmo_api_xml_escape(userName), velmo_api_xml_escape(authNo)});
}

QString velmo_api_userinfo_payload() {
    return velmo_api_fill_template(USERINFO_TEMPLATE, {stored_user_name()});
}

QString velmo_api_details_payload(const QString& queryDate, int pageIndex) {
    return velmo_api_fill_template(
        DETAILS_TEMPLATE,
        {stored_user_name(), velmo_api_xml_escape(queryDate), QString::number(pageIndex)});
}

QString velmo_api_getword_payload(int libType, int pageIndex) {
    return velmo_api_fill_template(GETWORD_TEMPLATE, {stored_user_name(), QString::number(libType),
                                                      QString::number(pageIndex)});
}

QString velmo_api_addword_payload(int libType, const QString& words) {
    return velmo_api_fill_template(ADDWORD_TEMPLATE, {stored_user_name(), QString::number(libType),
                                                      velmo_api_xml_escape(words)});
}

QString velmo_api_delword_payload(int libType, const QString& words) {
    return velmo_api_fill_template(DELWORD_TEMPLATE, {stored_user_name(), QString::number(libType),
                                                      velmo_api_xml_escape(words)});
}

int velmo_api_checkuser(const QString& userName, const QString& authNo, QString& message) {
    const QString envelope = velmo_api_checkuser_payload(userName, authNo);
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

int velmo_api_details(velmo_details_t& details, const QString& queryDate, int pageIndex) {
    const velmo_api_answer answer = post(velmo_api_details_payload(queryDate, pageIndex));
    if (!answer.arrived()) return -1;
    return velmo_api_read_details(answer.body(), details);
}

int velmo_api_getword(QList<QString>& words, int& pageNo, int& totalCount, int libType,
                      int pageIndex) {
    const velmo_api_answer answer = post(velmo_api_getword_payload(libType, pageIndex));
    if (!answer.arrived()) return -1;
    return velmo_api_read_words(answer.body(), words, pageNo, totalCount);
}

// The service's answer to add and delete carries nothing the callers use:
// they reload the page to show the effect.
int velmo_api_addword(int libType, const QString& words) {
    post(velmo_api_addword_payload(libType, words));
    return -1;
}

int velmo_api_delword(int libType, const QString& words) {
    post(velmo_api_delword_payload(libType, words));
    return -1;
}
