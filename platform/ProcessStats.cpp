// Process resource use through getrusage.
#include "platform/ProcessStats.h"

#include <sys/resource.h>

namespace platform {

std::int64_t PeakResidentBytes() noexcept {
    struct rusage usage {};
    if (::getrusage(RUSAGE_SELF, &usage) != 0) return 0;
    return static_cast<std::int64_t>(usage.ru_maxrss) * 1024;  // reported in kilobytes on Linux
}

double ProcessorSeconds() noexcept {
    struct rusage usage {};
    if (::getrusage(RUSAGE_SELF, &usage) != 0) return 0;
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace platform
