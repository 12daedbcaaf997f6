// Every item of the plug-in's command bar in one table: its caption, the menu
// it sits in and the handler a click runs (declared in the header of its
// feature, src/features/<feature>/).
// Both layouts are built from it, and the tests check the bar against it.
#ifndef VELMO_PLUGIN_VELMO_COMMAND_TABLE_H
#define VELMO_PLUGIN_VELMO_COMMAND_TABLE_H

#include <vector>

#include "ksoapi.h"

struct velmo_command_t {
    const char* caption;
    const char* menu;          // caption of the drop-down menu; null for a top-level button
    KsoEventHandler handler;   // null for "状态", a display item without a command
    const char* handler_name;  // null with the handler
};

// The five top-level buttons, then the items of the five menus, each group in
// creation order.
const std::vector<velmo_command_t>& velmo_command_table();

// Captions of the five drop-down menus in creation order.
const std::vector<const char*>& velmo_command_menus();

#endif
