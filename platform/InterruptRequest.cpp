// POSIX signal handling for the stop request of command-line programs.
#include "platform/InterruptRequest.h"

#include <csignal>
#include <unistd.h>

namespace platform {

namespace {

volatile std::sig_atomic_t interruptRequested = 0;

extern "C" void OnInterrupt(int) { interruptRequested = 1; }

}  // namespace

void InstallInterruptHandler() noexcept {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

bool InterruptRequested() noexcept { return interruptRequested != 0; }

bool StandardErrorIsTerminal() noexcept { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace platform
