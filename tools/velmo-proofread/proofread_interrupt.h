// SIGINT and SIGTERM stop a batch: the worker proofreading a document is
// stopped too, and the batch cleans up and ends after it.
#ifndef PROOFREAD_INTERRUPT_H
#define PROOFREAD_INTERRUPT_H

#include <sys/types.h>

void proofread_catch_interrupts();
// The signal that stopped the batch, or 0.
int proofread_interrupted();
// The worker process to pass a stop on to; 0 when none runs.
void proofread_set_worker(pid_t pid);

#endif
