// Ctrl+C (SIGINT) and SIGTERM as a request to stop, for command-line
// programs: the first signal only sets a flag that the program polls; the
// program then ends in its own orderly way.
#pragma once

namespace platform {

/// Installs the handlers. Call once at start-up.
void InstallInterruptHandler() noexcept;

/// True once an interrupt signal arrived.
bool InterruptRequested() noexcept;

/// True when the standard error stream is a terminal (live progress is
/// shown only there).
bool StandardErrorIsTerminal() noexcept;

}  // namespace platform
