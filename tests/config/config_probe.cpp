// A loadable module holding its own copy of the settings store, to show where
// a library that contains it looks for its files.
#include "config/velmo_config.h"

extern "C" __attribute__((visibility("default"))) const char* config_probe_path(int which) {
    switch (which) {
        case 0:
            return CONST_VELMO_INI_PATH;
        case 1:
            return CONST_VELMO_LOGO_PATH;
        default:
            return CONST_FINDLIB_PATH;
    }
}
