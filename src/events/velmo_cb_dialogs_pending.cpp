// Placeholders for dialog commands not built yet; each is removed from here
// when its real definition lands.
#include "events/velmo_cb_dialogs.h"

