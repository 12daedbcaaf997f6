// A stand-in for one of the host's libraries that exports only some of the
// host's functions, for a plug-in loaded into a host that lacks the others:
//   BARE_HOST_STRINGS     the four wide-string functions;
//   BARE_HOST_MANAGER=1   GetEventsRegisterManager, handing out no manager;
//   BARE_HOST_MANAGER=2   GetEventsRegisterManager with a manager that accepts
//                         every registration.
// Without either it exports nothing.
#include <cstdlib>
#include <cstring>

#include "event_manager_answering.h"

#ifdef BARE_HOST_STRINGS
extern "C" {

WPS_API BSTR _XSysAllocStringLen(const OLECHAR* text, UINT length) {
    auto* block = static_cast<char*>(std::calloc(1, sizeof(uint32_t) + (length + 1) * 2));
    if (!block) return nullptr;
    const uint32_t bytes = length * 2;
    std::memcpy(block, &bytes, sizeof bytes);
    BSTR result = reinterpret_cast<BSTR>(block + sizeof(uint32_t));
    if (text) std::memcpy(result, text, bytes);
    return result;
}

WPS_API BSTR _XSysAllocString(const OLECHAR* text) {
    if (!text) return nullptr;
    UINT length = 0;
    while (text[length]) ++length;
    return _XSysAllocStringLen(text, length);
}

WPS_API void _XSysFreeString(BSTR text) {
    if (text) std::free(reinterpret_cast<char*>(text) - sizeof(uint32_t));
}

WPS_API UINT _XSysStringLen(BSTR text) {
    if (!text) return 0;
    uint32_t bytes = 0;
    std::memcpy(&bytes, reinterpret_cast<char*>(text) - sizeof(uint32_t), sizeof bytes);
    return bytes / 2;
}
}
#endif

#if defined(BARE_HOST_MANAGER)
extern "C" WPS_API _RegisterEventManager* GetEventsRegisterManager() {
    static event_manager_answering manager(S_OK);
    return BARE_HOST_MANAGER == 2 ? &manager : nullptr;
}
#endif

// Keeps the library from being empty when it exports none of the above.
extern "C" WPS_API int bare_host_library() { return 0; }
