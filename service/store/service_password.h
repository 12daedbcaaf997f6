// Authorization numbers are stored only as salted, stretched hashes
// (PBKDF2-HMAC-SHA256): "pbkdf2-sha256$<iterations>$<salt hex>$<hash hex>".
#pragma once

#include <string>

namespace velmo_service {

std::string password_hash(const std::string& secret);
bool password_verify(const std::string& secret, const std::string& stored);

}  // namespace velmo_service
