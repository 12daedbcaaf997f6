#include "events/velmo_ui_settings_save.h"

#include <QCoreApplication>
#include <string>

#include "config/velmo_config.h"
#include "host/velmo_portable_qt.h"
#include "marks/velmo_message.h"

bool velmo_ui_save_settings() {
    std::string reason;
    if (velmo_singleton_config::instance()->save(&reason) == 0) return true;
    velmo_message_information(velmo_args(
        QCoreApplication::translate("velmo", "设置未能保存到 %1: %2"),
        {QString::fromLocal8Bit(CONST_VELMO_INI_PATH), QString::fromLocal8Bit(reason.c_str())}));
    return false;
}
