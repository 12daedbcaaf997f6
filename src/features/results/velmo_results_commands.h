// Command handler of "校对结果": the results list beside the document, bound
// to a command-bar item; it receives the host's event arguments (unused) and
// returns a status for the host. The check commands and the plug-in's
// shut-down tell the list what happened.
#ifndef VELMO_FEATURES_RESULTS_VELMO_RESULTS_COMMANDS_H
#define VELMO_FEATURES_RESULTS_VELMO_RESULTS_COMMANDS_H

#include <QList>
#include <QVariant>

class velmo_ui_results;

int velmo_cb_results(QList<QVariant>& args);

// After a check: shows the new marks in the open list, and opens the list
// when the settings ask for it (integer key "ResultList" of section "Way").
void velmo_results_check_ended();

// Closes and deletes the list (the plug-in shuts down).
void velmo_results_close();

// The open list; null when it is not open.
velmo_ui_results* velmo_results_window();

#endif
