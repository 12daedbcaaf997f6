// Command handlers of "建议": the correction dialog for the error under the cursor, bound to
// command-bar items. Each receives the host's event arguments (unused) and
// returns a status for the host.
#ifndef VELMO_FEATURES_CORRECTION_VELMO_CORRECTION_COMMANDS_H
#define VELMO_FEATURES_CORRECTION_VELMO_CORRECTION_COMMANDS_H

#include <QList>
#include <QVariant>

int velmo_cb_suggest(QList<QVariant>& args);

#endif
