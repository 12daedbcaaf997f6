// Qt messages that say nothing about a run: debug traces (unless asked for)
// and the offscreen platform's notices. Host programs install this filter.
#ifndef WSIM_QUIET_MESSAGES_H
#define WSIM_QUIET_MESSAGES_H

// Installs the filter in front of Qt's handler; `show_debug` lets debug
// messages (the plug-in's traces among them) through.
void wsim_install_quiet_messages(bool show_debug);

#endif
