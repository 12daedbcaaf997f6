// The vendor-style holders: ks_stdptr takes 0 as int or long and a pointer as
// E* or IUnknown*, in construction and in assignment (so nullptr matches two
// constructors and two assignments), `&holder` expects an
// empty holder and does not release, and `->` hides AddRef and Release.
#ifndef SDK_SHAPE_KFC_COMSPTR_H
#define SDK_SHAPE_KFC_COMSPTR_H

#include "sdk_types.h"

template <class E>
class KNonAddRefReleaseObject : public E {
  private:
    ULONG STDMETHODCALLTYPE AddRef();
    ULONG STDMETHODCALLTYPE Release();
};

_KFC_BEGIN

template <class E>
class ks_stdptr {
  protected:
    E* _ptr;

  public:
    ks_stdptr() { _ptr = NULL; }
    ks_stdptr(int nil) {
        ASSERT(nil == 0);
        _ptr = NULL;
    }
    ks_stdptr(long nil) {
        ASSERT(nil == 0);
        _ptr = NULL;
    }
    ks_stdptr(E* p) {
        _ptr = p;
        if (_ptr) _ptr->AddRef();
    }
    ks_stdptr(const ks_stdptr<E>& p) {
        _ptr = p._ptr;
        if (_ptr) _ptr->AddRef();
    }
    ks_stdptr(IUnknown* unknown) : _ptr(NULL) {
        if (unknown) unknown->QueryInterface(__uuid(E), (void**)&_ptr);
    }
    template <class Type>
    ks_stdptr(const ks_stdptr<Type>& p) : _ptr(NULL) {
        if (p) p->QueryInterface(__uuid(E), (void**)&_ptr);
    }
    ~ks_stdptr() {
        if (_ptr) _ptr->Release();
    }

    void attach(E* p) {
        if (_ptr) _ptr->Release();
        _ptr = p;
    }
    E* detach() {
        E* p = _ptr;
        _ptr = NULL;
        return p;
    }
    void clear() {
        if (_ptr) {
            _ptr->Release();
            _ptr = NULL;
        }
    }
    E* operator=(E* p) {
        if (p) p->AddRef();
        if (_ptr) _ptr->Release();
        return _ptr = p;
    }
    E* operator=(const ks_stdptr<E>& p) { return *this = p._ptr; }
    E* operator=(IUnknown* unknown) {
        E* p = NULL;
        if (unknown) unknown->QueryInterface(__uuid(E), (void**)&p);
        if (_ptr) _ptr->Release();
        return _ptr = p;
    }
    E* operator=(int nil) {
        ASSERT(nil == 0);
        clear();
        return NULL;
    }
    E* operator=(long nil) {
        ASSERT(nil == 0);
        clear();
        return NULL;
    }

    E& operator*() const { return *_ptr; }
    operator E*() const { return _ptr; }
    E* get() const { return _ptr; }
    E** operator&() {
        ASSERT(_ptr == NULL);
        return &_ptr;
    }
    KNonAddRefReleaseObject<E>* operator->() const { return (KNonAddRefReleaseObject<E>*)_ptr; }
    BOOL operator!() const { return _ptr == NULL; }
    BOOL operator==(E* p) const { return _ptr == p; }
    BOOL operator!=(E* p) const { return _ptr != p; }
};

// A BSTR holder: not copied, `&holder` expects an empty holder.
class ks_bstr {
  protected:
    BSTR _bstr;

  private:
    ks_bstr(const ks_bstr&);
    void operator=(const ks_bstr&);

  public:
    ks_bstr() { _bstr = NULL; }
    ks_bstr(LPCWSTR text) { _bstr = SysAllocString(text); }
    ks_bstr(LPCWSTR text, UINT length) { _bstr = SysAllocStringLen(text, length); }
    ~ks_bstr() { SysFreeString(_bstr); }

    operator BSTR() const { return _bstr; }
    BSTR* operator&() {
        ASSERT(_bstr == NULL);
        return &_bstr;
    }
    LPCWSTR c_str() const { return _bstr; }
    BOOL empty() const { return SysStringLen(_bstr) == 0; }
    UINT size() const { return SysStringLen(_bstr); }
    BSTR detach() {
        BSTR text = _bstr;
        _bstr = NULL;
        return text;
    }
    void attach(BSTR text) {
        SysFreeString(_bstr);
        _bstr = text;
    }
    void clear() {
        SysFreeString(_bstr);
        _bstr = NULL;
    }
};

_KFC_END

#endif
