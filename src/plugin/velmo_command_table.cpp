#include "plugin/velmo_command_table.h"

#include "commands/velmo_cb.h"
#include "events/velmo_cb_dialogs.h"

#define VELMO_HANDLER(name) name, #name

const std::vector<velmo_command_t>& velmo_command_table() {
    static const std::vector<velmo_command_t> table = {
        {"校对", nullptr, VELMO_HANDLER(velmo_cb_check), "commands/velmo_cb_check.cpp"},
        {"建议", nullptr, VELMO_HANDLER(velmo_cb_suggest), "events/velmo_ui_correct_command.cpp"},
        {"下一处", nullptr, VELMO_HANDLER(velmo_cb_next), "commands/velmo_cb_navigation.cpp"},
        {"清除全部标记", nullptr, VELMO_HANDLER(velmo_cb_clear_all), "commands/velmo_cb_check.cpp"},
        {"参数设置", nullptr, VELMO_HANDLER(velmo_cb_setting), "events/velmo_ui_setting.cpp"},

        {"批量校对", "单项校对", VELMO_HANDLER(velmo_cb_batch_check),
         "commands/velmo_cb_check.cpp"},
        {"标点检查", "单项校对", VELMO_HANDLER(velmo_cb_punctuation_check),
         "commands/velmo_cb_check.cpp"},
        {"领导人排序", "单项校对", VELMO_HANDLER(velmo_cb_leader_check),
         "commands/velmo_cb_check.cpp"},

        {"添加新词", "词库", VELMO_HANDLER(velmo_cb_new_word), "events/velmo_ui_addword.cpp"},
        {"定义错误", "词库", VELMO_HANDLER(velmo_cb_new_error), "events/velmo_ui_addword.cpp"},
        {"用户维护", "词库", VELMO_HANDLER(velmo_cb_maintain), "events/velmo_ui_maintain.cpp"},

        {"清除当前颜色", "颜色", VELMO_HANDLER(velmo_cb_clear_current_color),
         "commands/velmo_cb_navigation.cpp"},
        {"清除颜色", "颜色", VELMO_HANDLER(velmo_cb_clear_color),
         "events/velmo_ui_color_clear_command.cpp"},
        {"颜色设置", "颜色", VELMO_HANDLER(velmo_cb_color_setting),
         "events/velmo_ui_color_setting.cpp"},

        {"成批查找", "工具", VELMO_HANDLER(velmo_cb_batch_find), "events/velmo_ui_find.cpp"},
        {"错误统计", "工具", VELMO_HANDLER(velmo_cb_stat), "events/velmo_ui_stat.cpp"},
        {"勘误表", "工具", VELMO_HANDLER(velmo_cb_export), "events/velmo_ui_export.cpp"},
        {"上一处", "工具", VELMO_HANDLER(velmo_cb_previous), "commands/velmo_cb_navigation.cpp"},
        {"关于", "工具", VELMO_HANDLER(velmo_cb_about), "events/velmo_ui_about.cpp"},

        {"用户登录", "用户", VELMO_HANDLER(velmo_cb_login), "events/velmo_ui_login.cpp"},
        {"用户名", "用户", VELMO_HANDLER(velmo_cb_account), "events/velmo_ui_account.cpp"},
        {"状态", "用户", nullptr, nullptr, nullptr},
        {"剩余字数", "用户", VELMO_HANDLER(velmo_cb_left_word), "events/velmo_ui_account.cpp"},
        {"有效期", "用户", VELMO_HANDLER(velmo_cb_available), "events/velmo_ui_account.cpp"},
        {"校验明细", "用户", VELMO_HANDLER(velmo_cb_check_details), "events/velmo_ui_details.cpp"},
    };
    return table;
}

const std::vector<const char*>& velmo_command_menus() {
    static const std::vector<const char*> menus = {"单项校对", "词库", "颜色", "工具", "用户"};
    return menus;
}
