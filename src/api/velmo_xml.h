// Reading layer over libxml2 for the answers of the proofreading service.
//
// An answer body is parsed into a context; XPath expressions are evaluated
// on it and yield node handles (libxml2 element nodes, passed as void*);
// texts and child elements are read from those nodes. Parsing never touches
// the network or the file system and never expands entities: a body that
// declares a document type is refused outright, which rules out external
// entities and entity-expansion bombs alike (a SOAP message has no DTD).
#ifndef VELMO_API_VELMO_XML_H
#define VELMO_API_VELMO_XML_H

#include <memory>

// Out-record of velmo_xml_xpath: the matched nodes (owned by the context)
// and their number, at least 1 when filled. Valid until the next
// velmo_xml_xpath on the same context or velmo_xml_free.
struct sp_xpath_result_t {
    void** nodes = nullptr;
    int count = 0;
};

// Releases a text returned by velmo_xml_get_text.
struct velmo_xml_text_deleter {
    void operator()(char* text) const;
};
using velmo_xml_text_t = std::unique_ptr<char, velmo_xml_text_deleter>;

// Parses the NUL-terminated text. Null when it is not well-formed XML (an
// empty text included) or when it declares a document type.
void* velmo_xml_parse(const char* text);

// Binds prefix to uri for XPath evaluation; 0 on success.
int velmo_xml_register_ns(void* context, const char* prefix, const char* uri);

// Evaluates expression. 0 with result filled when it selects at least one
// node; -1 otherwise, leaving result untouched.
int velmo_xml_xpath(void* context, const char* expression, sp_xpath_result_t* result);

// Text content of node (all descendant text concatenated, UTF-8); null for a
// null node or when the text cannot be read.
velmo_xml_text_t velmo_xml_get_text(void* node);

// First child element of node whose local name is exactly name (namespace
// not considered); null when there is none.
void* velmo_xml_get_child(void* node, const char* name);

// Stores the child elements of node whose local name is exactly name, in
// document order, into out[0] .. out[capacity - 1]; further matches are
// dropped. Returns the number stored.
int velmo_xml_get_children(void* node, const char* name, void** out, int capacity);

// Releases the last XPath result, the XPath context, the document and the
// context itself. Accepts null.
void velmo_xml_free(void* context);

#endif
