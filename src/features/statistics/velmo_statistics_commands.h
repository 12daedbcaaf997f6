// Command handlers of "错误统计": the statistics dialog, bound to
// command-bar items. Each receives the host's event arguments (unused) and
// returns a status for the host.
#ifndef VELMO_FEATURES_STATISTICS_VELMO_STATISTICS_COMMANDS_H
#define VELMO_FEATURES_STATISTICS_VELMO_STATISTICS_COMMANDS_H

#include <QList>
#include <QVariant>

int velmo_cb_stat(QList<QVariant>& args);

#endif
