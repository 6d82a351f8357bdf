// Ctrl+C (SIGINT), SIGTERM and SIGHUP as a request to stop, for command-line
// programs: a signal only notes itself for the program to poll; the program
// then ends in its own orderly way.
#pragma once

namespace platform {

/// Installs the handlers. Call once at start-up.
void InstallInterruptHandler() noexcept;

/// True once an interrupt signal arrived.
bool InterruptRequested() noexcept;

/// The number of the first interrupt signal that arrived (SIGINT, SIGTERM
/// or SIGHUP); 0 while none has.
int InterruptSignal() noexcept;

/// True when the standard error stream is a terminal (live progress is
/// shown only there).
bool StandardErrorIsTerminal() noexcept;

}  // namespace platform
