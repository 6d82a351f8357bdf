// POSIX implementation of file modification times.
#include "platform/FileTimes.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace platform {

std::optional<FileClock::time_point> FileModificationTime(const std::string& path) noexcept {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    const auto sinceEpoch = std::chrono::seconds(info.st_mtim.tv_sec) + std::chrono::nanoseconds(info.st_mtim.tv_nsec);
    return FileClock::time_point(std::chrono::duration_cast<FileClock::duration>(sinceEpoch));
}

bool TouchFile(const std::string& path) noexcept { return ::utimensat(AT_FDCWD, path.c_str(), nullptr, 0) == 0; }

bool SetFileModificationTime(const std::string& path, FileClock::time_point moment) noexcept {
    const auto sinceEpoch = std::chrono::duration_cast<std::chrono::nanoseconds>(moment.time_since_epoch()).count();
    timespec times[2];
    times[0].tv_sec = static_cast<time_t>(sinceEpoch / 1'000'000'000);
    times[0].tv_nsec = static_cast<long>(sinceEpoch % 1'000'000'000);
    times[1] = times[0];
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

long long FileSizeOf(const std::string& path) noexcept {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return -1;
    return static_cast<long long>(info.st_size);
}

}  // namespace platform
