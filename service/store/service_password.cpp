#include "store/service_password.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <vector>

namespace velmo_service {

namespace {
constexpr int default_iterations = 4096;
constexpr int salt_bytes = 16;
constexpr int hash_bytes = 32;

std::string to_hex(const unsigned char* p, std::size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s.push_back(digits[p[i] >> 4]);
        s.push_back(digits[p[i] & 15]);
    }
    return s;
}

bool from_hex(const std::string& s, std::vector<unsigned char>& out) {
    if (s.size() % 2) return false;
    out.clear();
    for (std::size_t i = 0; i < s.size(); i += 2) {
        int v = 0;
        for (int k = 0; k < 2; ++k) {
            const char c = s[i + k];
            v <<= 4;
            if (c >= '0' && c <= '9')
                v |= c - '0';
            else if (c >= 'a' && c <= 'f')
                v |= c - 'a' + 10;
            else
                return false;
        }
        out.push_back(static_cast<unsigned char>(v));
    }
    return true;
}

bool derive(const std::string& secret, const unsigned char* salt, std::size_t salt_len,
            int iterations, unsigned char* out) {
    return PKCS5_PBKDF2_HMAC(secret.data(), static_cast<int>(secret.size()), salt,
                             static_cast<int>(salt_len), iterations, EVP_sha256(), hash_bytes,
                             out) == 1;
}
}  // namespace

std::string password_hash(const std::string& secret) {
    unsigned char salt[salt_bytes];
    unsigned char hash[hash_bytes];
    if (RAND_bytes(salt, salt_bytes) != 1) return std::string();
    if (!derive(secret, salt, salt_bytes, default_iterations, hash)) return std::string();
    return "pbkdf2-sha256$" + std::to_string(default_iterations) + "$" + to_hex(salt, salt_bytes) +
           "$" + to_hex(hash, hash_bytes);
}

bool password_verify(const std::string& secret, const std::string& stored) {
    const std::string prefix = "pbkdf2-sha256$";
    if (stored.compare(0, prefix.size(), prefix) != 0) return false;
    const std::size_t a = prefix.size();
    const std::size_t b = stored.find('$', a);
    if (b == std::string::npos) return false;
    const std::size_t c = stored.find('$', b + 1);
    if (c == std::string::npos) return false;
    int iterations = 0;
    try {
        iterations = std::stoi(stored.substr(a, b - a));
    } catch (...) {
        return false;
    }
    std::vector<unsigned char> salt, expected;
    if (iterations < 1 || iterations > 10000000 ||
        !from_hex(stored.substr(b + 1, c - b - 1), salt) ||
        !from_hex(stored.substr(c + 1), expected) || expected.size() != hash_bytes)
        return false;
    unsigned char hash[hash_bytes];
    if (!derive(secret, salt.data(), salt.size(), iterations, hash)) return false;
    return CRYPTO_memcmp(hash, expected.data(), hash_bytes) == 0;
}

}  // namespace velmo_service
