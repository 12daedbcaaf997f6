#include "layout_expectations.h"

#include <algorithm>

const QVector<expected_item>& expected_items() {
    static const QVector<expected_item> items = {
        {"校对", "", "velmo_cb_check"},
        {"建议", "", "velmo_cb_suggest"},
        {"下一处", "", "velmo_cb_next"},
        {"清除全部标记", "", "velmo_cb_clear_all"},
        {"参数设置", "", "velmo_cb_setting"},
        {"批量校对", "单项校对", "velmo_cb_batch_check"},
        {"标点检查", "单项校对", "velmo_cb_punctuation_check"},
        {"领导人排序", "单项校对", "velmo_cb_leader_check"},
        {"添加新词", "词库", "velmo_cb_new_word"},
        {"定义错误", "词库", "velmo_cb_new_error"},
        {"用户维护", "词库", "velmo_cb_maintain"},
        {"清除当前颜色", "颜色", "velmo_cb_clear_current_color"},
        {"清除颜色", "颜色", "velmo_cb_clear_color"},
        {"颜色设置", "颜色", "velmo_cb_color_setting"},
        {"成批查找", "工具", "velmo_cb_batch_find"},
        {"错误统计", "工具", "velmo_cb_stat"},
        {"勘误表", "工具", "velmo_cb_export"},
        {"校对结果", "工具", "velmo_cb_results"},
        {"上一处", "工具", "velmo_cb_previous"},
        {"关于", "工具", "velmo_cb_about"},
        {"用户登录", "用户", "velmo_cb_login"},
        {"用户名", "用户", "velmo_cb_account"},
        {"状态", "用户", ""},
        {"剩余字数", "用户", "velmo_cb_left_word"},
        {"有效期", "用户", "velmo_cb_available"},
        {"校验明细", "用户", "velmo_cb_check_details"},
    };
    return items;
}

QStringList expected_menus() { return {"单项校对", "词库", "颜色", "工具", "用户"}; }

QStringList expected_top_buttons() {
    QStringList captions;
    for (const expected_item& item : expected_items())
        if (item.menu.isEmpty()) captions << item.caption;
    return captions;
}

QStringList expected_menu_item_captions() {
    QStringList captions;
    for (const expected_item& item : expected_items())
        if (!item.menu.isEmpty()) captions << item.caption;
    std::sort(captions.begin(), captions.end());
    return captions;
}

QStringList expected_menu_listing(const QString& menu) {
    QStringList captions{menu};
    for (const expected_item& item : expected_items())
        if (item.menu == menu) captions << menu + "/" + item.caption;
    return captions;
}

QStringList expected_new_style_bars() { return expected_top_buttons() + expected_menus(); }
