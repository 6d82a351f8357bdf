// Opening an index set's files together under the folder's shared lock.
#include "search/IndexSnapshot.h"

#include <chrono>

#include "indexfiles/IndexFiles.h"
#include "platform/FileLocking.h"
#include "platform/PathNames.h"

namespace search {

namespace {

/// The longest a search waits for the indexer to finish its renames (a few
/// milliseconds) before it opens the files without the lock: a process that
/// holds the folder's lock and never lets go delays searches no longer.
constexpr std::chrono::milliseconds kLockPatience{2000};

}  // namespace

IndexSnapshot IndexSnapshot::Take(const std::string& basePath) {
    IndexSnapshot snapshot;
    snapshot.basePath_ = basePath;
    constexpr auto& kFiles = indexfiles::kOpenOrder;
    std::array<std::string, kFiles.size()> paths;
    for (std::size_t i = 0; i < kFiles.size(); ++i) paths[i] = indexfiles::IndexFileName(basePath, kFiles[i]);
    // Only the opens lie inside the lock, so a stream of searches leaves the
    // indexer gaps to take its exclusive lock in.
    platform::FolderLock lock = platform::FolderLock::AcquireWithin(platform::DirectoryOf(basePath),
                                                                    platform::FolderLock::Kind::Shared, kLockPatience);
    for (std::size_t i = 0; i < kFiles.size(); ++i) {
        snapshot.entries_[i].which = kFiles[i];
        snapshot.entries_[i].file = platform::FileHandle::Open(paths[i], platform::FileHandle::Mode::Read);
    }
    lock.Release();
    snapshot.taken_ = true;
    return snapshot;
}

platform::FileHandle IndexSnapshot::Open(indexfiles::IndexFile file) const noexcept {
    for (const Entry& entry : entries_) {
        if (taken_ && entry.which == file) return entry.file.Duplicate();
    }
    try {
        return platform::FileHandle::Open(indexfiles::IndexFileName(basePath_, file), platform::FileHandle::Mode::Read);
    } catch (...) {
        // The path could not be made (out of memory): the open fails.
        return platform::FileHandle{};
    }
}

}  // namespace search
