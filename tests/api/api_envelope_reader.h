// Reads a request envelope back with libxml2, so that tests can compare
// what the service received element by element.
#ifndef TESTS_API_API_ENVELOPE_READER_H
#define TESTS_API_API_ENVELOPE_READER_H

#include <string>
#include <utility>
#include <vector>

struct read_element {
    std::string name;                    // local name
    std::string ns;                      // namespace URI, "" when none
    std::string text;                    // text content (all descendants)
    std::vector<read_element> children;  // child elements in order

    std::vector<std::string> child_names() const;
    const read_element* child(const std::string& name) const;
};

struct read_envelope {
    bool well_formed = false;
    std::string encoding;  // from the XML declaration
    read_element root;     // soap12:Envelope
    // Namespace declarations of the root as (prefix, uri), in order.
    std::vector<std::pair<std::string, std::string>> root_namespaces;
    std::string root_prefix;
    std::vector<std::string> body_children;  // local names of the Body's elements
    read_element operation;                  // the element inside the Body
    std::string operation_prefix;            // "" when unprefixed
};

read_envelope read_request_envelope(const std::string& body);

#endif
