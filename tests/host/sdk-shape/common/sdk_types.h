// Basic types of the host on Linux (LP64) in the vendor's spelling: status
// codes as macros, the string functions with a calling-convention attribute,
// VARIANT with named inner unions and its accessor macros.
#ifndef SDK_SHAPE_TYPES_H
#define SDK_SHAPE_TYPES_H

#include <assert.h>
#include <stddef.h>
#include <stdint.h>

#define interface struct
#define __stdcall __attribute__((stdcall))
#define STDMETHODCALLTYPE __stdcall
#define EXPORTAPI extern "C" __attribute__((visibility("default")))
#define _KFC_BEGIN namespace kfc {
#define _KFC_END }
#ifndef ASSERT
#define ASSERT(f) assert(f)
#endif
#ifndef NULL
#define NULL 0
#endif

typedef int32_t HRESULT;
typedef unsigned long ULONG;
typedef unsigned int UINT;
typedef int32_t SCODE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef uint32_t LCID;
typedef int32_t DISPID;
typedef int BOOL;
#define TRUE 1
#define FALSE 0

#define _HRESULT_TYPEDEF_(code) ((HRESULT)(code))
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
#define S_OK _HRESULT_TYPEDEF_(0x00000000L)
#define S_FALSE _HRESULT_TYPEDEF_(0x00000001L)
#define E_NOTIMPL _HRESULT_TYPEDEF_(0x80000001L)
#define E_OUTOFMEMORY _HRESULT_TYPEDEF_(0x80000002L)
#define E_INVALIDARG _HRESULT_TYPEDEF_(0x80000003L)
#define E_NOINTERFACE _HRESULT_TYPEDEF_(0x80000004L)
#define E_POINTER _HRESULT_TYPEDEF_(0x80000005L)
#define E_FAIL _HRESULT_TYPEDEF_(0x80000008L)
#define DISP_E_PARAMNOTFOUND _HRESULT_TYPEDEF_(0x80020004L)
#define DISP_E_BADINDEX _HRESULT_TYPEDEF_(0x8002000BL)

typedef unsigned short WCHAR;
typedef WCHAR OLECHAR;
typedef OLECHAR* BSTR;
typedef OLECHAR* LPOLESTR;
typedef const OLECHAR* LPCOLESTR;
typedef const WCHAR* LPCWSTR;
typedef short VARIANT_BOOL;
#define VARIANT_TRUE ((VARIANT_BOOL)-1)
#define VARIANT_FALSE ((VARIANT_BOOL)0)

extern "C" {
BSTR __stdcall _XSysAllocString(const OLECHAR* text);
BSTR __stdcall _XSysAllocStringLen(const OLECHAR* text, UINT length);
void __stdcall _XSysFreeString(BSTR text);
UINT __stdcall _XSysStringLen(BSTR text);
}
#define SysAllocString _XSysAllocString
#define SysAllocStringLen _XSysAllocStringLen
#define SysFreeString _XSysFreeString
#define SysStringLen _XSysStringLen

typedef struct _GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
} GUID;
typedef GUID IID;
typedef const IID& REFIID;
inline bool operator==(const GUID& a, const GUID& b) {
    for (size_t i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i]) return false;
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3;
}
inline bool operator!=(const GUID& a, const GUID& b) { return !(a == b); }

// Every interface has an ID; one placeholder stands for all of them here.
template <class E>
inline const IID& sdk_shape_uuid() {
    static const IID id = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
    return id;
}
#define __uuid(E) sdk_shape_uuid<E>()

interface IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;
};
interface IDispatch;
interface ITypeInfo;
struct DISPPARAMS;
struct EXCEPINFO;

typedef unsigned short VARTYPE;
enum VARENUM {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R8 = 5,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_I8 = 20,
};

// The inner unions carry names, so only the accessor macros reach a member.
struct tagVARIANT {
    union {
        struct __tagVARIANT {
            VARTYPE vt;
            WORD wReserved1;
            WORD wReserved2;
            WORD wReserved3;
            union {
                int64_t llVal;
                int32_t lVal;
                short iVal;
                double dblVal;
                VARIANT_BOOL boolVal;
                SCODE scode;
                BSTR bstrVal;
                IUnknown* punkVal;
                IDispatch* pdispVal;
                void* byref;
            } n3;
        } n2;
    } n1;
};
typedef struct tagVARIANT VARIANT;
typedef VARIANT VARIANTARG;

#define V_VT(X) ((X)->n1.n2.vt)
#define V_I2(X) ((X)->n1.n2.n3.iVal)
#define V_I4(X) ((X)->n1.n2.n3.lVal)
#define V_I8(X) ((X)->n1.n2.n3.llVal)
#define V_R8(X) ((X)->n1.n2.n3.dblVal)
#define V_BOOL(X) ((X)->n1.n2.n3.boolVal)
#define V_ERROR(X) ((X)->n1.n2.n3.scode)
#define V_BSTR(X) ((X)->n1.n2.n3.bstrVal)
#define V_UNKNOWN(X) ((X)->n1.n2.n3.punkVal)
#define V_DISPATCH(X) ((X)->n1.n2.n3.pdispVal)
#define V_BYREF(X) ((X)->n1.n2.n3.byref)

// IDispatch and IAccessible, from the project's interface table.
#include "wps_interfaces_global.h"

#endif
