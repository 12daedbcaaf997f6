// Steps the check commands share.
#ifndef VELMO_COMMANDS_VELMO_CHECK_STEPS_H
#define VELMO_COMMANDS_VELMO_CHECK_STEPS_H

// The login gate: 0 when the account may check. Otherwise tells the user
// "连接服务器失败" (no answer), "请登录后再进行校对" (the account was refused)
// or the service's own message (any other refusal) and returns -1.
int velmo_check_state();

// One check of the active document without any message: saves it when it
// has a path, deletes all marks, runs the check dialog, collects its results
// and places coloured marks. Non-zero when the user stopped the run.
int velmo_check_once();

#endif
