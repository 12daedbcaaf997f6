// Length-prefixed UTF-16 strings: a 32-bit length in bytes in front of the
// text, a 0 unit after it. Built into both host libraries.
#include <cstdlib>
#include <cstring>

#include "kfc.h"

namespace {
uint32_t* header_of(BSTR s) { return reinterpret_cast<uint32_t*>(s) - 1; }
}  // namespace

extern "C" {

BSTR _XSysAllocStringLen(const OLECHAR* text, UINT length) {
    if (length > (UINT32_MAX - 8) / 2) return nullptr;
    size_t bytes = static_cast<size_t>(length) * sizeof(OLECHAR);
    auto* block = static_cast<uint32_t*>(std::malloc(sizeof(uint32_t) + bytes + sizeof(OLECHAR)));
    if (!block) return nullptr;
    block[0] = static_cast<uint32_t>(bytes);
    BSTR s = reinterpret_cast<BSTR>(block + 1);
    if (text)
        std::memcpy(s, text, bytes);
    else
        std::memset(s, 0, bytes);
    s[length] = 0;
    return s;
}

BSTR _XSysAllocString(const OLECHAR* text) {
    if (!text) return nullptr;
    UINT length = 0;
    while (text[length]) ++length;
    return _XSysAllocStringLen(text, length);
}

void _XSysFreeString(BSTR text) {
    if (text) std::free(header_of(text));
}

UINT _XSysStringLen(BSTR text) { return text ? header_of(text)[0] / sizeof(OLECHAR) : 0; }

}  // extern "C"
