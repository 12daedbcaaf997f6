// The host's exported functions that the plug-in cannot be sure of, looked up
// at run time: a host without them is told so once and left running, instead
// of ending at the first call with a symbol lookup error.
#ifndef VELMO_HOST_VELMO_HOST_ENTRY_H
#define VELMO_HOST_VELMO_HOST_ENTRY_H

#include <QString>

#include "kfc.h"
#include "wps_event_manager.h"

// The host's event registration manager, or null when the host does not
// export GetEventsRegisterManager or hands out none. Looked up on the first
// call only; a failure is reported then with velmo_report_host_problem.
_RegisterEventManager* velmo_event_manager();

// True when the host exports the four wide-string functions the plug-in calls
// (_XSysAllocString, _XSysAllocStringLen, _XSysFreeString, _XSysStringLen);
// otherwise the first one missing is reported and the plug-in must not call any.
bool velmo_host_has_string_functions();

// Writes one line about the host to standard error and to the debug output
// (Qt's messages; once when they go to standard error anyway).
void velmo_report_host_problem(const QString& line);

#endif
