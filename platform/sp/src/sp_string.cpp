// String buffer accessors and the small string and memory helpers of libsp.
#include <cstdlib>
#include <cstring>

#include "sp.h"
#include "sp_string_buffer.h"

extern "C" {

const char* sp_string_buffer_string(const sp_string_buffer_t* buffer) {
    return buffer ? buffer->bytes.c_str() : "";
}

size_t sp_string_buffer_length(const sp_string_buffer_t* buffer) {
    return buffer ? buffer->bytes.size() : 0;
}

size_t sp_string_length(const char* text) { return text ? std::strlen(text) : 0; }

int sp_string_equal(const char* a, const char* b) {
    if (a == nullptr || b == nullptr) return a == b;
    return std::strcmp(a, b) == 0;
}

char* sp_string_copy(char* dest, const char* src) {
    if (dest == nullptr) return nullptr;
    if (src == nullptr) {
        dest[0] = '\0';
        return dest;
    }
    return std::strcpy(dest, src);
}

void* sp_calloc(size_t count, size_t size) { return std::calloc(count, size); }

void sp_free(void* block) { std::free(block); }

}  // extern "C"
