// The command-bar builders and both layouts, driven in-process against the
// simulated host, with a recording event manager in place of the host's, so
// that each item's handler is seen without running it.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <memory>

#include "config/velmo_config.h"
#include "features/about/velmo_about_commands.h"
#include "features/account/velmo_account_commands.h"
#include "features/check/velmo_check_commands.h"
#include "features/colours/velmo_color_commands.h"
#include "features/correction/velmo_correction_commands.h"
#include "features/errata/velmo_errata_commands.h"
#include "features/find/velmo_find_commands.h"
#include "features/navigation/velmo_navigation_commands.h"
#include "features/results/velmo_results_commands.h"
#include "features/settings/velmo_settings_commands.h"
#include "features/statistics/velmo_statistics_commands.h"
#include "features/usage_details/velmo_usage_details_commands.h"
#include "features/word_libraries/velmo_word_library_commands.h"
#include "handler_recorder.h"
#include "host/velmo_bstr.h"
#include "host/velmo_globals.h"
#include "host/velmo_host.h"
#include "host_fakes.h"
#include "layout_expectations.h"
#include "plugin/velmo_command_bar.h"
#include "plugin/velmo_command_table.h"
#include "plugin/velmo_layout.h"
#include "plugin_fixture.h"

namespace {

std::string ini_with(int newstyle, int oldstyle) {
    return "[OtherParams]\nnewstyle=" + std::to_string(newstyle) +
           "\noldstyle=" + std::to_string(oldstyle) +
           "\nServiceUrl=\n[UserInfo]\nUserName=tester\nAuthNo=1234\n";
}

QStringList registry_keys() { return g_velmo_controls.keys(); }

// The handler functions by name, for the names in layout_expectations.
KsoEventHandler handler_named(const QString& name) {
    static const QMap<QString, KsoEventHandler> handlers = {
        {"velmo_cb_check", velmo_cb_check},
        {"velmo_cb_next", velmo_cb_next},
        {"velmo_cb_previous", velmo_cb_previous},
        {"velmo_cb_clear_all", velmo_cb_clear_all},
        {"velmo_cb_batch_check", velmo_cb_batch_check},
        {"velmo_cb_punctuation_check", velmo_cb_punctuation_check},
        {"velmo_cb_leader_check", velmo_cb_leader_check},
        {"velmo_cb_clear_current_color", velmo_cb_clear_current_color},
        {"velmo_cb_results", velmo_cb_results},
        {"velmo_cb_suggest", velmo_cb_suggest},
        {"velmo_cb_setting", velmo_cb_setting},
        {"velmo_cb_new_word", velmo_cb_new_word},
        {"velmo_cb_new_error", velmo_cb_new_error},
        {"velmo_cb_maintain", velmo_cb_maintain},
        {"velmo_cb_clear_color", velmo_cb_clear_color},
        {"velmo_cb_color_setting", velmo_cb_color_setting},
        {"velmo_cb_batch_find", velmo_cb_batch_find},
        {"velmo_cb_stat", velmo_cb_stat},
        {"velmo_cb_export", velmo_cb_export},
        {"velmo_cb_about", velmo_cb_about},
        {"velmo_cb_login", velmo_cb_login},
        {"velmo_cb_account", velmo_cb_account},
        {"velmo_cb_left_word", velmo_cb_left_word},
        {"velmo_cb_available", velmo_cb_available},
        {"velmo_cb_check_details", velmo_cb_check_details},
    };
    return handlers.value(name, nullptr);
}

// What the host shows on the registered item `caption`.
QString shown_caption(const QString& caption) {
    kfc::ks_bstr shown;
    if (!g_velmo_controls.contains(caption) ||
        FAILED(g_velmo_controls.value(caption)->get_Caption(&shown)))
        return QString();
    return velmo_from_bstr(shown);
}

QStringList sorted(QStringList list) {
    std::sort(list.begin(), list.end());
    return list;
}

class command_bar_layout : public plugin_test {
  protected:
    void SetUp() override {
        g_velmo_controls.clear();
        plugin_test::SetUp();
        ASSERT_TRUE(SUCCEEDED(app->get_CommandBars(&bars)) && bars);
    }
    void TearDown() override {
        g_velmo_controls.clear();
        bars.clear();
        plugin_test::TearDown();
    }
    void use_settings(int newstyle, int oldstyle) { use_ini(ini_with(newstyle, oldstyle)); }

    kfc::ks_stdptr<ksoapi::_CommandBars> bars;
    handler_recorder recorder{GetEventsRegisterManager()};
    _RegisterEventManager* manager = &recorder;
};

// The shape of the bars is checked on the installed plug-in (host_test.cpp);
// here the registry and the account refresh.
TEST_F(command_bar_layout, new_style_registers_the_menu_items_only) {
    use_settings(1, 1);
    InitPanel2(bars, manager);
    ASSERT_EQ(wps_sim::command_bar_names(app), expected_new_style_bars());

    // Only menu items are registered, each under its caption and pointing at
    // the control the host shows.
    EXPECT_EQ(registry_keys(), expected_menu_item_captions());
    for (const QString& caption : registry_keys())
        EXPECT_EQ(g_velmo_controls.value(caption).get(), wps_sim::find_control(app, caption).get())
            << caption.toStdString();
    // The account items are refreshed only on demand in this layout.
    EXPECT_EQ(shown_caption("用户名"), QString("用户名"));
}

TEST_F(command_bar_layout, old_style_registers_all_but_its_bar_button_and_refreshes_the_account) {
    use_settings(1, 1);
    InitPanel3(bars, manager);
    ASSERT_EQ(wps_sim::command_bar_names(app), QStringList{"校对"});

    // The bar's own first button is not registered; the other four are.
    QStringList registered = expected_menu_item_captions() + expected_top_buttons().mid(1);
    EXPECT_EQ(registry_keys(), sorted(registered));
    EXPECT_EQ(shown_caption("用户名"), QString("用户名:tester"));
}

TEST_F(command_bar_layout, every_item_is_bound_to_its_handler_in_both_layouts) {
    use_settings(1, 1);
    for (const bool newstyle : {true, false}) {
        SCOPED_TRACE(newstyle ? "new style" : "old style");
        kfc::ks_stdptr<wpsapi::_Application> host = wps_sim::create_application();
        kfc::ks_stdptr<ksoapi::_CommandBars> host_bars;
        ASSERT_TRUE(SUCCEEDED(host->get_CommandBars(&host_bars)));
        if (newstyle)
            InitPanel2(host_bars, manager);
        else
            InitPanel3(host_bars, manager);

        for (const expected_item& item : expected_items()) {
            SCOPED_TRACE(item.caption.toStdString());
            // By the registry where the item is registered: the old style
            // shows the account's values in the account items' captions.
            kfc::ks_stdptr<ksoapi::CommandBarControl> control =
                g_velmo_controls.contains(item.caption) ? g_velmo_controls.value(item.caption)
                                                        : wps_sim::find_control(host, item.caption);
            ASSERT_TRUE(control);
            EXPECT_EQ(wps_sim::registered_handler_count(control), 1);
            EXPECT_EQ(recorder.handler_of(control), handler_named(item.handler));
            if (!item.handler.isEmpty()) {
                EXPECT_TRUE(handler_named(item.handler));
            }
        }
        // Menus themselves carry no command.
        for (const QString& menu : expected_menus()) {
            EXPECT_EQ(wps_sim::registered_handler_count(wps_sim::find_control(host, menu)), 0)
                << menu.toStdString();
        }
    }
}

// Each handler's name in the table is the handler bound, and no command is
// bound twice.
TEST(command_table, names_each_handler_once) {
    QStringList names;
    for (const velmo_command_t& item : velmo_command_table()) {
        SCOPED_TRACE(item.caption);
        ASSERT_EQ(item.handler == nullptr, item.handler_name == nullptr);
        if (!item.handler) continue;
        names << item.handler_name;
        EXPECT_EQ(item.handler, handler_named(item.handler_name));
    }
    // Every command is on the bar exactly once.
    EXPECT_EQ(names.size(), QSet<QString>(names.begin(), names.end()).size());
}

TEST_F(command_bar_layout, each_build_empties_the_registry_first) {
    use_settings(1, 1);
    InitPanel3(bars, manager);
    ASSERT_TRUE(g_velmo_controls.contains("建议"));
    const velmo_control_registry_t first = g_velmo_controls;

    InitPanel2(bars, manager);
    // Old-style top buttons are gone; each caption maps to the newest control.
    EXPECT_EQ(registry_keys(), expected_menu_item_captions());
    for (const QString& caption : registry_keys()) {
        EXPECT_NE(g_velmo_controls.value(caption).get(), first.value(caption).get());
        kfc::ks_bstr shown;
        ASSERT_TRUE(SUCCEEDED(g_velmo_controls.value(caption)->get_Caption(&shown)));
        EXPECT_EQ(velmo_from_bstr(shown), caption);
    }
}

TEST_F(command_bar_layout, a_layout_switched_off_builds_nothing) {
    struct case_t {
        const char* name;
        std::function<void(ksoapi::_CommandBars*)> build;
        int newstyle, oldstyle;
    };
    const case_t cases[] = {
        {"newstyle=0", [&](ksoapi::_CommandBars* b) { InitPanel2(b, manager); }, 0, 1},
        {"oldstyle=0", [&](ksoapi::_CommandBars* b) { InitPanel3(b, manager); }, 1, 0},
    };
    for (const case_t& c : cases) {
        SCOPED_TRACE(c.name);
        use_settings(c.newstyle, c.oldstyle);
        g_velmo_controls.insert("earlier", kfc::ks_stdptr<ksoapi::CommandBarControl>());
        c.build(bars);
        EXPECT_TRUE(wps_sim::command_bar_names(app).isEmpty());
        EXPECT_EQ(registry_keys(), QStringList{"earlier"});
        EXPECT_EQ(recorder.bindings(), 0);
    }
}

TEST_F(command_bar_layout, without_a_settings_file_the_shipped_defaults_build_the_bars) {
    QTemporaryDir empty;
    ::testing::internal::CaptureStderr();
    velmo_config_use_directory(QFile::encodeName(empty.path()).constData());
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(QFile::encodeName(empty.path()).toStdString() + "/velmo.ini"),
              std::string::npos)
        << err;
    InitPanel2(bars, manager);
    EXPECT_EQ(wps_sim::command_bar_names(app), expected_new_style_bars());
    EXPECT_EQ(registry_keys(), expected_menu_item_captions());
    // The shipped colours and piece length are in effect.
    velmo_singleton_config* config = velmo_singleton_config::instance();
    EXPECT_EQ(config->get_int("Color", "Error"), 7);
    EXPECT_EQ(config->get_int("OtherParams", "CheckWordsCount"), 1000);
    EXPECT_STREQ(config->get_string("OtherParams", "ServiceUrl"), "http://127.0.0.1:8820/");
    velmo_config_use_directory(nullptr);
}

TEST_F(command_bar_layout, a_refused_bar_skips_only_its_own_items) {
    use_settings(1, 1);
    command_bars_refusing refusing(bars, {"建议", "词库"});
    InitPanel2(&refusing, manager);

    QStringList bars_left = expected_new_style_bars();
    bars_left.removeAll("建议");
    bars_left.removeAll("词库");
    EXPECT_EQ(wps_sim::command_bar_names(app), bars_left);
    QStringList registered = expected_menu_item_captions();
    for (const char* item : {"添加新词", "定义错误", "用户维护"}) registered.removeAll(item);
    EXPECT_EQ(registry_keys(), registered);
}

TEST_F(command_bar_layout, old_style_without_its_bar_stops_before_anything_else) {
    use_settings(1, 1);
    g_velmo_controls.insert("earlier", kfc::ks_stdptr<ksoapi::CommandBarControl>());
    command_bars_refusing refusing(bars, {"校对"});
    InitPanel3(&refusing, manager);

    EXPECT_TRUE(wps_sim::command_bar_names(app).isEmpty());
    EXPECT_TRUE(g_velmo_controls.isEmpty());
    EXPECT_EQ(recorder.bindings(), 0);
}

TEST_F(command_bar_layout, builders_report_a_missing_collection) {
    use_settings(1, 1);
    EXPECT_EQ(AddCommandSubButton(nullptr, manager, "孤儿", nullptr), VELMO_E_COMMAND_BAR);
    EXPECT_FALSE(g_velmo_controls.contains("孤儿"));
    EXPECT_FALSE(AddCommandSubMenu(nullptr, "孤儿"));
    EXPECT_FALSE(AddCommandButton(nullptr, manager, "孤儿", nullptr));
    EXPECT_FALSE(AddCommandMenu(nullptr, "孤儿"));

    // A button without a handler is still registered and bound.
    kfc::ks_stdptr<ksoapi::CommandBarControls> home =
        AddCommandButton(bars, manager, "家", nullptr);
    ASSERT_TRUE(home);
    EXPECT_EQ(AddCommandSubButton(home, manager, "空", nullptr), S_OK);
    ASSERT_TRUE(g_velmo_controls.contains("空"));
    EXPECT_EQ(wps_sim::registered_handler_count(g_velmo_controls.value("空")), 1);
    EXPECT_EQ(wps_sim::control_captions(app, "家"), (QStringList{"家", "空"}));
}

// A registration the host refuses leaves the item in place without a handler,
// is reported once with the host's status, and its status reaches the caller.
TEST_F(command_bar_layout, a_refused_click_handler_is_reported_and_returned) {
    use_settings(1, 1);
    event_manager_answering refusing(E_FAIL);
    kfc::ks_stdptr<ksoapi::CommandBarControls> home =
        AddCommandButton(bars, manager, "家", nullptr);
    ASSERT_TRUE(home);
    testing::internal::CaptureStderr();
    EXPECT_EQ(AddCommandSubButton(home, &refusing, "拒", nullptr), E_FAIL);
    const QString errors = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_EQ(wps_sim::control_captions(app, "家"), (QStringList{"家", "拒"}));
    ASSERT_TRUE(g_velmo_controls.contains("拒"));
    EXPECT_EQ(wps_sim::registered_handler_count(g_velmo_controls.value("拒")), 0);
    EXPECT_EQ(errors.count("velmo: the host's event manager refused a click handler (0x80000008)"),
              1)
        << errors.toStdString();
}

// A drop-down the host hands out without its pop-up interface gets no items,
// and that is reported once.
TEST_F(command_bar_layout, a_drop_down_that_is_no_pop_up_is_reported_and_gets_no_items) {
    use_settings(1, 1);
    control_without_interfaces control;
    controls_handing_out controls(&control);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(AddCommandSubMenu(&controls, "菜"));
    const QString errors = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_EQ(errors.count("velmo: the host's drop-down \"菜\" is no pop-up menu"), 1)
        << errors.toStdString();
}

// The host keeps what the builders pass: bars at the top of the window, shown,
// not temporary; items as id 1 with the caption as Parameter and Temporary
// and Before omitted; menus as pop-ups.
TEST_F(command_bar_layout, builders_pass_the_fixed_arguments_and_show_their_bars) {
    use_settings(1, 1);
    command_bars_refusing recording(bars);
    kfc::ks_stdptr<ksoapi::CommandBarControls> home =
        AddCommandButton(&recording, manager, "钮", nullptr);
    ASSERT_TRUE(home);
    ASSERT_TRUE(AddCommandMenu(&recording, "菜"));
    EXPECT_EQ(recording.calls, (QStringList{"bstr:钮, i4:1, bool:false, bool:false",
                                            "bstr:菜, i4:1, empty, empty"}));

    controls_recording items(home);
    EXPECT_EQ(AddCommandSubButton(&items, manager, "子", nullptr), S_OK);
    EXPECT_TRUE(AddCommandSubMenu(&items, "子菜单"));
    EXPECT_EQ(items.calls, (QStringList{"i4:1, i4:1, bstr:子, error:80020004, bstr:子",
                                        "i4:10, i4:1, bstr:子菜单, error:80020004, bstr:子菜单"}));
    // A sub-menu makes no bar of its own.
    EXPECT_EQ(wps_sim::command_bar_names(app), (QStringList{"钮", "菜"}));

    for (const QString& name : {QString("钮"), QString("菜")}) {
        SCOPED_TRACE(name.toStdString());
        VARIANT index = kfc::var_bstr(_XSysAllocStringLen(
            reinterpret_cast<const OLECHAR*>(name.utf16()), static_cast<UINT>(name.size())));
        kfc::ks_stdptr<ksoapi::CommandBar> bar;
        const HRESULT found = bars->get_Item(index, &bar);
        kfc::var_clear(index);
        ASSERT_TRUE(SUCCEEDED(found) && bar);
        VARIANT_BOOL visible = VARIANT_FALSE;
        ksoapi::MsoBarPosition position = ksoapi::msoBarFloating;
        EXPECT_TRUE(SUCCEEDED(bar->get_Visible(&visible)) && visible == VARIANT_TRUE);
        EXPECT_TRUE(SUCCEEDED(bar->get_Position(&position)) && position == ksoapi::msoBarTop);
    }

    const struct {
        const char* caption;
        ksoapi::MsoControlType type;
    } controls[] = {{"钮", ksoapi::msoControlButton},
                    {"菜", ksoapi::msoControlPopup},
                    {"子", ksoapi::msoControlButton},
                    {"子菜单", ksoapi::msoControlPopup}};
    for (const auto& expected : controls) {
        SCOPED_TRACE(expected.caption);
        kfc::ks_stdptr<ksoapi::CommandBarControl> control =
            wps_sim::find_control(app, expected.caption);
        ASSERT_TRUE(control);
        ksoapi::MsoControlType type = ksoapi::msoControlButton;
        int id = 0;
        kfc::ks_bstr parameter;
        ASSERT_TRUE(SUCCEEDED(control->get_Type(&type)) && SUCCEEDED(control->get_Id(&id)) &&
                    SUCCEEDED(control->get_Parameter(&parameter)));
        EXPECT_EQ(type, expected.type);
        EXPECT_EQ(id, 1);
        EXPECT_EQ(velmo_from_bstr(parameter), QString(expected.caption));
    }
}

TEST_F(command_bar_layout, only_version_11_0_is_the_old_style) {
    const struct {
        const char* version;
        bool newstyle;
    } cases[] = {{"11.0", false},    {"11.0.1", true}, {"", true},
                 {"12.1.0.0", true}, {"11.0 ", true},  {"11.00", true}};
    for (const auto& c : cases) {
        wps_sim::set_version(app, c.version);
        EXPECT_EQ(is_newstyle(), c.newstyle) << '"' << c.version << '"';
    }
}

}  // namespace
