// An INI store that is freed when the pointer goes.
#ifndef TESTS_SP_INI_PTR_H
#define TESTS_SP_INI_PTR_H

#include <sp.h>

#include <memory>

struct ini_deleter {
    void operator()(sp_ini_t* ini) const { sp_ini_free(ini); }
};
using ini_ptr = std::unique_ptr<sp_ini_t, ini_deleter>;

#endif
