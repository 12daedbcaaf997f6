// XML of a package part: parsed without network access, entity expansion or
// a document type (a DOCTYPE is refused before anything in it is read), and
// the WordprocessingML names the reader and the writer look for.
#ifndef DOCX_XML_H
#define DOCX_XML_H

#include <libxml/tree.h>

#include <QByteArray>
#include <QString>
#include <memory>

struct docx_xml_free {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using docx_xml_ptr = std::unique_ptr<xmlDoc, docx_xml_free>;

// Null with `error` set when the bytes are not well-formed XML or declare a
// document type.
docx_xml_ptr docx_parse_xml(const QByteArray& bytes, QString& error);
// The document as UTF-8 bytes.
QByteArray docx_serialize_xml(xmlDoc* doc);

// True for an element of the WordprocessingML main namespace (transitional or
// strict) with that local name.
bool docx_is_w(const xmlNode* node, const char* local_name);
// True for an element with that local name in any namespace.
bool docx_is_named(const xmlNode* node, const char* local_name);
// The first child element that docx_is_w(child, local_name), or null.
xmlNode* docx_w_child(const xmlNode* node, const char* local_name);
// Value of the attribute w:name (or an unqualified one); empty when absent.
QString docx_w_attribute(const xmlNode* node, const char* local_name);
void docx_set_w_attribute(xmlNode* node, const char* local_name, const QString& value);
// A new element in the main namespace of `doc` (not linked anywhere).
xmlNode* docx_new_w(xmlDoc* doc, const char* local_name);
// The text content of a node as UTF-16.
std::u16string docx_node_text(const xmlNode* node);
// The text of a w:t as a word processor shows it: without xml:space="preserve"
// (on it or an ancestor) its leading and trailing white space is not shown.
std::u16string docx_visible_text(const xmlNode* t);
// Makes `text` the visible text of a w:t. xml:space="preserve" is added only
// when the text begins or ends with white space that would otherwise not show.
void docx_set_node_text(xmlNode* node, const std::u16string& text);

#endif
