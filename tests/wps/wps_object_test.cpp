// Strings, reference counts, documents, the application and command bars
// with their click events.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "wps_test_util.h"

using namespace wps_test;

namespace {

TEST(strings, length_prefixed_and_zero_terminated) {
    BSTR s = _XSysAllocString(velmo_wide(u"abc"));
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(3u, _XSysStringLen(s));
    EXPECT_EQ(0, s[3]);
    _XSysFreeString(s);
    const char16_t with_zero[] = {u'a', 0, u'b'};
    BSTR z = _XSysAllocStringLen(velmo_wide(with_zero), 3);
    EXPECT_EQ(3u, _XSysStringLen(z));
    EXPECT_EQ(u'b', z[2]);
    _XSysFreeString(z);
    EXPECT_EQ(nullptr, _XSysAllocString(nullptr));
    EXPECT_EQ(0u, _XSysStringLen(nullptr));
    _XSysFreeString(nullptr);
}

// Every object handed out is released again: the count of live host
// objects returns to where it was.
TEST(reference_counts, a_session_of_calls_leaves_no_object_behind) {
    long before = wps_sim::live_object_count();
    {
        auto app = wps_sim::create_application();
        auto doc = wps_sim::document_builder().paragraph("one. two.").table(1, 1, {"c"}).open(app);
        ASSERT_EQ(S_OK, add_bookmark(doc, "m", 0, 3));
        ks_stdptr<wpsapi::Range> content;
        doc->get_Content(&content);
        ks_stdptr<wpsapi::Bookmarks> marks;
        content->get_Bookmarks(&marks);
        VARIANT first = kfc::var_i4(1);
        ks_stdptr<wpsapi::Bookmark> mark;
        marks->Item(&first, &mark);
        ks_stdptr<wpsapi::Range> mark_range;
        mark->get_Range(&mark_range);
        ks_stdptr<wpsapi::Sentences> sentences;
        content->get_Sentences(&sentences);
        ks_stdptr<wpsapi::Range> sentence;
        sentences->get_First(&sentence);
        ks_stdptr<wpsapi::Document> same;
        sentence->get_Document(&same);
        EXPECT_EQ(doc.get(), same.get());  // one object per document
        ks_stdptr<ksoapi::_CommandBars> bars;
        app->get_CommandBars(&bars);
        VARIANT name = kfc::var_text(velmo_wide(u"bar")), pos = kfc::var_i4(1),
                no = kfc::var_bool(false);
        ks_stdptr<ksoapi::CommandBar> bar;
        bars->Add(name, pos, no, no, &bar);
        kfc::var_clear(name);
        // Copies and moves of holders neither leak nor release twice.
        ks_stdptr<wpsapi::Range> copy = content;
        ks_stdptr<wpsapi::Range> moved = std::move(copy);
        copy = moved;
        copy = copy;
        EXPECT_GT(wps_sim::live_object_count(), before);
    }
    EXPECT_EQ(before, wps_sim::live_object_count());
}

TEST(reference_counts, query_interface_hands_out_a_counted_reference) {
    auto app = wps_sim::create_application();
    void* raw = nullptr;
    ASSERT_EQ(S_OK, app->QueryInterface(kfc::IUnknown::iid, &raw));
    ASSERT_EQ(app.get(), static_cast<kfc::IUnknown*>(raw));
    static_cast<kfc::IUnknown*>(raw)->Release();
    EXPECT_EQ(E_NOINTERFACE, app->QueryInterface(ksoapi::CommandBar::iid, &raw));
    EXPECT_EQ(nullptr, raw);
    EXPECT_EQ(2u, app->AddRef());
    EXPECT_EQ(1u, app->Release());
}

class documents_test : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        app_ = wps_sim::create_application();
        first_ = wps_sim::document_builder()
                     .name("first.txt")
                     .path(dir_.path())
                     .paragraph("one")
                     .open(app_);
        second_ = wps_sim::document_builder().paragraph("two").open(app_);
    }
    ks_stdptr<wpsapi::_Document> active() {
        ks_stdptr<wpsapi::_Document> d;
        app_->get_ActiveDocument(&d);
        return d;
    }
    QTemporaryDir dir_;
    ks_stdptr<wpsapi::_Application> app_;
    ks_stdptr<wpsapi::_Document> first_, second_;
};

TEST_F(documents_test, count_item_activate_and_close) {
    ks_stdptr<wpsapi::Documents> docs;
    ASSERT_EQ(S_OK, app_->get_Documents(&docs));
    EXPECT_EQ(2, count(docs.get()));
    EXPECT_EQ(second_.get(), active().get());
    VARIANT one = kfc::var_i4(1);
    ks_stdptr<wpsapi::_Document> item;
    ASSERT_EQ(S_OK, docs->Item(&one, &item));
    EXPECT_EQ(first_.get(), item.get());
    kfc::ks_bstr name;
    second_->get_Name(&name);
    EXPECT_TRUE(str(name).startsWith(QString::fromUtf8("文档")));
    kfc::ks_bstr path;
    second_->get_Path(&path);
    EXPECT_TRUE(str(path).isEmpty());

    ASSERT_EQ(S_OK, first_->Activate());
    EXPECT_EQ(first_.get(), active().get());
    auto sel = selection(app_);
    kfc::ks_bstr t;
    sel->get_Text(&t);
    sel->SetRange(0, 3);
    sel->get_Text(&t);
    EXPECT_EQ(QString("one"), str(t));

    VARIANT dont = kfc::var_i4(wpsapi::wdDoNotSaveChanges);
    ASSERT_EQ(S_OK, first_->Close(&dont, nullptr, nullptr));
    EXPECT_EQ(1, count(docs.get()));
    EXPECT_EQ(second_.get(), active().get());
    kfc::ks_bstr gone;
    EXPECT_EQ(E_OBJECT_GONE, first_->get_Name(&gone));
    long start = 0;
    EXPECT_EQ(E_OBJECT_GONE, sel->get_Start(&start));  // the selection of a closed document

    // Closing the last document through a raw pointer, as the plug-in does.
    wpsapi::_Document* raw = second_.get();
    second_.clear();
    ASSERT_EQ(S_OK, raw->Close(nullptr, nullptr, nullptr));
    EXPECT_EQ(0, count(docs.get()));
    ks_stdptr<wpsapi::_Document> none;
    EXPECT_EQ(E_FAIL, app_->get_ActiveDocument(&none));
}

TEST_F(documents_test, save_writes_paragraphs_as_lines_and_text_files_open_again) {
    EXPECT_EQ(E_FAIL, second_->Save());  // never saved: no path
    set_text(first_, 0, 0, "line ");
    VARIANT_BOOL saved = VARIANT_TRUE;
    first_->get_Saved(&saved);
    EXPECT_EQ(VARIANT_FALSE, saved);
    ASSERT_EQ(S_OK, first_->Save());
    QFile file(dir_.filePath("first.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QByteArray("line one\n"), file.readAll());

    QFile text(dir_.filePath("in.txt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("第一段\r\n第二段\n\n");
    text.close();
    auto loaded = wps_sim::open_text_file(app_, dir_.filePath("in.txt"));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(QString::fromUtf8("第一段\r第二段\r\r"), wps_sim::document_text(loaded));
    kfc::ks_bstr name;
    loaded->get_Name(&name);
    EXPECT_EQ(QString("in.txt"), str(name));
    // An opened document has its cursor at the start, so a check "from the
    // cursor on" covers all of it.
    auto sel = selection(app_);
    long start = -1, end = -1;
    sel->get_Start(&start);
    sel->get_End(&end);
    EXPECT_EQ(0, start);
    EXPECT_EQ(0, end);
    EXPECT_FALSE(wps_sim::open_text_file(app_, dir_.filePath("missing.txt")));
}

TEST(application, version_is_settable) {
    auto app = wps_sim::create_application();
    kfc::ks_bstr v;
    app->get_Version(&v);
    EXPECT_EQ(QString(wps_sim::default_version), str(v));
    wps_sim::set_version(app, "11.0");
    app->get_Version(&v);
    EXPECT_EQ(QString("11.0"), str(v));
    ks_stdptr<wpsapi::Selection> none;
    EXPECT_EQ(E_FAIL, app->get_Selection(&none));  // no document open
}

int clicks = 0;
QList<QVariant> last_args;
int count_click(QList<QVariant>& args) {
    ++clicks;
    last_args = args;
    return 42;
}

ks_stdptr<ksoapi::CommandBarControl> add_control(ksoapi::CommandBarControls* controls, int type,
                                                 const QString& caption) {
    VARIANT t = kfc::var_i4(type), id = kfc::var_i4(1);
    VARIANT parameter = kfc::var_bstr(bstr(caption).detach());
    VARIANT before = kfc::var_missing();
    VARIANT temporary = kfc::var_bstr(bstr(caption).detach());
    ks_stdptr<ksoapi::CommandBarControl> control;
    EXPECT_EQ(S_OK, controls->Add(t, id, parameter, before, temporary, &control));
    kfc::var_clear(parameter);
    kfc::var_clear(temporary);
    if (control) {
        EXPECT_EQ(S_OK, control->put_Caption(bstr(caption)));
    }
    return control;
}

TEST(command_bars, bars_controls_pop_ups_and_a_click_reaching_its_handler) {
    auto app = wps_sim::create_application();
    ks_stdptr<ksoapi::_CommandBars> bars;
    ASSERT_EQ(S_OK, app->get_CommandBars(&bars));
    VARIANT name = kfc::var_text(velmo_wide(u"校对")), pos = kfc::var_i4(1),
            no = kfc::var_bool(false);
    ks_stdptr<ksoapi::CommandBar> bar;
    ASSERT_EQ(S_OK, bars->Add(name, pos, no, no, &bar));
    kfc::var_clear(name);
    VARIANT_BOOL visible = VARIANT_TRUE;
    bar->get_Visible(&visible);
    EXPECT_EQ(VARIANT_FALSE, visible);
    bar->put_Visible(VARIANT_TRUE);
    bar->get_Visible(&visible);
    EXPECT_EQ(VARIANT_TRUE, visible);

    ks_stdptr<ksoapi::CommandBarControls> controls;
    ASSERT_EQ(S_OK, bar->get_Controls(&controls));
    auto button = add_control(controls, ksoapi::msoControlButton, "校对");
    auto menu = add_control(controls, ksoapi::msoControlPopup, "工具");
    EXPECT_FALSE(velmo_query<ksoapi::CommandBarPopup>(button.get(), ksoapi::CommandBarPopup::iid));
    auto popup = velmo_query<ksoapi::CommandBarPopup>(menu.get(), ksoapi::CommandBarPopup::iid);
    ASSERT_TRUE(popup);
    ks_stdptr<ksoapi::CommandBarControls> items;
    ASSERT_EQ(S_OK, popup->get_Controls(&items));
    auto about = add_control(items, ksoapi::msoControlButton, "关于");
    auto state = add_control(items, ksoapi::msoControlButton, "状态");

    _RegisterEventManager* manager = GetEventsRegisterManager();
    ASSERT_NE(nullptr, manager);
    ASSERT_EQ(S_OK, manager->RegisterEventHandler(about, ksoapi::DIID__CommandBarButtonEvents,
                                                  velmo_wide(u"Click"), count_click));
    ASSERT_EQ(S_OK, manager->RegisterEventHandler(state, ksoapi::DIID__CommandBarButtonEvents,
                                                  velmo_wide(u"Click"), nullptr));
    EXPECT_EQ(E_POINTER,
              manager->RegisterEventHandler(nullptr, ksoapi::DIID__CommandBarButtonEvents,
                                            velmo_wide(u"Click"), count_click));

    EXPECT_EQ(QStringList({"校对"}), wps_sim::command_bar_names(app));
    EXPECT_EQ(QStringList({"校对", "工具", "工具/关于", "工具/状态"}),
              wps_sim::control_captions(app, "校对"));

    clicks = 0;
    int status = -1;
    ASSERT_TRUE(wps_sim::click(app, "关于", &status));
    EXPECT_EQ(1, clicks);
    EXPECT_EQ(42, status);
    EXPECT_EQ(QString("关于"), last_args.value(0).toString());
    ASSERT_TRUE(wps_sim::click(app, "状态", &status));  // null handler: nothing happens
    EXPECT_EQ(0, status);
    EXPECT_EQ(1, clicks);
    EXPECT_FALSE(wps_sim::click(app, "不存在"));
    ASSERT_EQ(S_OK, about->Execute());
    EXPECT_EQ(2, clicks);

    // A caption rewritten later is found under its new text.
    about->put_Caption(bstr("关于:新"));
    EXPECT_TRUE(wps_sim::find_control(app, "关于:新"));
    EXPECT_EQ(1, wps_sim::registered_handler_count(about));
}

// The controls of a new, unnamed bar.
ks_stdptr<ksoapi::CommandBarControls> new_bar_controls(wpsapi::_Application* app) {
    ks_stdptr<ksoapi::_CommandBars> bars;
    app->get_CommandBars(&bars);
    ks_stdptr<ksoapi::CommandBar> bar;
    const VARIANT none = kfc::var_empty();
    bars->Add(none, none, none, none, &bar);
    ks_stdptr<ksoapi::CommandBarControls> controls;
    bar->get_Controls(&controls);
    return controls;
}

TEST(command_bars, handlers_of_a_released_application_are_forgotten) {
    kfc::IUnknown* stale = nullptr;
    {
        auto app = wps_sim::create_application();
        auto button = add_control(new_bar_controls(app), ksoapi::msoControlButton, "x");
        GetEventsRegisterManager()->RegisterEventHandler(
            button, ksoapi::DIID__CommandBarButtonEvents, velmo_wide(u"Click"), count_click);
        EXPECT_EQ(1, wps_sim::registered_handler_count(button));
        stale = button.get();
    }
    // The address may be reused by a new control; it must start without handlers.
    auto app = wps_sim::create_application();
    auto fresh = add_control(new_bar_controls(app), ksoapi::msoControlButton, "x");
    if (fresh.get() == stale) {
        EXPECT_EQ(0, wps_sim::registered_handler_count(fresh));
    }
    clicks = 0;
    wps_sim::click(app, "x");
    EXPECT_EQ(0, clicks);
}

}  // namespace
