// Command handlers of "添加新词", "定义错误" and "用户维护": the word library dialogs, bound to
// command-bar items. Each receives the host's event arguments (unused) and
// returns a status for the host.
#ifndef VELMO_FEATURES_WORD_LIBRARIES_VELMO_WORD_LIBRARY_COMMANDS_H
#define VELMO_FEATURES_WORD_LIBRARIES_VELMO_WORD_LIBRARY_COMMANDS_H

#include <QList>
#include <QVariant>

int velmo_cb_new_word(QList<QVariant>& args);
int velmo_cb_new_error(QList<QVariant>& args);
int velmo_cb_maintain(QList<QVariant>& args);

#endif
