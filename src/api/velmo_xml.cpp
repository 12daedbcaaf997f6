#include "api/velmo_xml.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>
#include <sp.h>

#include <climits>
#include <mutex>

namespace {

struct velmo_xml_context {
    xmlDocPtr document;
    xmlXPathContextPtr xpath;
    xmlXPathObjectPtr last_result;
};

// libxml2 must be initialised once before threads use it concurrently; the
// check thread and the GUI thread may parse at the same time.
void init_libxml_once() {
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

// Called by the parser when the body declares a document type: the answer is
// refused before any entity declaration of it is read.
void refuse_document_type(void* parser_context, const xmlChar*, const xmlChar*, const xmlChar*) {
    auto* parser = static_cast<xmlParserCtxtPtr>(parser_context);
    *static_cast<bool*>(parser->_private) = true;
    xmlStopParser(parser);
}

xmlDocPtr parse_without_document_type(const char* text) {
    const size_t length = sp_string_length(text);
    if (length == 0 || length > static_cast<size_t>(INT_MAX)) return nullptr;
    xmlParserCtxtPtr parser = xmlCreateMemoryParserCtxt(text, static_cast<int>(length));
    if (!parser) return nullptr;
    bool has_document_type = false;
    parser->_private = &has_document_type;
    parser->sax->internalSubset = refuse_document_type;
    xmlCtxtUseOptions(parser, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    xmlParseDocument(parser);
    xmlDocPtr document = parser->myDoc;
    const bool accepted = parser->wellFormed && !has_document_type && document;
    parser->myDoc = nullptr;
    xmlFreeParserCtxt(parser);
    if (!accepted) {
        xmlFreeDoc(document);
        return nullptr;
    }
    return document;
}

// Expression errors are reported through the result; nothing is printed.
void ignore_xpath_error(void*, xmlErrorPtr) {}

void release_last_result(velmo_xml_context* context) {
    if (context->last_result) {
        xmlXPathFreeObject(context->last_result);
        context->last_result = nullptr;
    }
}

// XPath can select namespace nodes, which are not tree nodes and have no
// children to walk.
xmlNodePtr children_of(void* node) {
    xmlNodePtr tree_node = static_cast<xmlNodePtr>(node);
    return tree_node->type == XML_NAMESPACE_DECL ? nullptr : tree_node->children;
}

bool is_element_named(xmlNodePtr node, const char* name) {
    return node->type == XML_ELEMENT_NODE &&
           sp_string_equal(reinterpret_cast<const char*>(node->name), name);
}

}  // namespace

void velmo_xml_text_deleter::operator()(char* text) const { xmlFree(text); }

void* velmo_xml_parse(const char* text) {
    if (!text) return nullptr;
    init_libxml_once();
    xmlDocPtr document = parse_without_document_type(text);
    if (!document) return nullptr;
    auto* context = static_cast<velmo_xml_context*>(sp_calloc(1, sizeof(velmo_xml_context)));
    if (!context) {
        xmlFreeDoc(document);
        return nullptr;
    }
    context->document = document;
    context->xpath = xmlXPathNewContext(document);
    if (!context->xpath) {
        velmo_xml_free(context);
        return nullptr;
    }
    context->xpath->error = ignore_xpath_error;
    return context;
}

int velmo_xml_register_ns(void* context, const char* prefix, const char* uri) {
    auto* xml = static_cast<velmo_xml_context*>(context);
    if (!xml || !xml->xpath) return -1;
    return xmlXPathRegisterNs(xml->xpath, reinterpret_cast<const xmlChar*>(prefix),
                              reinterpret_cast<const xmlChar*>(uri));
}

int velmo_xml_xpath(void* context, const char* expression, sp_xpath_result_t* result) {
    auto* xml = static_cast<velmo_xml_context*>(context);
    if (!xml || !xml->xpath || !expression) return -1;
    release_last_result(xml);
    xml->last_result =
        xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(expression), xml->xpath);
    if (!xml->last_result) return -1;
    xmlNodeSetPtr set = xml->last_result->nodesetval;
    if (!set || set->nodeNr <= 0 || !set->nodeTab) {
        release_last_result(xml);
        return -1;
    }
    if (result) {
        result->nodes = reinterpret_cast<void**>(set->nodeTab);
        result->count = set->nodeNr;
    }
    return 0;
}

velmo_xml_text_t velmo_xml_get_text(void* node) {
    if (!node) return velmo_xml_text_t();
    return velmo_xml_text_t(
        reinterpret_cast<char*>(xmlNodeGetContent(static_cast<xmlNodePtr>(node))));
}

void* velmo_xml_get_child(void* node, const char* name) {
    if (!node || !name) return nullptr;
    for (xmlNodePtr child = children_of(node); child; child = child->next) {
        if (is_element_named(child, name)) return child;
    }
    return nullptr;
}

int velmo_xml_get_children(void* node, const char* name, void** out, int capacity) {
    if (!node || !name || !out) return 0;
    int stored = 0;
    for (xmlNodePtr child = children_of(node); child && stored < capacity; child = child->next) {
        if (is_element_named(child, name)) out[stored++] = child;
    }
    return stored;
}

void velmo_xml_free(void* context) {
    auto* xml = static_cast<velmo_xml_context*>(context);
    if (!xml) return;
    release_last_result(xml);
    if (xml->xpath) xmlXPathFreeContext(xml->xpath);
    if (xml->document) xmlFreeDoc(xml->document);
    sp_free(xml);
}
