// Command handlers that open the plug-in's dialogs or refresh the account items,
// bound to command-bar items. Each receives the host's event arguments (unused)
// and returns a status for the host.
#ifndef VELMO_EVENTS_VELMO_CB_DIALOGS_H
#define VELMO_EVENTS_VELMO_CB_DIALOGS_H

#include <QList>
#include <QVariant>

int velmo_cb_suggest(QList<QVariant>& args);
int velmo_cb_setting(QList<QVariant>& args);
int velmo_cb_new_word(QList<QVariant>& args);
int velmo_cb_new_error(QList<QVariant>& args);
int velmo_cb_maintain(QList<QVariant>& args);
int velmo_cb_clear_color(QList<QVariant>& args);
int velmo_cb_color_setting(QList<QVariant>& args);
int velmo_cb_batch_find(QList<QVariant>& args);
int velmo_cb_stat(QList<QVariant>& args);
int velmo_cb_export(QList<QVariant>& args);
int velmo_cb_about(QList<QVariant>& args);
int velmo_cb_login(QList<QVariant>& args);
int velmo_cb_account(QList<QVariant>& args);
int velmo_cb_left_word(QList<QVariant>& args);
int velmo_cb_available(QList<QVariant>& args);
int velmo_cb_check_details(QList<QVariant>& args);

#endif
