// The quit-signal seam on POSIX signals: SIGINT, SIGTERM, SIGHUP and SIGQUIT get a handler that
// notes the first one (those the program was started with ignored stay ignored); ending the
// process restores the default action and raises the signal again.
#include "platform/quit_signals.h"

#include <csignal>
#include <cstdio>
#include <unistd.h>

static const int quitSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
static volatile sig_atomic_t received = 0;

static void endWithDefaultAction(int number) {
    std::signal(number, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, number);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    raise(number);
    _exit(128 + number); // not reached: each of these ends the process by default
}

static void noteSignal(int number) {
    if (received) endWithDefaultAction(number);
    received = number;
}

void quitSignalsCatch() {
    struct sigaction action = {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    for (int number : quitSignals)
        sigaddset(&action.sa_mask, number);
    action.sa_flags = SA_RESTART;
    for (int number : quitSignals) {
        // One that was ignored at start stays ignored (nohup's hang-up).
        struct sigaction before = {};
        sigaction(number, nullptr, &before);
        if (before.sa_handler != SIG_IGN) sigaction(number, &action, nullptr);
    }
}

int quitSignalReceived() {
    return received;
}

void quitSignalEndProcess() {
    if (!received) return;
    std::fflush(nullptr);
    endWithDefaultAction(received);
}
