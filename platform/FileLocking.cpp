// flock-based implementation of exclusive opening and folder locks.
#include "platform/FileLocking.h"

#include <cerrno>
#include <fcntl.h>
#include <ctime>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

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

FolderLock::~FolderLock() { Release(); }

FolderLock::FolderLock(FolderLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)), lockError_(other.lockError_) {}

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept {
    if (this != &other) {
        Release();
        fd_ = std::exchange(other.fd_, -1);
        lockError_ = other.lockError_;
    }
    return *this;
}

FolderLock FolderLock::Acquire(const std::string& folder, Kind kind, Wait wait) noexcept {
    FolderLock lock;
    const char* path = folder.empty() ? "." : folder.c_str();
    int fd;
    do {
        fd = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        lock.lockError_ = errno;
        return lock;
    }
    const int operation = (kind == Kind::Shared ? LOCK_SH : LOCK_EX) | (wait == Wait::No ? LOCK_NB : 0);
    int result;
    do {
        result = ::flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        lock.lockError_ = errno;
        ::close(fd);
        return lock;
    }
    lock.fd_ = fd;
    return lock;
}

FolderLock FolderLock::AcquireWithin(const std::string& folder, Kind kind,
                                     std::chrono::milliseconds patience) noexcept {
    const auto giveUp = std::chrono::steady_clock::now() + patience;
    for (;;) {
        FolderLock lock = Acquire(folder, kind, Wait::No);
        if (lock.IsHeld() || lock.LockError() != EWOULDBLOCK || std::chrono::steady_clock::now() >= giveUp) return lock;
        const timespec pause{0, 1000 * 1000};
        ::nanosleep(&pause, nullptr);
    }
}

void FolderLock::Release() noexcept {
    // Closing the folder's only descriptor releases the lock.
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
}

}  // namespace platform
