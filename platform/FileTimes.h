// File modification times: read, set to now, or set to a given moment.
// The CGI relay uses them as liveness signals between processes.
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace platform {

using FileClock = std::chrono::system_clock;

/// The file's last modification time, or nullopt when it cannot be read.
std::optional<FileClock::time_point> FileModificationTime(const std::string& path) noexcept;

/// Sets the file's modification (and access) time to now. False on failure.
bool TouchFile(const std::string& path) noexcept;

/// Sets the file's modification (and access) time to `moment`. False on failure.
bool SetFileModificationTime(const std::string& path, FileClock::time_point moment) noexcept;

/// The size of a file in bytes, or -1 when it cannot be read.
long long FileSizeOf(const std::string& path) noexcept;

}  // namespace platform
