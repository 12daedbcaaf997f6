#include "http/service_http_framing.h"

#include <strings.h>

namespace velmo_service {

namespace {
std::string trimmed(const std::string& s) {
    const std::size_t from = s.find_first_not_of(" \t");
    if (from == std::string::npos) return std::string();
    return s.substr(from, s.find_last_not_of(" \t") - from + 1);
}

bool all_digits(const std::string& s) {
    return !s.empty() && s.size() <= 18 && s.find_first_not_of("0123456789") == std::string::npos;
}
}  // namespace

std::string http_framing_fault(const http_headers& headers) {
    int lengths = 0, encodings = 0;
    std::string length, encoding;
    for (const auto& [name, value] : headers) {
        if (strcasecmp(name.c_str(), "Content-Length") == 0) {
            ++lengths;
            length = trimmed(value);
        } else if (strcasecmp(name.c_str(), "Transfer-Encoding") == 0) {
            ++encodings;
            encoding = trimmed(value);
        }
    }
    if (lengths > 0 && encodings > 0) return "request has both a length and a transfer encoding";
    if (lengths > 1) return "request has more than one length";
    if (encodings > 1) return "request has more than one transfer encoding";
    if (lengths == 1 && !all_digits(length)) return "request length is not a number";
    if (encodings == 1 && strcasecmp(encoding.c_str(), "chunked") != 0)
        return "request transfer encoding is not chunked";
    return std::string();
}

}  // namespace velmo_service
