#include "api/velmo_api_account.h"

#include "api/velmo_api_answers.h"
#include "api/velmo_api_envelope.h"
#include "api/velmo_api_transport.h"

namespace {

#define OPERATION_START(name) "<" name " xmlns=\"" VELMO_API_SERVICE_NS "\">"

const char CHECKUSER_TEMPLATE[] = VELMO_API_ENVELOPE_HEAD OPERATION_START(
    "CheckUser") "<userName>%1</userName><authNo>%2</authNo></CheckUser>" VELMO_API_ENVELOPE_TAIL;

const char USERINFO_TEMPLATE[] = VELMO_API_ENVELOPE_HEAD OPERATION_START(
    "GetUserInfo") "<userName>%1</userName></GetUserInfo>" VELMO_API_ENVELOPE_TAIL;

const char DETAILS_TEMPLATE[] = VELMO_API_ENVELOPE_HEAD OPERATION_START("GetUserCheckDetail")
    "<userName>%1</userName><queryDate>%2</queryDate><pageIndex>%3</pageIndex>"
    "</GetUserCheckDetail>" VELMO_API_ENVELOPE_TAIL;

const char GETWORD_TEMPLATE[] = VELMO_API_ENVELOPE_HEAD OPERATION_START("GetWordsList")
    "<userName>%1</userName><libType>%2</libType><pageIndex>%3</pageIndex>"
    "</GetWordsList>" VELMO_API_ENVELOPE_TAIL;

const char ADDWORD_TEMPLATE[] = VELMO_API_ENVELOPE_HEAD OPERATION_START("AddWords")
    "<userName>%1</userName><libType>%2</libType><words>%3</words></AddWords>" VELMO_API_ENVELOPE_TAIL;

const char DELWORD_TEMPLATE[] = VELMO_API_ENVELOPE_HEAD OPERATION_START("DeleteWords")
    "<userName>%1</userName><libType>%2</libType><words>%3</words></DeleteWords>" VELMO_API_ENVELOPE_TAIL;

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
