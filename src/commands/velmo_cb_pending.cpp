// Placeholders for check-and-marks commands not built yet; each is removed
// from here when its real definition lands.
#include "commands/velmo_cb.h"

int velmo_cb_check(QList<QVariant>&) { return 0; }
int velmo_cb_next(QList<QVariant>&) { return 0; }
int velmo_cb_previous(QList<QVariant>&) { return 0; }
int velmo_cb_clear_all(QList<QVariant>&) { return 0; }
int velmo_cb_batch_check(QList<QVariant>&) { return 0; }
int velmo_cb_punctuation_check(QList<QVariant>&) { return 0; }
int velmo_cb_leader_check(QList<QVariant>&) { return 0; }
int velmo_cb_clear_current_color(QList<QVariant>&) { return 0; }
