// Whether a request's head says unambiguously where its body ends. A request
// that two parties could read differently (a length beside a transfer
// encoding, two lengths, a length that is not plain digits, an encoding other
// than chunked) is refused and its connection closed, so that no bytes of it
// can be taken for a request of their own.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace velmo_service {

using http_headers = std::vector<std::pair<std::string, std::string>>;

// Empty when the framing is sound, otherwise the reason to refuse the request.
std::string http_framing_fault(const http_headers& headers);

}  // namespace velmo_service
