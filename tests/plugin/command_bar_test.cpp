// The command-bar builders and both layouts, driven in-process against the
// simulated host, with every command handler replaced by a probe.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <memory>

#include "config/velmo_config.h"
#include "handler_probe.h"
#include "host/velmo_globals.h"
#include "host/velmo_host.h"
#include "host_fakes.h"
#include "layout_expectations.h"
#include "plugin/velmo_command_bar.h"
#include "plugin/velmo_layout.h"
#include "plugin_fixture.h"

namespace {

std::string ini_with(int newstyle, int oldstyle) {
    return "[OtherParams]\nnewstyle=" + std::to_string(newstyle) +
           "\noldstyle=" + std::to_string(oldstyle) +
           "\nServiceUrl=\n[UserInfo]\nUserName=tester\nAuthNo=1234\n";
}

QStringList registry_keys() { return g_velmo_controls.keys(); }

QStringList sorted(QStringList list) {
    std::sort(list.begin(), list.end());
    return list;
}

class command_bar_layout : public plugin_test {
  protected:
    void SetUp() override {
        g_velmo_controls.clear();
        probe_calls().clear();
        plugin_test::SetUp();
        ASSERT_TRUE(SUCCEEDED(app->get_CommandBars(&bars)) && bars);
        manager = GetEventsRegisterManager();
    }
    void TearDown() override {
        g_velmo_controls.clear();
        bars.clear();
        plugin_test::TearDown();
    }
    void use_settings(int newstyle, int oldstyle) { use_ini(ini_with(newstyle, oldstyle)); }

    kfc::ks_stdptr<ksoapi::_CommandBars> bars;
    _RegisterEventManager* manager = nullptr;
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
    EXPECT_TRUE(probe_calls().isEmpty());
}

TEST_F(command_bar_layout, old_style_registers_all_but_its_bar_button_and_refreshes_the_account) {
    use_settings(1, 1);
    InitPanel3(bars, manager);
    ASSERT_EQ(wps_sim::command_bar_names(app), QStringList{"校对"});

    // The bar's own first button is not registered; the other four are.
    QStringList registered = expected_menu_item_captions() + expected_top_buttons().mid(1);
    EXPECT_EQ(registry_keys(), sorted(registered));
    EXPECT_EQ(probe_calls(), QStringList{"velmo_cb_account"});
}

TEST_F(command_bar_layout, a_click_reaches_the_bound_handler_in_both_layouts) {
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
            probe_calls().clear();
            int status = -1;
            ASSERT_TRUE(wps_sim::click(host, item.caption, &status));
            EXPECT_EQ(wps_sim::registered_handler_count(wps_sim::find_control(host, item.caption)),
                      1);
            if (item.handler.isEmpty()) {
                EXPECT_TRUE(probe_calls().isEmpty());
                EXPECT_EQ(status, 0);
            } else {
                EXPECT_EQ(probe_calls(), QStringList{item.handler});
                EXPECT_EQ(status, probe_status(item.handler));
            }
        }
        // Menus themselves carry no command.
        for (const QString& menu : expected_menus()) {
            probe_calls().clear();
            EXPECT_TRUE(wps_sim::click(host, menu));
            EXPECT_TRUE(probe_calls().isEmpty()) << menu.toStdString();
        }
    }
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
        EXPECT_EQ(QString::fromUtf16(shown.get(), static_cast<int>(_XSysStringLen(shown))),
                  caption);
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
        EXPECT_TRUE(probe_calls().isEmpty());
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
    EXPECT_TRUE(probe_calls().isEmpty());
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
        EXPECT_EQ(QString::fromUtf16(parameter.get(), static_cast<int>(_XSysStringLen(parameter))),
                  QString(expected.caption));
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
