// Command handlers of "用户登录" and the account items (user name, words left, expiry), bound to
// command-bar items. Each receives the host's event arguments (unused) and
// returns a status for the host.
#ifndef VELMO_FEATURES_ACCOUNT_VELMO_ACCOUNT_COMMANDS_H
#define VELMO_FEATURES_ACCOUNT_VELMO_ACCOUNT_COMMANDS_H

#include <QList>
#include <QVariant>

int velmo_cb_login(QList<QVariant>& args);
int velmo_cb_account(QList<QVariant>& args);
int velmo_cb_left_word(QList<QVariant>& args);
int velmo_cb_available(QList<QVariant>& args);

#endif
