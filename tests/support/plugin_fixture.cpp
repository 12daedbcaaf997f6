#include "plugin_fixture.h"

#include <QApplication>
#include <QFile>
#include <QTextCodec>

#include "host/velmo_globals.h"
#include "host/velmo_host_string.h"

void ensure_qt_application() {
    if (QApplication::instance()) return;
    static int argc = 1;
    static char name[] = "plugin_test";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
}

void plugin_test::SetUp() {
    app = wps_sim::create_application();
    g_pApp = app.get();
}

void plugin_test::TearDown() {
    g_pApp = nullptr;
    app.clear();
    settings.reset();
}

void plugin_test::use_ini(const std::string& ini_text) {
    settings.reset();  // points the store back home before the new one
    settings = std::make_unique<temp_settings>(ini_text);
}

QByteArray plugin_test::ini_file() const {
    QFile file(QString::fromStdString(settings->ini_path()));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray plugin_test::user_ini_file() const {
    QFile file(QString::fromStdString(settings->user_ini_path()));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

kfc::ks_stdptr<wpsapi::_Document> plugin_test::open(const wps_sim::document_builder& builder) {
    return builder.open(app);
}

std::vector<bookmark_seen_t> plugin_test::bookmarks(wpsapi::_Document* document) {
    std::vector<bookmark_seen_t> seen;
    kfc::ks_stdptr<wpsapi::Range> content;
    kfc::ks_stdptr<wpsapi::Bookmarks> all;
    long count = 0;
    if (FAILED(document->get_Content(&content)) || FAILED(content->get_Bookmarks(&all)) ||
        FAILED(all->get_Count(&count)))
        return seen;
    for (long i = 1; i <= count; ++i) {
        VARIANT index = kfc::var_i8(i);
        kfc::ks_stdptr<wpsapi::Bookmark> bookmark;
        if (FAILED(all->Item(&index, &bookmark))) break;
        bookmark_seen_t one;
        one.name = velmo_bookmark_name(bookmark);
        bookmark->get_Start(&one.start);
        bookmark->get_End(&one.end);
        seen.push_back(one);
    }
    return seen;
}

int plugin_test::highlight(wpsapi::_Document* document, long start, long end) {
    VARIANT s = kfc::var_i8(start);
    VARIANT e = kfc::var_i8(end);
    kfc::ks_stdptr<wpsapi::Range> range;
    auto color = static_cast<wpsapi::WdColorIndex>(-2);
    if (SUCCEEDED(document->Range(&s, &e, &range))) range->get_HighlightColorIndex(&color);
    return color;
}

void plugin_test::insert_text(wpsapi::_Document* document, long pos, const QString& text) {
    VARIANT s = kfc::var_i8(pos);
    VARIANT e = kfc::var_i8(pos);
    kfc::ks_stdptr<wpsapi::Range> range;
    ASSERT_TRUE(SUCCEEDED(document->Range(&s, &e, &range)));
    ASSERT_TRUE(SUCCEEDED(range->put_Text(velmo_to_bstr(text))));
}

void plugin_test::add_bookmark(wpsapi::_Document* document, const QString& name, long start,
                               long end) {
    VARIANT s = kfc::var_i8(start);
    VARIANT e = kfc::var_i8(end);
    kfc::ks_stdptr<wpsapi::Range> range;
    kfc::ks_stdptr<wpsapi::Bookmarks> all;
    ASSERT_TRUE(SUCCEEDED(document->Range(&s, &e, &range)));
    ASSERT_TRUE(SUCCEEDED(document->get_Bookmarks(&all)));
    VARIANT range_arg = kfc::var_object(range);
    kfc::ks_stdptr<wpsapi::Bookmark> added;
    const HRESULT hr = all->Add(velmo_to_bstr(name), &range_arg, &added);
    kfc::var_clear(range_arg);
    ASSERT_TRUE(SUCCEEDED(hr));
}

void plugin_test::set_selection(long start, long end) {
    kfc::ks_stdptr<wpsapi::Selection> selection;
    ASSERT_TRUE(SUCCEEDED(app->get_Selection(&selection)));
    ASSERT_TRUE(SUCCEEDED(selection->SetRange(start, end)));
}

long plugin_test::selection_start() {
    kfc::ks_stdptr<wpsapi::Selection> selection;
    long start = -1;
    if (SUCCEEDED(app->get_Selection(&selection))) selection->get_Start(&start);
    return start;
}

long plugin_test::selection_end() {
    kfc::ks_stdptr<wpsapi::Selection> selection;
    long end = -1;
    if (SUCCEEDED(app->get_Selection(&selection))) selection->get_End(&end);
    return end;
}
