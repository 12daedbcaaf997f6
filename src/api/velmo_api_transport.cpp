#include "api/velmo_api_transport.h"

#include <sp.h>

#include <cerrno>

#include "config/velmo_config.h"
#include "config/velmo_config_values.h"

const char* velmo_api_get_url() {
    velmo_singleton_config* config = velmo_singleton_config::instance();
    config->note_service_address_use();
    return config->get_string("OtherParams", "ServiceUrl");
}

int velmo_api_timeout() {
    // libcurl refuses a longer time-out, which would fail every call.
    return velmo_config_int_in("OtherParams", "ReceiveTimeout", 0, VELMO_MAX_TIMEOUT_SECONDS);
}

QString velmo_api_setting_text(const char* section, const char* key) {
    return QString::fromLocal8Bit(velmo_singleton_config::instance()->get_string(section, key));
}

velmo_api_answer::velmo_api_answer(sp_http_response* response, bool too_large)
    : m_response(response), m_too_large(!response && too_large) {}

velmo_api_answer::~velmo_api_answer() {
    if (m_response) sp_http_response_free(m_response);
}

velmo_api_answer::velmo_api_answer(velmo_api_answer&& other) noexcept
    : m_response(other.m_response), m_too_large(other.m_too_large) {
    other.m_response = nullptr;
}

bool velmo_api_answer::arrived() const { return m_response != nullptr; }

int velmo_api_answer::status() const { return m_response ? m_response->status : 0; }

bool velmo_api_answer::too_large() const { return m_too_large; }

const char* velmo_api_answer::body() const {
    return m_response ? sp_string_buffer_string(m_response->body) : "";
}

velmo_api_answer velmo_api_post(const QString& envelope, int timeout) {
    const QByteArray bytes = envelope.toUtf8();
    errno = 0;
    sp_http_response* response = sp_http_post_soap(velmo_api_get_url(), timeout, bytes.constData());
    // The transport tells an oversized answer by EFBIG.
    return velmo_api_answer(response, errno == EFBIG);
}
