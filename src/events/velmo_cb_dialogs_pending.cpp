// Placeholders for dialog commands not built yet; each is removed from here
// when its real definition lands.
#include "events/velmo_cb_dialogs.h"

int velmo_cb_stat(QList<QVariant>&) { return 0; }
int velmo_cb_setting(QList<QVariant>&) { return 0; }
int velmo_cb_clear_color(QList<QVariant>&) { return 0; }
int velmo_cb_color_setting(QList<QVariant>&) { return 0; }
int velmo_cb_about(QList<QVariant>&) { return 0; }
