// Whether a request's head says unambiguously where its body ends. A request
// that two parties could read differently (a length beside a transfer
// encoding, two lengths, a length that is not plain digits, an encoding other
// than exactly chunked, a header name with white space in it, a line folded
// onto the one before, two hosts) is refused and its connection closed, so
// that no bytes of it can be taken for a request of their own.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmo_service {

using http_headers = std::vector<std::pair<std::string, std::string>>;

// Empty when the framing of these parsed headers is sound, otherwise the
// reason to refuse the request.
std::string http_framing_fault(const http_headers& headers);

// Where the head at the start of `bytes` ends (just past its blank line), or
// npos while it is not complete.
std::size_t http_head_end(std::string_view bytes);

// The same judgement over a whole head as it came off the wire, line by
// line, before any parser has read it: empty when sound.
std::string http_head_fault(std::string_view head);

}  // namespace velmo_service
