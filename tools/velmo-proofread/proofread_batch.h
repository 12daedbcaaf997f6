// The batch: every document is proofread by a worker process of its own, so
// that one that crashes or hangs the host fails alone and the batch goes on.
// Prints a line per document and a closing summary naming the failures,
// writes the JSON report, and stops early, cleaning up, on SIGINT/SIGTERM.
#ifndef PROOFREAD_BATCH_H
#define PROOFREAD_BATCH_H

#include <QString>
#include <QTextStream>

#include "proofread_options.h"

// The exit status: 0 when every document was proofread and written, 1 when
// one was not (or only partly checked), 128 + the signal when stopped.
int proofread_batch(const QString& program, const proofread_options& options, QTextStream& out,
                    QTextStream& err);

#endif
