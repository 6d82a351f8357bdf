// The process's standard input and output as raw byte channels: what a CGI
// program reads its request body from and writes its response to.
#pragma once

#include <cstddef>

namespace platform {

/// Writes all bytes to standard output at once (no user-space buffering), so
/// nothing is lost when the process ends immediately. False on a write error.
bool WriteStandardOutput(const void* data, std::size_t size) noexcept;

/// Reads up to `size` bytes from standard input; returns the count, 0 at the
/// end of the input, -1 on error.
long long ReadStandardInput(void* buffer, std::size_t size) noexcept;

}  // namespace platform
