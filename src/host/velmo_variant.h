// VARIANT builders for the arguments the plug-in passes to the host. They
// belong to the plug-in, not to the host's declarations, so that the plug-in
// also builds against the vendor's headers.
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
    v.vt = VT_EMPTY;
    v.llVal = 0;
    return v;
}
// An omitted optional argument.
inline VARIANT var_missing() {
    VARIANT v = var_empty();
    v.vt = VT_ERROR;
    v.scode = DISP_E_PARAMNOTFOUND;
    return v;
}
inline VARIANT var_bool(bool value) {
    VARIANT v = var_empty();
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}
inline VARIANT var_i4(int32_t value) {
    VARIANT v = var_empty();
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}
inline VARIANT var_i8(int64_t value) {
    VARIANT v = var_empty();
    v.vt = VT_I8;
    v.llVal = value;
    return v;
}
// Takes ownership of `text`.
inline VARIANT var_bstr(BSTR text) {
    VARIANT v = var_empty();
    v.vt = VT_BSTR;
    v.bstrVal = text;
    return v;
}
// Copies `text` (0-terminated UTF-16).
inline VARIANT var_text(const OLECHAR* text) { return var_bstr(_XSysAllocString(text)); }
// Takes a reference of its own on `object`.
inline VARIANT var_object(IDispatch* object) {
    VARIANT v = var_empty();
    v.vt = VT_DISPATCH;
    v.pdispVal = object;
    if (object) object->AddRef();
    return v;
}
// Frees what the variant owns and leaves it empty.
inline void var_clear(VARIANT& v) {
    if (v.vt == VT_BSTR) _XSysFreeString(v.bstrVal);
    if (v.vt == VT_DISPATCH && v.pdispVal) v.pdispVal->Release();
    if (v.vt == VT_UNKNOWN && v.punkVal) v.punkVal->Release();
    v = var_empty();
}
// True for a variant that stands for an omitted argument (null, empty or the
// error marker).
inline bool var_is_missing(const VARIANT* v) {
    return !v || v->vt == VT_EMPTY || v->vt == VT_ERROR;
}

}  // namespace kfc

#endif
