#include "api/velmo_api_answer_document.h"

#include <climits>
#include <cstdlib>

#include "api/velmo_api_envelope.h"

velmo_api_answer_document::velmo_api_answer_document(const char* body)
    : m_context(velmo_xml_parse(body)) {
    if (!m_context) return;
    velmo_xml_register_ns(m_context, "i", VELMO_API_SERVICE_NS);
    velmo_xml_register_ns(m_context, "soap12", VELMO_API_SOAP12_NS);
    velmo_xml_register_ns(m_context, "soap11", "http://schemas.xmlsoap.org/soap/envelope/");
}

velmo_api_answer_document::~velmo_api_answer_document() { velmo_xml_free(m_context); }

bool velmo_api_answer_document::is_xml() const { return m_context != nullptr; }

bool velmo_api_answer_document::find_all(const char* element, sp_xpath_result_t& nodes) {
    if (!m_context) return false;
    const QByteArray expression = QByteArray("//i:") + element;
    return velmo_xml_xpath(m_context, expression.constData(), &nodes) == 0;
}

bool velmo_api_answer_document::first_text(const char* element, QString& text) {
    sp_xpath_result_t nodes;
    return find_all(element, nodes) && velmo_api_node_text(nodes.nodes[0], text);
}

bool velmo_api_answer_document::soap_fault(QString& reason) {
    reason.clear();
    sp_xpath_result_t nodes;
    if (!m_context) return false;
    if (velmo_xml_xpath(m_context, "//soap12:Fault", &nodes) == 0) {
        if (velmo_xml_xpath(m_context, "//soap12:Fault/soap12:Reason/soap12:Text", &nodes) == 0)
            velmo_api_node_text(nodes.nodes[0], reason);
        return true;
    }
    if (velmo_xml_xpath(m_context, "//soap11:Fault", &nodes) == 0) {
        if (velmo_xml_xpath(m_context, "//soap11:Fault/faultstring", &nodes) == 0)
            velmo_api_node_text(nodes.nodes[0], reason);
        return true;
    }
    return false;
}

bool velmo_api_node_text(void* node, QString& text) {
    velmo_xml_text_t content = velmo_xml_get_text(node);
    if (!content) return false;
    text = QString::fromUtf8(content.get());
    return true;
}

QString velmo_api_child_text(void* node, const char* name) {
    QString text;
    velmo_api_node_text(velmo_xml_get_child(node, name), text);
    return text;
}

int velmo_api_parse_int(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    const long value = std::strtol(bytes.constData(), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}
