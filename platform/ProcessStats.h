// Resource use of the running process, for benchmarks and diagnostics.
#pragma once

#include <cstdint>

namespace platform {

/// The most physical memory the process has held at any time so far, in
/// bytes (its peak resident set); 0 when the system cannot tell.
std::int64_t PeakResidentBytes() noexcept;

/// Processor time the process has used so far (user plus system), in seconds.
double ProcessorSeconds() noexcept;

}  // namespace platform
