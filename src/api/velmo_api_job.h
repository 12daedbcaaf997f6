// Proofreading jobs: job identifier, upload, progress, result, and the
// account state check that reuses the job-identifier request.
//
// Results: 0 for success (the progress value for velmo_api_progress, the
// service's error code for velmo_api_get_state); -1 when no answer arrived,
// a required status 200 was missing, the answer reported a failure (a SOAP
// Fault or a non-zero ErrCode, whatever its status), the body was not XML or
// the decisive element was missing. No call shows a message.
#ifndef VELMO_API_VELMO_API_JOB_H
#define VELMO_API_VELMO_API_JOB_H

#include <QList>
#include <QString>

#include "api/velmo_check_result.h"

// Why a job call failed, for telling the user: whether an answer arrived at
// all (or was too large to take), whether it could be read, whether the
// service reported a failure inside a 200 answer, and the service's own code
// (ErrCode, 0 when there was none) and message (ErrMsg or the Fault's reason).
struct velmo_api_failure_t {
    bool answered = false;
    bool too_large = false;
    bool unreadable = false;
    bool fault = false;
    int code = 0;
    QString message;
};

// Size of the caller's job identifier buffer; identifiers of this length or
// longer are refused.
#define VELMO_PID_BUFFER_SIZE 64

// Asks for a job identifier for the stored account and copies it into pid
// (a zero-filled buffer of VELMO_PID_BUFFER_SIZE bytes); pid is untouched
// on failure. A failure is described in *failure when it is given.
int velmo_api_get_pid(char* pid, velmo_api_failure_t* failure = nullptr);

// Uploads the article (sanitised here) with the checking options of the
// settings; 0 on HTTP status 200 with the operation's response element,
// unless the answer carries a non-zero ErrCode: the service then refused the
// article (no words left, say) and keeps no job for it.
int velmo_api_upload(const QString& pid, const QString& article,
                     velmo_api_failure_t* failure = nullptr);

// The job's progress 0..100 as the service reports it; -1 on failure.
int velmo_api_progress(const QString& pid, velmo_api_failure_t* failure = nullptr);

// Clears results, then fills one record per error of the job, positions
// relative to the uploaded article. 0 also when there are no errors.
int velmo_api_result(QList<velmo_check_result_t>& results, const QString& pid,
                     velmo_api_failure_t* failure = nullptr);

// The service's error code for the stored account (0: may proofread); its
// message (ErrMsg) goes to *message when given.
int velmo_api_get_state(QString* message = nullptr);

QString velmo_api_pid_payload();
QString velmo_api_upload_payload(const QString& pid, const QString& article);
QString velmo_api_progress_payload(const QString& pid);
QString velmo_api_result_payload(const QString& pid);

#endif
