// Renames and disk flushes for files replaced whole.
#include "platform/FileReplace.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

int RenameFile(const std::string& from, const std::string& to) noexcept {
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

namespace {

/// Opens `path` read-only with `flags` added, fsyncs it and closes it.
int SyncPath(const std::string& path, int flags) noexcept {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | flags);
    if (fd < 0) return errno;
    int error = ::fsync(fd) == 0 ? 0 : errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    return error;
}

}  // namespace

int SyncFileToDisk(const std::string& path) noexcept { return SyncPath(path, 0); }

int SyncFolder(const std::string& folder) noexcept {
    return SyncPath(folder.empty() ? std::string(".") : folder, O_DIRECTORY);
}

}  // namespace platform
