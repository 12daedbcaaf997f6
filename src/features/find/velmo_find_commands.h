// Command handlers of "成批查找": the batch find dialog, bound to
// command-bar items. Each receives the host's event arguments (unused) and
// returns a status for the host.
#ifndef VELMO_FEATURES_FIND_VELMO_FIND_COMMANDS_H
#define VELMO_FEATURES_FIND_VELMO_FIND_COMMANDS_H

#include <QList>
#include <QVariant>

int velmo_cb_batch_find(QList<QVariant>& args);

#endif
