// Command handlers of "勘误表": the errata table dialog, bound to
// command-bar items. Each receives the host's event arguments (unused) and
// returns a status for the host.
#ifndef VELMO_FEATURES_ERRATA_VELMO_ERRATA_COMMANDS_H
#define VELMO_FEATURES_ERRATA_VELMO_ERRATA_COMMANDS_H

#include <QList>
#include <QVariant>

int velmo_cb_export(QList<QVariant>& args);

#endif
