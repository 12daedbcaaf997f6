// Command handlers of "清除当前颜色", "清除颜色" and "颜色设置", bound to
// command-bar items. Each receives the host's event arguments (unused) and
// returns a status for the host.
#ifndef VELMO_FEATURES_COLOURS_VELMO_COLOR_COMMANDS_H
#define VELMO_FEATURES_COLOURS_VELMO_COLOR_COMMANDS_H

#include <QList>
#include <QVariant>

int velmo_cb_clear_current_color(QList<QVariant>& args);
int velmo_cb_clear_color(QList<QVariant>& args);
int velmo_cb_color_setting(QList<QVariant>& args);

#endif
