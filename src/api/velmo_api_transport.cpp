#include "api/velmo_api_transport.h"

#include <sp.h>

#include "config/velmo_config.h"

const char* velmo_api_get_url() {
    velmo_singleton_config* config = velmo_singleton_config::instance();
    config->note_service_address_use();
    return config->get_string("OtherParams", "ServiceUrl");
}

int velmo_api_timeout() {
    const velmo_singleton_config* config = velmo_singleton_config::instance();
    config->get_int("OtherParams", "OpenTimeout");
    config->get_int("OtherParams", "SendTimeout");
    return config->get_int("OtherParams", "ReceiveTimeout");
}

QString velmo_api_setting_text(const char* section, const char* key) {
    return QString::fromLocal8Bit(velmo_singleton_config::instance()->get_string(section, key));
}

velmo_api_answer::velmo_api_answer(sp_http_response* response) : m_response(response) {}

velmo_api_answer::~velmo_api_answer() {
    if (m_response) sp_http_response_free(m_response);
}

velmo_api_answer::velmo_api_answer(velmo_api_answer&& other) noexcept
    : m_response(other.m_response) {
    other.m_response = nullptr;
}

bool velmo_api_answer::arrived() const { return m_response != nullptr; }

int velmo_api_answer::status() const { return m_response ? m_response->status : 0; }

const char* velmo_api_answer::body() const {
    return m_response ? sp_string_buffer_string(m_response->body) : "";
}

velmo_api_answer velmo_api_post(const QString& envelope, int timeout) {
    const QByteArray bytes = envelope.toUtf8();
    return velmo_api_answer(sp_http_post_soap(velmo_api_get_url(), timeout, bytes.constData()));
}
