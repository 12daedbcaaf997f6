#include "features/common/velmo_ui_settings_save.h"

#include <QCoreApplication>
#include <string>

#include "config/velmo_config.h"
#include "features/common/velmo_message.h"
#include "host/velmo_portable_qt.h"

bool velmo_ui_save_settings() {
    velmo_singleton_config* config = velmo_singleton_config::instance();
    std::string reason;
    if (config->save(&reason) == 0) return true;
    velmo_message_information(
        velmo_args(QCoreApplication::translate("velmo", "设置未能保存到 %1: %2"),
                   {QString::fromLocal8Bit(config->user_file().c_str()),
                    QString::fromLocal8Bit(reason.c_str())}));
    return false;
}
