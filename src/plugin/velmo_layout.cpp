#include "plugin/velmo_layout.h"

#include <QCoreApplication>
#include <vector>

#include "commands/velmo_cb.h"
#include "config/velmo_config.h"
#include "events/velmo_cb_dialogs.h"
#include "host/velmo_globals.h"
#include "host/velmo_host_string.h"
#include "plugin/velmo_command_bar.h"

namespace {

struct command_item_t {
    const char* caption;
    KsoEventHandler handler;
};

struct command_menu_t {
    const char* caption;
    std::vector<command_item_t> items;
};

// The five top-level buttons, in creation order.
const command_item_t top_buttons[] = {
    {"校对", velmo_cb_check},       {"建议", velmo_cb_suggest},
    {"下一处", velmo_cb_next},      {"清除全部标记", velmo_cb_clear_all},
    {"参数设置", velmo_cb_setting},
};

// The five drop-down menus with their items, in creation order. "状态" is a
// display item only: it has no command, and a click on it does nothing.
const command_menu_t menus[] = {
    {"单项校对",
     {{"批量校对", velmo_cb_batch_check},
      {"标点检查", velmo_cb_punctuation_check},
      {"领导人排序", velmo_cb_leader_check}}},
    {"词库",
     {{"添加新词", velmo_cb_new_word},
      {"定义错误", velmo_cb_new_error},
      {"用户维护", velmo_cb_maintain}}},
    {"颜色",
     {{"清除当前颜色", velmo_cb_clear_current_color},
      {"清除颜色", velmo_cb_clear_color},
      {"颜色设置", velmo_cb_color_setting}}},
    {"工具",
     {{"成批查找", velmo_cb_batch_find},
      {"错误统计", velmo_cb_stat},
      {"勘误表", velmo_cb_export},
      {"上一处", velmo_cb_previous},
      {"关于", velmo_cb_about}}},
    {"用户",
     {{"用户登录", velmo_cb_login},
      {"用户名", velmo_cb_account},
      {"状态", nullptr},
      {"剩余字数", velmo_cb_left_word},
      {"有效期", velmo_cb_available},
      {"校验明细", velmo_cb_check_details}}},
};

QString caption_text(const char* caption) {
    return QCoreApplication::translate("velmo_layout", caption);
}

void fill_menu(ksoapi::CommandBarControls* menu, _RegisterEventManager* manager,
               const command_menu_t& entry) {
    if (!menu) return;
    for (const command_item_t& item : entry.items)
        AddCommandSubButton(menu, manager, caption_text(item.caption), item.handler);
}

bool layout_enabled(const char* key) {
    return velmo_singleton_config::instance()->get_int("OtherParams", key) != 0;
}

}  // namespace

bool is_newstyle() {
    kfc::ks_bstr version;
    if (g_pApp) g_pApp->get_Version(&version);
    return velmo_from_bstr(version) != QLatin1String("11.0");
}

void InitPanel2(ksoapi::_CommandBars* bars, _RegisterEventManager* manager) {
    if (!layout_enabled("newstyle")) return;
    g_velmo_controls.clear();
    for (const command_item_t& button : top_buttons)
        AddCommandButton(bars, manager, caption_text(button.caption), button.handler);
    for (const command_menu_t& menu : menus)
        fill_menu(AddCommandMenu(bars, caption_text(menu.caption)), manager, menu);
}

void InitPanel3(ksoapi::_CommandBars* bars, _RegisterEventManager* manager) {
    if (!layout_enabled("oldstyle")) return;
    g_velmo_controls.clear();
    const command_item_t& first = top_buttons[0];
    kfc::ks_stdptr<ksoapi::CommandBarControls> home =
        AddCommandButton(bars, manager, caption_text(first.caption), first.handler);
    if (!home) return;
    for (const command_item_t& button : top_buttons) {
        if (&button == &first) continue;
        AddCommandSubButton(home, manager, caption_text(button.caption), button.handler);
    }
    for (const command_menu_t& menu : menus)
        fill_menu(AddCommandSubMenu(home, caption_text(menu.caption)), manager, menu);

    // The account items show the account's values from the start.
    QList<QVariant> no_arguments;
    velmo_cb_account(no_arguments);
}
