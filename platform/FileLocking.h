// Advisory locks (flock) between processes. Exclusive opening of a shared
// coordination file: where the original system refused a second open of a
// file that another process held, the lock makes the second open fail the
// same way, so callers that retry an open keep their meaning. And the folder
// lock that lets a writer replace a group of files in a folder while readers
// that open the group wait, so a reader never opens files of two groups.
#pragma once

#include <chrono>
#include <string>

#include "platform/File.h"

namespace platform {

/// Opens the file and takes an exclusive advisory lock on it without waiting.
/// Returns a closed handle when the file cannot be opened or another process
/// holds the lock; the lock lasts until the handle is closed.
FileHandle OpenExclusive(const std::string& path, FileHandle::Mode mode) noexcept;

/// An advisory lock on a folder (the folder itself, opened read-only), held
/// while the object lives and released when it is destroyed or the process
/// ends, however it ends. Any number of shared holders, or one exclusive one.
/// Movable, not copyable.
class FolderLock {
public:
    enum class Kind { Shared, Exclusive };
    enum class Wait { UntilFree, No };

    FolderLock() noexcept = default;
    ~FolderLock();
    FolderLock(FolderLock&& other) noexcept;
    FolderLock& operator=(FolderLock&& other) noexcept;
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    /// Opens `folder` ("" is the working folder) and takes the lock, waiting
    /// for a conflicting holder unless `wait` is No. Never throws: when the
    /// folder cannot be opened or locked the lock is not held and LockError()
    /// holds errno (EWOULDBLOCK for a lock that would have to wait).
    static FolderLock Acquire(const std::string& folder, Kind kind, Wait wait = Wait::UntilFree) noexcept;
    /// As Acquire, but gives up once `patience` has passed without the lock
    /// (LockError() EWOULDBLOCK then): a holder that never lets go, such as
    /// another user's process that only needs read access to the folder to
    /// lock it, delays the caller by `patience` at most. It tries again every
    /// millisecond.
    static FolderLock AcquireWithin(const std::string& folder, Kind kind, std::chrono::milliseconds patience) noexcept;

    bool IsHeld() const noexcept { return fd_ >= 0; }
    int LockError() const noexcept { return lockError_; }
    /// Releases the lock now; nothing when it is not held.
    void Release() noexcept;

private:
    int fd_ = -1;
    int lockError_ = 0;
};

}  // namespace platform
