// Service address, time-outs and the HTTP exchange of one operation.
#ifndef VELMO_API_VELMO_API_TRANSPORT_H
#define VELMO_API_VELMO_API_TRANSPORT_H

#include <QString>

struct sp_http_response;

// Time-out of the account, usage-detail and word-library calls and of the
// account state check, in the transport's unit (seconds).
#define VELMO_API_ACCOUNT_TIMEOUT 5

// The setting OtherParams/ServiceUrl, owned by the settings store; null when
// absent. Read anew for every call.
const char* velmo_api_get_url();

// Time-out of the proofreading-job calls: OtherParams/ReceiveTimeout (the
// open and send time-outs are read with it but do not change a call).
int velmo_api_timeout();

// A text setting decoded from the locale's 8-bit encoding in which the
// dialogs store it; empty when absent.
QString velmo_api_setting_text(const char* section, const char* key);

// The HTTP answer of one posted envelope; releases the response when it goes.
class velmo_api_answer {
  public:
    // too_large: the transport gave up because the answer was over its limit.
    explicit velmo_api_answer(sp_http_response* response, bool too_large = false);
    ~velmo_api_answer();
    velmo_api_answer(velmo_api_answer&& other) noexcept;
    velmo_api_answer(const velmo_api_answer&) = delete;
    velmo_api_answer& operator=(const velmo_api_answer&) = delete;
    velmo_api_answer& operator=(velmo_api_answer&&) = delete;

    // False when no HTTP answer was obtained.
    bool arrived() const;
    // The HTTP status; 0 when nothing arrived.
    int status() const;
    // The body as NUL-terminated text; "" when nothing arrived.
    const char* body() const;
    // Nothing arrived because the answer was larger than the transport takes.
    bool too_large() const;

  private:
    sp_http_response* m_response;
    bool m_too_large;
};

// Posts the envelope, encoded as UTF-8, to the current service address.
velmo_api_answer velmo_api_post(const QString& envelope, int timeout);

#endif
