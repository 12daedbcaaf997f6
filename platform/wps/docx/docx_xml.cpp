#include "docx_xml.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <cstring>

namespace {

const char* const k_w_transitional = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
const char* const k_w_strict = "http://purl.oclc.org/ooxml/wordprocessingml/main";

bool is_w_namespace(const xmlNs* ns) {
    if (!ns || !ns->href) return false;
    const char* href = reinterpret_cast<const char*>(ns->href);
    return std::strcmp(href, k_w_transitional) == 0 || std::strcmp(href, k_w_strict) == 0;
}

xmlNs* w_namespace(xmlDoc* doc) {
    xmlNode* root = xmlDocGetRootElement(doc);
    return root && is_w_namespace(root->ns) ? root->ns : nullptr;
}

// Stops the parser at the document type declaration, before any entity
// declared in it could be expanded or fetched.
void refuse_doctype(void* context, const xmlChar*, const xmlChar*, const xmlChar*) {
    auto* parser = static_cast<xmlParserCtxtPtr>(context);
    parser->_private = reinterpret_cast<void*>(1);
    xmlStopParser(parser);
}

// XML's white space: what a word processor does not show at the ends of a
// w:t that does not preserve it.
bool is_xml_space(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }

bool preserves_space(const xmlNode* node) { return xmlNodeGetSpacePreserve(node) == 1; }

}  // namespace

docx_xml_ptr docx_parse_xml(const QByteArray& bytes, QString& error) {
    xmlParserCtxtPtr parser = xmlNewParserCtxt();
    if (!parser) {
        error = QStringLiteral("out of memory");
        return nullptr;
    }
    parser->sax->internalSubset = &refuse_doctype;
    parser->_private = nullptr;
    docx_xml_ptr doc(xmlCtxtReadMemory(parser, bytes.constData(), bytes.size(), nullptr, nullptr,
                                       XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    const bool doctype = parser->_private != nullptr;
    const bool well_formed = parser->wellFormed != 0;
    const xmlError* last = xmlCtxtGetLastError(parser);
    const QString message =
        last && last->message ? QString::fromUtf8(last->message).trimmed() : QString();
    xmlFreeParserCtxt(parser);
    if (doctype) {
        error = QStringLiteral(
            "the XML declares a document type (DOCTYPE), which a package never holds");
        return nullptr;
    }
    if (!doc || !well_formed) {
        error = QStringLiteral("the XML is not well-formed") +
                (message.isEmpty() ? QString() : ": " + message);
        return nullptr;
    }
    return doc;
}

QByteArray docx_serialize_xml(xmlDoc* doc) {
    xmlChar* buffer = nullptr;
    int size = 0;
    xmlDocDumpMemoryEnc(doc, &buffer, &size, "UTF-8");
    QByteArray out(reinterpret_cast<const char*>(buffer), size);
    xmlFree(buffer);
    return out;
}

bool docx_is_named(const xmlNode* node, const char* local_name) {
    return node && node->type == XML_ELEMENT_NODE &&
           std::strcmp(reinterpret_cast<const char*>(node->name), local_name) == 0;
}

bool docx_is_w(const xmlNode* node, const char* local_name) {
    return docx_is_named(node, local_name) && is_w_namespace(node->ns);
}

xmlNode* docx_w_child(const xmlNode* node, const char* local_name) {
    if (!node) return nullptr;
    for (xmlNode* child = node->children; child; child = child->next)
        if (docx_is_w(child, local_name)) return child;
    return nullptr;
}

QString docx_w_attribute(const xmlNode* node, const char* local_name) {
    if (!node) return QString();
    for (xmlAttr* a = node->properties; a; a = a->next) {
        if (std::strcmp(reinterpret_cast<const char*>(a->name), local_name) != 0) continue;
        if (a->ns && !is_w_namespace(a->ns)) continue;
        xmlChar* value = xmlNodeListGetString(node->doc, a->children, 1);
        QString out = QString::fromUtf8(reinterpret_cast<const char*>(value));
        xmlFree(value);
        return out;
    }
    return QString();
}

void docx_set_w_attribute(xmlNode* node, const char* local_name, const QString& value) {
    const QByteArray utf8 = value.toUtf8();
    xmlSetNsProp(node, w_namespace(node->doc), reinterpret_cast<const xmlChar*>(local_name),
                 reinterpret_cast<const xmlChar*>(utf8.constData()));
}

xmlNode* docx_new_w(xmlDoc* doc, const char* local_name) {
    xmlNode* node =
        xmlNewDocNode(doc, w_namespace(doc), reinterpret_cast<const xmlChar*>(local_name), nullptr);
    return node;
}

std::u16string docx_node_text(const xmlNode* node) {
    xmlChar* content = xmlNodeGetContent(node);
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(content));
    xmlFree(content);
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<size_t>(text.size()));
}

void docx_set_node_text(xmlNode* node, const std::u16string& text) {
    const QByteArray utf8 = QString::fromUtf16(text.data(), static_cast<int>(text.size())).toUtf8();
    // Replaced by one text node: content given to xmlNodeSetContent would be
    // read for entity references.
    xmlNodeSetContent(node, nullptr);
    xmlAddChild(node,
                xmlNewDocTextLen(node->doc, reinterpret_cast<const xmlChar*>(utf8.constData()),
                                 utf8.size()));
    const bool spaced_ends =
        !text.empty() && (is_xml_space(text.front()) || is_xml_space(text.back()));
    if (spaced_ends && !preserves_space(node)) xmlNodeSetSpacePreserve(node, 1);
}

std::u16string docx_visible_text(const xmlNode* t) {
    std::u16string text = docx_node_text(t);
    if (preserves_space(t)) return text;
    size_t begin = 0, end = text.size();
    while (begin < end && is_xml_space(text[begin])) ++begin;
    while (end > begin && is_xml_space(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}
