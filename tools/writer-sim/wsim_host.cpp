#include "wsim_host.h"

kfc::ks_stdptr<wpsapi::_Document> wsim_active_document(wpsapi::_Application* app) {
    kfc::ks_stdptr<wpsapi::_Document> doc;
    if (!app || FAILED(app->get_ActiveDocument(&doc))) doc.clear();
    return doc;
}

QVector<kfc::ks_stdptr<wpsapi::_Document>> wsim_documents(wpsapi::_Application* app) {
    QVector<kfc::ks_stdptr<wpsapi::_Document>> out;
    kfc::ks_stdptr<wpsapi::Documents> docs;
    long count = 0;
    if (!app || FAILED(app->get_Documents(&docs)) || !docs || FAILED(docs->get_Count(&count)))
        return out;
    for (long i = 1; i <= count; ++i) {
        VARIANT index = kfc::var_i8(i);
        kfc::ks_stdptr<wpsapi::_Document> doc;
        if (SUCCEEDED(docs->Item(&index, &doc)) && doc) out << doc;
    }
    return out;
}

namespace {

template <class Getter>
QString read_text(Getter getter) {
    kfc::ks_bstr text;
    if (FAILED(getter(&text))) return QString();
    return velmo_from_bstr(text);
}

}  // namespace

QString wsim_document_name(wpsapi::_Document* doc) {
    return doc ? read_text([doc](BSTR* out) { return doc->get_Name(out); }) : QString();
}

QString wsim_document_path(wpsapi::_Document* doc) {
    return doc ? read_text([doc](BSTR* out) { return doc->get_Path(out); }) : QString();
}

QString wsim_document_full_name(wpsapi::_Document* doc) {
    return doc ? read_text([doc](BSTR* out) { return doc->get_FullName(out); }) : QString();
}

bool wsim_selection(wpsapi::_Application* app, long& start, long& end) {
    kfc::ks_stdptr<wpsapi::Selection> selection;
    if (!app || FAILED(app->get_Selection(&selection)) || !selection) return false;
    return SUCCEEDED(selection->get_Start(&start)) && SUCCEEDED(selection->get_End(&end));
}

bool wsim_set_selection(wpsapi::_Application* app, long start, long end) {
    kfc::ks_stdptr<wpsapi::Selection> selection;
    if (!app || FAILED(app->get_Selection(&selection)) || !selection) return false;
    return SUCCEEDED(selection->SetRange(start, end));
}

QVector<wsim_bookmark> wsim_bookmarks(wpsapi::_Document* doc) {
    QVector<wsim_bookmark> out;
    kfc::ks_stdptr<wpsapi::Bookmarks> bookmarks;
    long count = 0;
    if (!doc || FAILED(doc->get_Bookmarks(&bookmarks)) || !bookmarks ||
        FAILED(bookmarks->get_Count(&count)))
        return out;
    for (long i = 1; i <= count; ++i) {
        VARIANT index = kfc::var_i8(i);
        kfc::ks_stdptr<wpsapi::Bookmark> bookmark;
        if (FAILED(bookmarks->Item(&index, &bookmark)) || !bookmark) continue;
        wsim_bookmark b;
        b.name = read_text([&bookmark](BSTR* text) { return bookmark->get_Name(text); });
        if (FAILED(bookmark->get_Start(&b.start)) || FAILED(bookmark->get_End(&b.end))) continue;
        out << b;
    }
    return out;
}
