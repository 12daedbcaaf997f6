// Command handlers of "建议": the correction dialog for the error under the cursor, bound to
// command-bar items. Each receives the host's event arguments (unused) and
// returns a status for the host.
#ifndef VELMO_FEATURES_CORRECTION_VELMO_CORRECTION_COMMANDS_H
#define VELMO_FEATURES_CORRECTION_VELMO_CORRECTION_COMMANDS_H

#include <QList>
#include <QVariant>

int velmo_cb_suggest(QList<QVariant>& args);

// Writes the first suggestion of the collected record `index` over its mark,
// as "更改(A)" of "建议" does, then places the marks again as "建议" does when
// it closes. False when nothing was written.
bool velmo_correction_apply_first(int index);

#endif
