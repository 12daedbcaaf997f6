#include "plugin/velmo_command_table.h"

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

#define VELMO_HANDLER(name) name, #name

const std::vector<velmo_command_t>& velmo_command_table() {
    static const std::vector<velmo_command_t> table = {
        {"校对", nullptr, VELMO_HANDLER(velmo_cb_check)},
        {"建议", nullptr, VELMO_HANDLER(velmo_cb_suggest)},
        {"下一处", nullptr, VELMO_HANDLER(velmo_cb_next)},
        {"清除全部标记", nullptr, VELMO_HANDLER(velmo_cb_clear_all)},
        {"参数设置", nullptr, VELMO_HANDLER(velmo_cb_setting)},

        {"批量校对", "单项校对", VELMO_HANDLER(velmo_cb_batch_check)},
        {"标点检查", "单项校对", VELMO_HANDLER(velmo_cb_punctuation_check)},
        {"领导人排序", "单项校对", VELMO_HANDLER(velmo_cb_leader_check)},

        {"添加新词", "词库", VELMO_HANDLER(velmo_cb_new_word)},
        {"定义错误", "词库", VELMO_HANDLER(velmo_cb_new_error)},
        {"用户维护", "词库", VELMO_HANDLER(velmo_cb_maintain)},

        {"清除当前颜色", "颜色", VELMO_HANDLER(velmo_cb_clear_current_color)},
        {"清除颜色", "颜色", VELMO_HANDLER(velmo_cb_clear_color)},
        {"颜色设置", "颜色", VELMO_HANDLER(velmo_cb_color_setting)},

        {"成批查找", "工具", VELMO_HANDLER(velmo_cb_batch_find)},
        {"错误统计", "工具", VELMO_HANDLER(velmo_cb_stat)},
        {"勘误表", "工具", VELMO_HANDLER(velmo_cb_export)},
        {"校对结果", "工具", VELMO_HANDLER(velmo_cb_results)},
        {"上一处", "工具", VELMO_HANDLER(velmo_cb_previous)},
        {"关于", "工具", VELMO_HANDLER(velmo_cb_about)},

        {"用户登录", "用户", VELMO_HANDLER(velmo_cb_login)},
        {"用户名", "用户", VELMO_HANDLER(velmo_cb_account)},
        {"状态", "用户", nullptr, nullptr},
        {"剩余字数", "用户", VELMO_HANDLER(velmo_cb_left_word)},
        {"有效期", "用户", VELMO_HANDLER(velmo_cb_available)},
        {"校验明细", "用户", VELMO_HANDLER(velmo_cb_check_details)},
    };
    return table;
}

const std::vector<const char*>& velmo_command_menus() {
    static const std::vector<const char*> menus = {"单项校对", "词库", "颜色", "工具", "用户"};
    return menus;
}
