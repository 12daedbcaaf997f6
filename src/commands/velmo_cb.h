// Command handlers of the check-and-marks commands, bound to command-bar items.
// Each receives the host's event arguments (unused) and returns a status for the host.
#ifndef VELMO_COMMANDS_VELMO_CB_H
#define VELMO_COMMANDS_VELMO_CB_H

#include <QList>
#include <QVariant>

int velmo_cb_check(QList<QVariant>& args);
int velmo_cb_next(QList<QVariant>& args);
int velmo_cb_previous(QList<QVariant>& args);
int velmo_cb_clear_all(QList<QVariant>& args);
int velmo_cb_batch_check(QList<QVariant>& args);
int velmo_cb_punctuation_check(QList<QVariant>& args);
int velmo_cb_leader_check(QList<QVariant>& args);
int velmo_cb_clear_current_color(QList<QVariant>& args);

#endif
