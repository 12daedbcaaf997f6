// Command handlers of "校对" and its variants, and "清除全部标记", bound to
// command-bar items. Each receives the host's event arguments (unused) and
// returns a status for the host.
#ifndef VELMO_FEATURES_CHECK_VELMO_CHECK_COMMANDS_H
#define VELMO_FEATURES_CHECK_VELMO_CHECK_COMMANDS_H

#include <QList>
#include <QVariant>

int velmo_cb_check(QList<QVariant>& args);
int velmo_cb_clear_all(QList<QVariant>& args);
int velmo_cb_batch_check(QList<QVariant>& args);
int velmo_cb_punctuation_check(QList<QVariant>& args);
int velmo_cb_leader_check(QList<QVariant>& args);

class velmo_check_session;

// Starts the session over the check range of the active document: the
// selection, or from the cursor to the end. GUI thread.
void velmo_start_check_of_active_document(velmo_check_session& session);

// The login gate: 0 when the account may check. Otherwise tells the user
// "连接服务器失败" (no answer), "请登录后再进行校对" (the account was refused)
// or the service's own message (any other refusal) and returns -1.
int velmo_check_state();

#endif
