// Reading the VARIANT arguments the host objects receive.
#ifndef WPS_SIM_VARIANT_UTIL_H
#define WPS_SIM_VARIANT_UTIL_H

#include <QString>

#include "kfc.h"

namespace wps_sim {

// An omitted argument: null, empty or the error marker.
inline bool variant_is_missing(const VARIANT* v) {
    return !v || v->vt == VT_EMPTY || v->vt == VT_ERROR;
}

inline VARIANT variant_of_number(int32_t value) {
    VARIANT v{};
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

inline VARIANT variant_of_flag(bool value) {
    VARIANT v{};
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

inline bool variant_is_number(const VARIANT* v) {
    return v && (v->vt == VT_I4 || v->vt == VT_I8 || v->vt == VT_BOOL);
}

inline int64_t variant_number(const VARIANT* v, int64_t fallback) {
    if (!v) return fallback;
    switch (v->vt) {
        case VT_I4:
            return v->lVal;
        case VT_I8:
            return v->llVal;
        case VT_BOOL:
            return v->boolVal ? -1 : 0;
        default:
            return fallback;
    }
}

inline bool variant_bool(const VARIANT* v, bool fallback) {
    if (!v) return fallback;
    switch (v->vt) {
        case VT_BOOL:
            return v->boolVal != VARIANT_FALSE;
        case VT_I4:
            return v->lVal != 0;
        case VT_I8:
            return v->llVal != 0;
        default:
            return fallback;
    }
}

// Unit for unit, so that a leading U+FEFF stays text and is not taken for a
// byte-order mark.
inline QString bstr_to_qstring(BSTR s) {
    return s ? QString(reinterpret_cast<const QChar*>(s), static_cast<int>(_XSysStringLen(s)))
             : QString();
}

inline bool variant_is_text(const VARIANT* v) { return v && v->vt == VT_BSTR; }

inline QString variant_text(const VARIANT* v) {
    return variant_is_text(v) ? bstr_to_qstring(v->bstrVal) : QString();
}

inline BSTR qstring_to_bstr(const QString& s) {
    return _XSysAllocStringLen(reinterpret_cast<const OLECHAR*>(s.utf16()),
                               static_cast<UINT>(s.size()));
}

inline HRESULT put_string(const QString& s, BSTR* out) {
    if (!out) return E_POINTER;
    *out = qstring_to_bstr(s);
    return *out ? S_OK : E_OUTOFMEMORY;
}

// A property's value into the caller's out-parameter.
template <class T>
inline HRESULT put_value(T value, T* out) {
    if (!out) return E_POINTER;
    *out = value;
    return S_OK;
}

inline HRESULT put_flag(bool value, VARIANT_BOOL* out) {
    return put_value<VARIANT_BOOL>(value ? VARIANT_TRUE : VARIANT_FALSE, out);
}

}  // namespace wps_sim

#endif  // WPS_SIM_VARIANT_UTIL_H
