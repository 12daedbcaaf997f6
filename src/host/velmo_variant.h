// VARIANT builders for the arguments the plug-in passes to the host. They
// belong to the plug-in, not to the host's declarations, and reach the members
// only through the V_*() accessors, so that the plug-in also builds against
// the vendor's headers.
#ifndef VELMO_HOST_VELMO_VARIANT_H
#define VELMO_HOST_VELMO_VARIANT_H

#include "kfc.h"

// A UTF-16 literal (u"...") as the host's wide characters, which are the
// same code units under another type.
inline const OLECHAR* velmo_wide(const char16_t* text) {
    return reinterpret_cast<const OLECHAR*>(text);
}

namespace kfc {

// Variant constructors. A variant made from a string or an object owns it;
// release its content with var_clear.
inline VARIANT var_empty() {
    VARIANT v{};
    V_VT(&v) = VT_EMPTY;
    V_I8(&v) = 0;
    return v;
}
// An omitted optional argument.
inline VARIANT var_missing() {
    VARIANT v = var_empty();
    V_VT(&v) = VT_ERROR;
    V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
    return v;
}
inline VARIANT var_bool(bool value) {
    VARIANT v = var_empty();
    V_VT(&v) = VT_BOOL;
    V_BOOL(&v) = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}
inline VARIANT var_i4(int32_t value) {
    VARIANT v = var_empty();
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return v;
}
inline VARIANT var_i8(int64_t value) {
    VARIANT v = var_empty();
    V_VT(&v) = VT_I8;
    V_I8(&v) = value;
    return v;
}
// Takes ownership of `text`.
inline VARIANT var_bstr(BSTR text) {
    VARIANT v = var_empty();
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = text;
    return v;
}
// Copies `text` (0-terminated UTF-16).
inline VARIANT var_text(const OLECHAR* text) { return var_bstr(_XSysAllocString(text)); }
// Takes a reference of its own on `object`.
inline VARIANT var_object(IDispatch* object) {
    VARIANT v = var_empty();
    V_VT(&v) = VT_DISPATCH;
    V_DISPATCH(&v) = object;
    if (object) object->AddRef();
    return v;
}
// Frees what the variant owns and leaves it empty.
inline void var_clear(VARIANT& v) {
    if (V_VT(&v) == VT_BSTR) _XSysFreeString(V_BSTR(&v));
    if (V_VT(&v) == VT_DISPATCH && V_DISPATCH(&v)) V_DISPATCH(&v)->Release();
    if (V_VT(&v) == VT_UNKNOWN && V_UNKNOWN(&v)) V_UNKNOWN(&v)->Release();
    v = var_empty();
}
}  // namespace kfc

#endif
