#include "http/service_http_framing.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstring>

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

// A header name is a token: no white space, no colon, no control character.
bool is_token(const std::string& s) {
    static const char* const extra = "!#$%&'*+-.^_`|~";
    if (s.empty()) return false;
    for (const unsigned char c : s)
        if (!std::isalnum(c) && !std::strchr(extra, c)) return false;
    return true;
}

bool named(const std::string& name, const char* wanted) {
    return strcasecmp(name.c_str(), wanted) == 0;
}
}  // namespace

std::string http_framing_fault(const http_headers& headers) {
    int lengths = 0, encodings = 0, hosts = 0;
    std::string length, encoding;
    for (const auto& [name, value] : headers) {
        if (!is_token(name)) return "request has a malformed header name";
        if (named(name, "Content-Length")) {
            ++lengths;
            length = trimmed(value);
        } else if (named(name, "Transfer-Encoding")) {
            ++encodings;
            // Only leading white space is the separator's: "chunked " is
            // read by some parties as chunked and by others as not.
            encoding = value.substr(std::min(value.size(), value.find_first_not_of(" \t")));
        } else if (named(name, "Host")) {
            ++hosts;
        }
    }
    if (lengths > 0 && encodings > 0) return "request has both a length and a transfer encoding";
    if (lengths > 1) return "request has more than one length";
    if (encodings > 1) return "request has more than one transfer encoding";
    if (hosts > 1) return "request has more than one host";
    if (lengths == 1 && !all_digits(length)) return "request length is not a number";
    if (encodings == 1 && strcasecmp(encoding.c_str(), "chunked") != 0)
        return "request transfer encoding is not chunked";
    return std::string();
}

std::size_t http_head_end(std::string_view bytes) {
    const std::size_t blank = bytes.find("\r\n\r\n");
    return blank == std::string_view::npos ? blank : blank + 4;
}

std::string http_head_fault(std::string_view head) {
    // Every line ends in CR LF; a lone CR or LF is read differently by
    // different parsers.
    for (std::size_t i = 0; i < head.size(); ++i) {
        const char c = head[i];
        if ((c == '\r' && (i + 1 == head.size() || head[i + 1] != '\n')) ||
            (c == '\n' && (i == 0 || head[i - 1] != '\r')))
            return "request head has a bare line break";
        if (c == '\0') return "request head holds a NUL byte";
    }
    std::size_t at = head.find("\r\n");
    if (at == std::string_view::npos) return "request head is incomplete";
    if (head.substr(0, at).find("HTTP/1.") == std::string_view::npos)
        return "request line is malformed";
    http_headers headers;
    for (at += 2; at < head.size();) {
        const std::size_t end = head.find("\r\n", at);
        const std::string_view line = head.substr(at, end - at);
        at = end + 2;
        if (line.empty()) break;
        if (line.front() == ' ' || line.front() == '\t')
            return "request has a header line folded onto the one before";
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) return "request has a header line without a colon";
        headers.emplace_back(std::string(line.substr(0, colon)),
                             std::string(line.substr(colon + 1)));
    }
    return http_framing_fault(headers);
}

}  // namespace velmo_service
