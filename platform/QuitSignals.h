// "A close or quit message is waiting": a long-waiting process (the CGI relay)
// asks whether it has been told to stop. Here that is a received SIGTERM,
// SIGINT or SIGHUP.
#pragma once

namespace platform {

/// Starts noting SIGTERM, SIGINT and SIGHUP instead of dying of them. Called
/// once by a process before it enters a long wait; later calls do nothing.
void WatchQuitSignals() noexcept;

/// True once one of the watched signals arrived after WatchQuitSignals().
bool QuitSignalReceived() noexcept;

}  // namespace platform
