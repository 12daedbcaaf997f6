// User names as the service compares and stores them: in Unicode's composed
// form (NFC), so that "café" typed with a combining accent and with a
// precomposed é is one account, not two that list identically.
#pragma once

#include <string>

namespace velmo_service {

// The name in NFC; a name that is not valid UTF-8 is returned unchanged.
std::string user_name_normal(const std::string& name);

}  // namespace velmo_service
