#include "api_envelope_reader.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

namespace {

std::string text_of(const xmlChar* text) { return text ? reinterpret_cast<const char*>(text) : ""; }

read_element read_node(xmlNodePtr node) {
    read_element element;
    element.name = text_of(node->name);
    element.ns = node->ns ? text_of(node->ns->href) : "";
    xmlChar* content = xmlNodeGetContent(node);
    element.text = text_of(content);
    xmlFree(content);
    for (xmlNodePtr child = node->children; child; child = child->next) {
        if (child->type == XML_ELEMENT_NODE) element.children.push_back(read_node(child));
    }
    return element;
}

}  // namespace

std::vector<std::string> read_element::child_names() const {
    std::vector<std::string> names;
    for (const read_element& child : children) names.push_back(child.name);
    return names;
}

const read_element* read_element::child(const std::string& child_name) const {
    for (const read_element& candidate : children) {
        if (candidate.name == child_name) return &candidate;
    }
    return nullptr;
}

read_envelope read_request_envelope(const std::string& body) {
    read_envelope envelope;
    xmlDocPtr doc = xmlReadMemory(body.data(), static_cast<int>(body.size()), nullptr, nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!doc) return envelope;
    envelope.well_formed = true;
    envelope.encoding = text_of(doc->encoding);
    xmlNodePtr root = xmlDocGetRootElement(doc);
    envelope.root = read_node(root);
    envelope.root_prefix = root->ns ? text_of(root->ns->prefix) : "";
    for (xmlNsPtr ns = root->nsDef; ns; ns = ns->next)
        envelope.root_namespaces.emplace_back(text_of(ns->prefix), text_of(ns->href));
    for (xmlNodePtr child = root->children; child; child = child->next) {
        if (child->type != XML_ELEMENT_NODE) continue;
        for (xmlNodePtr inner = child->children; inner; inner = inner->next) {
            if (inner->type != XML_ELEMENT_NODE) continue;
            envelope.body_children.push_back(text_of(inner->name));
            if (envelope.body_children.size() == 1) {
                envelope.operation = read_node(inner);
                envelope.operation_prefix = inner->ns ? text_of(inner->ns->prefix) : "";
            }
        }
    }
    xmlFreeDoc(doc);
    return envelope;
}
