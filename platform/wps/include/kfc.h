// Basic types of the Writer host's COM-style object model on Linux (LP64):
// status codes, length-prefixed wide strings (BSTR), VARIANT arguments, the
// reference-counted base interfaces and the kfc::ks_stdptr / kfc::ks_bstr
// holders. Sizes and codes are the host's: `long` and ULONG 8 bytes, WCHAR 2,
// VARIANT 16 (type at 0, value at 8), HRESULT 4.
#ifndef WPS_KFC_H
#define WPS_KFC_H

#include <cstdint>
#include <memory>

#if defined(__GNUC__)
#define WPS_API __attribute__((visibility("default")))
#else
#define WPS_API
#endif

// ---- status codes ------------------------------------------------------
// Negative means failure. The failure codes are the host's Linux values,
// which differ from those of Windows.
typedef int32_t HRESULT;
typedef unsigned long ULONG;
typedef unsigned int UINT;
typedef int32_t SCODE;
typedef uint16_t WORD;
typedef uint32_t LCID;
typedef int32_t DISPID;

#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80000001u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x80000002u);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80000003u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80000004u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80000005u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80000008u);
// Marker of an omitted optional argument (VT_ERROR variant).
constexpr SCODE DISP_E_PARAMNOTFOUND = static_cast<SCODE>(0x80020004u);
// An index outside 1..Count.
constexpr HRESULT DISP_E_BADINDEX = static_cast<HRESULT>(0x8002000Bu);

// ---- wide strings --------------------------------------------------------
// UTF-16 code units. A BSTR points at the first unit; the length in units is
// stored in front of it and the text is followed by a 0 unit.
typedef unsigned short WCHAR;
typedef WCHAR OLECHAR;
typedef OLECHAR* BSTR;
typedef OLECHAR* LPOLESTR;

typedef short VARIANT_BOOL;
constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

extern "C" {
// Copies a 0-terminated string; null gives null.
WPS_API BSTR _XSysAllocString(const OLECHAR* text);
// Copies `length` units (text may hold 0 units); null text gives a string of
// `length` zero units.
WPS_API BSTR _XSysAllocStringLen(const OLECHAR* text, UINT length);
// Frees a string; null is allowed.
WPS_API void _XSysFreeString(BSTR text);
// Length in UTF-16 units; 0 for null.
WPS_API UINT _XSysStringLen(BSTR text);
}

// ---- interface identifiers ------------------------------------------------
struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
typedef GUID IID;
typedef const IID& REFIID;

inline bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i]) return false;
    return true;
}
inline bool operator!=(const GUID& a, const GUID& b) { return !(a == b); }

// Base of every host interface. A new object is handed out with one
// reference that belongs to the receiver. QueryInterface hands out another
// interface of the same object (with a reference) or E_NOINTERFACE.
struct IUnknown {
    static constexpr IID iid = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    virtual HRESULT QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

  protected:
    ~IUnknown() = default;
};

// ---- VARIANT ---------------------------------------------------------------
struct IDispatch;
struct ITypeInfo;
struct DISPPARAMS;
struct EXCEPINFO;

typedef uint16_t VARTYPE;
enum VARENUM : VARTYPE {
    VT_EMPTY = 0,
    VT_I4 = 3,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_UNKNOWN = 13,
    VT_I8 = 20,
};

struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        int32_t lVal;          // VT_I4
        int64_t llVal;         // VT_I8
        VARIANT_BOOL boolVal;  // VT_BOOL
        SCODE scode;           // VT_ERROR
        BSTR bstrVal;          // VT_BSTR (owned by the variant)
        IUnknown* punkVal;     // VT_UNKNOWN (one reference owned by the variant)
        IDispatch* pdispVal;   // VT_DISPATCH (one reference owned by the variant)
    };
};

// The members of a VARIANT* as the vendor's headers reach them (their VARIANT
// nests the members in named unions); code meant for both sets of
// declarations uses only these.
#define V_VT(X) ((X)->vt)
#define V_I4(X) ((X)->lVal)
#define V_I8(X) ((X)->llVal)
#define V_BOOL(X) ((X)->boolVal)
#define V_ERROR(X) ((X)->scode)
#define V_BSTR(X) ((X)->bstrVal)
#define V_UNKNOWN(X) ((X)->punkVal)
#define V_DISPATCH(X) ((X)->pdispVal)

// Automation objects: IDispatch and the accessibility base of bars and
// controls.
#include "wps_interfaces_global.h"

namespace kfc {

using ::IDispatch;
using ::IUnknown;

// Holds one reference to a host object and releases it when dropped.
// Constructing from a raw pointer takes a new reference; use attach() to
// adopt one already owned. `&holder` releases the current object and yields
// the address for an out parameter.
template <class T>
class ks_stdptr {
  public:
    ks_stdptr() = default;
    ks_stdptr(T* p) : p_(p) {  // NOLINT: implicit like a raw pointer
        if (p_) p_->AddRef();
    }
    ks_stdptr(const ks_stdptr& other) : ks_stdptr(other.p_) {}
    ks_stdptr(ks_stdptr&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
    ~ks_stdptr() { clear(); }

    ks_stdptr& operator=(const ks_stdptr& other) { return *this = other.p_; }
    ks_stdptr& operator=(ks_stdptr&& other) noexcept {
        if (this != std::addressof(other)) {
            clear();
            p_ = other.p_;
            other.p_ = nullptr;
        }
        return *this;
    }
    ks_stdptr& operator=(T* p) {
        if (p) p->AddRef();
        clear();
        p_ = p;
        return *this;
    }

    T** operator&() {
        clear();
        return &p_;
    }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    operator T*() const { return p_; }
    T* get() const { return p_; }

    // Adopts a reference the caller already owns.
    void attach(T* p) {
        clear();
        p_ = p;
    }
    // Gives the reference to the caller.
    T* detach() {
        T* p = p_;
        p_ = nullptr;
        return p;
    }
    void clear() {
        if (p_) {
            T* p = p_;
            p_ = nullptr;
            p->Release();
        }
    }

  private:
    T* p_ = nullptr;
};

// Holds one BSTR and frees it when dropped. `&holder` frees the current
// string and yields the address for an out parameter.
class ks_bstr {
  public:
    ks_bstr() = default;
    explicit ks_bstr(const OLECHAR* text) : s_(_XSysAllocString(text)) {}
    ks_bstr(const OLECHAR* text, UINT length) : s_(_XSysAllocStringLen(text, length)) {}
    ks_bstr(const ks_bstr&) = delete;
    ks_bstr& operator=(const ks_bstr&) = delete;
    ks_bstr(ks_bstr&& other) noexcept : s_(other.s_) { other.s_ = nullptr; }
    ks_bstr& operator=(ks_bstr&& other) noexcept {
        if (this != std::addressof(other)) {
            clear();
            s_ = other.s_;
            other.s_ = nullptr;
        }
        return *this;
    }
    ~ks_bstr() { clear(); }

    BSTR* operator&() {
        clear();
        return &s_;
    }
    BSTR get() const { return s_; }
    operator BSTR() const { return s_; }
    BSTR detach() {
        BSTR s = s_;
        s_ = nullptr;
        return s;
    }
    void clear() {
        _XSysFreeString(s_);
        s_ = nullptr;
    }

  private:
    BSTR s_ = nullptr;
};

}  // namespace kfc

#endif  // WPS_KFC_H
