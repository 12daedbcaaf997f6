#include "handler_probe.h"

#include <QList>
#include <QVariant>

QStringList& probe_calls() {
    static QStringList calls;
    return calls;
}

int probe_status(const QString& handler_name) {
    return 1000 + static_cast<int>(qHash(handler_name) % 100000u);
}

namespace {
int probe(const char* name) {
    const QString handler = QString::fromLatin1(name);
    probe_calls().append(handler);
    return probe_status(handler);
}
}  // namespace

// The linker sends every reference to a handler of the plug-in to
// __wrap_<mangled name>; `length` is the length of the handler's name in its
// mangled form _Z<length><name>R5QListI8QVariantE.
#define VELMO_PROBE(length, name)                                                  \
    extern "C" int __wrap__Z##length##name##R5QListI8QVariantE(QList<QVariant>&) { \
        return probe(#name);                                                       \
    }

VELMO_PROBE(14, velmo_cb_check)
VELMO_PROBE(13, velmo_cb_next)
VELMO_PROBE(17, velmo_cb_previous)
VELMO_PROBE(18, velmo_cb_clear_all)
VELMO_PROBE(20, velmo_cb_batch_check)
VELMO_PROBE(26, velmo_cb_punctuation_check)
VELMO_PROBE(21, velmo_cb_leader_check)
VELMO_PROBE(28, velmo_cb_clear_current_color)
VELMO_PROBE(16, velmo_cb_suggest)
VELMO_PROBE(16, velmo_cb_setting)
VELMO_PROBE(17, velmo_cb_new_word)
VELMO_PROBE(18, velmo_cb_new_error)
VELMO_PROBE(17, velmo_cb_maintain)
VELMO_PROBE(20, velmo_cb_clear_color)
VELMO_PROBE(22, velmo_cb_color_setting)
VELMO_PROBE(19, velmo_cb_batch_find)
VELMO_PROBE(13, velmo_cb_stat)
VELMO_PROBE(15, velmo_cb_export)
VELMO_PROBE(14, velmo_cb_about)
VELMO_PROBE(14, velmo_cb_login)
VELMO_PROBE(16, velmo_cb_account)
VELMO_PROBE(18, velmo_cb_left_word)
VELMO_PROBE(18, velmo_cb_available)
VELMO_PROBE(22, velmo_cb_check_details)
