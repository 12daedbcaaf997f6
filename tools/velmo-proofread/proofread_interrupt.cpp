#include "proofread_interrupt.h"

#include <signal.h>

namespace {

volatile sig_atomic_t g_signal = 0;
volatile sig_atomic_t g_worker = 0;

void on_signal(int signal_number) {
    g_signal = signal_number;
    if (g_worker > 0) ::kill(static_cast<pid_t>(g_worker), SIGTERM);
}

}  // namespace

void proofread_catch_interrupts() {
    struct sigaction action = {};
    action.sa_handler = &on_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int proofread_interrupted() { return g_signal; }

void proofread_set_worker(pid_t pid) {
    g_worker = pid;
    // A signal that came while the worker was being started reaches it too.
    if (pid > 0 && g_signal) ::kill(pid, SIGTERM);
}
