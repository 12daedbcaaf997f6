// A parsed answer with the service namespace bound to the prefix "i",
// released when it goes. Shared by the answer readers.
#ifndef VELMO_API_VELMO_API_ANSWER_DOCUMENT_H
#define VELMO_API_VELMO_API_ANSWER_DOCUMENT_H

#include <QString>

#include "api/velmo_xml.h"

class velmo_api_answer_document {
  public:
    explicit velmo_api_answer_document(const char* body);
    ~velmo_api_answer_document();
    velmo_api_answer_document(const velmo_api_answer_document&) = delete;
    velmo_api_answer_document& operator=(const velmo_api_answer_document&) = delete;

    // False when the body is not well-formed XML.
    bool is_xml() const;

    // Every service element of that name, at any depth, in document order;
    // false when there is none. The nodes stay valid until the next lookup.
    bool find_all(const char* element, sp_xpath_result_t& nodes);

    // The text of the first service element of that name; false when it is
    // missing or its text cannot be read.
    bool first_text(const char* element, QString& text);

    // True when the answer is a SOAP 1.2 (or 1.1) Fault; reason receives its
    // reason text, empty when it has none.
    bool soap_fault(QString& reason);

  private:
    void* m_context;
};

// The UTF-8 text of node; false when node is null or its text unreadable.
bool velmo_api_node_text(void* node, QString& text);

// The text of the first child element of node with that local name; empty
// when there is none.
QString velmo_api_child_text(void* node, const char* name);

// Decimal integer at the start of text (leading white space skipped, 0
// without digits), clamped to the int range.
int velmo_api_parse_int(const QString& text);

#endif
