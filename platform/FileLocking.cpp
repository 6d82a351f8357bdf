// flock-based implementation of exclusive opening.
#include "platform/FileLocking.h"

#include <cerrno>
#include <sys/file.h>

namespace platform {

FileHandle OpenExclusive(const std::string& path, FileHandle::Mode mode) noexcept {
    FileHandle handle = FileHandle::Open(path, mode);
    if (!handle.IsOpen()) return handle;
    int result;
    do {
        result = ::flock(handle.Descriptor(), LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) return FileHandle{};
    return handle;
}

}  // namespace platform
