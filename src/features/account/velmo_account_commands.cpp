// The account items of the user menu: their captions show the stored user
// name and the account's state, remaining words and end date.
#include "features/account/velmo_account_commands.h"

#include <QCoreApplication>
#include <QLocale>

#include "api/velmo_api_account.h"
#include "config/velmo_config.h"
#include "features/common/velmo_message.h"
#include "host/velmo_globals.h"
#include "host/velmo_host_string.h"

namespace {

// The registry holds the captions as the command bar was built with them.
QString registered_caption(const char* caption) {
    return QCoreApplication::translate("velmo_layout", caption);
}

QString shown_caption(const QString& caption, const QString& value) {
    return caption + QLatin1Char(':') + value;
}

ksoapi::CommandBarControl* registered_control(const QString& caption) {
    return g_velmo_controls.value(caption).get();
}

// A count with its thousands grouped ("10,000,000"), so that a large quota
// reads at a glance; a text that is no whole number is shown as it came.
QString grouped_digits(const QString& count) {
    bool number = false;
    const qlonglong value = count.toLongLong(&number);
    return number ? QLocale(QLocale::Chinese, QLocale::China).toString(value) : count;
}

}  // namespace

int velmo_cb_account(QList<QVariant>&) {
    const QString name_caption = registered_caption("用户名");
    ksoapi::CommandBarControl* name_control = registered_control(name_caption);
    if (!name_control) return 0;

    const char* stored_name =
        velmo_singleton_config::instance()->get_string("UserInfo", "UserName");
    if (!stored_name) {
        velmo_message_box_ok(
            QCoreApplication::translate("velmo_ui_account", "Velmo校对"),
            QCoreApplication::translate("velmo_ui_account",
                                        "加载配置文件失败, 请检查配置文件是否存在且有读取权限"));
        return 0;
    }
    const QString user_name = QString::fromLocal8Bit(stored_name);
    name_control->put_Caption(velmo_to_bstr(shown_caption(name_caption, user_name)));

    // Fields stay empty when the service cannot answer.
    velmo_userinfo_t info;
    velmo_api_userinfo(&info);
    const QString remaining = grouped_digits(info.remaining_words);
    const struct {
        const char* caption;
        const QString& value;
    } items[] = {
        {"状态", info.user_state},
        {"剩余字数", remaining},
        {"有效期", info.auth_end_time},
    };
    for (const auto& item : items) {
        const QString caption = registered_caption(item.caption);
        ksoapi::CommandBarControl* control = registered_control(caption);
        if (!control) return 0;
        control->put_Caption(velmo_to_bstr(shown_caption(caption, item.value)));
    }
    return 0;
}

// Display items: a click on them does nothing.
int velmo_cb_left_word(QList<QVariant>&) { return 0; }
int velmo_cb_available(QList<QVariant>&) { return 0; }
