// Command handlers of "关于": the about dialog, bound to
// command-bar items. Each receives the host's event arguments (unused) and
// returns a status for the host.
#ifndef VELMO_FEATURES_ABOUT_VELMO_ABOUT_COMMANDS_H
#define VELMO_FEATURES_ABOUT_VELMO_ABOUT_COMMANDS_H

#include <QList>
#include <QVariant>

int velmo_cb_about(QList<QVariant>& args);

#endif
