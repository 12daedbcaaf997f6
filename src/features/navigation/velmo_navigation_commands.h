// Command handlers of "下一处" and "上一处": moving between error marks, bound to
// command-bar items. Each receives the host's event arguments (unused) and
// returns a status for the host.
#ifndef VELMO_FEATURES_NAVIGATION_VELMO_NAVIGATION_COMMANDS_H
#define VELMO_FEATURES_NAVIGATION_VELMO_NAVIGATION_COMMANDS_H

#include <QList>
#include <QVariant>

int velmo_cb_next(QList<QVariant>& args);
int velmo_cb_previous(QList<QVariant>& args);

#endif
