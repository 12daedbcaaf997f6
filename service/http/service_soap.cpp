#include "http/service_soap.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cerrno>
#include <cstdlib>
#include <limits>
#include <string>

#include "velmo_protocol.h"

namespace velmo_service {

const char* const soap_service_ns = VELMO_PROTOCOL_NS;
const char* const soap_envelope_ns = VELMO_SOAP12_NS;

namespace {
const xmlChar* x(const char* s) { return reinterpret_cast<const xmlChar*>(s); }

bool is_element(xmlNodePtr n, const char* name, const char* ns) {
    return n && n->type == XML_ELEMENT_NODE && xmlStrEqual(n->name, x(name)) && n->ns &&
           xmlStrEqual(n->ns->href, x(ns));
}

xmlNodePtr first_element_child(xmlNodePtr n) {
    for (xmlNodePtr c = n ? n->children : nullptr; c; c = c->next)
        if (c->type == XML_ELEMENT_NODE) return c;
    return nullptr;
}

std::string content_of(xmlNodePtr n) {
    xmlChar* c = xmlNodeGetContent(n);
    std::string s = c ? reinterpret_cast<const char*>(c) : "";
    xmlFree(c);
    return s;
}

void collect_values(xmlNodePtr parent, std::map<std::string, std::string>& values, int depth) {
    if (depth > 4) return;  // the deepest request has one group level
    for (xmlNodePtr c = parent->children; c; c = c->next) {
        if (c->type != XML_ELEMENT_NODE) continue;
        if (first_element_child(c)) {
            collect_values(c, values, depth + 1);
        } else {
            values.emplace(reinterpret_cast<const char*>(c->name), content_of(c));
        }
    }
}

xmlDocPtr new_envelope(xmlNodePtr* body) {
    xmlDocPtr doc = xmlNewDoc(x("1.0"));
    xmlNodePtr env = xmlNewNode(nullptr, x("Envelope"));
    xmlDocSetRootElement(doc, env);
    xmlNewNs(env, x(VELMO_XSI_NS), x("xsi"));
    xmlNewNs(env, x(VELMO_XSD_NS), x("xsd"));
    xmlNsPtr soap = xmlNewNs(env, x(soap_envelope_ns), x("soap12"));
    xmlSetNs(env, soap);
    *body = xmlNewChild(env, soap, x("Body"), nullptr);
    return doc;
}

// One linear pass over the markup counting what the parser would build:
// nodes of every kind (elements, text, comments, processing instructions,
// character data sections), attributes per start tag and nesting. libxml2
// allocates a node for each and compares each attribute of a tag with all
// before it, so all are bounded here, before it runs. Malformed markup that
// the pass cannot follow is left for the parser to refuse.
bool within_bounds(const std::string& s, const xml_bounds& bounds, const char** why) {
    const std::size_t n = s.size();
    std::size_t elements = 0, nodes = 0, depth = 0, i = 0;
    auto skip_past = [&](const char* end, std::size_t from) {
        const std::size_t at = s.find(end, from);
        return at == std::string::npos ? n : at + std::char_traits<char>::length(end);
    };
    auto count_node = [&] {
        if (++nodes <= bounds.max_nodes) return true;
        *why = "request has too many nodes";
        return false;
    };
    while (i < n) {
        const std::size_t tag = s.find('<', i);
        if (tag != i && !count_node()) return false;  // the text before it
        if (tag == std::string::npos) break;
        i = tag;
        if (s.compare(i, 2, "</") != 0 && !count_node()) return false;
        if (s.compare(i, 4, "<!--") == 0) {
            i = skip_past("-->", i + 4);
        } else if (s.compare(i, 9, "<![CDATA[") == 0) {
            i = skip_past("]]>", i + 9);
        } else if (s.compare(i, 2, "<?") == 0) {
            i = skip_past("?>", i + 2);
        } else if (s.compare(i, 2, "<!") == 0) {
            *why = "document type declarations are not accepted";
            return false;
        } else if (s.compare(i, 2, "</") == 0) {
            if (depth > 0) --depth;
            i = skip_past(">", i + 2);
        } else {
            if (++elements > bounds.max_elements) {
                *why = "request has too many elements";
                return false;
            }
            std::size_t attributes = 0, j = i + 1;
            char quote = 0;
            for (; j < n; ++j) {
                const char c = s[j];
                if (quote) {
                    if (c == quote) quote = 0;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (c == '=') {
                    if (++attributes > bounds.max_attributes) {
                        *why = "request has an element with too many attributes";
                        return false;
                    }
                } else if (c == '>') {
                    break;
                }
            }
            if (j >= n) break;
            if (s[j - 1] != '/' && ++depth > bounds.max_depth) {
                *why = "request is nested too deeply";
                return false;
            }
            i = j + 1;
        }
    }
    return true;
}

std::string dump(xmlDocPtr doc) {
    xmlChar* mem = nullptr;
    int size = 0;
    xmlDocDumpMemoryEnc(doc, &mem, &size, "UTF-8");
    std::string out =
        mem ? std::string(reinterpret_cast<const char*>(mem), static_cast<std::size_t>(size)) : "";
    xmlFree(mem);
    return out;
}
}  // namespace

std::string soap_request::value(const std::string& name, const std::string& fallback) const {
    auto it = values.find(name);
    return it == values.end() ? fallback : it->second;
}

long long soap_request::number(const std::string& name, long long fallback) const {
    auto it = values.find(name);
    if (it == values.end()) return fallback;
    const char* s = it->second.c_str();
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(s, &end, 10);
    if (end == s || errno != 0) return fallback;
    while (*end == ' ' || *end == '\t' || *end == '\n' || *end == '\r') ++end;
    return *end ? fallback : v;
}

bool soap_parse_request(const std::string& body, soap_request& out, std::string* error,
                        const xml_bounds& bounds) {
    auto fail = [&](const char* why) {
        if (error) *error = why;
        return false;
    };
    if (body.empty()) return fail("empty request");
    if (body.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return fail("request too large");
    const char* beyond = nullptr;
    if (!within_bounds(body, bounds, &beyond)) return fail(beyond);
    xmlDocPtr doc = xmlReadMemory(body.data(), static_cast<int>(body.size()), nullptr, nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!doc) return fail("request is not well-formed XML");
    std::unique_ptr<xmlDoc, void (*)(xmlDocPtr)> guard(doc, xmlFreeDoc);
    if (doc->intSubset || doc->extSubset)
        return fail("document type declarations are not accepted");
    xmlNodePtr env = xmlDocGetRootElement(doc);
    if (!is_element(env, "Envelope", soap_envelope_ns))
        return fail("root element is not a SOAP 1.2 Envelope");
    xmlNodePtr body_node = nullptr;
    for (xmlNodePtr c = env->children; c; c = c->next)
        if (is_element(c, "Body", soap_envelope_ns)) {
            body_node = c;
            break;
        }
    if (!body_node) return fail("envelope has no Body");
    xmlNodePtr op = first_element_child(body_node);
    if (!op) return fail("Body holds no operation");
    if (!op->ns || !xmlStrEqual(op->ns->href, x(soap_service_ns)))
        return fail("operation is not in the service namespace");
    out.operation = reinterpret_cast<const char*>(op->name);
    out.values.clear();
    collect_values(op, out.values, 0);
    return true;
}

soap_answer::soap_answer(const std::string& operation) {
    xmlNodePtr body = nullptr;
    xmlDocPtr doc = new_envelope(&body);
    doc_ = doc;
    xmlNodePtr response =
        xmlNewChild(body, nullptr, x((operation + VELMO_RESPONSE_SUFFIX).c_str()), nullptr);
    xmlNsPtr ns = xmlNewNs(response, x(soap_service_ns), nullptr);
    xmlSetNs(response, ns);
    result_ = xmlNewChild(response, ns, x((operation + VELMO_RESULT_SUFFIX).c_str()), nullptr);
}

soap_answer::~soap_answer() { xmlFreeDoc(static_cast<xmlDocPtr>(doc_)); }

soap_answer::node soap_answer::add(node parent, const char* name, const std::string& value) {
    auto p = static_cast<xmlNodePtr>(parent);
    return xmlNewTextChild(p, p->ns, x(name), x(value.c_str()));
}

soap_answer::node soap_answer::add_element(node parent, const char* name) {
    auto p = static_cast<xmlNodePtr>(parent);
    return xmlNewChild(p, p->ns, x(name), nullptr);
}

void soap_answer::set_text(node element, const std::string& value) {
    xmlNodeAddContent(static_cast<xmlNodePtr>(element), x(value.c_str()));
}

std::string soap_answer::serialize() const { return dump(static_cast<xmlDocPtr>(doc_)); }

std::string soap_fault(bool sender, const std::string& reason) {
    xmlNodePtr body = nullptr;
    xmlDocPtr doc = new_envelope(&body);
    xmlNsPtr soap = body->ns;
    xmlNodePtr fault = xmlNewChild(body, soap, x("Fault"), nullptr);
    xmlNodePtr code = xmlNewChild(fault, soap, x("Code"), nullptr);
    xmlNewTextChild(code, soap, x("Value"), x(sender ? "soap12:Sender" : "soap12:Receiver"));
    xmlNodePtr why = xmlNewChild(fault, soap, x("Reason"), nullptr);
    xmlNodePtr text = xmlNewTextChild(why, soap, x("Text"), x(reason.c_str()));
    xmlNodeSetLang(text, x("en"));
    std::string out = dump(doc);
    xmlFreeDoc(doc);
    return out;
}

}  // namespace velmo_service
