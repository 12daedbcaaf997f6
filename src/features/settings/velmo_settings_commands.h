// Command handlers of "参数设置": the settings dialog, bound to
// command-bar items. Each receives the host's event arguments (unused) and
// returns a status for the host.
#ifndef VELMO_FEATURES_SETTINGS_VELMO_SETTINGS_COMMANDS_H
#define VELMO_FEATURES_SETTINGS_VELMO_SETTINGS_COMMANDS_H

#include <QList>
#include <QVariant>

int velmo_cb_setting(QList<QVariant>& args);

#endif
