// The process's standard input and output as raw byte channels: what a CGI
// program reads its request body from and writes its response to.
#pragma once

#include <cstddef>

namespace platform {

/// Bytes of standard output gathered before they go out in one write: the
/// capacity of a pipe, so a web server reading the response takes each block
/// whole.
inline constexpr std::size_t kStandardOutputBlock = 65536;

/// Writes all bytes to standard output at once, after any bytes still
/// gathered by BufferStandardOutput, so the order of the output is kept.
/// False on a write error.
bool WriteStandardOutput(const void* data, std::size_t size) noexcept;

/// Appends bytes to the process's standard output block and writes the block
/// out whenever it is full, so a response of many short lines costs a few
/// large writes. What is still gathered goes out with FlushStandardOutput,
/// with WriteStandardOutput, when the process ends through ExitProcessNow and
/// when it returns from main. False when a write failed (the failure may
/// belong to bytes appended earlier); the failed bytes are dropped.
bool BufferStandardOutput(const void* data, std::size_t size) noexcept;

/// Writes out what BufferStandardOutput gathered; false on a write error.
bool FlushStandardOutput() noexcept;

/// Reads up to `size` bytes from standard input; returns the count, 0 at the
/// end of the input, -1 on error.
long long ReadStandardInput(void* buffer, std::size_t size) noexcept;

}  // namespace platform
