// SOAP 1.2 envelopes of the service: reading a request and building answers
// and faults with libxml2's tree API, so that every value is escaped.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>

namespace velmo_service {

extern const char* const soap_service_ns;   // urn:velmo:proofreading
extern const char* const soap_envelope_ns;  // SOAP 1.2

struct soap_request {
    std::string operation;  // local name of the operation element
    // Text of every leaf element under the operation, by local name (the
    // option groups of an upload are flattened); the first occurrence wins.
    std::map<std::string, std::string> values;

    std::string value(const std::string& name, const std::string& fallback = std::string()) const;
    // Decimal integer of a value; `fallback` when absent or not a number.
    long long number(const std::string& name, long long fallback) const;
};

// What a request may hold. Every request of the protocol is a few dozen
// elements deep in single figures; the bounds keep a hostile body from
// costing memory or time out of proportion to its size.
struct xml_bounds {
    std::size_t max_elements = 1000;
    std::size_t max_nodes = 4000;     // of every kind: elements, text, comments, instructions
    std::size_t max_attributes = 32;  // per element
    std::size_t max_depth = 32;
};

// Parses a request body. On failure returns false with a reason in `error`.
// Parsing never touches the network and never expands entities; a document
// type declaration is refused outright, and so is a body beyond `bounds`,
// before any tree is built.
bool soap_parse_request(const std::string& body, soap_request& out, std::string* error,
                        const xml_bounds& bounds = {});

// An answer <OpResponse xmlns=service><OpResult>...</OpResult></OpResponse>.
class soap_answer {
  public:
    explicit soap_answer(const std::string& operation);
    ~soap_answer();
    soap_answer(const soap_answer&) = delete;
    soap_answer& operator=(const soap_answer&) = delete;

    using node = void*;
    node result() const { return result_; }
    // Adds an element with a text value under `parent` (escaped by libxml2).
    node add(node parent, const char* name, const std::string& value);
    node add_element(node parent, const char* name);
    void set_text(node element, const std::string& value);
    std::string serialize() const;

  private:
    void* doc_;
    node result_;
};

// A SOAP 1.2 fault; `sender` selects the Sender code (bad request) over Receiver.
std::string soap_fault(bool sender, const std::string& reason);

}  // namespace velmo_service
