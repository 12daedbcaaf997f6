// Readers of the service's answer bodies, one per operation. Each parses the
// NUL-terminated body and releases everything before it returns; the
// operations call them once an answer has arrived.
#ifndef VELMO_API_VELMO_API_ANSWERS_H
#define VELMO_API_VELMO_API_ANSWERS_H

#include <QList>
#include <QString>

#include "api/velmo_api_account.h"
#include "api/velmo_check_result.h"

// PID into pid (VELMO_PID_BUFFER_SIZE bytes); 0, or -1 leaving pid untouched.
int velmo_api_read_pid(const char* body, char* pid);
// ErrCode (an empty one counts as 0); -1 when not XML or missing. When
// message is given it receives ErrMsg (empty when there is none).
int velmo_api_read_error_code(const char* body, QString* message = nullptr);
// 1 when the answer reports a failure of its own: a SOAP Fault or a non-zero
// ErrCode; message then receives the Fault's reason or ErrMsg. 0 otherwise.
int velmo_api_read_fault(const char* body, QString& message);
// 0 when the body holds the upload's response element, -1 otherwise: an
// empty or foreign 200 answer is no accepted upload.
int velmo_api_read_upload(const char* body);
// GetCheckArticleProgressResult; -1 when not XML or missing.
int velmo_api_read_progress(const char* body);
// Clears results and appends one record per CheckResult; -1 when not XML.
int velmo_api_read_results(const char* body, QList<velmo_check_result_t>& results);
// ErrCode (-1 when not XML or missing); message replaced by ErrMsg if any.
int velmo_api_read_checkuser(const char* body, QString& message);
// 0 when AuthEndTime was found.
int velmo_api_read_userinfo(const char* body, velmo_userinfo_t& info);
// 0 when at least one UserCheckDetail was found.
int velmo_api_read_details(const char* body, velmo_details_t& details);
// Clears words; 0 when at least one word was found.
int velmo_api_read_words(const char* body, QList<QString>& words, int& page_no, int& total_count);

#endif
