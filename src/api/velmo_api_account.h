// Account, usage-detail and word-library calls. All use the time-out
// VELMO_API_ACCOUNT_TIMEOUT and read answers whatever their HTTP status.
// No call shows a message.
#ifndef VELMO_API_VELMO_API_ACCOUNT_H
#define VELMO_API_VELMO_API_ACCOUNT_H

#include <QList>
#include <QString>

struct velmo_userinfo_t {
    QString user_state;
    QString auth_end_time;  // date part (first 10 characters)
    QString remaining_words;
};

struct velmo_details_once_t {
    QString check_time;         // "T" replaced by a space, at most 16 characters
    QString check_words_count;  // the same treatment
};

struct velmo_details_t {
    QString auth_words_count;
    QString check_words_count;
    QString cur_check_words_count;
    QString remaining_words;  // auth_words_count - check_words_count, 64-bit
    QString auth_end_time;
    QString page_index;
    QString page_no;
    QString total_count;
    QList<velmo_details_once_t> details;
};

// Word libraries.
#define VELMO_LIB_USER_ERRORS 3
#define VELMO_LIB_USER_WORDS 4

// The message a user check hands back when no readable answer came.
#define VELMO_API_CONNECT_FAILED "连接服务器失败"

// Verifies the typed user name and authorisation number. Returns the
// service's ErrCode, -1 without a readable one. message becomes
// VELMO_API_CONNECT_FAILED once the request is sent, then the service's
// ErrMsg when the answer has one.
int velmo_api_checkuser(const QString& user_name, const QString& auth_no, QString& message);

// Account summary of the stored account; 0 when AuthEndTime was found.
// Members found are filled also when the result is -1.
int velmo_api_userinfo(velmo_userinfo_t* info);

// One page of usage details; 0 when at least one row came. Scalar members
// are filled whenever present; rows are appended to details.details.
int velmo_api_details(velmo_details_t& details, const QString& query_date, int page_index);

// One page of a word library. Without an answer: -1, nothing touched.
// Otherwise words is cleared and refilled; page_no and total_count are set
// when the answer has them; 0 when at least one word came.
int velmo_api_getword(QList<QString>& words, int& page_no, int& total_count, int lib_type,
                      int page_index);

// Add or delete the text as one entry; the answer is not examined, the
// result is always -1.
int velmo_api_addword(int lib_type, const QString& words);
int velmo_api_delword(int lib_type, const QString& words);

QString velmo_api_checkuser_payload(const QString& user_name, const QString& auth_no);
QString velmo_api_userinfo_payload();
QString velmo_api_details_payload(const QString& query_date, int page_index);
QString velmo_api_getword_payload(int lib_type, int page_index);
QString velmo_api_addword_payload(int lib_type, const QString& words);
QString velmo_api_delword_payload(int lib_type, const QString& words);

#endif
