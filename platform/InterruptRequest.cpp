// POSIX signal handling for the stop request of command-line programs.
#include "platform/InterruptRequest.h"

#include <csignal>
#include <initializer_list>
#include <unistd.h>

namespace platform {

namespace {

volatile std::sig_atomic_t interruptSignal = 0;

constexpr std::initializer_list<int> kInterruptSignals{SIGINT, SIGTERM, SIGHUP};

/// Keeps the first signal: the one that stopped the run. The handlers block
/// each other, so no two of them run at once.
extern "C" void OnInterrupt(int signalNumber) {
    if (interruptSignal == 0) interruptSignal = signalNumber;
}

}  // namespace

void InstallInterruptHandler() noexcept {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : kInterruptSignals) sigaddset(&action.sa_mask, signalNumber);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : kInterruptSignals) ::sigaction(signalNumber, &action, nullptr);
}

bool InterruptRequested() noexcept { return interruptSignal != 0; }

int InterruptSignal() noexcept { return interruptSignal; }

bool StandardErrorIsTerminal() noexcept { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace platform
