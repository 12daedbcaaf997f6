// Command handlers of "校验明细": the usage details dialog, bound to
// command-bar items. Each receives the host's event arguments (unused) and
// returns a status for the host.
#ifndef VELMO_FEATURES_USAGE_DETAILS_VELMO_USAGE_DETAILS_COMMANDS_H
#define VELMO_FEATURES_USAGE_DETAILS_VELMO_USAGE_DETAILS_COMMANDS_H

#include <QList>
#include <QVariant>

int velmo_cb_check_details(QList<QVariant>& args);

#endif
