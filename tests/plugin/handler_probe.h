// Stand-ins for every command handler, put in place at link time (see
// CMakeLists.txt), so that a click shows which handler the layout bound to an
// item without running the command itself.
#ifndef TESTS_PLUGIN_HANDLER_PROBE_H
#define TESTS_PLUGIN_HANDLER_PROBE_H

#include <QString>
#include <QStringList>

// Names of the handlers called so far, in call order.
QStringList& probe_calls();
// The status the stand-in for `handler_name` returns: distinct per handler.
int probe_status(const QString& handler_name);

#endif
