// Small helpers for driving the simulated host through its object model.
#ifndef WPS_TEST_UTIL_H
#define WPS_TEST_UTIL_H

#include <gtest/gtest.h>

#include <QString>

#include "host/velmo_host.h"
#include "wps_sim.h"

namespace wps_test {

using kfc::ks_stdptr;

inline QString str(BSTR s) {
    // Unit for unit: a codec would take a leading U+FEFF for a byte-order mark.
    return s ? QString(reinterpret_cast<const QChar*>(s), static_cast<int>(_XSysStringLen(s)))
             : QString();
}

inline kfc::ks_bstr bstr(const QString& s) {
    return kfc::ks_bstr(reinterpret_cast<const OLECHAR*>(s.utf16()), static_cast<UINT>(s.size()));
}

inline ks_stdptr<wpsapi::Range> range(wpsapi::_Document* doc, long start, long end) {
    ks_stdptr<wpsapi::Range> r;
    VARIANT s = kfc::var_i8(start), e = kfc::var_i8(end);
    EXPECT_EQ(S_OK, doc->Range(&s, &e, &r));
    return r;
}

inline QString text(wpsapi::Range* r) {
    kfc::ks_bstr t;
    EXPECT_EQ(S_OK, r->get_Text(&t));
    return str(t);
}

inline std::pair<long, long> extent(wpsapi::Range* r) {
    long s = -1, e = -1;
    r->get_Start(&s);
    r->get_End(&e);
    return {s, e};
}

inline void set_text(wpsapi::_Document* doc, long start, long end, const QString& t) {
    ks_stdptr<wpsapi::Range> r = range(doc, start, end);
    kfc::ks_bstr b = bstr(t);
    EXPECT_EQ(S_OK, r->put_Text(b));
}

inline HRESULT add_bookmark(wpsapi::_Document* doc, const QString& name, long start, long end) {
    ks_stdptr<wpsapi::Bookmarks> marks;
    EXPECT_EQ(S_OK, doc->get_Bookmarks(&marks));
    ks_stdptr<wpsapi::Range> r = range(doc, start, end);
    VARIANT v = kfc::var_object(r.get());
    ks_stdptr<wpsapi::Bookmark> added;
    HRESULT hr = marks->Add(bstr(name), &v, &added);
    kfc::var_clear(v);
    return hr;
}

inline std::pair<long, long> bookmark_extent(wpsapi::_Document* doc, const QString& name) {
    ks_stdptr<wpsapi::Bookmarks> marks;
    doc->get_Bookmarks(&marks);
    kfc::ks_bstr n = bstr(name);
    VARIANT index = kfc::var_bstr(n.detach());
    ks_stdptr<wpsapi::Bookmark> mark;
    HRESULT hr = marks->Item(&index, &mark);
    kfc::var_clear(index);
    if (FAILED(hr)) return {-1, -1};
    long s = -1, e = -1;
    mark->get_Start(&s);
    mark->get_End(&e);
    return {s, e};
}

template <class C>
long count(C* collection) {
    long n = -1;
    EXPECT_EQ(S_OK, collection->get_Count(&n));
    return n;
}

inline int info(wpsapi::Selection* sel, wpsapi::WdInformation code) {
    VARIANT v = kfc::var_empty();
    EXPECT_EQ(S_OK, sel->get_Information(code, &v));
    EXPECT_EQ(VT_I4, v.vt);
    return v.lVal;
}

inline ks_stdptr<wpsapi::Selection> selection(wpsapi::_Application* app) {
    ks_stdptr<wpsapi::Selection> sel;
    EXPECT_EQ(S_OK, app->get_Selection(&sel));
    return sel;
}

}  // namespace wps_test

#endif  // WPS_TEST_UTIL_H
