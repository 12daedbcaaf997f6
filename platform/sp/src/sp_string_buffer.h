// The growable byte buffer behind sp_string_buffer_t (internal to libsp).
#ifndef SP_STRING_BUFFER_H
#define SP_STRING_BUFFER_H

#include <string>

#include "sp.h"

struct sp_string_buffer {
    // Always NUL-terminated through std::string; may hold NUL bytes inside.
    std::string bytes;
    // An HTTP answer stopped at the size limit.
    bool too_large = false;
};

#endif
