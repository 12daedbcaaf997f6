// Placeholders for dialog commands not built yet; each is removed from here
// when its real definition lands.
#include "events/velmo_cb_dialogs.h"

int velmo_cb_suggest(QList<QVariant>&) { return 0; }
int velmo_cb_setting(QList<QVariant>&) { return 0; }
int velmo_cb_new_word(QList<QVariant>&) { return 0; }
int velmo_cb_new_error(QList<QVariant>&) { return 0; }
int velmo_cb_maintain(QList<QVariant>&) { return 0; }
int velmo_cb_clear_color(QList<QVariant>&) { return 0; }
int velmo_cb_color_setting(QList<QVariant>&) { return 0; }
int velmo_cb_batch_find(QList<QVariant>&) { return 0; }
int velmo_cb_stat(QList<QVariant>&) { return 0; }
int velmo_cb_about(QList<QVariant>&) { return 0; }
int velmo_cb_login(QList<QVariant>&) { return 0; }
int velmo_cb_account(QList<QVariant>&) { return 0; }
int velmo_cb_left_word(QList<QVariant>&) { return 0; }
int velmo_cb_available(QList<QVariant>&) { return 0; }
int velmo_cb_check_details(QList<QVariant>&) { return 0; }
