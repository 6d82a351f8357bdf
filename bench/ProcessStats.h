// Resource use of the running process, for the benchmarks' reports.
#pragma once

#include <cstdint>
#include <sys/resource.h>

namespace bench {

/// The most physical memory the process has held at any time so far, in
/// bytes (its peak resident set); 0 when the system cannot tell.
inline std::int64_t PeakResidentBytes() noexcept {
    struct rusage usage {};
    if (::getrusage(RUSAGE_SELF, &usage) != 0) return 0;
    return static_cast<std::int64_t>(usage.ru_maxrss) * 1024;  // reported in kilobytes on Linux
}

/// Processor time the process has used so far (user plus system), in seconds.
inline double ProcessorSeconds() noexcept {
    struct rusage usage {};
    if (::getrusage(RUSAGE_SELF, &usage) != 0) return 0;
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace bench
